#pragma once
// NetworkSetup1Click's body: with fewer than two selected rows the single-device dialog for the
// current row, otherwise the batch dialog for the selection. The main window hands in what
// the command reads; the dialogs write replies they hear into its device table.

#include <functional>
#include <vector>

#include "netconfig/net_form.h"
#include "netconfig/udp_control_channel.h"
#include "protocol/device_table.h"
#include "settings/settings_file.h"

class QWidget;

namespace scanvale {

class TGroupIpSetupForm;

struct NetworkSetupContext {
  DeviceTable* table = nullptr;                       // m_DeviceList and the main grid
  std::vector<tRowSelected> selectedRows;             // m_SelectedRows
  int currentRow = 1;                                 // m_CurrentRow
  int gridRowCount = 0;                               // the grid's row count
  tSettingsState settings;                            // the remembered credentials
  ChannelSettings channel;                            // the adapter selector and relay choice
  // Tests replace the sockets and look at a dialog before it is shown.
  ControlChannelFactory channelFactory;
  std::function<void(TNetForm&)> beforeNetForm;
  std::function<void(TGroupIpSetupForm&)> beforeGroupForm;
};

// Runs the command; returns after the dialog it opened (if any) has closed.
void RunNetworkSetup(QWidget* parent, NetworkSetupContext& context);

}  // namespace scanvale
