#pragma once
// The device table m_DeviceList with the add rule, the project filter and the grid that the
// add operation writes into.

#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_set>

#include "protocol/device_grid.h"
#include "protocol/device_record.h"

namespace scanvale {

// Selection entry of the grid: column, then row.
struct tRowSelected {
  int col = 0;
  int row = 0;
  bool operator==(const tRowSelected&) const = default;
};

// The project filter: does `value` (a proj or name text) pass the filter text?
bool ProjMatches(std::string_view filter, std::string_view value);

class DeviceTable {
 public:
  std::list<tComUnitInfo> m_DeviceList;
  DeviceGrid grid;
  int m_NextRow = 1;
  std::string projFilter = "ALL";
  // Called on every MAC text check while replies are parsed; the main window turns its
  // reverse-sort flag on there.
  std::function<void()> onMacChecked;

  // Offers a parsed reply: false for a duplicate (same ip and mac), else appends a copy,
  // writes a grid row when the filter lets it pass, and returns true (new device).
  bool AddFoundDevice(const tComUnitInfo& record);

  // Appends without the duplicate test (the relay page path).
  void AppendUnchecked(const tComUnitInfo& record);

  // A table that a search run fills on its own may keep an index of its (ip, mac) pairs, so
  // that thousands of replies are not each checked against the whole list. While it is on,
  // entries' ip and mac must not be edited in place; additions and removals by other means are
  // noticed by the entry count and the index is rebuilt.
  void UseDuplicateIndex(bool on);

  // Empties the table and the grid for a new search: m_NextRow back to 1.
  void ClearForSearch();
  void Clear() { m_DeviceList.clear(); }

  // The record of a grid row: the first entry whose ip and mac equal the row's cells 3 and 6.
  const tComUnitInfo* FindByRow(int row) const;
  tComUnitInfo* FindByRow(int row);
  const tComUnitInfo* FindByIpMac(std::string_view ip, std::string_view mac) const;

 private:
  void ShowInGrid(const tComUnitInfo& record);
  bool IndexedDuplicate(const tComUnitInfo& record);

  bool indexed_ = false;
  std::unordered_set<std::string> index_;
};

GridRow GridRowFor(const tComUnitInfo& record);

}  // namespace scanvale
