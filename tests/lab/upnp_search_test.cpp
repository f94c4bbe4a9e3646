// The UPnP search against simulated root devices on all three lab segments: the AXIS and
// Vivotek roots are kept with all nineteen texts, the others dropped, broken and huge
// description documents neither stop nor stall the search, and the rows reach the grid.

#include <gtest/gtest.h>

#include <chrono>
#include <array>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "discovery/upnp_engine.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::DevSim;

std::string Site() {
  const std::string longDescription(6000, 'D');
  return R"json({"upnp_devices": [
    {"ip": "198.18.1.50", "link": 0, "port": 49152, "udn": "uuid:axis-door",
     "device_type": "urn:schemas-upnp-org:device:Basic:1",
     "friendly_name": "AXIS 211 - 00408C1850", "manufacturer": "AXIS",
     "manufacturer_url": "http://www.axis.example/", "model_description": "AXIS 211 Network Camera",
     "model_name": "AXIS 211", "model_number": "211", "model_url": "http://www.axis.example/211",
     "serial_number": "00408C1850", "upc": "012345678905",
     "presentation_url": "http://198.18.1.50/",
     "icons": [{"mimetype": "image/png", "width": 48, "height": 48, "depth": 24, "url": "/icon48.png"},
               {"mimetype": "image/gif", "width": 32, "height": 32, "depth": 8, "url": "/icon32.gif"}],
     "services": [{"type": "urn:schemas-upnp-org:service:Basic:1"},
                  {"type": "urn:axis-example:service:Ptz:1"},
                  {"type": "urn:axis-example:service:Io:1"}],
     "children": [{"udn": "uuid:axis-door-io", "friendly_name": "io", "manufacturer": "AXIS",
                   "model_name": "io", "device_type": "urn:axis-example:device:Io:1"},
                  {"udn": "uuid:axis-door-ptz", "friendly_name": "ptz", "manufacturer": "AXIS",
                   "model_name": "ptz", "device_type": "urn:axis-example:device:Ptz:1"}]},
    {"ip": "198.18.2.51", "link": 1, "port": 49153, "udn": "uuid:vivotek-yard",
     "friendly_name": "FD8134 (198.18.2.51)", "manufacturer": "Vivotek",
     "model_name": "FD8134", "presentation_url": "http://198.18.2.51:8080/index.html",
     "services": [{"type": "urn:schemas-upnp-org:service:Basic:1"}],
     "children": [{"udn": "uuid:vivotek-yard-sub", "friendly_name": "sub", "manufacturer": "Vivotek",
                   "model_name": "sub"}]},
    {"ip": "198.18.3.52", "link": 2, "port": 49154, "udn": "uuid:axis-nopath",
     "friendly_name": "no path", "manufacturer": "AXIS", "model_name": "P1",
     "model_description": "no path", "presentation_url": "http://198.18.3.52"},
    {"ip": "198.18.4.53", "link": 2, "port": 49155, "udn": "uuid:other-router",
     "friendly_name": "router (home)", "manufacturer": "Other Corp", "model_name": "R1",
     "presentation_url": "http://198.18.4.53/"},
    {"ip": "198.18.1.54", "link": 0, "port": 49156, "udn": "uuid:mixed-case",
     "friendly_name": "Axis mixed", "manufacturer": "Axis", "model_name": "M",
     "presentation_url": "http://198.18.1.54/"},
    {"ip": "198.18.1.55", "link": 0, "port": 49157, "udn": "uuid:broken",
     "description_raw": "<root><device><manufacturer>AXIS</manufact"},
    {"ip": "198.18.2.56", "link": 1, "port": 49158, "udn": "uuid:axis-huge",
     "friendly_name": "huge", "manufacturer": "AXIS", "model_name": "H",
     "model_description": ")json" + longDescription + R"json(", "pad_bytes": 3000000,
     "presentation_url": "http://198.18.2.56:81/"},
    {"ip": "198.18.1.57", "link": 0, "port": 49159, "udn": "uuid:silent",
     "friendly_name": "silent", "manufacturer": "AXIS", "model_name": "S", "silent": true,
     "presentation_url": "http://198.18.1.57/"}
  ]})json";
}

struct Window : UpnpResultWindow {
  SearchWindowState state;
  int changes = 0;
  SearchWindowState& UpnpWindowState() override { return state; }
  UpnpTexts UpnpCurrentTexts() override { return {}; }
  void UpnpWindowStateChanged() override { ++changes; }
};

std::map<std::string, DeviceInformationContainer> ByUdn(
    const std::vector<DeviceInformationContainer>& devices) {
  std::map<std::string, DeviceInformationContainer> out;
  for (const auto& d : devices) out[d[kUpnpUniqueDeviceName]] = d;
  return out;
}

