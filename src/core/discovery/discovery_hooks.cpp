#include "discovery/discovery_hooks.h"

#include <vector>

namespace scanvale {

void FetchRelayPageInto(DeviceTable& table, const HttpRelayRequest& request,
                        const std::atomic<bool>& cancelled) {
  RelayFetchOptions options;
  options.cancel = &cancelled;
  std::vector<std::string> lines;
  GetRelayPage(request.relay, request.requestPath, lines, options);
  if (cancelled) return;
  CleanHtml(lines);
  PhaseItem(lines, table);
}

void InstallRelayPageHook(SearchHooks& hooks) { hooks.httpRelay = FetchRelayPageInto; }

void InstallUpnpHooks(SearchHooks& hooks, CPortForwardEngine& engine, Dispatcher& dispatcher,
                      UpnpResultWindow& window) {
  hooks.upnpStart = [&engine, &window] { engine.SearchDevices(&window); };
  hooks.upnpFinish = [&engine, &dispatcher, &window] {
    engine.StartResultThread(dispatcher, window);
  };
}

}  // namespace scanvale
