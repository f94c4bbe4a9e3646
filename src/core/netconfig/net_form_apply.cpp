#include "netconfig/net_form_apply.h"

#include "netconfig/address_rules.h"
#include "netconfig/exit_checks.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

UserNotice Notice(const MessageTexts& texts, Msg message) {
  return UserNotice{texts.Text(message), texts.Text(Msg::Notice), NoticeIcon::kNone};
}

std::string TwoLines(const MessageTexts& texts, Msg first, Msg second) {
  return Format("%s\n%s", texts.Text(first).c_str(), texts.Text(second).c_str());
}

}  // namespace

const char* NetworkTypeKeyword(NetworkType type) {
  switch (type) {
    case NetworkType::kStatic: return "static";
    case NetworkType::kDhcp: return "dhcp";
    case NetworkType::kOvnet: return "ovnet";
    case NetworkType::kNone: break;
  }
  return "";
}

bool RequiresCredentials(std::string_view idpwFlag) { return idpwFlag == "1"; }

std::string PackageFieldText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ',' && c != '\n' && c != '\r' && c != '\0') out.push_back(c);
  return out;
}

std::optional<UserNotice> CheckNetFormFields(const MessageTexts& texts, const NetFormFields& f,
                                             const AddressLabels& labels) {
  const OctetTexts maskTexts = SplitOctets(f.netmask);
  const std::array<long, 4> mask = OctetNumbers(maskTexts);
  const std::array<long, 4> ip = OctetNumbers(f.ip);
  const std::array<long, 4> gate = OctetNumbers(f.gateway);

  if (!NetmaskOctetsComplete(maskTexts)) return Notice(texts, Msg::InvalidNetmask);
  DiagLog::Printf("subnet - [%ld.%ld.%ld.%ld]", mask[0], mask[1], mask[2], mask[3]);
  DiagLog::Printf("ip - [%ld.%ld.%ld.%ld]", ip[0], ip[1], ip[2], ip[3]);
  DiagLog::Printf("gate - [%ld.%ld.%ld.%ld]", gate[0], gate[1], gate[2], gate[3]);
  for (int i = 1; i < 4; ++i) DiagLog::Printf("i[%d]", i);
  if (!IsNetmaskForm(mask)) return Notice(texts, Msg::InvalidNetmask);
  if ((mask[3] & ip[3]) != (mask[3] & gate[3])) return Notice(texts, Msg::InvalidNetmask);

  if (f.type == NetworkType::kNone)
    return UserNotice{texts.Text(Msg::SpecifyNetworkType), texts.Text(Msg::Warning),
                      NoticeIcon::kWarning};

  // An address longer than its record field would be cut into another address; a field the
  // user can edit must hold an address at all.
  const bool editable = f.type != NetworkType::kDhcp;
  const std::pair<const std::string*, const std::string*> fields[] = {
      {&f.ip, &labels.ip}, {&f.gateway, &labels.gateway},
      {&f.netmask, &labels.netmask}, {&f.dns, &labels.dns}};
  for (const auto& [value, label] : fields) {
    const bool refused = value->size() > kAddressTextMax || (editable && !IsAcceptedAddress(*value));
    if (refused)
      return UserNotice{InvalidFieldText(texts, *label, *value), texts.Text(Msg::Warning),
                        NoticeIcon::kWarning};
  }
  return std::nullopt;
}

tComUnitInfo NetFormRecord(const NetFormFields& f, const NetFormDevice& device,
                           const std::string& id, const std::string& password) {
  tComUnitInfo r;
  ClearRecord(r);
  SetField(r.model, PackageFieldText(f.model));
  SetField(r.proj, PackageFieldText(f.proj));
  SetField(r.name, PackageFieldText(f.name));
  SetField(r.ip, PackageFieldText(f.ip));
  SetField(r.trigger_port, PackageFieldText(f.port));
  SetField(r.netmask, PackageFieldText(f.netmask));
  SetField(r.gateway, PackageFieldText(f.gateway));
  SetField(r.dns, PackageFieldText(f.dns));
  SetField(r.mac, PackageFieldText(f.mac));
  SetField(r.dev, PackageFieldText(f.dev));
  SetField(r.note, NetworkTypeKeyword(f.type));
  SetField(r.vendor, PackageFieldText(device.vendorToken));
  SetField(r.idpw, id + ":" + password);  // only its digest travels
  return r;
}

bool HasAddressConflict(const std::list<tComUnitInfo>& devices, std::string_view newIp,
                        std::string_view deviceIp) {
  for (const tComUnitInfo& entry : devices)
    if (FieldText(entry.ip) == newIp && newIp != deviceIp) return true;
  return false;
}

NetFormPlan PrepareNetFormApply(const MessageTexts& texts, const NetFormFields& fields,
                                const NetFormDevice& device,
                                const std::list<tComUnitInfo>& devices,
                                const tSignInFields& prefill,
                                const CredentialsPrompt& askCredentials,
                                const AddressLabels& labels) {
  NetFormPlan plan;
  if (auto refused = CheckNetFormFields(texts, fields, labels)) {
    plan.notice = std::move(refused);
    return plan;
  }

  DiagLog::Printf("m_IDPW_flag - [%s]", device.idpwFlag.c_str());
  std::string id, password;
  if (RequiresCredentials(device.idpwFlag)) {
    plan.credentialsAsked = true;
    const tSignInAnswer answer = askCredentials ? askCredentials(prefill) : tSignInAnswer{};
    if (!answer.ok) {
      plan.step = NetFormPlan::Step::kCancelled;
      return plan;
    }
    id = answer.fields.id;
    password = answer.fields.password;
  }

  plan.record = NetFormRecord(fields, device, id, password);
  if (HasAddressConflict(devices, FieldText(plan.record.ip), device.deviceIp)) {
    plan.notice = Notice(texts, Msg::IpAddressConflict);
    return plan;
  }
  if (MakeControlPkg(kFlagSetNetwork, plan.wire, &plan.record) != 0) plan.wire.clear();
  plan.step = NetFormPlan::Step::kSend;
  return plan;
}

UserNotice NetFormReport(const MessageTexts& texts, SetNetworkOutcome outcome) {
  UserNotice notice{{}, texts.Text(Msg::Notice), NoticeIcon::kInformation};
  switch (outcome) {
    case SetNetworkOutcome::kFailed:
      notice.text = texts.Text(Msg::FailedToSendPackage);
      break;
    case SetNetworkOutcome::kCredentialsRefused:
      notice.text = TwoLines(texts, Msg::UsernameOrPasswordError, Msg::CheckUsernamePassword);
      break;
    case SetNetworkOutcome::kCommandRefused:
      notice.text = TwoLines(texts, Msg::ControlPackageError, Msg::CheckSetting);
      break;
    case SetNetworkOutcome::kSent:
      notice.text = TwoLines(texts, Msg::ControlPackageSent, Msg::ResearchAfterOneMinute);
      break;
  }
  return notice;
}

}  // namespace scanvale
