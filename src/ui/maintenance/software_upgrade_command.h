#pragma once
// SoftwareUpgrade1Click and ConfigFileUpload1Click: open TSoftwareUpgradeForm in its mode for
// the selected devices. With two or more selected rows every device of the table that a
// selected row shows (UPnP-only rows, whose MAC reads "NULL", left out) goes into the list,
// after the user confirmed the question; otherwise the current row's device.

#include <functional>
#include <vector>

#include "maintenance/upgrade_types.h"
#include "protocol/device_table.h"
#include "settings/settings_file.h"

class QWidget;

namespace scanvale {

class TSoftwareUpgradeForm;

struct SoftwareUpgradeContext {
  UpgradeMode mode = UpgradeMode::kFirmware;
  const DeviceTable* table = nullptr;      // m_DeviceList and the main grid
  std::vector<tRowSelected> selectedRows;  // m_SelectedRows
  int currentRow = 1;                      // m_CurrentRow
  tSettingsState* settings = nullptr;      // the remembered credentials, read and written
  std::function<void()> clearSelection;    // empties the main window's selection
  // Tests look at (and drive) the dialog before it is shown.
  std::function<void(TSoftwareUpgradeForm&)> beforeForm;
};

// The devices of a multi-device run, in device-table order.
std::vector<tMultiSelectInfo> MultiSelectInfo(const DeviceTable& table,
                                              const std::vector<tRowSelected>& selectedRows);

// Runs the command; returns after the dialog (if it was shown) has closed.
void RunSoftwareUpgrade(QWidget* parent, SoftwareUpgradeContext& context);

}  // namespace scanvale
