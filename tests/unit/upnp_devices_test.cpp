// UPnP devices without a network: the presentation URL, the maker filter and the records,
// the grid merge, and the engine's states driven by a stand-in finder.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "discovery/upnp_engine.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;

TEST(ParsePresentationUrl, Table) {
  const struct {
    const char* url;
    bool ok;
    const char* ip;
    const char* port;
  } cases[] = {
      {"http://192.168.0.90/", true, "192.168.0.90", "80"},
      {"http://192.168.0.90:8080/index.html", true, "192.168.0.90", "8080"},
      {"http://192.168.0.90", false, "", ""},
      {"192.168.0.90/index.html", false, "", ""},
      {"", false, "", ""},
      {"http:///x", true, "", "80"},
      {"http://198.18.1.5:/", true, "198.18.1.5", ""},
      {"http://198.18.1.5:80:90/a", true, "198.18.1.5", "80:90"},
      {"//198.18.1.6/", true, "198.18.1.6", "80"},
  };
  for (const auto& c : cases) {
    std::string ip = "?", port = "?";
    EXPECT_EQ(ParsePresentationUrl(c.url, ip, port), c.ok) << c.url;
    if (!c.ok) continue;
    EXPECT_EQ(ip, c.ip) << c.url;
    EXPECT_EQ(port, c.port) << c.url;
  }
}

TEST(UpnpTexts, CountsAndYesNo) {
  EXPECT_EQ(ChildrenText(0), "No: Zero children");
  EXPECT_EQ(ChildrenText(1), "Yes: One child");
  EXPECT_EQ(ChildrenText(3), "Yes: 3 children");
  EXPECT_EQ(ServicesText(0), "No: Zero services");
  EXPECT_EQ(ServicesText(1), "Yes: One service");
  EXPECT_EQ(ServicesText(12), "Yes: 12services");
  DeviceInformationContainer d;
  d.Set(kUpnpDescription, std::string(100000, 'd'));
  EXPECT_EQ(d[kUpnpDescription].size(), kUpnpTextMax);
}

DeviceInformationContainer Upnp(const char* maker, const char* friendly, const char* description,
                                const char* presentation) {
  DeviceInformationContainer d;
  d.Set(kUpnpManufacturerName, maker);
  d.Set(kUpnpFriendlyName, friendly);
  d.Set(kUpnpDescription, description);
  d.Set(kUpnpPresentationURL, presentation);
  return d;
}

