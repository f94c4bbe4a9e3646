#pragma once
// What "Detail Info." shows for the grid's current row: every record of the device table that
// the row's address and MAC cells name, each as the control-protocol detail window, or, for a
// UPnP-only row (its MAC reads "NULL"), as the UPnP detail windows of its UPnP entries.

#include <string>
#include <variant>
#include <vector>

#include "discovery/upnp_devices.h"
#include "protocol/device_table.h"

namespace scanvale {

struct DetailTarget {
  // A control-protocol record (TFormInfo) or a UPnP entry (TForm1), in the order shown.
  std::variant<tComUnitInfo, DeviceInformationContainer> what;
  bool IsUpnp() const { return std::holds_alternative<DeviceInformationContainer>(what); }
};

// The windows "Detail Info." opens for `row`, one after the other. A UPnP row shows, once
// each, the entries its row was made from: those whose presentation URL gives the row's
// address and port, cut as the record's fields are. (A substring test of the address alone
// would also show 198.18.1.50's details on the row of 198.18.1.5, and every entry once more
// for each row of the same address.)
std::vector<DetailTarget> DetailTargetsFor(const DeviceTable& table, int row,
                                           const std::vector<DeviceInformationContainer>& upnp);

// Whether a UPnP entry is the device at `ip` and `port`.
bool UpnpEntryMatches(const DeviceInformationContainer& entry, std::string_view ip,
                      std::string_view port);

}  // namespace scanvale
