#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/browse_url.h"
#include "grid/cell_paint.h"
#include "grid/column_ratios.h"
#include "grid/popup_rules.h"
#include "protocol/diag_log.h"

namespace scanvale {
namespace {

tComUnitInfo Device(const char* proj, const char* name, const char* ip = "198.18.1.10",
                    const char* port = "80", const char* mac = "00:0F:7C:00:00:10",
                    const char* netmask = "255.255.255.0") {
  return MakeRecord({{Field::model, "M1"}, {Field::proj, proj}, {Field::name, name},
                     {Field::ip, ip}, {Field::trigger_port, port}, {Field::netmask, netmask},
                     {Field::mac, mac}});
}

TEST(PopupRules, CommandsPerDeviceKind) {
  const struct {
    const char* what;
    tComUnitInfo device;
    bool upgrade, factoryDefault, restart, networkSetup;
  } cases[] = {
      {"camera", Device("IP-Cam", "Lobby"), true, true, true, true},
      {"megapixel camera", Device("MegaPixelCamera", "Gate"), true, true, true, true},
      {"recorder by name NVR", Device("IP-Cam", "NVR-16"), false, false, true, true},
      {"recorder by name DVR", Device("Hybrid", "Back DVR"), false, false, true, true},
      {"recorder by project DVR", Device("DVR", "Store"), false, false, true, true},
      {"project NVR", Device("NVR", "Store"), false, false, true, true},
      {"video server project VDS", Device("VDS", "Door"), false, false, false, true},
      {"tester", Device("TESTER", "Bench"), false, false, false, true},
      {"recorder that is also a VD project", Device("VDS", "NVR-4"), false, false, false, true},
      {"case matters: nvr is no recorder", Device("IP-Cam", "nvr"), true, true, true, true},
      {"UPnP-only row", Device("UPnP", "Router", "198.18.1.10", "80", "NULL", "NULL"), false, false,
       false, false},
  };
  for (const auto& c : cases) {
    DeviceTable table;
    table.AddFoundDevice(c.device);
    const PopupMenuState p = PopupRulesFor(table, 1, 1);
    EXPECT_EQ(p.softwareUpgradeVisible, c.upgrade) << c.what;
    EXPECT_EQ(p.configFileUploadVisible, c.upgrade) << c.what;
    EXPECT_EQ(p.factoryDefaultVisible, c.factoryDefault) << c.what;
    EXPECT_EQ(p.restartDeviceVisible, c.restart) << c.what;
    EXPECT_EQ(p.networkSetupEnabled, c.networkSetup) << c.what;
    EXPECT_FALSE(p.batchNetworkSetup) << c.what;
    EXPECT_TRUE(p.browseEnabled && p.detailInfoEnabled) << c.what;
  }
}

TEST(PopupRules, BatchAndMissingRecord) {
  DeviceTable table;
  table.AddFoundDevice(Device("IP-Cam", "Lobby"));
  const PopupMenuState batch = PopupRulesFor(table, 1, 2);
  EXPECT_TRUE(batch.batchNetworkSetup);
  EXPECT_FALSE(batch.browseEnabled);
  EXPECT_FALSE(batch.detailInfoEnabled);

  // The table emptied under a filled grid: no device commands, netmask rule still decides.
  table.m_DeviceList.clear();
  const PopupMenuState orphan = PopupRulesFor(table, 1, 1);
  EXPECT_FALSE(orphan.softwareUpgradeVisible || orphan.factoryDefaultVisible ||
               orphan.restartDeviceVisible);
  EXPECT_TRUE(orphan.networkSetupEnabled);
}

TEST(BrowseUrl, AddressAndPortRules) {
  EXPECT_EQ(WebPortOf("8080"), 8080);
  EXPECT_EQ(WebPortOf(" "), 80);
  EXPECT_EQ(WebPortOf("http"), 80);
  EXPECT_EQ(WebPortOf("80x"), 80);
  EXPECT_EQ(WebPortOf("0"), 80);
  EXPECT_EQ(WebPortOf("70000"), 80);

  DeviceTable table;
  table.AddFoundDevice(Device("IP-Cam", "A", "198.18.1.10", "8080"));
  table.AddFoundDevice(Device("IP-Cam", "B", "198.18.1.11", "web", "00:0F:7C:00:00:11"));
  table.AddFoundDevice(Device("IP-Cam", "C", "evil.example/x", "80", "00:0F:7C:00:00:12"));
  EXPECT_EQ(BrowseUrl(table, 1, 1).value_or(""), "http://198.18.1.10:8080");
  EXPECT_EQ(BrowseUrl(table, 2, 1).value_or(""), "http://198.18.1.11:80");
  EXPECT_FALSE(BrowseUrl(table, 3, 1)) << "a device's own text is no address";
  EXPECT_FALSE(BrowseUrl(table, 1, 0)) << "no release on the grid yet";
  EXPECT_FALSE(BrowseUrl(table, 9, 1)) << "row beyond the grid";
  table.m_DeviceList.clear();
  EXPECT_FALSE(BrowseUrl(table, 1, 1)) << "no record behind the row";
}

TEST(ColumnRatios, StartWidthsAndResize) {
  DiagLog::ClearRecent();
  const std::vector<int> start{109, 120, 169, 97, 27, 95, 142, 111};
  const std::vector<float> ratios = ComputeColumnRatios(start);
  ASSERT_EQ(ratios.size(), 8u);
  EXPECT_FLOAT_EQ(ratios[0], 109.0f / 870.0f);
  const auto log = DiagLog::Recent();
  ASSERT_EQ(log.size(), 16u);
  EXPECT_EQ(log[0], "Col[0] - (109, 109)\n");
  EXPECT_EQ(log[7], "Col[7] - (111, 870)\n");
  EXPECT_EQ(log[8], "Col[0] - (109, 870, 0.125287)\n");

  const std::vector<int> same = ResizedColumnWidths(ratios, start, 870, 0);
  for (std::size_t i = 0; i < start.size(); ++i) EXPECT_NEAR(same[i], start[i], 1) << i;
  const std::vector<int> wide = ResizedColumnWidths(ratios, start, 1760, 20);
  EXPECT_EQ(wide[0], static_cast<int>(ratios[0] * 1740.0f));
  EXPECT_EQ(*std::min_element(wide.begin(), wide.end()), wide[4]) << "Port stays narrowest";
  int sum = 0;
  for (int w : wide) sum += w;
  EXPECT_LE(sum, 1740);

  EXPECT_TRUE(ComputeColumnRatios({0, 0}).empty());
  EXPECT_EQ(ResizedColumnWidths({}, start, 2000, 0), start);
}

TEST(CellPaint, RulesInOrder) {
  DeviceGrid grid;
  grid.SetRowCount(4);
  for (int r = 0; r < 4; ++r) grid.SetCell(1, r, "r" + std::to_string(r));
  GridSelection s;
  const int sortColumn = 1;
  auto look = [&](int col, int row) { return DecideCellPaint(s, sortColumn, grid, col, row); };

  EXPECT_EQ(look(1, 2).look, CellLook::kHighlight) << "before the first search";
  EXPECT_EQ(look(1, 2).text, "r1") << "the first row's text everywhere";
  EXPECT_EQ(look(1, 0).look, CellLook::kSortHeader);
  EXPECT_EQ(look(2, 0).look, CellLook::kDefault);

  s.m_NoSearchYet = false;
  s.MouseDown(GridButton::kLeft, {1, 2}, false);
  EXPECT_EQ(look(0, 2).look, CellLook::kHighlight);
  EXPECT_EQ(look(0, 2).text, "");
  EXPECT_EQ(look(1, 2).text, "r2");
  EXPECT_EQ(look(1, 3).look, CellLook::kDefault);

  // Ctrl: rows 1 and 3 picked, then 3 removed again; the focus stays drawn plain.
  s.KeyDown(kGridKeyCtrl, false, 4);
  s.MouseDown(GridButton::kLeft, {1, 1}, true);
  s.MouseDown(GridButton::kLeft, {1, 3}, true);
  s.MouseDown(GridButton::kLeft, {1, 3}, true);
  EXPECT_EQ(look(1, 2).look, CellLook::kHighlight);
  EXPECT_EQ(look(1, 1).look, CellLook::kHighlight);
  EXPECT_EQ(look(1, 3).look, CellLook::kPlain);
  EXPECT_EQ(look(1, 3).text, "r3");
  EXPECT_EQ(look(1, 0).look, CellLook::kSortHeader);
  EXPECT_EQ(look(1, 0).text, "r0");
}

}  // namespace
}  // namespace scanvale
