#pragma once
// One search run: from the search button's click to a filled, sorted grid with its first row
// selected. The waits run on a worker thread; the window stays responsive while its buttons
// stay disabled, and the result reaches the window's thread through the Dispatcher.
//
// API (everything except the worker is used on the caller's thread, i.e. the window's)
//   SearchTexts        the language texts a run shows; English by default.
//   SearchSettings     what the controls say at the click: method, relay box, protocol box,
//                      adapter table and selector, delay caption, UPnP box.
//   SearchWindowState  the plain data a run reads and writes: the device table with its grid
//                      (header row 0 is left alone) and project filter, the sort state, the
//                      selection, the current cell, m_NoSearchYet, m_DevicesFound, and the
//                      three buttons and the result label.
//   SearchHooks        httpRelay (worker thread; fills the given table from the relay page),
//                      upnpStart / upnpFinish (caller's thread; start the UPnP engine, start
//                      the UPnP result thread). Empty hooks do nothing.
//   SearchEvents       onBufferFull(text): show text in a box captioned "Warning"; it runs
//                      right before the finish, which waits for it to return.
//                      onFinished(report): the state holds the result; repaint the grid,
//                      replay a left press and release at (9, 36) of the grid and focus it.
//   SearchRun run(dispatcher);   run.texts / run.hooks / run.events are plain members.
//   run.Start(state, settings)   false when a run is under way. Applies the start steps to
//                                `state` at once (buttons disabled, "Searching..."), then works
//                                on its thread; `state` must outlive the run or the run's end.
//   run.Running()                true from Start until the finish has been applied.
//   run.Cancel()                 abandons the run: the worker stops within about 100 ms and is
//                                joined; no finish is applied. The destructor does the same.
//   run.LastReport()             counters and outcome of the last finished run.
//   DelayFor(caption, texts)     the delay table; NextDelayCaption(caption, texts) Button3Click.
//   ApplySearchFinish(...)       the finish steps alone, over plain data (used by the run).
//
// Bounds that the protocol leaves open:
//   - TCP relay: the connection must be made within kTcpRelayConnectBound (5 s); after it is
//     made, the relay has kTcpRelayAnswerBound (10 s, the one-second pause included) to send
//     its answer and close. When that time is up the run decodes what has arrived and finishes
//     as if the relay had closed.
//   - Replies keep a wait going (each reply starts the wait anew), but one pass (one adapter)
//     or one half of the loop (all adapters) never listens longer than kListenBound (60 s),
//     so a sender that never pauses cannot hold the run and its buttons forever.
//   - All adapters: at most kMaxRecvTexts datagrams and kMaxRecvBytes bytes are kept for
//     decoding; later datagrams are read and dropped.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/grid_sort.h"
#include "protocol/net_adapters.h"
#include "support/dispatcher.h"

