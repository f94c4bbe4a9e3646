#include "netconfig/batch_setup.h"

#include <algorithm>

#include "netconfig/address_rules.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::array<long, 4> EditValues(const std::array<std::string, 4>& edits) {
  std::array<long, 4> values{};
  for (int i = 0; i < 4; ++i) values[i] = OctetNumber(edits[i]);
  return values;
}

std::string Dotted(const std::array<long, 4>& v) {
  return Format("%ld.%ld.%ld.%ld", v[0], v[1], v[2], v[3]);
}

// The first three numbers of an address text, as "%u.%u.%u" reads them.
bool LeadingThree(const std::string& text, long out[3]) {
  const OctetTexts parts = SplitOctets(text);
  if (parts.count < 3) return false;
  for (int i = 0; i < 3; ++i) {
    if (!AllDigits(parts.part[i])) return false;
    out[i] = OctetNumber(parts.part[i]);
  }
  return true;
}

}  // namespace

AssignKind AssignKindOf(const MessageTexts& texts, const std::string& comboText) {
  if (comboText == texts.Text(Msg::Ip)) return AssignKind::kIp;
  if (comboText == texts.Text(Msg::Gateway)) return AssignKind::kGateway;
  if (comboText == texts.Text(Msg::Netmask)) return AssignKind::kNetmask;
  if (comboText == texts.Text(Msg::Dns)) return AssignKind::kDns;
  return AssignKind::kOther;
}

bool OctetFieldsValid(const std::array<std::string, 4>& edits) {
  for (const std::string& edit : edits)
    if (!AllDigits(edit) || OctetNumber(edit) > 255) return false;
  return true;
}

BatchNetworkSetup::BatchNetworkSetup(const MessageTexts& texts, std::vector<BatchRow> rows,
                                     std::list<tComUnitInfo> devices)
    : texts_(texts), rows_(std::move(rows)), devices_(std::move(devices)) {
  taken_ = TakenAddresses(devices_);
}

void BatchNetworkSetup::Show() {
  staticDone_ = false;
  taken_ = TakenAddresses(devices_);
  sortCol_ = 0;
  NumberBatchRows(rows_);
}

std::array<std::string, kBatchVisibleColumns> BatchNetworkSetup::Headers() const {
  return BatchHeaders(texts_, dhcp_);
}

tSignInFields BatchNetworkSetup::SignInPrefill() const {
  if (group_.rememberMe) return group_;
  return tSignInFields{kDefaultSignInID, kDefaultSignInPW, false};
}

void BatchNetworkSetup::RememberApiSignIn(const tSignInAnswer& answer) {
  if (answer.ok)
    group_ = answer.fields;
  else
    group_.rememberMe = answer.fields.rememberMe;
}

UserNotice BatchNetworkSetup::NoticeText(std::string text, NoticeIcon icon) const {
  return UserNotice{std::move(text), texts_.Text(Msg::Notice), icon};
}

void BatchNetworkSetup::ClearNewIpColumn() {
  for (BatchRow& row : rows_) row[kBatchNewIp].clear();
}

void BatchNetworkSetup::ClickStatic() {
  dhcp_ = false;
  buttons_.assign = true;
  ClearNewIpColumn();
}

