#include "netconfig/network_setup_command.h"

#include "netconfig/group_ip_setup_form.h"
#include "protocol/diag_log.h"
#include "settings/remembered_credentials.h"

namespace scanvale {

void RunNetworkSetup(QWidget* parent, NetworkSetupContext& c) {
  if (!c.table || c.gridRowCount < c.currentRow) return;
  ControlChannelFactory channels = c.channelFactory;
  if (!channels) channels = [settings = c.channel] { return MakeUdpControlChannel(settings); };

  TGroupIpSetupForm group(parent);  // made in any case, shown for a selection of two or more
  group.channelFactory = channels;
  if (c.selectedRows.size() >= 2) {
    group.Fill(*c.table, c.selectedRows);
    if (c.beforeGroupForm) c.beforeGroupForm(group);
    group.exec();
    return;
  }

  const std::string& ip = c.table->grid.Cell(kColIp, c.currentRow);
  const std::string& mac = c.table->grid.Cell(kColMac, c.currentRow);
  for (const tComUnitInfo& device : c.table->m_DeviceList) {
    if (FieldText(device.ip) != ip || FieldText(device.mac) != mac) continue;
    if (mac.find("NULL") != std::string::npos) return;  // a UPnP-only row has nothing to set
    DiagLog::Append(ip);
    TNetForm form(parent);
    form.ShowDevice(device);
    form.deviceTable = c.table;
    form.signInPrefill = SignInPrefill(c.settings);
    form.channelFactory = channels;
    if (c.beforeNetForm) c.beforeNetForm(form);
    form.exec();
    // The replies the dialog offered to the table may have grown m_DeviceList: the first
    // match is the one the command was for.
    return;
  }
}

}  // namespace scanvale
