#pragma once
// "Detail Info.": the detail windows of the grid's current row, shown one after the other.
//
//   ShowDetailInfo(this, m_State.table, m_Grid.m_CurrentRow, engine.Results());
//
// Every window is shown through the detail runner: exec() normally; window tests install
// one that reads the filled window and returns instead of waiting for a click.

#include <QDialog>
#include <functional>
#include <vector>

#include "discovery/upnp_devices.h"
#include "protocol/device_table.h"

class QWidget;

namespace scanvale {

using DetailWindowRunner = std::function<void(QDialog& window)>;
// Installs `runner`; an empty one puts exec() back.
void SetDetailWindowRunner(DetailWindowRunner runner);

// Info1Click's work: TFormInfo for every record of a control-protocol row (the row's IP cell
// goes to the diagnostic log first), TForm1 for every UPnP entry of a UPnP-only row.
// Returns the number of windows shown.
int ShowDetailInfo(QWidget* parent, const DeviceTable& table, int row,
                   const std::vector<DeviceInformationContainer>& upnpEntries);

}  // namespace scanvale
