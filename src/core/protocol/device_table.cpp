#include "protocol/device_table.h"

#include <utility>

namespace scanvale {

bool ProjMatches(std::string_view filter, std::string_view value) {
  if (filter == "ALL" || value == filter) return true;
  if (filter == "NVR/VSS") return value == "NVR" || value == "VSS";
  if (filter == "IP-Cam") return value == "MegaPixelCamera";
  if (filter == "Video-Server") return value == "VideoServer";
  return false;
}

GridRow GridRowFor(const tComUnitInfo& r) {
  GridRow row;
  row[kColModel] = FieldText(r.model);
  row[kColProject] = FieldText(r.proj);
  row[kColName] = FieldText(r.name);
  row[kColIp] = FieldText(r.ip);
  row[kColPort] = FieldText(r.trigger_port);
  row[kColNetmask] = FieldText(r.netmask);
  row[kColMac] = FieldText(r.mac);
  return row;
}

const tComUnitInfo* DeviceTable::FindByIpMac(std::string_view ip, std::string_view mac) const {
  for (const auto& entry : m_DeviceList)
    if (FieldText(entry.ip) == ip && FieldText(entry.mac) == mac) return &entry;
  return nullptr;
}

namespace {
std::string IndexKey(const tComUnitInfo& r) {
  std::string key(FieldText(r.ip));
  key += '\n';
  key += FieldText(r.mac);
  return key;
}
}  // namespace

void DeviceTable::UseDuplicateIndex(bool on) {
  indexed_ = on;
  index_.clear();
}

// True for a duplicate; otherwise the record's key is in the index afterwards.
bool DeviceTable::IndexedDuplicate(const tComUnitInfo& record) {
  if (index_.size() != m_DeviceList.size()) {
    index_.clear();
    for (const auto& entry : m_DeviceList) index_.insert(IndexKey(entry));
    if (index_.size() != m_DeviceList.size()) {  // duplicates appended unchecked: scan instead
      index_.clear();
      return FindByIpMac(FieldText(record.ip), FieldText(record.mac)) != nullptr;
    }
  }
  return !index_.insert(IndexKey(record)).second;
}

bool DeviceTable::AddFoundDevice(const tComUnitInfo& record) {
  if (indexed_ ? IndexedDuplicate(record)
               : FindByIpMac(FieldText(record.ip), FieldText(record.mac)) != nullptr)
    return false;
  m_DeviceList.push_back(record);
  if (ProjMatches(projFilter, FieldText(record.proj)) ||
      ProjMatches(projFilter, FieldText(record.name)))
    ShowInGrid(record);
  return true;
}

void DeviceTable::AppendUnchecked(const tComUnitInfo& record) {
  m_DeviceList.push_back(record);
  ShowInGrid(record);
}

void DeviceTable::ShowInGrid(const tComUnitInfo& record) {
  GridRow row = GridRowFor(record);
  // Column 7 of the row is left as it stands: a search cleared it before receiving.
  row[kColFirmware] = grid.Cell(kColFirmware, m_NextRow);
  grid.SetRow(m_NextRow, std::move(row));
  ++m_NextRow;
  grid.SetRowCount(m_NextRow);
}

void DeviceTable::ClearForSearch() {
  m_DeviceList.clear();
  m_NextRow = 1;
  grid.ClearBody();
  grid.SetRowCount(1);
}

const tComUnitInfo* DeviceTable::FindByRow(int row) const {
  return FindByIpMac(grid.Cell(kColIp, row), grid.Cell(kColMac, row));
}

tComUnitInfo* DeviceTable::FindByRow(int row) {
  return const_cast<tComUnitInfo*>(std::as_const(*this).FindByRow(row));
}

}  // namespace scanvale
