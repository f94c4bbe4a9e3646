// The search run's rules that need no sockets: the delay table, the finish steps, the reply
// store and its decoding, and the run's thread hand-over (over the relay page hook, which opens
// no socket when a test supplies it).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "discovery/search_paths.h"
#include "discovery/search_run.h"
#include "protocol/control_package.h"
#include "support/dispatcher.h"

namespace scanvale {
namespace {

using std::chrono::milliseconds;

TEST(DelayTable, CaptionsPickTheWaits) {
  SearchTexts french;
  french.shortText = "Court";
  french.longText = "Long";
  french.middleText = "Moyen";
  const struct {
    const char* caption;
    const SearchTexts* texts;
    DelayTimes expected;
  } cases[] = {
      {"Short", nullptr, {milliseconds(500), 1, milliseconds(1000), milliseconds(500)}},
      {"Short  ", nullptr, {milliseconds(500), 1, milliseconds(1000), milliseconds(500)}},
      {"Long", nullptr, {milliseconds(2000), 2, milliseconds(5000), milliseconds(4000)}},
      {"Middle", nullptr, {milliseconds(1000), 2, milliseconds(3000), milliseconds(1000)}},
      {"anything", nullptr, {milliseconds(1000), 2, milliseconds(3000), milliseconds(1000)}},
      {"Short Long", nullptr, {milliseconds(500), 1, milliseconds(1000), milliseconds(500)}},
      {"Court  ", &french, {milliseconds(500), 1, milliseconds(1000), milliseconds(500)}},
      {"Short", &french, {milliseconds(1000), 2, milliseconds(3000), milliseconds(1000)}},
  };
  const SearchTexts english;
  for (const auto& c : cases) {
    const DelayTimes d = DelayFor(c.caption, c.texts ? *c.texts : english);
    EXPECT_EQ(d.allWait, c.expected.allWait) << c.caption;
    EXPECT_EQ(d.allQuietWaits, c.expected.allQuietWaits) << c.caption;
    EXPECT_EQ(d.oneFirst, c.expected.oneFirst) << c.caption;
    EXPECT_EQ(d.oneLater, c.expected.oneLater) << c.caption;
  }
}

TEST(DelayTable, ButtonCyclesMiddleLongShort) {
  const SearchTexts t;
  EXPECT_EQ(NextDelayCaption("Middle  ", t), "Long");
  EXPECT_EQ(NextDelayCaption("Long", t), "Short");
  EXPECT_EQ(NextDelayCaption("Short", t), "Middle");
  EXPECT_EQ(NextDelayCaption("other", t), "other");
  SearchTexts empty = t;
  empty.shortText.clear();  // an empty language text never matches every caption
  EXPECT_EQ(DelayFor("Middle", empty).allWait, milliseconds(1000));
}

tComUnitInfo Device(const char* model, const char* ip, const char* mac, const char* proj = "IP-Cam") {
  return MakeRecord({{Field::model, model}, {Field::proj, proj}, {Field::name, "n"},
                     {Field::ip, ip}, {Field::trigger_port, "80"},
                     {Field::netmask, "255.255.255.0"}, {Field::mac, mac}});
}

SearchWindowState StateWithDevices(const std::vector<tComUnitInfo>& devices, const char* filter) {
  SearchWindowState state;
  state.table.projFilter = filter;
  state.table.ClearForSearch();
  for (const auto& d : devices) state.table.AddFoundDevice(d);
  state.button1 = {false, "Searching..."};
  state.button2.enabled = false;
  state.button3.enabled = false;
  state.m_SelectedRows = {{3, 4}, {2, 2}};
  return state;
}

TEST(SearchFinish, ButtonsLabelAndSelectionByOutcome) {
  const std::vector<tComUnitInfo> two = {Device("B", "198.18.1.2", "00:00:00:00:00:02"),
                                         Device("A", "198.18.1.3", "00:00:00:00:00:03")};
  const struct {
    const char* what;
    std::vector<tComUnitInfo> devices;
    const char* filter;
    bool upnp;
    bool b1, b2, b3;
    const char* caption;
    const char* label;
    bool found;
    bool upnpFinishCalled;
  } cases[] = {
      {"nothing found", {}, "ALL", false, true, false, true, "Scanvale", "0 device(s) found!", false, false},
      {"two found", two, "ALL", false, true, true, true, "Scanvale", "2 device(s) found!", true, false},
      {"UPnP leaves the buttons to its result thread", two, "ALL", true, false, false, false,
       "Searching...", "2 device(s) found!", true, true},
      {"UPnP filter test ignores case", {}, "upnp", true, false, false, false, "Searching...",
       "0 device(s) found!", false, true},
      {"another filter ignores the UPnP box; no rows, no firmware query", two, "DVR", true,
       true, false, true, "Scanvale", "0 device(s) found!", false, false},
      {"another filter with devices", {Device("D", "198.18.1.4", "00:00:00:00:00:04", "DVR")},
       "DVR", true, true, true, true, "Scanvale", "1 device(s) found!", true, false},
  };
  for (const auto& c : cases) {
    SearchWindowState state = StateWithDevices(c.devices, c.filter);
    SearchSettings settings;
    settings.upnpSearch = c.upnp;
    int upnpFinish = 0;
    SearchHooks hooks;
    hooks.upnpFinish = [&] { ++upnpFinish; };
    ApplySearchFinish(state, settings, SearchTexts{}, hooks);
    EXPECT_EQ(state.button1.enabled, c.b1) << c.what;
    EXPECT_EQ(state.button2.enabled, c.b2) << c.what;
    EXPECT_EQ(state.button3.enabled, c.b3) << c.what;
    EXPECT_EQ(state.button1.caption, c.caption) << c.what;
    EXPECT_EQ(state.label1, c.label) << c.what;
    EXPECT_EQ(state.m_DevicesFound, c.found) << c.what;
    EXPECT_EQ(upnpFinish, c.upnpFinishCalled ? 1 : 0) << c.what;
    EXPECT_EQ(state.m_SelectedRows, (std::vector<tRowSelected>{{1, 1}})) << c.what;
    EXPECT_EQ(state.currentCell, (tRowSelected{1, 1})) << c.what;
    EXPECT_EQ(state.m_CurrentRow, 1) << c.what;
    EXPECT_GE(state.table.grid.RowCount(), 2) << c.what << ": an empty line stays under the header";
  }
}

TEST(SearchFinish, SortsAscendingByTheSortColumn) {
  SearchWindowState state = StateWithDevices(
      {Device("C", "198.18.1.10", "00:00:00:00:00:01"), Device("A", "198.18.1.9", "00:00:00:00:00:02"),
       Device("B", "198.18.1.11", "00:00:00:00:00:03")},
      "ALL");
  state.sort = {kColIp, true};
  ApplySearchFinish(state, SearchSettings{}, SearchTexts{}, SearchHooks{});
  EXPECT_FALSE(state.sort.m_SortReverse);
  EXPECT_EQ(state.table.grid.Cell(kColIp, 1), "198.18.1.9");
  EXPECT_EQ(state.table.grid.Cell(kColIp, 3), "198.18.1.11");
  EXPECT_EQ(state.table.FindByRow(1)->model[0], 'A');
}

std::string WireOf(const std::string& text) { return EncodeWire(text); }

const char* kReply =
    "Kestrilon,01,M1,IP-Cam,cam,198.18.1.5,80,255.255.255.0,198.18.1.254,198.18.1.254,"
    "02:00:00:00:00:05,d,note,1,Vend";

TEST(ReplyDecoding, TheStoreCutsLongRepliesTheDatagramPathDoesNot) {
  const std::string whole = WireOf(kReply);
  ASSERT_LT(whole.size(), 511u);
  // Padding the note pushes idpw and vendor past 383 decoded bytes.
  std::string longText = kReply;
  longText.replace(longText.find("note"), 4, std::string(330, 'x'));
  const std::string longWire = WireOf(longText);
  ASSERT_GT(longWire.size(), 511u);

  ReplyStore store;
  store.Add(whole);
  store.Add(longWire);
  EXPECT_EQ(store.Slot(1).size(), 512u);  // 512 bytes kept

  DeviceTable table;
  EXPECT_EQ(DecodeStoredReply(store.Slot(0), table), 1);
  EXPECT_EQ(DecodeStoredReply(store.Slot(1), table), 0) << "same ip and mac: a duplicate";
  DeviceTable cutTable;
  EXPECT_EQ(DecodeStoredReply(store.Slot(1), cutTable), 1);
  const tComUnitInfo& cut = cutTable.m_DeviceList.front();
  EXPECT_EQ(FieldText(cut.mac), "02:00:00:00:00:05");
  EXPECT_EQ(FieldText(cut.idpw), "") << "fields after the cut are lost";
  EXPECT_EQ(FieldText(cut.vendor), "Kestrilon") << "the token, not the lost thirteenth value";

  DeviceTable wholeTable;
  EXPECT_EQ(DecodeDatagramFirstPackage(longWire, wholeTable), 1);
  EXPECT_EQ(FieldText(wholeTable.m_DeviceList.front().vendor), "Vend");
  EXPECT_EQ(FieldText(wholeTable.m_DeviceList.front().idpw), "1");
}

TEST(ReplyDecoding, DatagramReadsItsFirstPackageRelayAnswerReadsAll) {
  std::string second = kReply;
  second.replace(second.find("198.18.1.5"), 10, "198.18.1.6");
  std::string plain = std::string(kReply) + '\0' + second;
  const std::string wire = WireOf(plain);  // two packages, each with its NUL
  DeviceTable datagramTable, relayTable;
  EXPECT_EQ(DecodeDatagramFirstPackage(wire, datagramTable), 1);
  EXPECT_EQ(DecodeRelayAnswer(wire, relayTable), 2);
}

TEST(ReplyDecoding, GarbageEmptyAndHugeInputFindNothing) {
  DeviceTable table;
  const std::string huge(65535, 'A');
  for (const std::string& input : {std::string(), std::string("not base64 at all!!"), huge,
                                   std::string(600, '\xff'), std::string("====")}) {
    ReplyStore store;
    store.Add(input);
    EXPECT_EQ(DecodeStoredReply(store.Slot(0), table), 0);
    EXPECT_EQ(DecodeDatagramFirstPackage(input, table), 0);
    EXPECT_EQ(DecodeRelayAnswer(input, table), 0);
  }
  EXPECT_TRUE(table.m_DeviceList.empty());
}

TEST(ReplyStore, HoldsFourThousandSlots) {
  ReplyStore store;
  for (int i = 0; i < kReplyStoreSlots; ++i) ASSERT_TRUE(store.Add("x"));
  EXPECT_TRUE(store.Full());
  EXPECT_FALSE(store.Add("y"));
  EXPECT_EQ(store.Count(), kReplyStoreSlots);
  EXPECT_EQ(store.Slot(kReplyStoreSlots), "");
}

// The relay page hook stands in for the network here, so the run's thread hand-over is seen
// without a socket.
struct HookRun {
  QueueDispatcher dispatcher;
  SearchRun run{dispatcher};
  SearchWindowState state;
  SearchSettings settings;
  HookRun() {
    settings.ipRelay = true;
    settings.relayProtocol = "HttpCmd";
    settings.relayAddress = "198.18.1.200";
    state.table.grid.SetRow(0, {"Model", "Project", "Name", "IP", "Port", "Netmask", "MAC", "Firmware"});
  }
  bool DrainUntilDone(milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (run.Running() && std::chrono::steady_clock::now() < end) dispatcher.RunPending(milliseconds(20));
    return !run.Running();
  }
};

TEST(SearchRunThread, ResultArrivesThroughTheDispatcher) {
  HookRun h;
  const auto caller = std::this_thread::get_id();
  std::thread::id hookThread, startThread, finishThread, finishedThread;
  std::string requested;
  h.run.hooks.httpRelay = [&](DeviceTable& table, const HttpRelayRequest& request,
                              const std::atomic<bool>&) {
    hookThread = std::this_thread::get_id();
    requested = request.relay + request.requestPath;
    table.AppendUnchecked(Device("Zed", "198.18.1.7", "00:00:00:00:00:07"));
    table.AppendUnchecked(Device("Abe", "198.18.1.8", "00:00:00:00:00:08"));
  };
  h.run.hooks.upnpStart = [&] { startThread = std::this_thread::get_id(); };
  h.run.hooks.upnpFinish = [&] { finishThread = std::this_thread::get_id(); };
  SearchReport seen;
  h.run.events.onFinished = [&](const SearchReport& r) {
    finishedThread = std::this_thread::get_id();
    seen = r;
  };
  h.settings.upnpSearch = true;
  h.state.table.projFilter = "ALL";

  ASSERT_TRUE(h.run.Start(h.state, h.settings));
  EXPECT_FALSE(h.state.button1.enabled);
  EXPECT_EQ(h.state.button1.caption, "Searching...");
  EXPECT_FALSE(h.state.button3.enabled);
  EXPECT_FALSE(h.run.Start(h.state, h.settings)) << "a second run while one is under way";
  EXPECT_EQ(h.state.table.grid.DeviceRowCount(), 0) << "nothing reaches the state off its thread";

  ASSERT_TRUE(h.DrainUntilDone(milliseconds(5000)));
  EXPECT_NE(hookThread, caller);
  EXPECT_EQ(startThread, caller);
  EXPECT_EQ(finishThread, caller);
  EXPECT_EQ(finishedThread, caller);
  EXPECT_EQ(requested, "198.18.1.200/device.get?DeviceType=ALL");
  EXPECT_EQ(seen.path, SearchPath::kHttpRelay);
  EXPECT_EQ(h.state.table.grid.Cell(kColModel, 0), "Model") << "the header stays";
  EXPECT_EQ(h.state.table.grid.Cell(kColModel, 1), "Abe");
  EXPECT_EQ(h.state.table.grid.Cell(kColModel, 2), "Zed");
  EXPECT_EQ(h.state.table.m_DeviceList.size(), 2u);
  EXPECT_EQ(h.state.table.m_NextRow, 3);
  EXPECT_EQ(h.state.label1, "2 device(s) found!");
  EXPECT_FALSE(h.state.button1.enabled) << "UPnP runs: its result thread gives the buttons back";
}

TEST(SearchRunThread, CancelEndsAHangingRunWithoutFinishing) {
  HookRun h;
  std::atomic<bool> entered{false};
  h.run.hooks.httpRelay = [&](DeviceTable&, const HttpRelayRequest&,
                              const std::atomic<bool>& cancelled) {
    entered = true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cancelled && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(milliseconds(5));
  };
  int finished = 0;
  h.run.events.onFinished = [&](const SearchReport&) { ++finished; };
  ASSERT_TRUE(h.run.Start(h.state, h.settings));
  while (!entered) std::this_thread::sleep_for(milliseconds(1));
  const auto before = std::chrono::steady_clock::now();
  h.run.Cancel();
  EXPECT_LT(std::chrono::steady_clock::now() - before, milliseconds(1000));
  h.dispatcher.RunPending(milliseconds(50));
  EXPECT_EQ(finished, 0);
  EXPECT_FALSE(h.run.Running());
  // The run can be used again afterwards.
  h.run.hooks.httpRelay = [](DeviceTable&, const HttpRelayRequest&, const std::atomic<bool>&) {};
  ASSERT_TRUE(h.run.Start(h.state, h.settings));
  ASSERT_TRUE(h.DrainUntilDone(milliseconds(5000)));
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(h.state.label1, "0 device(s) found!");
}

TEST(SearchRunThread, TasksOfADestroyedRunDoNothing) {
  QueueDispatcher dispatcher;
  SearchWindowState state;
  SearchSettings settings;
  settings.ipRelay = true;
  settings.relayProtocol = "HttpCmd";
  int finished = 0;
  {
    SearchRun run(dispatcher);
    run.hooks.httpRelay = [](DeviceTable& t, const HttpRelayRequest&, const std::atomic<bool>&) {
      t.AppendUnchecked(Device("A", "198.18.1.2", "00:00:00:00:00:02"));
    };
    run.events.onFinished = [&](const SearchReport&) { ++finished; };
    ASSERT_TRUE(run.Start(state, settings));
    std::this_thread::sleep_for(milliseconds(100));  // the worker posts its finish meanwhile
  }
  dispatcher.RunPending(milliseconds(50));
  EXPECT_EQ(finished, 0);
  EXPECT_EQ(state.table.grid.DeviceRowCount(), 0);
}

TEST(SearchRunThread, AReplyMacCheckTurnsReverseOnWhenNothingIsShown) {
  // A filtered-out device is parsed (its MAC checked) but leaves no row, so the finish does not
  // sort and the reverse flag stays as the parse left it.
  HookRun h;
  h.state.table.projFilter = "DVR";
  h.state.sort.m_SortReverse = false;
  h.run.hooks.httpRelay = [](DeviceTable& t, const HttpRelayRequest&, const std::atomic<bool>&) {
    const std::string plain = kReply;
    ParserPlainPkg(reinterpret_cast<const unsigned char*>(plain.c_str()), plain.size() + 1, t);
  };
  ASSERT_TRUE(h.run.Start(h.state, h.settings));
  ASSERT_TRUE(h.DrainUntilDone(milliseconds(5000)));
  EXPECT_EQ(h.state.table.m_DeviceList.size(), 1u);
  EXPECT_EQ(h.state.table.grid.DeviceRowCount(), 0);
  EXPECT_TRUE(h.state.sort.m_SortReverse);
}

}  // namespace
}  // namespace scanvale
