#include <gtest/gtest.h>

#include "protocol/device_table.h"

namespace scanvale {
namespace {

TEST(ProjMatches, FilterTable) {
  const struct {
    const char* filter;
    const char* value;
    bool passes;
  } cases[] = {
      {"ALL", "anything", true},          {"DVR", "DVR", true},
      {"DVR", "dvr", false},              {"NVR/VSS", "NVR", true},
      {"NVR/VSS", "VSS", true},           {"NVR/VSS", "NVR/VSS", true},
      {"NVR/VSS", "DVR", false},          {"IP-Cam", "MegaPixelCamera", true},
      {"IP-Cam", "IP-Cam", true},         {"Video-Server", "VideoServer", true},
      {"VDS", "VDS", true},               {"ip-cam", "MegaPixelCamera", false},
      {"ip-cam", "ip-cam", true},         {"all", "IP-Cam", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProjMatches(c.filter, c.value), c.passes) << c.filter << " / " << c.value;
}

tComUnitInfo Device(const char* ip, const char* mac, const char* proj = "IP-Cam",
                    const char* name = "cam") {
  return MakeRecord({{Field::model, "M"}, {Field::proj, proj}, {Field::name, name},
                     {Field::ip, ip}, {Field::trigger_port, "80"},
                     {Field::netmask, "255.255.255.0"}, {Field::mac, mac}});
}

TEST(DeviceTable, AddRuleTable) {
  const struct {
    const char* what;
    const char* filter;
    std::vector<tComUnitInfo> offered;
    std::vector<bool> isNew;
    std::size_t entries;
    int gridDeviceRows;
  } cases[] = {
      {"the same device twice is one entry and one row", "ALL",
       {Device("198.18.1.5", "00:00:00:00:00:05"), Device("198.18.1.5", "00:00:00:00:00:05")},
       {true, false}, 1, 1},
      {"an address conflict is two entries and two rows", "ALL",
       {Device("198.18.1.5", "00:00:00:00:00:05"), Device("198.18.1.5", "00:00:00:00:00:06")},
       {true, true}, 2, 2},
      {"mac compared case-sensitively", "ALL",
       {Device("198.18.1.5", "aa:00:00:00:00:05"), Device("198.18.1.5", "AA:00:00:00:00:05")},
       {true, true}, 2, 2},
      {"a hidden device is kept, counted, and gets no row", "DVR",
       {Device("198.18.1.5", "00:00:00:00:00:05"), Device("198.18.1.6", "00:00:00:00:00:06", "DVR")},
       {true, true}, 2, 1},
      {"a name equal to the filter shows the device", "Lobby",
       {Device("198.18.1.5", "00:00:00:00:00:05", "IP-Cam", "Lobby")}, {true}, 1, 1},
      {"VSS under NVR/VSS", "NVR/VSS", {Device("198.18.1.5", "00:00:00:00:00:05", "VSS")}, {true}, 1, 1},
  };
  for (const auto& c : cases) {
    DeviceTable table;
    table.projFilter = c.filter;
    table.ClearForSearch();
    for (std::size_t i = 0; i < c.offered.size(); ++i)
      EXPECT_EQ(table.AddFoundDevice(c.offered[i]), c.isNew[i]) << c.what << " #" << i;
    EXPECT_EQ(table.m_DeviceList.size(), c.entries) << c.what;
    EXPECT_EQ(table.grid.DeviceRowCount(), c.gridDeviceRows) << c.what;
    EXPECT_EQ(table.m_NextRow, c.gridDeviceRows + 1) << c.what;
  }
}

TEST(DeviceTable, RowsCarryTheSevenColumnsAndFindTheirRecord) {
  DeviceTable table;
  table.ClearForSearch();
  table.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:05"));
  table.AddFoundDevice(Device("198.18.1.5", "00:00:00:00:00:06"));
  const GridRow expected{"M", "IP-Cam", "cam", "198.18.1.5", "80", "255.255.255.0",
                         "00:00:00:00:00:06", ""};
  EXPECT_EQ(table.grid.Row(2), expected);
  const tComUnitInfo* found = table.FindByRow(2);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FieldText(found->mac), "00:00:00:00:00:06");
  EXPECT_EQ(table.FindByRow(3), nullptr);
}

TEST(DeviceGrid, KeepsHeaderAndAtLeastOneLine) {
  DeviceGrid grid;
  grid.SetCell(0, 0, "Model");
  grid.SetCell(0, 1, "x");
  grid.SetRowCount(1);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.DeviceRowCount(), 0);
  EXPECT_EQ(grid.Cell(0, 0), "Model");
  EXPECT_EQ(grid.Cell(0, 1), "");
  EXPECT_EQ(grid.Cell(99, 1), "");
  EXPECT_EQ(grid.Cell(0, 99), "");
}

TEST(TcomUnitInfo, SetFieldCutsAtWidthMinusOne) {
  tComUnitInfo r;
  ClearRecord(r);
  SetField(r.ip, "198.018.001.0010extra");
  EXPECT_EQ(FieldText(r.ip), "198.018.001.001");
  EXPECT_EQ(r.ip[15], '\0');
  EXPECT_EQ(FieldWidth(Field::vendor), 56u);
  EXPECT_EQ(FieldWidth(Field::trigger_port), 8u);
}

}  // namespace
}  // namespace scanvale
