#include "netconfig/batch_rows.h"

#include <algorithm>
#include <cctype>

#include "netconfig/address_rules.h"
#include "protocol/control_package.h"

namespace scanvale {

namespace {

std::string RowText(const BatchRow& row) {
  std::string text;
  for (const std::string& cell : row) {
    text += cell;
    text += "\r\n";
  }
  return text;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

BatchRow BatchRowFor(const tComUnitInfo& d) {
  BatchRow row;
  row[kBatchModel] = FieldText(d.model);
  row[kBatchIp] = FieldText(d.ip);
  row[kBatchGateway] = FieldText(d.gateway);
  row[kBatchNetmask] = FieldText(d.netmask);
  row[kBatchDns] = FieldText(d.dns);
  row[kBatchProj] = FieldText(d.proj);
  row[kBatchName] = FieldText(d.name);
  row[kBatchPort] = FieldText(d.trigger_port);
  row[kBatchNetmaskCopy] = FieldText(d.netmask);
  row[kBatchMac] = FieldText(d.mac);
  row[kBatchDev] = FieldText(d.dev);
  row[kBatchVendor] = FieldText(d.vendor);
  row[kBatchIdpw] = FieldText(d.idpw);
  return row;
}

std::vector<BatchRow> BatchRowsForSelection(const DeviceTable& table,
                                            const std::vector<tRowSelected>& selection) {
  std::vector<BatchRow> rows;
  rows.reserve(selection.size());
  for (const tRowSelected& entry : selection) {
    const tComUnitInfo* device = table.FindByRow(entry.row);
    rows.push_back(device ? BatchRowFor(*device) : BatchRow{});
  }
  NumberBatchRows(rows);
  return rows;
}

std::vector<std::string> TakenAddresses(const std::list<tComUnitInfo>& devices) {
  std::vector<std::string> taken;
  for (const tComUnitInfo& d : devices) taken.emplace_back(FieldText(d.ip));
  std::stable_sort(taken.begin(), taken.end(),
                   [](const std::string& a, const std::string& b) { return AddressLess(a, b); });
  return taken;
}

std::array<std::string, kBatchVisibleColumns> BatchHeaders(const MessageTexts& texts, bool dhcp) {
  return {texts.Text(Msg::No),      texts.Text(Msg::Model),
          texts.Text(Msg::Ip),      texts.Text(dhcp ? Msg::DhcpAllocationStatus : Msg::StaticIpAllocation),
          texts.Text(Msg::Gateway), texts.Text(Msg::Netmask),
          texts.Text(Msg::Dns)};
}

void NumberBatchRows(std::vector<BatchRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i][kBatchNo] = std::to_string(i + 1);
}

void SortBatchRows(std::vector<BatchRow>& rows, int column, bool reverse) {
  if (column < 0 || column >= kBatchColumns) return;
  if (rows.size() >= 2) {
    struct Keyed {
      std::string key;
      BatchRow row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (BatchRow& row : rows) keyed.push_back({row[column] + "@" + RowText(row), std::move(row)});
    const bool byAddress = column >= kBatchIp && column <= kBatchDns;
    std::stable_sort(keyed.begin(), keyed.end(), [byAddress](const Keyed& a, const Keyed& b) {
      if (byAddress) return AddressKey(a.key) < AddressKey(b.key);
      return CompareNoCase(a.key, b.key) < 0;
    });
    if (reverse) std::reverse(keyed.begin(), keyed.end());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = std::move(keyed[i].row);
  }
  NumberBatchRows(rows);
}

int BatchAddressColumn(const std::vector<BatchRow>& rows) {
  if (!rows.empty() && !rows[0][kBatchNewIp].empty() && IsValidInetAddr(rows[0][kBatchNewIp]))
    return kBatchNewIp;
  return kBatchIp;
}

}  // namespace scanvale