std::optional<UserNotice> BatchNetworkSetup::Assign(AssignKind kind,
                                                    const std::array<std::string, 4>& edits) {
  buttons_.ok = true;
  switch (kind) {
    case AssignKind::kIp: return AssignIp(edits);
    case AssignKind::kGateway: return AssignGateway(edits);
    case AssignKind::kNetmask: return AssignNetmask(edits);
    case AssignKind::kDns: return AssignDns(edits);
    case AssignKind::kOther: break;
  }
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::AssignIp(const std::array<std::string, 4>& edits) {
  long a, b, c, d;
  if (OctetFieldsValid(edits)) {
    const auto v = EditValues(edits);
    a = v[0], b = v[1], c = v[2], d = v[3];
  } else {
    long first[3];
    if (rows_.empty() || !LeadingThree(rows_[0][kBatchIp], first)) return std::nullopt;
    a = first[0], b = first[1], c = first[2], d = 1;
    if (a > 255 || b > 255) return std::nullopt;
  }
  std::size_t row = 0;
  while (row < rows_.size() && c <= 255) {
    const std::string candidate = Format("%ld.%ld.%ld.%ld", a, b, c, d);
    // Whole entries only: 10.0.0.1 being taken leaves 0.0.0.1 free.
    if (std::find(taken_.begin(), taken_.end(), candidate) == taken_.end())
      rows_[row++][kBatchNewIp] = candidate;
    if (++d > 255) {
      ++c;
      d = 1;
    }
  }
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::AssignGateway(
    const std::array<std::string, 4>& edits) {
  if (!OctetFieldsValid(edits)) return NoticeText(texts_.Text(Msg::InvalidGateway));
  const auto gateway = EditValues(edits);
  const int source = BatchAddressColumn(rows_);
  for (const BatchRow& row : rows_) {
    if (!SameSubnetByOctets(OctetNumbers(row[source]), OctetNumbers(row[kBatchNetmask]), gateway))
      return NoticeText(Format("%s \n[%s - %ld.%ld.%ld.%ld - %s]",
                               texts_.Text(Msg::InvalidGateway).c_str(), row[source].c_str(),
                               gateway[0], gateway[1], gateway[2], gateway[3],
                               row[kBatchNetmask].c_str()));
  }
  for (BatchRow& row : rows_) row[kBatchGateway] = Dotted(gateway);
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::AssignNetmask(
    const std::array<std::string, 4>& edits) {
  if (!OctetFieldsValid(edits)) return NoticeText(texts_.Text(Msg::InvalidNetmask));
  const auto netmask = EditValues(edits);
  const int source = BatchAddressColumn(rows_);
  for (const BatchRow& row : rows_) {
    const auto address = OctetNumbers(row[source]);
    const auto gateway = OctetNumbers(row[kBatchGateway]);
    const bool sameFirstThree = source != kBatchIp || (address[0] == gateway[0] &&
                                                       address[1] == gateway[1] &&
                                                       address[2] == gateway[2]);
    if (!sameFirstThree || !IsNetmaskForm(netmask) ||
        !SameSubnetByOctets(address, netmask, gateway))
      return NoticeText(Format("%s \n[%s - %s - %ld.%ld.%ld.%ld]",
                               texts_.Text(Msg::InvalidNetmask).c_str(), row[source].c_str(),
                               row[kBatchGateway].c_str(), netmask[0], netmask[1], netmask[2],
                               netmask[3]));
  }
  for (BatchRow& row : rows_) row[kBatchNetmask] = Dotted(netmask);
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::AssignDns(const std::array<std::string, 4>& edits) {
  if (!OctetFieldsValid(edits)) return NoticeText(texts_.Text(Msg::InvalidDns));
  const auto dns = EditValues(edits);
  if (dns[0] == 255 && dns[1] == 255 && dns[2] == 255 && dns[3] == 255)
    return NoticeText(Format("%s \n[%ld.%ld.%ld.%ld]", texts_.Text(Msg::InvalidDns).c_str(),
                             dns[0], dns[1], dns[2], dns[3]));
  for (BatchRow& row : rows_) row[kBatchDns] = Dotted(dns);
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::CheckRowAddresses() const {
  const int source = BatchAddressColumn(rows_);
  for (const BatchRow& row : rows_) {
    if (!SameSubnetByOctets(OctetNumbers(row[source]), OctetNumbers(row[kBatchNetmask]),
                            OctetNumbers(row[kBatchGateway])))
      return NoticeText(Format("%s %s \n[%s - %s - %s]", texts_.Text(Msg::Invalid).c_str(),
                               texts_.Text(Msg::BatchNetworkSetup).c_str(), row[source].c_str(),
                               row[kBatchGateway].c_str(), row[kBatchNetmask].c_str()));
  }
  return std::nullopt;
}

std::optional<UserNotice> BatchNetworkSetup::CheckBlanksAndConflicts() const {
  for (const BatchRow& row : rows_) {
    if (row[kBatchGateway].empty() || row[kBatchNetmask].empty() || row[kBatchDns].empty())
      return NoticeText(texts_.Text(Msg::BlanksToFill));
    for (const tComUnitInfo& device : devices_)
      if (row[kBatchNewIp] == FieldText(device.ip) && row[kBatchNewIp] != row[kBatchIp])
        return NoticeText(texts_.Text(Msg::HasIpConflict), NoticeIcon::kNone);
  }
  return std::nullopt;
}

bool BatchNetworkSetup::AnyRowNeedsCredentials() const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [](const BatchRow& row) { return row[kBatchIdpw] == "1"; });
}

bool BatchNetworkSetup::TakeCredentials(const BatchCredentialsPrompt& signIn) {
  const tSignInAnswer answer = signIn ? signIn(SignInPrefill()) : tSignInAnswer{};
  if (!answer.ok) return false;
  group_ = answer.fields;
  credentialsEntered_ = true;
  for (BatchRow& row : rows_) row[kBatchIdpw] = group_.id + ":" + group_.password;
  return true;
}

BatchStep BatchNetworkSetup::ClickOk(const BatchCredentialsPrompt& signIn) {
  if (auto refused = CheckRowAddresses()) return {BatchStep::Kind::kStay, std::move(refused)};
  if (dhcp_ || staticDone_) return {BatchStep::Kind::kClose, std::nullopt};
  if (auto refused = CheckBlanksAndConflicts()) return {BatchStep::Kind::kStay, std::move(refused)};
  if (AnyRowNeedsCredentials() && !TakeCredentials(signIn)) return {};
  RunStarted(false);
  staticDone_ = true;
  return {BatchStep::Kind::kRunStatic, std::nullopt};
}

BatchStep BatchNetworkSetup::ClickDhcp(const ConfirmPrompt& confirm,
                                       const BatchCredentialsPrompt& signIn) {
  dhcp_ = true;
  buttons_.assign = false;
  buttons_.ok = true;
  ClearNewIpColumn();
  const UserNotice question{Format("%s\n\n%s", texts_.Text(Msg::DhcpAllocatesAll).c_str(),
                                   texts_.Text(Msg::ClickOkToContinue).c_str()),
                            "Notice!", NoticeIcon::kInformation};
  if (!confirm || !confirm(question)) return {};
  if (AnyRowNeedsCredentials() && !TakeCredentials(signIn)) return {};
  RunStarted(true);
  return {BatchStep::Kind::kRunDhcp, std::nullopt};
}

void BatchNetworkSetup::ClickHeader(int column) {
  if (column < 0 || column >= kBatchColumns) return;
  sortCol_ = column;
  sortFlag_ = sortFlag_ ? 0 : 1;
  SortBatchRows(rows_, column, sortFlag_ == 1);
}

void BatchNetworkSetup::RunStarted(bool dhcp) {
  buttons_.ok = false;
  buttons_.cancel = false;
  if (dhcp) {
    buttons_.assign = false;
    buttons_.staticEnabled = false;
  } else {
    buttons_.dhcpEnabled = false;
  }
}

void BatchNetworkSetup::SetRowOutcome(std::size_t row, const std::string& text) {
  if (row < rows_.size()) rows_[row][kBatchNewIp] = text;
}

UserNotice BatchNetworkSetup::RunFinished() {
  buttons_.ok = true;
  return UserNotice{Format("%s\n%s", texts_.Text(Msg::ControlPackageSent).c_str(),
                           texts_.Text(Msg::ResearchAfterOneMinute).c_str()),
                    texts_.Text(Msg::Notice), NoticeIcon::kInformation};
}

}  // namespace scanvale
