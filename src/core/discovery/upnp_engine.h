#pragma once
// The UPnP search: an engine thread that looks for UPnP root devices for a bounded time and
// keeps the AXIS and Vivotek ones, and a result thread that waits for it and hands the
// devices to the main window as grid rows, on the window's own thread.
//
//   engine.SearchDevices(&window);              // search start (1 started, 0 refused)
//   engine.StartResultThread(dispatcher, window);  // search finish
//   engine.Busy()                               // true until the rows are in: no close
//   engine.Results()                            // kept devices, for the detail window
//
// States: idle (no thread, no event) -> searching (thread running, event not set) ->
// results ready (no thread, event set) -> idle again once the result thread has merged
// the rows. A second SearchDevices while a search runs starts no second thread; the
// result thread of that run waits for the running search's event.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/search_run.h"
#include "discovery/upnp_devices.h"
#include "support/dispatcher.h"

namespace scanvale {

// A manual-reset event: once set it stays set; waits are bounded.
class ManualResetEvent {
 public:
  void Set();
  bool IsSet() const;
  // True when the event was set within `timeout`.
  bool WaitFor(std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool set_ = false;
};

struct UpnpSearchOptions {
  // How long the control point listens for root devices and their description documents.
  std::chrono::milliseconds window{4000};
  // Interfaces to search on; empty: every IPv4 interface that is up and can multicast,
  // loopback left out (it would only echo the same devices again).
  std::vector<std::string> interfaces;
};

// Finds root devices and returns every one of them with its nineteen texts, each device
// once, in the order they were first seen. Returns 0, or -1 when no search could be made.
// Ends early when `stop` is set.
using UpnpFinder = std::function<int(const UpnpSearchOptions& options,
                                     const std::atomic<bool>& stop,
                                     std::vector<DeviceInformationContainer>& devices)>;
// The GUPnP control point.
int FindUpnpRootDevices(const UpnpSearchOptions& options, const std::atomic<bool>& stop,
                        std::vector<DeviceInformationContainer>& devices);

// The main window as the result thread sees it. Every call comes on the window's thread.
class UpnpResultWindow {
 public:
  virtual ~UpnpResultWindow() = default;
  virtual SearchWindowState& UpnpWindowState() = 0;
  virtual UpnpTexts UpnpCurrentTexts() = 0;
  // The state changed: show the grid, the result line and the buttons again.
  virtual void UpnpWindowStateChanged() = 0;
};

// The result thread's first step: "Search Upnp..." on a disabled search button, and the
// delay button disabled.
void ApplyUpnpBegin(SearchWindowState& state, const UpnpTexts& texts);
// Its last steps: the rows merged, the result line, "Get FW Ver.", the buttons back.
void ApplyUpnpResults(SearchWindowState& state, const std::vector<tComUnitInfo>& records,
                      const UpnpTexts& texts);

class CPortForwardEngine {
 public:
  CPortForwardEngine();
  virtual ~CPortForwardEngine();
  CPortForwardEngine(const CPortForwardEngine&) = delete;
  CPortForwardEngine& operator=(const CPortForwardEngine&) = delete;

  UpnpSearchOptions options;
  UpnpFinder finder = FindUpnpRootDevices;
  // The longest the result thread waits for a search beyond its window.
  std::chrono::milliseconds resultWaitMargin{30000};

  // Starts a search on the engine thread: 1, or 0 when a search is running or no window
  // was given.
  int SearchDevices(UpnpResultWindow* window);
  // The engine thread's procedure.
  static unsigned UpnpSearchThread(CPortForwardEngine* engine);

  // Starts the result thread for `window`: it waits for the completion event, makes the
  // records and posts the merge to the window's thread. 1 started, 0 when one still runs.
  // The dispatcher and the window must outlive the engine (its destructor joins the thread).
  int StartResultThread(Dispatcher& dispatcher, UpnpResultWindow& window);

  bool SearchRunning() const { return searchRunning_.load(); }
  // From SearchDevices until the result thread has merged the rows (the completion event
  // exists): the main window must not close.
  bool Busy() const;
  // The devices kept by the last search (empty while a search runs).
  std::vector<DeviceInformationContainer> Results() const;
  // Engine threads started so far.
  int SearchThreadsStarted() const { return searchThreadsStarted_.load(); }

 private:
  void RunSearch();
  void RunResults(Dispatcher& dispatcher, UpnpResultWindow& window,
                  std::shared_ptr<ManualResetEvent> event);
  void JoinFinished();

  mutable std::mutex mutex_;
  std::vector<DeviceInformationContainer> results_;
  std::shared_ptr<ManualResetEvent> completion_;  // the "Upnp_Search_Event"
  UpnpResultWindow* notifyWindow_ = nullptr;
  std::thread searchThread_;
  std::thread resultThread_;
  std::atomic<bool> searchRunning_{false};
  std::atomic<bool> resultRunning_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<int> searchThreadsStarted_{0};
};

}  // namespace scanvale
