#include "discovery/upnp_devices.h"

#include <cctype>

namespace scanvale {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

constexpr const char* kAxisModel = "Axis 200 Series";
constexpr const char* kVivotekModel = "VivoTek 7000 Series";

}  // namespace

void DeviceInformationContainer::Set(UpnpText which, std::string_view text) {
  texts[which] = std::string(text.substr(0, kUpnpTextMax));
}

std::string ChildrenText(long count) {
  if (count == 0) return "No: Zero children";
  if (count == 1) return "Yes: One child";
  return "Yes: " + std::to_string(count) + " children";
}

std::string ServicesText(long count) {
  if (count == 0) return "No: Zero services";
  if (count == 1) return "Yes: One service";
  return "Yes: " + std::to_string(count) + "services";
}

bool KeepUpnpDevice(const DeviceInformationContainer& device) {
  const std::string& maker = device[kUpnpManufacturerName];
  return Contains(maker, "AXIS") || Contains(maker, "Vivotek");
}

bool ParsePresentationUrl(std::string_view url, std::string& ip, std::string& port) {
  const std::size_t slashes = url.find("//");
  if (slashes == std::string_view::npos) return false;
  const std::string_view afterSlashes = url.substr(slashes + 2);
  const std::size_t path = afterSlashes.find('/');
  if (path == std::string_view::npos) return false;
  const std::string_view hostPort = afterSlashes.substr(0, path);
  const std::size_t colon = hostPort.find(':');
  if (colon == std::string_view::npos) {
    ip = hostPort;
    port = "80";
  } else {
    ip = hostPort.substr(0, colon);
    port = hostPort.substr(colon + 1);
  }
  return true;
}

bool MakeUpnpRecord(const DeviceInformationContainer& device, tComUnitInfo& record) {
  ClearRecord(record);
  SetField(record.netmask, "NULL");
  SetField(record.gateway, "NULL");
  SetField(record.dns, "NULL");
  SetField(record.mac, "NULL");
  SetField(record.dev, "NULL");
  SetField(record.note, "NULL");

  const std::string& maker = device[kUpnpManufacturerName];
  if (Contains(maker, "AXIS")) {
    SetField(record.model, kAxisModel);
    SetField(record.proj, kAxisModel);
    SetField(record.name, device[kUpnpDescription]);
  } else if (Contains(maker, "Vivotek")) {
    SetField(record.model, kVivotekModel);
    SetField(record.proj, kVivotekModel);
    const std::string& friendly = device[kUpnpFriendlyName];
    const std::size_t paren = friendly.find('(');
    if (paren == std::string::npos) return false;
    SetField(record.name, std::string_view(friendly).substr(0, paren));
  } else {
    return false;
  }

  std::string ip, port;
  if (!ParsePresentationUrl(device[kUpnpPresentationURL], ip, port)) return false;
  SetField(record.ip, ip);
  SetField(record.trigger_port, port);
  return true;
}

std::vector<tComUnitInfo> MakeUpnpRecords(const std::vector<DeviceInformationContainer>& devices) {
  std::vector<tComUnitInfo> records;
  for (const auto& device : devices) {
    tComUnitInfo record;
    if (MakeUpnpRecord(device, record)) records.push_back(record);
  }
  return records;
}

UpnpMergeResult MergeUpnpRows(DeviceTable& table, const std::vector<tComUnitInfo>& records,
                              bool devicesFound, const UpnpTexts& texts) {
  DeviceGrid& grid = table.grid;
  const bool upnpOnly = EqualsNoCase(table.projFilter, "UPNP");
  for (const auto& record : records) table.m_DeviceList.push_back(record);

  // Counted as the grid shows them, header included: after a search that found nothing the
  // grid shows one empty line under the header, which the first UPnP row takes over.
  const int n = static_cast<int>(records.size());
  int rows = upnpOnly ? 1 : grid.RowCount();
  if (EqualsNoCase(table.projFilter, "ALL") && !devicesFound)
    rows += n - 1;
  else
    rows += n;
  grid.SetRowCount(rows);

  UpnpMergeResult result;
  if (rows <= 1) {
    grid.SetRowCount(1);  // the header and one empty line
    result.label = texts.zeroFound;
    result.fwEnabled = false;
    return result;
  }
  for (int i = 0; i < n; ++i) {
    GridRow row = GridRowFor(records[static_cast<std::size_t>(i)]);
    row[kColNetmask] = "NULL";
    row[kColMac] = "NULL";
    grid.SetRow(rows - n + i, std::move(row));
  }
  // A device heard later (a set-network reply naming a new address) goes below these rows
  // instead of overwriting them and cutting the grid there.
  table.m_NextRow = rows;
  result.label = std::to_string(rows - 1) + " " + texts.devicesFound;
  result.fwEnabled = true;
  result.devicesFound = true;
  return result;
}

}  // namespace scanvale
