#pragma once
// Sorting the main grid's device rows by one column.
//
// API
//   struct GridSortState { int m_SortColumn = 0; bool m_SortReverse = true; };
//       The window's sort state. m_SortReverse is on at start, switched off by a finished
//       search before it sorts, switched on by every MAC check while replies are parsed
//       (DeviceTable::onMacChecked) and toggled by every header click.
//   void SortGrid(DeviceGrid& grid, int column, GridSortState& state);
//       Sets state.m_SortColumn = column. With at least two device rows, sorts rows
//       1..DeviceRowCount() ascending by the column and writes them back in that order, or in
//       reverse order when state.m_SortReverse is on. Column 3 (IP) sorts by the numeric value
//       of the leading "a.b.c.d"; column 4 (Port) by the leading decimal number; every other
//       column case-insensitively by the cell, ties broken by the rest of the row (all cells
//       in column order). Equal keys keep their previous order. Fewer than two rows: no change.
//       The header row is never touched; the selection is not this function's business (it
//       keeps its row numbers across a sort).
//   Building blocks, public for tests and other grids:
//   std::uint32_t SortKeyAddress(std::string_view cell);  // "10.0.0.9" -> 0x0A000009
//   std::uint32_t SortKeyNumber(std::string_view cell);   // "8080" -> 8080
//   int CompareTextNoCase(std::string_view a, std::string_view b);  // <0, 0, >0
//   bool SortRowLess(const GridRow& a, const GridRow& b, int column);
//
// The text order compares bytes after folding ASCII letters to lower case; it does not follow
// a locale, so every machine sorts the same way.

#include <cstdint>
#include <string_view>

#include "protocol/device_grid.h"

namespace scanvale {

struct GridSortState {
  int m_SortColumn = 0;
  bool m_SortReverse = true;
};

void SortGrid(DeviceGrid& grid, int column, GridSortState& state);

std::uint32_t SortKeyAddress(std::string_view cell);
std::uint32_t SortKeyNumber(std::string_view cell);
int CompareTextNoCase(std::string_view a, std::string_view b);
bool SortRowLess(const GridRow& a, const GridRow& b, int column);

}  // namespace scanvale
