#pragma once
// The main grid as plain data: eight text columns, row 0 the header. The window draws
// this model; the core writes it, so search, sort and selection rules run without a window.

#include <array>
#include <string>
#include <vector>

namespace scanvale {

inline constexpr int kGridColumns = 8;
enum GridColumn : int {
  kColModel = 0, kColProject, kColName, kColIp, kColPort, kColNetmask, kColMac, kColFirmware
};

using GridRow = std::array<std::string, kGridColumns>;

class DeviceGrid {
 public:
  DeviceGrid();

  // The row count as the code last set it, the header included. A grid always shows at
  // least the header and one (possibly empty) line, so the visible count never drops below 2.
  int RowCount() const { return rowCount_ < 2 ? 2 : rowCount_; }
  int DeviceRowCount() const { return rowCount_ - 1; }
  void SetRowCount(int count);

  // Empties every line below the header and leaves the header alone.
  void ClearBody();

  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);
  const GridRow& Row(int row) const;
  void SetRow(int row, GridRow cells);

 private:
  void EnsureStorage(int rows);

  std::vector<GridRow> rows_;
  int rowCount_ = 1;
};

}  // namespace scanvale
