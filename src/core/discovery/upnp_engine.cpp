#include "discovery/upnp_engine.h"

#include <system_error>

#include "protocol/diag_log.h"
#include "support/guarded_call.h"

namespace scanvale {

void ManualResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  changed_.notify_all();
}

bool ManualResetEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

bool ManualResetEvent::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return set_; });
}

void ApplyUpnpBegin(SearchWindowState& state, const UpnpTexts& texts) {
  state.button1 = {false, texts.searchUpnp};
  state.button3.enabled = false;
}

void ApplyUpnpResults(SearchWindowState& state, const std::vector<tComUnitInfo>& records,
                      const UpnpTexts& texts) {
  const UpnpMergeResult merged =
      MergeUpnpRows(state.table, records, state.m_DevicesFound, texts);
  state.label1 = merged.label;
  state.button2.enabled = merged.fwEnabled;
  // UPnP rows are device rows too: without this flag a search that found only UPnP
  // cameras would leave them without their popup menu.
  if (merged.devicesFound) state.m_DevicesFound = true;
  state.button1 = {true, texts.scanvale};
  state.button3.enabled = true;
}

CPortForwardEngine::CPortForwardEngine() = default;

CPortForwardEngine::~CPortForwardEngine() {
  stopping_ = true;
  if (searchThread_.joinable()) searchThread_.join();
  if (resultThread_.joinable()) resultThread_.join();
  std::lock_guard lock(mutex_);
  completion_.reset();
  results_.clear();
}

void CPortForwardEngine::JoinFinished() {
  if (!searchRunning_ && searchThread_.joinable()) searchThread_.join();
}

int CPortForwardEngine::SearchDevices(UpnpResultWindow* window) {
  if (!window || stopping_) return 0;
  std::lock_guard lock(mutex_);
  if (searchRunning_) return 0;
  JoinFinished();
  notifyWindow_ = window;
  // The event exists before the thread does: a search that ends at once still finds it.
  completion_ = std::make_shared<ManualResetEvent>();
  results_.clear();
  searchRunning_ = true;
  try {
    searchThread_ = std::thread(&CPortForwardEngine::UpnpSearchThread, this);
  } catch (const std::system_error& e) {
    DiagLog::Printf("UpnpSearchThread not started: %s\n", e.what());
    searchRunning_ = false;
    notifyWindow_ = nullptr;
    completion_.reset();
    return 0;
  }
  ++searchThreadsStarted_;
  return 1;
}

unsigned CPortForwardEngine::UpnpSearchThread(CPortForwardEngine* engine) {
  engine->RunSearch();
  return 0;
}

void CPortForwardEngine::RunSearch() {
  std::shared_ptr<ManualResetEvent> event;
  {
    std::lock_guard lock(mutex_);
    event = completion_;
  }
  std::vector<DeviceInformationContainer> found;
  int rc = -1;
  RunGuarded("UpnpSearchThread", [&] {
    if (finder) rc = finder(options, stopping_, found);
  });
  std::vector<DeviceInformationContainer> kept;
  for (auto& device : found)
    if (KeepUpnpDevice(device)) kept.push_back(std::move(device));
  DiagLog::Printf("UpnpSearchThread: %s, %zu found, %zu kept\n", rc == 0 ? "done" : "failed",
                  found.size(), kept.size());
  {
    std::lock_guard lock(mutex_);
    results_ = std::move(kept);
    notifyWindow_ = nullptr;
  }
  if (event) event->Set();
  searchRunning_ = false;
}

int CPortForwardEngine::StartResultThread(Dispatcher& dispatcher, UpnpResultWindow& window) {
  if (stopping_ || resultRunning_) return 0;
  if (resultThread_.joinable()) resultThread_.join();
  std::shared_ptr<ManualResetEvent> event;
  {
    std::lock_guard lock(mutex_);
    event = completion_;
  }
  resultRunning_ = true;
  try {
    resultThread_ = std::thread([this, &dispatcher, &window, event] {
      RunResults(dispatcher, window, event);
    });
  } catch (const std::system_error& e) {
    DiagLog::Printf("UpnpResultThread not started: %s\n", e.what());
    resultRunning_ = false;
    return 0;
  }
  return 1;
}

// The UpnpResultThread.
void CPortForwardEngine::RunResults(Dispatcher& dispatcher, UpnpResultWindow& window,
                                    std::shared_ptr<ManualResetEvent> event) {
  dispatcher.Post([&window] {
    ApplyUpnpBegin(window.UpnpWindowState(), window.UpnpCurrentTexts());
    window.UpnpWindowStateChanged();
  });

  bool signalled = false;
  if (event) {
    const auto deadline =
        std::chrono::steady_clock::now() + options.window + resultWaitMargin;
    while (!stopping_ && std::chrono::steady_clock::now() < deadline) {
      if (event->WaitFor(std::chrono::milliseconds(100))) {
        signalled = true;
        break;
      }
    }
    if (!signalled && !stopping_) DiagLog::Append("UpnpResultThread: search did not end\n");
  }
  if (stopping_) {
    resultRunning_ = false;
    return;
  }
  std::vector<tComUnitInfo> records;
  if (signalled) records = MakeUpnpRecords(Results());

  // The event is forgotten on the window's thread, together with the merge, so the window
  // cannot close between the two.
  std::weak_ptr<ManualResetEvent> consumed = event;
  dispatcher.Post([this, &window, records = std::move(records), consumed] {
    {
      std::lock_guard lock(mutex_);
      if (completion_ && completion_ == consumed.lock()) completion_.reset();
    }
    ApplyUpnpResults(window.UpnpWindowState(), records, window.UpnpCurrentTexts());
    window.UpnpWindowStateChanged();
  });
  resultRunning_ = false;
}

bool CPortForwardEngine::Busy() const {
  std::lock_guard lock(mutex_);
  return completion_ != nullptr;
}

std::vector<DeviceInformationContainer> CPortForwardEngine::Results() const {
  std::lock_guard lock(mutex_);
  return results_;
}

}  // namespace scanvale
