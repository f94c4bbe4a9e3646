#include "grid/browse_url.h"

#include "protocol/control_package.h"
#include "protocol/diag_log.h"
#include "support/debug_output.h"

namespace scanvale {

int WebPortOf(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 5) return 80;
  int port = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return 80;
    port = port * 10 + (ch - '0');
  }
  return port >= 1 && port <= 65535 ? port : 80;
}

std::optional<std::string> BrowseUrl(const DeviceTable& table, int currentRow, int dRow) {
  DebugOutput("DRow:%d, In Browser1Click\r\n", dRow);
  if (table.grid.RowCount() < currentRow || dRow == 0) return std::nullopt;
  const tComUnitInfo* record = table.FindByRow(currentRow);
  if (!record) return std::nullopt;
  const std::string ip(FieldText(record->ip));
  if (!IsValidInetAddr(ip) || ip.find_first_not_of("0123456789.") != std::string::npos)
    return std::nullopt;
  return Format("http://%s:%d", ip.c_str(), WebPortOf(FieldText(record->trigger_port)));
}

}  // namespace scanvale
