#pragma once
// The search run's hooks for the two other ways of finding devices: the relay host's page
// (on the run's worker) and the UPnP search beside the run.
//
//   InstallRelayPageHook(run.hooks);                               // CLI and window
//   InstallUpnpHooks(run.hooks, engine, dispatcher, window);        // window only

#include <atomic>

#include "discovery/relay_page.h"
#include "discovery/search_run.h"
#include "discovery/upnp_engine.h"

namespace scanvale {

// Fetches and reads the relay page into `table`; ends early when `cancelled` is set.
void FetchRelayPageInto(DeviceTable& table, const HttpRelayRequest& request,
                        const std::atomic<bool>& cancelled);

void InstallRelayPageHook(SearchHooks& hooks);

// upnpStart starts the engine's search for `window`; upnpFinish starts its result thread,
// which posts the rows through `dispatcher`. The three must outlive the run.
void InstallUpnpHooks(SearchHooks& hooks, CPortForwardEngine& engine, Dispatcher& dispatcher,
                      UpnpResultWindow& window);

}  // namespace scanvale
