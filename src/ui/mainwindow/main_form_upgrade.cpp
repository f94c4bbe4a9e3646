// The main window's "Software Upgrade" and "Config File Upload" commands.

#include "maintenance/software_upgrade_command.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"

namespace scanvale {

namespace {

void RunUpgradeCommand(TMainForm& window, UpgradeMode mode) {
  SoftwareUpgradeContext context;
  context.mode = mode;
  context.table = &window.m_State.table;
  context.selectedRows = window.m_Grid.m_SelectedRows;
  context.currentRow = window.m_Grid.m_CurrentRow;
  context.settings = &window.m_Settings;
  context.clearSelection = [&window] {
    window.m_Grid.m_SelectedRows.clear();
    window.StringGrid1->viewport()->update();
  };
  RunSoftwareUpgrade(&window, context);
}

}  // namespace

void TMainForm::SoftwareUpgrade1Click() { RunUpgradeCommand(*this, UpgradeMode::kFirmware); }
void TMainForm::ConfigFileUpload1Click() { RunUpgradeCommand(*this, UpgradeMode::kConfig); }

}  // namespace scanvale