TEST(UpnpSearchLab, KeepsAxisAndVivotekRootsWithAllTheirTexts) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(Site());
  ASSERT_TRUE(sim.running());

  // The window and the dispatcher outlive the engine, whose threads use them.
  Window window;
  window.state.table.projFilter = "ALL";
  QueueDispatcher dispatcher;
  CPortForwardEngine engine;
  engine.options.window = 3000ms;

  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(engine.SearchDevices(&window), 1);
  EXPECT_EQ(engine.SearchDevices(&window), 0);  // no second engine thread
  ASSERT_EQ(engine.StartResultThread(dispatcher, window), 1);
  while (engine.Busy() && std::chrono::steady_clock::now() - start < 20s)
    dispatcher.RunPending(50ms);
  const auto spent = std::chrono::steady_clock::now() - start;
  ASSERT_FALSE(engine.Busy());
  EXPECT_LT(spent, 8s);
  EXPECT_EQ(engine.SearchThreadsStarted(), 1);

  const auto found = ByUdn(engine.Results());
  std::vector<std::string> udns;
  for (const auto& [udn, _] : found) udns.push_back(udn);
  EXPECT_EQ(udns, (std::vector<std::string>{"uuid:axis-door", "uuid:axis-huge", "uuid:axis-nopath",
                                            "uuid:vivotek-yard"}));

  ASSERT_EQ(found.count("uuid:axis-door"), 1u);
  const DeviceInformationContainer& door = found.at("uuid:axis-door");
  const std::array<std::string, kUpnpTextCount> expected = {
      "Yes: 2 children",
      "AXIS 211 Network Camera",
      "AXIS 211 - 00408C1850",
      "Yes",
      "http://198.18.1.50:49152/icon32.gif",
      "Yes",
      "AXIS",
      "http://www.axis.example/",
      "AXIS 211",
      "211",
      "http://www.axis.example/211",
      "This is a topmost device",
      "http://198.18.1.50/",
      "This is a topmost device",
      "00408C1850",
      "Yes: 3services",
      "urn:schemas-upnp-org:device:Basic:1",
      "uuid:axis-door",
      "012345678905"};
  for (int i = 0; i < kUpnpTextCount; ++i) EXPECT_EQ(door.texts[i], expected[i]) << "text " << i;

  ASSERT_EQ(found.count("uuid:vivotek-yard"), 1u);
  const DeviceInformationContainer& yard = found.at("uuid:vivotek-yard");
  EXPECT_EQ(yard[kUpnpChildren], "Yes: One child");
  EXPECT_EQ(yard[kUpnpServices], "Yes: One service");
  EXPECT_EQ(yard[kUpnpIconURL], "");
  EXPECT_EQ(yard[kUpnpSerialNumber], "");
  ASSERT_EQ(found.count("uuid:axis-huge"), 1u);
  EXPECT_EQ(found.at("uuid:axis-huge")[kUpnpDescription], std::string(kUpnpTextMax, 'D'));
  EXPECT_EQ(found.at("uuid:axis-nopath")[kUpnpChildren], "No: Zero children");
  EXPECT_EQ(found.at("uuid:axis-nopath")[kUpnpServices], "No: Zero services");

  // Rows: the door, the yard and the huge one; the device without a path makes none.
  const DeviceGrid& grid = window.state.table.grid;
  ASSERT_EQ(grid.DeviceRowCount(), 3);
  std::map<std::string, GridRow> rows;
  for (int r = 1; r <= 3; ++r) rows[grid.Cell(kColIp, r)] = grid.Row(r);
  EXPECT_EQ(rows["198.18.1.50"], (GridRow{"Axis 200 Series", "Axis 200 Series",
                                          "AXIS 211 Network Camera", "198.18.1.50", "80", "NULL",
                                          "NULL", ""}));
  EXPECT_EQ(rows["198.18.2.51"], (GridRow{"VivoTek 7000 Series", "VivoTek 7000 Series", "FD8134 ",
                                          "198.18.2.51", "8080", "NULL", "NULL", ""}));
  EXPECT_EQ(rows["198.18.2.56"][kColName], std::string(63, 'D'));
  EXPECT_EQ(rows["198.18.2.56"][kColPort], "81");
  EXPECT_EQ(window.state.label1, "3 device(s) found!");
  EXPECT_TRUE(window.state.button1.enabled);
  EXPECT_TRUE(window.state.button2.enabled);
  EXPECT_EQ(window.state.table.m_DeviceList.size(), 3u);
}

TEST(UpnpSearchLab, AnEmptySiteEndsWithinTheWindowAndAddsNothing) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(R"json({"upnp_devices": [{"ip": "198.18.1.60", "link": 0, "manufacturer": "Other Corp",
                 "friendly_name": "printer", "model_name": "P", "presentation_url": "http://198.18.1.60/"}]})json");
  ASSERT_TRUE(sim.running());
  Window window;
  window.state.table.projFilter = "UPNP";
  QueueDispatcher dispatcher;
  CPortForwardEngine engine;
  engine.options.window = 1500ms;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(engine.SearchDevices(&window), 1);
  ASSERT_EQ(engine.StartResultThread(dispatcher, window), 1);
  while (engine.Busy() && std::chrono::steady_clock::now() - start < 20s)
    dispatcher.RunPending(50ms);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(engine.Results().empty());
  EXPECT_EQ(window.state.table.grid.DeviceRowCount(), 0);
  EXPECT_EQ(window.state.label1, "0 device(s) found!");
  EXPECT_FALSE(window.state.button2.enabled);
  // The search did ask on every segment.
  const auto searches = sim.WaitForRecords(3, 1s, [](const testing::DevSimRecord& r) {
    return r.proto == "udp" && r.dst == "239.255.255.250:1900" &&
           r.bytes.find("upnp:rootdevice") != std::string::npos;
  });
  std::set<int> links;
  for (const auto& r : searches) links.insert(r.link);
  EXPECT_EQ(links, (std::set<int>{0, 1, 2}));
}

}  // namespace
}  // namespace scanvale