TEST(MakeUpnpRecord, MakersAndNames) {
  const struct {
    const char* what;
    DeviceInformationContainer device;
    bool kept;    // survives the search
    bool record;  // gives a row
    const char* model;
    const char* name;
    const char* ip;
    const char* port;
  } cases[] = {
      {"AXIS: the description is the name",
       Upnp("AXIS", "AXIS 211 - 00408C", "AXIS 211 Network Camera", "http://198.18.1.50/"), true,
       true, "Axis 200 Series", "AXIS 211 Network Camera", "198.18.1.50", "80"},
      {"the maker only has to contain AXIS",
       Upnp("AXIS Communications AB", "f", "d", "http://198.18.1.51:8080/x"), true, true,
       "Axis 200 Series", "d", "198.18.1.51", "8080"},
      {"mixed-case Axis is not kept", Upnp("Axis", "f", "d", "http://198.18.1.52/"), false,
       false, "", "", "", ""},
      {"Vivotek: the friendly name up to its parenthesis",
       Upnp("Vivotek", "FD8134 (198.18.2.51)", "d", "http://198.18.2.51:8080/index.html"), true,
       true, "VivoTek 7000 Series", "FD8134 ", "198.18.2.51", "8080"},
      {"Vivotek without a parenthesis gives no row",
       Upnp("Vivotek", "FD8134", "d", "http://198.18.2.52/"), true, false, "", "", "", ""},
      {"VIVOTEK in capitals is not kept", Upnp("VIVOTEK", "a (b)", "d", "http://198.18.2.53/"),
       false, false, "", "", "", ""},
      {"a presentation URL without a path gives no row",
       Upnp("AXIS", "f", "d", "http://198.18.3.52"), true, false, "", "", "", ""},
      {"a presentation URL without // gives no row", Upnp("AXIS", "f", "d", "198.18.3.53/"), true,
       false, "", "", "", ""},
      {"another maker is dropped", Upnp("Other Corp", "router (x)", "d", "http://198.18.4.53/"),
       false, false, "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(KeepUpnpDevice(c.device), c.kept);
    tComUnitInfo r;
    EXPECT_EQ(MakeUpnpRecord(c.device, r), c.record);
    if (!c.record) continue;
    EXPECT_EQ(FieldText(r.model), c.model);
    EXPECT_EQ(FieldText(r.proj), c.model);
    EXPECT_EQ(FieldText(r.name), c.name);
    EXPECT_EQ(FieldText(r.ip), c.ip);
    EXPECT_EQ(FieldText(r.trigger_port), c.port);
    for (auto text : {FieldText(r.netmask), FieldText(r.gateway), FieldText(r.dns),
                      FieldText(r.mac), FieldText(r.dev), FieldText(r.note)})
      EXPECT_EQ(text, "NULL");
    EXPECT_EQ(FieldText(r.idpw), "");
    EXPECT_EQ(FieldText(r.vendor), "");
  }
}

TEST(MakeUpnpRecord, LongTextsAreCutToTheirFields) {
  const std::string host = "198.18.1.50" + std::string(500, '5');
  const std::string longDescription(1500, 'x');
  tComUnitInfo r;
  ASSERT_TRUE(MakeUpnpRecord(
      Upnp("AXIS", "f", longDescription.c_str(), ("http://" + host + ":808080808/").c_str()), r));
  EXPECT_EQ(FieldText(r.name), longDescription.substr(0, 63));
  EXPECT_EQ(FieldText(r.ip), host.substr(0, 15));
  EXPECT_EQ(FieldText(r.trigger_port), "8080808");
}

std::vector<tComUnitInfo> Records(int n) {
  std::vector<tComUnitInfo> out;
  for (int i = 0; i < n; ++i) {
    tComUnitInfo r;
    const std::string url = "http://198.18.1." + std::to_string(50 + i) + ":" +
                            std::to_string(8000 + i) + "/";
    EXPECT_TRUE(MakeUpnpRecord(Upnp("AXIS", "f", ("cam" + std::to_string(i)).c_str(), url.c_str()), r));
    out.push_back(r);
  }
  return out;
}

TEST(MergeUpnpRows, PlaceholderAndFilters) {
  const GridRow broadcastRow{"VS-100", "IP-Cam", "lobby", "198.18.1.10", "80", "255.255.255.0",
                             "02:00:00:00:01:10", ""};
  const struct {
    const char* what;
    const char* filter;
    int broadcastRows;  // rows the broadcast search left
    int upnp;           // records from the UPnP search
    int expectRows;     // device rows afterwards
    const char* label;
    bool fw;
  } cases[] = {
      {"ALL, nothing from the broadcast: the placeholder row is reused", "ALL", 0, 3, 3,
       "3 device(s) found!", true},
      {"ALL with broadcast devices: UPnP rows go below them", "all", 2, 2, 4, "4 device(s) found!",
       true},
      {"UPNP: the grid is cut to its header first", "UPNP", 2, 1, 1, "1 device(s) found!", true},
      {"UPNP and nothing found: one empty row", "upnp", 0, 0, 0, "0 device(s) found!", false},
      {"ALL and nothing at all", "ALL", 0, 0, 0, "0 device(s) found!", false},
      {"ALL with broadcast devices and no UPnP device", "ALL", 2, 0, 2, "2 device(s) found!",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceTable table;
    table.projFilter = c.filter;
    for (int i = 0; i < c.broadcastRows; ++i) table.grid.SetRow(i + 1, broadcastRow);
    table.grid.SetRowCount(c.broadcastRows + 1);
    const std::vector<tComUnitInfo> records = Records(c.upnp);
    const UpnpMergeResult result = MergeUpnpRows(table, records, c.broadcastRows > 0, UpnpTexts{});
    EXPECT_EQ(table.grid.DeviceRowCount(), c.expectRows);
    EXPECT_EQ(table.grid.RowCount(), c.expectRows < 1 ? 2 : c.expectRows + 1);
    EXPECT_EQ(result.label, c.label);
    EXPECT_EQ(result.fwEnabled, c.fw);
    EXPECT_EQ(table.m_DeviceList.size(), records.size());
    // Each UPnP row carries its own device, at the bottom of the grid.
    for (int i = 0; i < c.upnp; ++i) {
      const int row = c.expectRows - c.upnp + 1 + i;
      EXPECT_EQ(table.grid.Cell(kColModel, row), "Axis 200 Series");
      EXPECT_EQ(table.grid.Cell(kColName, row), "cam" + std::to_string(i));
      EXPECT_EQ(table.grid.Cell(kColIp, row), "198.18.1." + std::to_string(50 + i));
      EXPECT_EQ(table.grid.Cell(kColPort, row), std::to_string(8000 + i));
      EXPECT_EQ(table.grid.Cell(kColNetmask, row), "NULL");
      EXPECT_EQ(table.grid.Cell(kColMac, row), "NULL");
      EXPECT_NE(table.FindByRow(row), nullptr);
    }
    if (std::string(c.filter) != "UPNP" && std::string(c.filter) != "upnp") {
      for (int r = 1; r <= c.broadcastRows; ++r) EXPECT_EQ(table.grid.Row(r), broadcastRow);
      if (std::string(c.filter) == "ALL" && c.upnp > 0) {  // a device heard later goes below
        tComUnitInfo later;
        ClearRecord(later);
        SetField(later.ip, "198.18.9.9");
        SetField(later.mac, "02:00:00:00:09:09");
        ASSERT_TRUE(table.AddFoundDevice(later));
        EXPECT_EQ(table.grid.DeviceRowCount(), c.expectRows + 1);
        EXPECT_EQ(table.grid.Cell(kColIp, c.expectRows + 1), "198.18.9.9");
        EXPECT_EQ(table.grid.Cell(kColNetmask, c.expectRows), "NULL");
      }
    }
  }
}

// The window as the result thread sees it, over plain state.
struct FakeWindow : UpnpResultWindow {
  SearchWindowState state;
  int changes = 0;
  SearchWindowState& UpnpWindowState() override { return state; }
  UpnpTexts UpnpCurrentTexts() override { return {}; }
  void UpnpWindowStateChanged() override { ++changes; }
};

// A finder that holds the search until released, then reports the given devices.
struct HeldFinder {
  std::atomic<bool> release{false};
  std::atomic<int> calls{0};
  std::vector<DeviceInformationContainer> devices;
  UpnpFinder Bind() {
    return [this](const UpnpSearchOptions&, const std::atomic<bool>& stop,
                  std::vector<DeviceInformationContainer>& out) {
      ++calls;
      const auto until = std::chrono::steady_clock::now() + 10s;
      while (!release && !stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
      out = devices;
      return 0;
    };
  }
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 5s) {
  const auto until = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

TEST(CPortForwardEngine, StatesFromStartToMergedRows) {
  HeldFinder held;
  held.devices = {Upnp("AXIS", "a", "door", "http://198.18.1.50/"),
                  Upnp("Other Corp", "b", "router", "http://198.18.1.60/"),
                  Upnp("Vivotek", "FD8134 (x)", "d", "http://198.18.2.51:8080/index.html"),
                  Upnp("AXIS", "c", "no path", "http://198.18.3.52")};
  // The window and the dispatcher outlive the engine, whose threads use them.
  FakeWindow window;
  window.state.table.projFilter = "ALL";
  QueueDispatcher dispatcher;
  CPortForwardEngine engine;
  engine.finder = held.Bind();

  EXPECT_EQ(engine.SearchDevices(nullptr), 0);
  EXPECT_FALSE(engine.Busy());
  ASSERT_EQ(engine.SearchDevices(&window), 1);
  EXPECT_TRUE(engine.Busy());
  EXPECT_TRUE(engine.SearchRunning());
  // A second search while one runs starts no second engine thread.
  EXPECT_EQ(engine.SearchDevices(&window), 0);
  EXPECT_EQ(engine.SearchThreadsStarted(), 1);

  ASSERT_EQ(engine.StartResultThread(dispatcher, window), 1);
  dispatcher.RunPending(1s);
  EXPECT_EQ(window.state.button1.caption, "Search Upnp...");
  EXPECT_FALSE(window.state.button1.enabled);
  EXPECT_FALSE(window.state.button3.enabled);
  EXPECT_TRUE(engine.Results().empty());  // nothing is read before the event

  held.release = true;
  ASSERT_TRUE(WaitUntil([&] { return !engine.SearchRunning(); }));
  EXPECT_TRUE(engine.Busy());  // results ready, not yet in the grid
  EXPECT_EQ(engine.Results().size(), 3u);  // the other maker is gone
  ASSERT_TRUE(WaitUntil([&] { return dispatcher.RunPending(10ms) > 0; }));
  EXPECT_FALSE(engine.Busy());
  EXPECT_EQ(held.calls.load(), 1);

  // Two of the three kept devices make rows; the one without a path does not.
  EXPECT_EQ(window.state.table.grid.DeviceRowCount(), 2);
  EXPECT_EQ(window.state.label1, "2 device(s) found!");
  EXPECT_TRUE(window.state.button1.enabled);
  EXPECT_EQ(window.state.button1.caption, "Scanvale");
  EXPECT_TRUE(window.state.button2.enabled);
  EXPECT_TRUE(window.state.button3.enabled);
  EXPECT_TRUE(window.state.m_DevicesFound);
  // The results stay for the detail window until the next search.
  EXPECT_EQ(engine.Results().size(), 3u);
}

TEST(CPortForwardEngine, ResultThreadWithoutSearchGivesButtonsBack) {
  FakeWindow window;
  window.state.table.projFilter = "UPNP";
  QueueDispatcher dispatcher;
  CPortForwardEngine engine;
  ASSERT_EQ(engine.StartResultThread(dispatcher, window), 1);
  ASSERT_TRUE(WaitUntil([&] {
    dispatcher.RunPending(10ms);
    return window.changes >= 2;
  }));
  EXPECT_EQ(window.state.label1, "0 device(s) found!");
  EXPECT_TRUE(window.state.button1.enabled);
  EXPECT_FALSE(window.state.button2.enabled);
}

TEST(CPortForwardEngine, DestructionEndsARunningSearchAndItsResultThread) {
  HeldFinder held;
  FakeWindow window;
  QueueDispatcher dispatcher;
  const auto start = std::chrono::steady_clock::now();
  {
    CPortForwardEngine engine;
    engine.finder = held.Bind();
    ASSERT_EQ(engine.SearchDevices(&window), 1);
    ASSERT_EQ(engine.StartResultThread(dispatcher, window), 1);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace scanvale
