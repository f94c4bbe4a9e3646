#include "discovery/detail_targets.h"

namespace scanvale {

bool UpnpEntryMatches(const DeviceInformationContainer& entry, std::string_view ip,
                      std::string_view port) {
  tComUnitInfo record;
  if (!MakeUpnpRecord(entry, record)) return false;
  return FieldText(record.ip) == ip && FieldText(record.trigger_port) == port;
}

std::vector<DetailTarget> DetailTargetsFor(const DeviceTable& table, int row,
                                           const std::vector<DeviceInformationContainer>& upnp) {
  std::vector<DetailTarget> targets;
  if (row < 1 || table.grid.RowCount() < row) return targets;
  const std::string& ipCell = table.grid.Cell(kColIp, row);
  const std::string& macCell = table.grid.Cell(kColMac, row);
  const bool upnpRow = macCell.find("NULL") != std::string::npos;
  bool anyRecord = false;
  for (const auto& record : table.m_DeviceList) {
    if (FieldText(record.ip) != ipCell || FieldText(record.mac) != macCell) continue;
    anyRecord = true;
    if (!upnpRow) targets.push_back({record});
  }
  if (!upnpRow || !anyRecord) return targets;
  const std::string& portCell = table.grid.Cell(kColPort, row);
  for (const auto& entry : upnp)
    if (UpnpEntryMatches(entry, ipCell, portCell)) targets.push_back({entry});
  return targets;
}

}  // namespace scanvale
