#include "grid/popup_rules.h"

#include <string_view>

namespace scanvale {

namespace {
bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}
}  // namespace

bool IsRecorder(const tComUnitInfo& record) {
  const std::string_view name = FieldText(record.name);
  return Contains(name, "DVR") || Contains(name, "NVR") || Contains(FieldText(record.proj), "DVR");
}

PopupMenuState PopupRulesFor(const DeviceTable& table, int currentRow, std::size_t selectedCount) {
  PopupMenuState state;
  const std::string& ip = table.grid.Cell(kColIp, currentRow);
  const std::string& mac = table.grid.Cell(kColMac, currentRow);
  // A device seen only by UPnP has no control-protocol identity to act on.
  const bool upnpOnly = Contains(mac, "NULL");
  for (const auto& record : table.m_DeviceList) {
    if (FieldText(record.ip) != ip || FieldText(record.mac) != mac || upnpOnly) continue;
    const std::string_view proj = FieldText(record.proj);
    const bool testerOrVds = Contains(proj, "VD") || Contains(proj, "TESTER");
    if (!IsRecorder(record) && !Contains(proj, "NVR") && !testerOrVds) {
      state.softwareUpgradeVisible = true;
      state.configFileUploadVisible = true;
      state.factoryDefaultVisible = true;
      state.restartDeviceVisible = true;
    } else if (!testerOrVds) {
      state.restartDeviceVisible = true;
    }
  }
  state.networkSetupEnabled = !Contains(table.grid.Cell(kColNetmask, currentRow), "NULL");
  const bool batch = selectedCount >= 2;
  state.batchNetworkSetup = batch;
  state.browseEnabled = !batch;
  state.detailInfoEnabled = !batch;
  return state;
}

}  // namespace scanvale
