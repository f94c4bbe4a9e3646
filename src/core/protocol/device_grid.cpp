#include "protocol/device_grid.h"

namespace scanvale {

namespace {
const std::string kEmpty;
const GridRow kEmptyRow{};
}  // namespace

DeviceGrid::DeviceGrid() { EnsureStorage(2); }

void DeviceGrid::EnsureStorage(int rows) {
  if (rows > static_cast<int>(rows_.size())) rows_.resize(static_cast<std::size_t>(rows));
}

void DeviceGrid::SetRowCount(int count) {
  rowCount_ = count < 1 ? 1 : count;
  EnsureStorage(RowCount());
  // Rows beyond the count are gone, as in a grid that shrinks; keep one empty line.
  rows_.resize(static_cast<std::size_t>(RowCount()));
  if (rowCount_ < 2) rows_[1] = GridRow{};
}

void DeviceGrid::ClearBody() {
  for (std::size_t r = 1; r < rows_.size(); ++r) rows_[r] = GridRow{};
}

const std::string& DeviceGrid::Cell(int col, int row) const {
  if (col < 0 || col >= kGridColumns || row < 0 || row >= static_cast<int>(rows_.size()))
    return kEmpty;
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void DeviceGrid::SetCell(int col, int row, std::string text) {
  if (col < 0 || col >= kGridColumns || row < 0) return;
  EnsureStorage(row + 1);
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
}

const GridRow& DeviceGrid::Row(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return kEmptyRow;
  return rows_[static_cast<std::size_t>(row)];
}

void DeviceGrid::SetRow(int row, GridRow cells) {
  if (row < 0) return;
  EnsureStorage(row + 1);
  rows_[static_cast<std::size_t>(row)] = std::move(cells);
}

}  // namespace scanvale
