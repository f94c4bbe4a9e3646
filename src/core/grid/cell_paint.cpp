#include "grid/cell_paint.h"

namespace scanvale {

CellPaint DecideCellPaint(const GridSelection& s, int sortColumn, const DeviceGrid& grid, int col,
                          int row) {
  if (s.m_NoSearchYet && row != 0) return {CellLook::kHighlight, grid.Cell(col, 1)};
  if (!s.m_MultiSel && row != 0 && row == s.m_SelCell.row)
    return {CellLook::kHighlight, grid.Cell(col, row)};
  if (row != 0 && row == s.m_UnselRow && s.m_UnselValid)
    return {CellLook::kPlain, grid.Cell(col, row)};
  if (col != sortColumn || row != 0) {
    if (s.IsSelected(row) && row != s.m_UnselRow)
      return {CellLook::kHighlight, grid.Cell(col, row)};
    return {CellLook::kDefault, {}};
  }
  return {CellLook::kSortHeader, grid.Cell(col, row)};
}

}  // namespace scanvale
