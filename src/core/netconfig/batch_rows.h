#pragma once
// The rows of the batch dialog: fifteen text columns per device (seven shown), the list of
// addresses already taken on the network, and the header sort.

#include <array>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "language/messages.h"
#include "protocol/device_record.h"
#include "protocol/device_table.h"

namespace scanvale {

inline constexpr int kBatchColumns = 15;
inline constexpr int kBatchVisibleColumns = 7;
enum BatchColumn : int {
  kBatchNo = 0, kBatchModel, kBatchIp, kBatchNewIp, kBatchGateway, kBatchNetmask, kBatchDns,
  kBatchProj, kBatchName, kBatchPort, kBatchNetmaskCopy, kBatchMac, kBatchDev, kBatchVendor,
  kBatchIdpw
};

using BatchRow = std::array<std::string, kBatchColumns>;

// A row for one device; column 0 (the number) and column 3 stay empty.
BatchRow BatchRowFor(const tComUnitInfo& device);

// One row per selection entry, from the device whose ip and mac equal that main-grid row's
// IP and MAC cells; a selection without such a device gives an empty row.
std::vector<BatchRow> BatchRowsForSelection(const DeviceTable& table,
                                            const std::vector<tRowSelected>& selection);

// The ip of every device of the table, in numeric address order.
std::vector<std::string> TakenAddresses(const std::list<tComUnitInfo>& devices);

// Headers of columns 0 to 6; column 3 reads "Static IP Allocation" or, in DHCP mode,
// "DHCP Allocation Status".
std::array<std::string, kBatchVisibleColumns> BatchHeaders(const MessageTexts& texts, bool dhcp);

void NumberBatchRows(std::vector<BatchRow>& rows);

// Sorts by `column`: columns 2 to 6 by the numeric value of their leading address, the
// others by case-insensitive text, ties by the rest of the row; `reverse` writes the rows
// back last first. Renumbers column 0 afterwards.
void SortBatchRows(std::vector<BatchRow>& rows, int column, bool reverse);

// Column 3 when row 1's column 3 holds an address inet_addr accepts, else column 2.
int BatchAddressColumn(const std::vector<BatchRow>& rows);

}  // namespace scanvale
