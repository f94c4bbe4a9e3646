#include "discovery/search_run.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <utility>

#include "discovery/search_paths.h"
#include "protocol/diag_log.h"
#include "protocol/socket.h"

namespace scanvale {

namespace {

using std::chrono::milliseconds;

bool Contains(std::string_view caption, std::string_view text) {
  return !text.empty() && caption.find(text) != std::string_view::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareTextNoCase(a, b) == 0; }

}  // namespace

DelayTimes DelayFor(std::string_view delayCaption, const SearchTexts& texts) {
  if (Contains(delayCaption, texts.shortText)) return {milliseconds(500), 1, milliseconds(1000), milliseconds(500)};
  if (Contains(delayCaption, texts.longText)) return {milliseconds(2000), 2, milliseconds(5000), milliseconds(4000)};
  return {milliseconds(1000), 2, milliseconds(3000), milliseconds(1000)};
}

std::string NextDelayCaption(std::string_view delayCaption, const SearchTexts& texts) {
  if (Contains(delayCaption, texts.middleText)) return texts.longText;
  if (Contains(delayCaption, texts.longText)) return texts.shortText;
  if (Contains(delayCaption, texts.shortText)) return texts.middleText;
  return std::string(delayCaption);
}

bool UpnpFilterAllows(std::string_view projFilter) {
  return EqualsNoCase(projFilter, "ALL") || EqualsNoCase(projFilter, "UPNP");
}

void ApplySearchFinish(SearchWindowState& state, const SearchSettings& settings,
                       const SearchTexts& texts, const SearchHooks& hooks) {
  const bool upnpFilter = UpnpFilterAllows(state.table.projFilter);
  const bool upnpRuns = upnpFilter && settings.upnpSearch;
  if (upnpRuns && hooks.upnpFinish) hooks.upnpFinish();

  state.m_DevicesFound = false;
  DeviceGrid& grid = state.table.grid;
  const int deviceRows = grid.DeviceRowCount();
  if (deviceRows <= 0) {
    state.m_CurrentRow = 1;
    grid.SetRowCount(1);  // the header and one empty line
    state.label1 = texts.zeroFound;
    if (!settings.upnpSearch) {
      state.button1 = {true, texts.scanvale};
      state.button2.enabled = false;
      state.button3.enabled = true;
    }
  } else {
    state.sort.m_SortReverse = false;
    SortGrid(grid, state.sort.m_SortColumn, state.sort);
    state.label1 = Format("%d %s", deviceRows, texts.devicesFound.c_str());
    state.m_CurrentRow = 1;
    state.currentCell = {1, 1};
    state.m_DevicesFound = true;
    if (!settings.upnpSearch) {
      state.button1 = {true, texts.scanvale};
      state.button2.enabled = true;
      state.button3.enabled = true;
    }
  }
  if (!upnpFilter) {
    // No UPnP search was started, so nothing else will hand the buttons back. The firmware
    // query still needs devices to act on.
    state.button1 = {true, texts.scanvale};
    state.button2.enabled = deviceRows > 0;
    state.button3.enabled = true;
  }
  state.currentCell = {1, 1};
  state.m_SelectedRows.assign(1, tRowSelected{1, 1});
}

struct SearchRun::Shared {
  std::atomic<bool> cancelled{false};
  Socket wake{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};

  void Cancel() {
    cancelled = true;
    if (wake.valid()) {
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(wake.fd(), &one, sizeof one);
    }
  }
};

struct SearchRun::WorkerResult {
  DeviceTable table;
  SearchSettings settings;
  SearchTexts texts;
  SearchHooks hooks;
  SearchReport report;
  bool macChecked = false;
};

namespace {

void RunPath(SearchContext& context, const SearchHooks& hooks) {
  const SearchSettings& s = context.settings;
  if (s.ipRelay && s.relayProtocol == "HttpCmd") {
    context.report.path = SearchPath::kHttpRelay;
    if (hooks.httpRelay)
      hooks.httpRelay(context.table,
                      HttpRelayRequest{s.relayAddress,
                                       "/device.get?DeviceType=" + context.table.projFilter},
                      context.cancelled);
  } else if (s.ipRelay && s.relayProtocol == "TCP") {
    RunTcpRelaySearch(context);
  } else if (IsAllNetCardChoice(s.netCards, s.adapterItemIndex)) {
    RunAllAdaptersSearch(context);
  } else {
    RunOneAdapterSearch(context);
  }
}

}  // namespace

SearchRun::SearchRun(Dispatcher& dispatcher)
    : dispatcher_(dispatcher), shared_(std::make_shared<Shared>()) {}

SearchRun::~SearchRun() { Cancel(); }

void SearchRun::JoinWorker() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void SearchRun::Cancel() {
  if (shared_) shared_->Cancel();
  JoinWorker();
  running_ = false;
  shared_ = std::make_shared<Shared>();
}

bool SearchRun::Start(SearchWindowState& state, const SearchSettings& settings) {
  if (running_) return false;
  JoinWorker();
  running_ = true;

  state.m_NoSearchYet = false;
  if (UpnpFilterAllows(state.table.projFilter) && settings.upnpSearch && hooks.upnpStart)
    hooks.upnpStart();
  state.table.ClearForSearch();
  state.button1 = {false, texts.searching};
  state.button2.enabled = false;
  state.button3.enabled = false;

  auto result = std::make_shared<WorkerResult>();
  result->settings = settings;
  result->texts = texts;
  result->hooks = hooks;
  result->table.projFilter = state.table.projFilter;
  result->table.UseDuplicateIndex(true);  // only this run fills it until the finish
  WorkerResult* raw = result.get();
  result->table.onMacChecked = [raw] { raw->macChecked = true; };
  std::shared_ptr<Shared> shared = shared_;
  std::weak_ptr<Shared> alive = shared_;
  SearchWindowState* target = &state;
  worker_ = std::thread([this, result, shared, alive, target] {
    const auto started = std::chrono::steady_clock::now();
    SearchContext context{result->settings, result->texts, result->table, result->report,
                          shared->cancelled, shared->wake.fd()};
    try {
      RunPath(context, result->hooks);
    } catch (...) {
      // Out of memory or the like inside a path: what was found so far still gets its finish.
      DiagLog::Printf("search run: path ended by an exception\n");
    }
    result->report.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    if (shared->cancelled) return;
    dispatcher_.Post([this, alive, target, result] {
      if (alive.expired()) return;
      Finish(*target, *result);
    });
  });
  return true;
}

void SearchRun::Finish(SearchWindowState& state, WorkerResult& result) {
  JoinWorker();
  if (result.macChecked) state.sort.m_SortReverse = true;
  DeviceTable& table = state.table;
  table.m_DeviceList = std::move(result.table.m_DeviceList);
  const int rows = result.table.grid.DeviceRowCount();
  for (int r = 1; r <= rows; ++r) table.grid.SetRow(r, result.table.grid.Row(r));
  table.grid.SetRowCount(rows + 1);
  table.m_NextRow = result.table.m_NextRow;
  if (result.report.bufferFull && events.onBufferFull) events.onBufferFull(texts.bufferFull);
  ApplySearchFinish(state, result.settings, texts, hooks);
  report_ = result.report;
  running_ = false;
  if (events.onFinished) events.onFinished(report_);
}

}  // namespace scanvale
