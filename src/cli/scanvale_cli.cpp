// scanvale-cli: the search of the window program from a terminal, for scripted inventories.
//
//   scanvale-cli search [options]     (scanvale-cli search --help lists them)

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "discovery/relay_page.h"
#include "discovery/search_command.h"
#include "discovery/search_run.h"
#include "protocol/diag_log.h"
#include "protocol/net_adapters.h"
#include "support/dispatcher.h"

namespace {

using namespace scanvale;

constexpr int kExitOk = 0;
constexpr int kExitAdapter = 1;
constexpr int kExitUsage = 2;

const char* kTopUsage =
    "usage: scanvale-cli search [options]\n"
    "       scanvale-cli search --help\n";

// The system's reason for a failed bind, from the run's log, when there is one.
std::string BindFailureReason() {
  for (const auto& line : DiagLog::Recent()) {
    constexpr std::string_view prefix = "bind() error : ";
    if (line.rfind(prefix, 0) == 0) {
      std::string reason = line.substr(prefix.size());
      while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
      return reason;
    }
  }
  return {};
}

int RunSearch(const std::vector<std::string>& args) {
  SearchCommandOptions options;
  std::string error;
  if (!ParseSearchOptions(args, options, error)) {
    std::cerr << "scanvale-cli search: " << error << "\n"
              << "Try 'scanvale-cli search --help'.\n";
    return kExitUsage;
  }
  if (options.help) {
    std::cout << SearchUsage();
    return kExitOk;
  }

  const SearchTexts texts;
  NetCardTable netCards;
  GetNetCardAddrs(netCards);
  FillNetCardSelector(netCards, texts.allNetCard);

  QueueDispatcher dispatcher;
  SearchRun run(dispatcher);
  run.texts = texts;
  bool relayPageComplete = true;
  run.hooks.httpRelay = [&relayPageComplete](DeviceTable& table, const HttpRelayRequest& request,
                                             const std::atomic<bool>& cancelled) {
    RelayFetchOptions fetch;
    fetch.cancel = &cancelled;
    relayPageComplete = RunHttpRelaySearch(request.relay, table.projFilter, table, fetch) == 0;
  };
  bool bufferFull = false;
  run.events.onBufferFull = [&](const std::string&) { bufferFull = true; };

  SearchWindowState state;
  state.table.projFilter = options.filter;
  state.sort.m_SortColumn = options.sortColumn;
  DiagLog::ClearRecent();
  if (!run.Start(state, SettingsFor(options, netCards, texts))) {
    std::cerr << "scanvale-cli search: the search could not start\n";
    return kExitAdapter;
  }
  while (run.Running()) dispatcher.RunPending(std::chrono::milliseconds(200));

  const SearchReport& report = run.LastReport();
  if (report.path == SearchPath::kOneAdapter && report.socketFailed) {
    const std::string reason = BindFailureReason();
    std::cerr << "scanvale-cli search: cannot use adapter address " << options.adapter
              << " (port 6667)" << (reason.empty() ? "" : ": " + reason) << "\n";
    return kExitAdapter;
  }
  if (report.path == SearchPath::kTcpRelay && report.socketFailed)
    std::cerr << "scanvale-cli search: warning: no connection to the relay " << options.relay
              << "\n";
  if (report.relayTimedOut)
    std::cerr << "scanvale-cli search: warning: the relay did not close its connection in time;"
                 " its answer may be incomplete\n";
  if (report.path == SearchPath::kHttpRelay && !relayPageComplete)
    std::cerr << "scanvale-cli search: warning: the relay page " << options.relay
              << " did not load completely\n";
  if (bufferFull) std::cerr << "scanvale-cli search: warning: " << texts.bufferFull << "\n";

  switch (options.format) {
    case OutputFormat::kTable:
      WriteTable(std::cout, state.table);
      break;
    case OutputFormat::kCsv:
      WriteCsv(std::cout, state.table);
      break;
    case OutputFormat::kJson:
      WriteJson(std::cout, state.table);
      break;
  }
  std::cout.flush();
  return std::cout ? kExitOk : kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kTopUsage;
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << kTopUsage << "\n" << SearchUsage();
    return kExitOk;
  }
  if (args[0] == "search") return RunSearch({args.begin() + 1, args.end()});
  std::cerr << "scanvale-cli: unknown command '" << args[0] << "'\n" << kTopUsage;
  return kExitUsage;
}
