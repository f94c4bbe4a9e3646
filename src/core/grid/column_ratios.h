#pragma once
// Column widths that follow the window's width in proportion to the widths at start.

#include <vector>

namespace scanvale {

// Each column's share of the summed widths, logging the running sums and the shares;
// empty when the sum is not above 0.
std::vector<float> ComputeColumnRatios(const std::vector<int>& widths);

// New widths for a grid `gridWidth` pixels wide with `reserve` pixels kept free; a column
// whose ratio is not above 0 keeps its current width.
std::vector<int> ResizedColumnWidths(const std::vector<float>& ratios,
                                     const std::vector<int>& currentWidths, int gridWidth,
                                     int reserve);

}  // namespace scanvale
