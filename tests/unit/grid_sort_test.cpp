#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/grid_sort.h"

namespace scanvale {
namespace {

DeviceGrid GridOf(const std::vector<GridRow>& rows) {
  DeviceGrid grid;
  grid.SetRow(0, {"Model", "Project", "Name", "IP", "Port", "Netmask", "MAC", "Firmware"});
  for (std::size_t i = 0; i < rows.size(); ++i) grid.SetRow(static_cast<int>(i) + 1, rows[i]);
  grid.SetRowCount(static_cast<int>(rows.size()) + 1);
  return grid;
}

std::vector<std::string> Column(const DeviceGrid& grid, int col) {
  std::vector<std::string> out;
  for (int r = 1; r <= grid.DeviceRowCount(); ++r) out.push_back(grid.Cell(col, r));
  return out;
}

GridRow Row(std::string model, std::string name, std::string ip, std::string port,
            std::string mac = "00:00:00:00:00:01") {
  return {model, "IP-Cam", name, ip, port, "255.255.255.0", mac, ""};
}

TEST(SortGrid, OrdersByColumnKind) {
  const struct {
    const char* what;
    int column;
    bool reverse;
    std::vector<GridRow> rows;
    std::vector<std::string> expected;  // the sorted column, top to bottom
  } cases[] = {
      {"IP numerically by address", kColIp, false,
       {Row("a", "n", "10.0.0.10", "80"), Row("b", "n", "9.1.1.1", "80"),
        Row("c", "n", "10.0.0.9", "80"), Row("d", "n", "10.0.0.1", "80")},
       {"9.1.1.1", "10.0.0.1", "10.0.0.9", "10.0.0.10"}},
      {"Port numerically", kColPort, false,
       {Row("a", "n", "1.1.1.1", "8080"), Row("b", "n", "1.1.1.2", "80"),
        Row("c", "n", "1.1.1.3", "443"), Row("d", "n", "1.1.1.4", "x")},
       {"x", "80", "443", "8080"}},
      {"Name without case, ties by the rest of the row", kColName, false,
       {Row("Zeta", "cam", "1.1.1.1", "80"), Row("alpha", "Cam", "1.1.1.2", "80"),
        Row("m", "BOX", "1.1.1.3", "80"), Row("m", "axis", "1.1.1.4", "80")},
       {"axis", "BOX", "Cam", "cam"}},
      {"a cell that is a prefix of another sorts first", kColModel, false,
       {Row("Cam2", "n", "1.1.1.1", "80"), Row("Cam", "n", "1.1.1.2", "80"),
        Row("cam10", "n", "1.1.1.3", "80")},
       {"Cam", "cam10", "Cam2"}},
      {"reverse writes the sorted rows back bottom up", kColIp, true,
       {Row("a", "n", "10.0.0.10", "80"), Row("b", "n", "10.0.0.9", "80"),
        Row("c", "n", "10.0.0.11", "80")},
       {"10.0.0.11", "10.0.0.10", "10.0.0.9"}},
  };
  for (const auto& c : cases) {
    DeviceGrid grid = GridOf(c.rows);
    GridSortState state{0, c.reverse};
    SortGrid(grid, c.column, state);
    EXPECT_EQ(Column(grid, c.column), c.expected) << c.what;
    EXPECT_EQ(state.m_SortColumn, c.column) << c.what;
    EXPECT_EQ(grid.Cell(kColIp, 0), "IP") << c.what << ": header row moved";
    EXPECT_EQ(grid.DeviceRowCount(), static_cast<int>(c.rows.size())) << c.what;
  }
}

TEST(SortGrid, RowsTravelWhole) {
  DeviceGrid grid = GridOf({Row("b", "n2", "1.1.1.2", "81", "00:00:00:00:00:02"),
                            Row("a", "n1", "1.1.1.1", "80", "00:00:00:00:00:01")});
  grid.SetCell(kColFirmware, 1, "fw-b");
  GridSortState state{0, false};
  SortGrid(grid, kColModel, state);
  EXPECT_EQ(grid.Row(1)[kColMac], "00:00:00:00:00:01");
  EXPECT_EQ(grid.Row(2)[kColName], "n2");
  EXPECT_EQ(grid.Row(2)[kColFirmware], "fw-b");
}

TEST(SortGrid, FewerThanTwoRowsChangesNothingButTheColumn) {
  DeviceGrid grid = GridOf({Row("only", "n", "1.1.1.1", "80")});
  GridSortState state{0, true};
  SortGrid(grid, kColMac, state);
  EXPECT_EQ(state.m_SortColumn, kColMac);
  EXPECT_EQ(grid.Cell(kColModel, 1), "only");
  EXPECT_EQ(grid.DeviceRowCount(), 1);
}

TEST(SortKeys, ReadLikeScanf) {
  EXPECT_EQ(SortKeyAddress("10.0.0.9"), 0x0A000009u);
  EXPECT_EQ(SortKeyAddress("192.168.1"), 0xC0A80100u);  // missing parts count as 0
  EXPECT_EQ(SortKeyAddress("10.x.1.1"), 0x0A000000u);   // reading stops at the first misfit
  EXPECT_EQ(SortKeyAddress("NULL"), 0u);
  EXPECT_EQ(SortKeyNumber("8080"), 8080u);
  EXPECT_EQ(SortKeyNumber(" 81x"), 81u);
  EXPECT_EQ(SortKeyNumber(""), 0u);
}

}  // namespace
}  // namespace scanvale
