#include "protocol/grid_sort.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace scanvale {

namespace {

unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads an unsigned decimal number the way scanf's %u does (leading blanks, an optional sign,
// digits); `pos` moves past what was read. False when no digit was there. Values wrap like
// unsigned arithmetic, which no address or port cell reaches anyway.
bool ReadUnsigned(std::string_view text, std::size_t& pos, std::uint32_t& value) {
  std::size_t i = pos;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t digitsStart = i;
  std::uint32_t v = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    v = v * 10u + static_cast<std::uint32_t>(text[i++] - '0');
  if (i == digitsStart) return false;
  value = negative ? 0u - v : v;
  pos = i;
  return true;
}

std::string RestOfRow(const GridRow& row) {
  std::string rest;
  for (const auto& cell : row) {
    rest += cell;
    rest += '\n';
  }
  return rest;
}

}  // namespace

std::uint32_t SortKeyAddress(std::string_view cell) {
  std::uint32_t parts[4] = {0, 0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= cell.size() || cell[pos] != '.') break;
      ++pos;
    }
    if (!ReadUnsigned(cell, pos, parts[i])) break;
  }
  return (parts[0] << 24) + (parts[1] << 16) + (parts[2] << 8) + parts[3];
}

std::uint32_t SortKeyNumber(std::string_view cell) {
  std::uint32_t value = 0;
  std::size_t pos = 0;
  ReadUnsigned(cell, pos, value);
  return value;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char ca = Folded(a[i]);
    const unsigned char cb = Folded(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SortRowLess(const GridRow& a, const GridRow& b, int column) {
  if (column < 0 || column >= kGridColumns) column = 0;
  const auto& ca = a[static_cast<std::size_t>(column)];
  const auto& cb = b[static_cast<std::size_t>(column)];
  if (column == kColIp) return SortKeyAddress(ca) < SortKeyAddress(cb);
  if (column == kColPort) return SortKeyNumber(ca) < SortKeyNumber(cb);
  // The cell decides; equal cells are ordered by the whole row, so the order never depends
  // on the order the rows arrived in.
  const int byCell = CompareTextNoCase(ca, cb);
  if (byCell != 0) return byCell < 0;
  return CompareTextNoCase(RestOfRow(a), RestOfRow(b)) < 0;
}

void SortGrid(DeviceGrid& grid, int column, GridSortState& state) {
  state.m_SortColumn = column;
  const int rows = grid.DeviceRowCount();
  if (rows < 2) return;
  std::vector<GridRow> sorted;
  sorted.reserve(static_cast<std::size_t>(rows));
  for (int r = 1; r <= rows; ++r) sorted.push_back(grid.Row(r));
  std::stable_sort(sorted.begin(), sorted.end(), [column](const GridRow& a, const GridRow& b) {
    return SortRowLess(a, b, column);
  });
  if (state.m_SortReverse) std::reverse(sorted.begin(), sorted.end());
  for (int r = 1; r <= rows; ++r)
    grid.SetRow(r, std::move(sorted[static_cast<std::size_t>(r - 1)]));
}

}  // namespace scanvale
