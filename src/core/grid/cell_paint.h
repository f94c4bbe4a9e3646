#pragma once
// How one grid cell is drawn, decided from the selection state; the window only paints it.

#include <string>

#include "grid/grid_selection.h"
#include "protocol/device_grid.h"

namespace scanvale {

enum class CellLook {
  kDefault,     // as the grid draws it by itself
  kHighlight,   // selection colour, white text
  kPlain,       // the grid's background colour, black text (a row just removed by Ctrl)
  kSortHeader,  // the sort column's header: inactive title colour, black text
};

struct CellPaint {
  CellLook look = CellLook::kDefault;
  std::string text;  // what to draw when `look` is not kDefault
};

CellPaint DecideCellPaint(const GridSelection& selection, int sortColumn, const DeviceGrid& grid,
                          int col, int row);

}  // namespace scanvale
