#include "discovery/detail_info.h"

#include "discovery/detail_targets.h"
#include "discovery/form_info.h"
#include "discovery/upnp_info_form.h"
#include "protocol/diag_log.h"

namespace scanvale {
namespace {

DetailWindowRunner& Runner() {
  static DetailWindowRunner runner;
  return runner;
}

void Run(QDialog& window) {
  if (Runner())
    Runner()(window);
  else
    window.exec();
}

}  // namespace

void SetDetailWindowRunner(DetailWindowRunner runner) { Runner() = std::move(runner); }

int ShowDetailInfo(QWidget* parent, const DeviceTable& table, int row,
                   const std::vector<DeviceInformationContainer>& upnpEntries) {
  int shown = 0;
  for (const DetailTarget& target : DetailTargetsFor(table, row, upnpEntries)) {
    if (target.IsUpnp()) {
      TForm1 window(parent);
      window.Fill(std::get<DeviceInformationContainer>(target.what));
      Run(window);
    } else {
      DiagLog::Append(table.grid.Cell(kColIp, row));
      TFormInfo window(parent);
      window.Fill(std::get<tComUnitInfo>(target.what));
      Run(window);
    }
    ++shown;
  }
  return shown;
}

}  // namespace scanvale
