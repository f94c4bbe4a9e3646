#include "maintenance/software_upgrade_command.h"

#include <string>

#include "dialogs/prompts.h"
#include "language/apply_language.h"
#include "maintenance/software_upgrade_form.h"

namespace scanvale {

namespace {

bool IsUpnpOnly(const std::string& macCell) { return macCell.find("NULL") != std::string::npos; }

}  // namespace

std::vector<tMultiSelectInfo> MultiSelectInfo(const DeviceTable& table,
                                              const std::vector<tRowSelected>& selectedRows) {
  std::vector<tMultiSelectInfo> devices;
  for (const tComUnitInfo& device : table.m_DeviceList) {
    for (const tRowSelected& selected : selectedRows) {
      const std::string& ip = table.grid.Cell(kColIp, selected.row);
      const std::string& mac = table.grid.Cell(kColMac, selected.row);
      if (ip != FieldText(device.ip) || mac != FieldText(device.mac) || IsUpnpOnly(mac)) continue;
      devices.push_back({ip, std::string(FieldText(device.trigger_port)), 1});
    }
  }
  return devices;
}

void RunSoftwareUpgrade(QWidget* parent, SoftwareUpgradeContext& c) {
  if (!c.table) return;
  TSoftwareUpgradeForm form(parent, c.mode, c.settings);
  form.clearMainSelection = c.clearSelection;

  if (c.selectedRows.size() > 1) {
    form.ShowDevices(MultiSelectInfo(*c.table, c.selectedRows));
    const QString question = QString::number(form.v_MultiSelectInfo.size()) + " " +
                             MsgText(Msg::CamerasAboutToBeUpgraded);
    if (ActivePrompts().Message(parent, question, MsgText(Msg::Warning),
                                Prompts::Icon::Information, Prompts::Buttons::OkCancel) !=
        Prompts::Answer::Ok) {
      return;  // the form goes without being shown; its going clears the selection
    }
  } else {
    std::string ip;
    std::string port;
    const std::string& rowIp = c.table->grid.Cell(kColIp, c.currentRow);
    const std::string& rowMac = c.table->grid.Cell(kColMac, c.currentRow);
    if (const tComUnitInfo* device = c.table->FindByIpMac(rowIp, rowMac);
        device && !IsUpnpOnly(rowMac)) {
      ip = std::string(FieldText(device->ip));
      port = std::string(FieldText(device->trigger_port));
    }
    form.ShowSingleDevice(ip, port);
  }
  if (c.beforeForm) c.beforeForm(form);
  form.exec();
}

}  // namespace scanvale