namespace scanvale {

inline constexpr std::chrono::milliseconds kTcpRelayConnectBound{5000};
inline constexpr std::chrono::milliseconds kTcpRelayAnswerBound{10000};
inline constexpr std::chrono::milliseconds kListenBound{60000};
inline constexpr int kReplyStoreSlots = 4000;  // one adapter: replies kept per pass
inline constexpr int kReplySlotSize = 512;     // one adapter: bytes kept per reply
inline constexpr int kReplyDecodeLimit = 511;  // one adapter: Base64 characters decoded per reply
inline constexpr std::size_t kMaxRecvTexts = 32000;
inline constexpr std::size_t kMaxRecvBytes = 32u << 20;

struct SearchTexts {
  std::string searching = "Searching...";
  std::string zeroFound = "0 device(s) found!";
  std::string devicesFound = "device(s) found!";
  std::string shortText = "Short";
  std::string longText = "Long";
  std::string middleText = "Middle";
  std::string scanvale = "Scanvale";
  std::string allNetCard = "All NetCard";
  std::string bufferFull = "Receive buffer is full.";
};

struct DelayTimes {
  std::chrono::milliseconds allWait;  // all adapters: one wait
  int allQuietWaits;                  // all adapters: quiet waits allowed before the repeat and before the end
  std::chrono::milliseconds oneFirst;  // one adapter: first wait of a pass
  std::chrono::milliseconds oneLater;  // one adapter: every later wait of the pass
};

// "Short" is tested first, then "Long"; anything else is "Middle". Containment, so captions
// with appended blanks work; an empty language text never matches.
DelayTimes DelayFor(std::string_view delayCaption, const SearchTexts& texts);

// Button3Click: Middle -> Long -> Short -> Middle. A caption that is none of them stays.
std::string NextDelayCaption(std::string_view delayCaption, const SearchTexts& texts);

struct SearchSettings {
  bool ipRelay = false;                // RadioButton2 "IP Relay" (else "Local Broadcast")
  std::string relayAddress;            // ComboBox1 text
  std::string relayProtocol = "TCP";   // ComboBox2 text: "TCP", "HttpCmd", anything else UDP
  NetCardTable netCards;               // m_NetCardAddr, m_NetCardNum
  int adapterItemIndex = 0;            // ComboBox3's chosen item, -1 when the text was typed
  std::string adapterText;             // ComboBox3's text: the one adapter's address
  std::string delayCaption = "Middle";  // Button3's caption
  bool upnpSearch = false;             // CheckBox1 "UPnP Search"
};

struct ButtonState {
  bool enabled = true;
  std::string caption;
};

struct SearchWindowState {
  DeviceTable table;  // m_DeviceList, grid, m_NextRow, projFilter (the Proj text)
  GridSortState sort;
  std::vector<tRowSelected> m_SelectedRows;
  tRowSelected currentCell{1, 1};
  int m_CurrentRow = 1;
  bool m_NoSearchYet = true;
  bool m_DevicesFound = false;
  ButtonState button1{true, "Scanvale"};     // search
  ButtonState button2{false, "Get FW Ver."};  // firmware query
  ButtonState button3{true, "Middle"};       // delay choice; its caption is the window's
  std::string label1 = "0 device(s) found!";
};

enum class SearchPath { kNone, kHttpRelay, kTcpRelay, kAllAdapters, kOneAdapter };

struct SearchReport {
  SearchPath path = SearchPath::kNone;
  int recvBefore = 0;  // replies before the repeated query (one adapter: pass 1)
  int recvAfter = 0;   // replies after it (one adapter: pass 2)
  int newDevices = 0;  // devices the run added to the table
  bool bufferFull = false;
  bool socketFailed = false;    // one adapter: bound socket not opened; TCP: socket or connect
  bool relayTimedOut = false;   // TCP relay: answer cut off by kTcpRelayAnswerBound
  bool listenCapped = false;    // a pass or half ended by kListenBound
  std::chrono::milliseconds elapsed{0};
};

struct HttpRelayRequest {
  std::string relay;        // ComboBox1 text
  std::string requestPath;  // "/device.get?DeviceType=" + the project filter text
};

struct SearchHooks {
  // Worker thread. Fetch and read the relay page into `table` (grid rows and entries).
  std::function<void(DeviceTable& table, const HttpRelayRequest& request,
                     const std::atomic<bool>& cancelled)>
      httpRelay;
  std::function<void()> upnpStart;   // caller's thread, at the start of a run
  std::function<void()> upnpFinish;  // caller's thread, first step of the finish
};

struct SearchEvents {
  std::function<void(const std::string& text)> onBufferFull;
  std::function<void(const SearchReport& report)> onFinished;
};

// True when the filter text is "ALL" or "UPNP" in any case: only then does the UPnP box count.
bool UpnpFilterAllows(std::string_view projFilter);

// The finish steps in their order: UPnP result hook, m_DevicesFound, count text or
// "0 device(s) found!", sort, buttons, selection reset.
void ApplySearchFinish(SearchWindowState& state, const SearchSettings& settings,
                       const SearchTexts& texts, const SearchHooks& hooks);

class SearchRun {
 public:
  explicit SearchRun(Dispatcher& dispatcher);
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  SearchTexts texts;
  SearchHooks hooks;
  SearchEvents events;

  bool Start(SearchWindowState& state, const SearchSettings& settings);
  bool Running() const { return running_; }
  void Cancel();
  const SearchReport& LastReport() const { return report_; }

 private:
  struct Shared;
  struct WorkerResult;
  void Finish(SearchWindowState& state, WorkerResult& result);
  void JoinWorker();

  Dispatcher& dispatcher_;
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
  bool running_ = false;
  SearchReport report_;
};

}  // namespace scanvale
