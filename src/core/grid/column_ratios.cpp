#include "grid/column_ratios.h"

#include "protocol/diag_log.h"

namespace scanvale {

std::vector<float> ComputeColumnRatios(const std::vector<int>& widths) {
  int sum = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    sum += widths[i];
    DiagLog::Printf("Col[%d] - (%d, %d)\n", static_cast<int>(i), widths[i], sum);
  }
  std::vector<float> ratios;
  if (sum <= 0) return ratios;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const float ratio = static_cast<float>(widths[i]) / static_cast<float>(sum);
    DiagLog::Printf("Col[%d] - (%d, %d, %f)\n", static_cast<int>(i), widths[i], sum,
                    static_cast<double>(ratio));
    ratios.push_back(ratio);
  }
  return ratios;
}

std::vector<int> ResizedColumnWidths(const std::vector<float>& ratios,
                                     const std::vector<int>& currentWidths, int gridWidth,
                                     int reserve) {
  std::vector<int> widths = currentWidths;
  const float usable = static_cast<float>(gridWidth - reserve);
  for (std::size_t i = 0; i < ratios.size() && i < widths.size(); ++i)
    if (ratios[i] > 0) widths[i] = static_cast<int>(ratios[i] * usable);
  return widths;
}

}  // namespace scanvale
