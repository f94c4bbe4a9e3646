#pragma once
// The address that Browse opens for the device of the current row.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/device_table.h"

namespace scanvale {

// The web port of a port cell: the decimal number it holds, 80 when it holds none.
int WebPortOf(std::string_view portText);

// "http://" + ip + ":" + port for the record behind `currentRow`; nothing when Browse has no
// target: no release on the grid yet (`dRow` 0), a row beyond the grid, no record for the
// row, or an address that is not a dotted IPv4 address (a device's own text is never handed
// to the desktop's URL opener unchecked).
std::optional<std::string> BrowseUrl(const DeviceTable& table, int currentRow, int dRow);

}  // namespace scanvale
