#pragma once
// Which commands the grid's popup menu offers for the device of the current row.

#include <cstddef>

#include "protocol/device_table.h"

namespace scanvale {

struct PopupMenuState {
  bool softwareUpgradeVisible = false;
  bool configFileUploadVisible = false;
  bool factoryDefaultVisible = false;
  bool restartDeviceVisible = false;
  bool networkSetupEnabled = false;
  // Two or more selected rows: the network command works on the batch, and the commands
  // that need exactly one device are disabled.
  bool batchNetworkSetup = false;
  bool browseEnabled = true;
  bool detailInfoEnabled = true;
};

// A recorder answers restarts but takes no upgrade or factory default.
bool IsRecorder(const tComUnitInfo& record);

PopupMenuState PopupRulesFor(const DeviceTable& table, int currentRow, std::size_t selectedCount);

}  // namespace scanvale
