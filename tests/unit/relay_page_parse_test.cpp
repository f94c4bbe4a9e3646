// Reading the relay host's device page: the tag clean-up line by line, the cell reading into
// records and grid rows, and pages far bigger than any real one.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "discovery/relay_page.h"

namespace scanvale {
namespace {

TEST(CleanHtml, LineTable) {
  const struct {
    const char* in;
    const char* out;  // "" means the line is removed
  } cases[] = {
      {"<html><body><table>", ""},
      {"</table></body></html>", ""},
      {"<html><body><table border=1>", ""},
      {"<tr><td>a</td></tr>", "<td>a</td></tr>"},
      {"<TR><td>a</td>", "<td>a</td>"},
      {"<table><tr><td>1</td>", "<td>1</td>"},
      // The walk has passed the second tag by the time the first one goes.
      {"<tr><tr>", "<tr>"},
      {"<html>text<body>", "text"},
      {"<TITLE>Devices</TITLE>", "Devices"},
      // Text in front of the first tag stays; the tag itself still goes.
      {"x<tr>", "x"},
      // A tag whose name merely contains one of the names goes as well.
      {"<strong>bold</strong><td>a</td>", "bold<td>a</td>"},
      // A first tag that matches nothing protects everything behind it.
      {"<b><tr><td>a</td>", "<b><tr><td>a</td>"},
      {"<td>a</td><tr>", "<td>a</td><tr>"},
      {"<head><title>x</title></head>", "<head><title>x</title></head>"},
      // No tag at all: a ">" before the first "<", or a "<" never closed.
      {"a>b<tr>", "a>b<tr>"},
      {"<tr", "<tr"},
      {"plain text", "plain text"},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines{c.in};
    CleanHtml(lines);
    if (*c.out == '\0') {
      EXPECT_TRUE(lines.empty()) << c.in << " -> " << (lines.empty() ? "" : lines[0]);
    } else {
      ASSERT_EQ(lines.size(), 1u) << c.in;
      EXPECT_EQ(lines[0], c.out) << c.in;
    }
  }
}

// The clean-up and the cell reading done the plain way, one erase at a time, to hold the fast
// versions to the same results on many small random lines.
std::string SlowCleanLine(std::string s) {
  static const char* const kNames[] = {"BODY", "HTML", "TABLE", "TITLE", "TR"};
  for (std::size_t pos = 0; pos < s.size(); ++pos) {
    if (s[pos] != '>') continue;
    for (const char* name : kNames) {
      const std::size_t lt = s.find('<'), gt = s.find('>');
      if (lt == std::string::npos || gt == std::string::npos || gt < lt) continue;
      std::string tag = s.substr(lt, gt - lt + 1);
      for (char& ch : tag) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      if (tag.find(name) != std::string::npos) s.erase(lt, gt - lt + 1);
    }
  }
  return s;
}

std::vector<std::string> SlowCells(std::string& s) {
  std::vector<std::string> cells;
  for (std::size_t walk = 0; walk < s.size(); ++walk) {
    const std::size_t a = s.find("<td>");
    if (a == std::string::npos) break;
    const std::size_t b = s.find("</td>", a + 4);
    if (b == std::string::npos) break;
    cells.push_back(s.substr(a + 4, b - a - 4));
    s.erase(a, b + 5 - a);
  }
  return cells;
}

std::string RandomLine(std::mt19937& rng, const std::vector<std::string>& pieces) {
  std::string out;
  const int count = static_cast<int>(rng() % 16);
  for (int i = 0; i < count; ++i) out += pieces[rng() % pieces.size()];
  return out;
}

TEST(RelayPage, FastReadingMatchesThePlainWay) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> tagPieces{"<", ">", "tr", "TR", "html", "body", "ta", "ble",
                                           "title", "x", " ", "/", "<tr>", "<b>"};
  for (int i = 0; i < 20000; ++i) {
    const std::string line = RandomLine(rng, tagPieces);
    std::vector<std::string> lines{line};
    CleanHtml(lines);
    const std::string expected = SlowCleanLine(line);
    if (expected.empty())
      EXPECT_TRUE(lines.empty()) << line;
    else
      EXPECT_EQ(lines, std::vector<std::string>{expected}) << line;
  }
  const std::vector<std::string> cellPieces{"<td>", "</td>", "<t", "d>", "<", "td", ">", "x",
                                            "/", "</", "<td", "y"};
  for (int i = 0; i < 20000; ++i) {
    const std::string line = RandomLine(rng, cellPieces);
    std::string rest = line;
    const std::vector<std::string> cells = SlowCells(rest);
    std::vector<std::string> lines{"header", line};
    DeviceTable table;
    PhaseItem(lines, table);
    if (cells.empty()) {
      EXPECT_TRUE(table.m_DeviceList.empty()) << line;
      EXPECT_EQ(lines, std::vector<std::string>{"header"}) << line;
      continue;
    }
    ASSERT_EQ(table.m_DeviceList.size(), 1u) << line;
    const tComUnitInfo& r = table.m_DeviceList.front();
    const std::string_view stored[] = {FieldText(r.model), FieldText(r.proj), FieldText(r.name),
                                       FieldText(r.ip), FieldText(r.trigger_port),
                                       FieldText(r.netmask), FieldText(r.mac)};
    for (std::size_t c = 0; c < 7; ++c) {
      const std::string want = c < cells.size() ? cells[c] : "";
      const std::size_t width = c == 3 || c == 5 ? 15 : c == 4 ? 7 : c == 6 ? 23 : 63;
      EXPECT_EQ(stored[c], want.substr(0, width)) << line << " cell " << c;
    }
    if (rest.empty())
      EXPECT_EQ(lines, std::vector<std::string>{"header"}) << line;
    else
      EXPECT_EQ(lines, (std::vector<std::string>{"header", rest})) << line;
  }
}

TEST(SplitPageLines, BreaksAndNoItemsRule) {
  EXPECT_EQ(SplitPageLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitPageLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitPageLines("").empty());

  std::vector<std::string> shortPage{"<html><body>", "No available items", "</body></html>"};
  ApplyNoItemsRule(shortPage);
  EXPECT_TRUE(shortPage.empty());
  // On a longer page the words are just a cell's text.
  std::vector<std::string> longPage{"<table>", "<tr><td>h</td></tr>", "<tr><td>No available items</td></tr>",
                                    "<tr><td>b</td></tr>", "</table>"};
  ApplyNoItemsRule(longPage);
  EXPECT_EQ(longPage.size(), 5u);
}

struct PageCase {
  const char* what;
  std::vector<std::string> page;
  std::vector<std::vector<std::string>> records;  // model, proj, name, ip, port, netmask, mac
  std::vector<std::vector<std::string>> gridRows;  // rows 1.. of the grid, columns 0..6
};

std::vector<std::string> RecordCells(const tComUnitInfo& r) {
  return {std::string(FieldText(r.model)), std::string(FieldText(r.proj)),
          std::string(FieldText(r.name)),  std::string(FieldText(r.ip)),
          std::string(FieldText(r.trigger_port)), std::string(FieldText(r.netmask)),
          std::string(FieldText(r.mac))};
}

const std::string kHeader =
    "<tr><td>Model</td><td>Project</td><td>Name</td><td>IP</td><td>Port</td><td>Netmask</td>"
    "<td>MAC</td></tr>";
std::string Row(std::vector<std::string> cells, const char* lead = "<tr>", const char* tail = "</tr>") {
  std::string out = lead;
  for (const auto& c : cells) out += "<td>" + c + "</td>";
  return out + tail;
}
const std::vector<std::string> kCamA{"VS-100", "IP-Cam", "cam-a", "198.18.1.10", "80",
                                     "255.255.255.0", "02:00:00:00:01:10"};
const std::vector<std::string> kCamB{"DVR-8", "DVR", "rec", "198.18.1.11", "8080",
                                     "255.255.255.0", "02:00:00:00:01:11"};
const std::vector<std::string> kHeaderCells{"Model", "Project", "Name", "IP", "Port", "Netmask", "MAC"};

TEST(PhaseItem, PageShapes) {
  const PageCase cases[] = {
      {"the usual page: two devices in rows 1 and 2",
       {"<html><body><table>", kHeader, Row(kCamA), Row(kCamB), "</table></body></html>"},
       {kCamA, kCamB},
       {kCamA, kCamB}},
      {"a row of five cells leaves netmask and mac empty",
       {"<html><body><table>", kHeader, Row({"M", "P", "N", "198.18.1.12", "81"}),
        "</table></body></html>"},
       {{"M", "P", "N", "198.18.1.12", "81", "", ""}},
       {{"M", "P", "N", "198.18.1.12", "81", "", ""}}},
      {"blanks around a value are kept",
       {kHeader, Row({" cam ", "P", "N", "198.18.1.13", "80", "m", "x"})},
       {{" cam ", "P", "N", "198.18.1.13", "80", "m", "x"}},
       {{" cam ", "P", "N", "198.18.1.13", "80", "m", "x"}}},
      {"two identical rows are two devices",
       {kHeader, Row(kCamA), Row(kCamA)},
       {kCamA, kCamA},
       {kCamA, kCamA}},
      {"an eighth cell is read and dropped",
       {kHeader, Row({"M", "P", "N", "198.18.1.14", "80", "m", "x", "extra"})},
       {{"M", "P", "N", "198.18.1.14", "80", "m", "x"}},
       {{"M", "P", "N", "198.18.1.14", "80", "m", "x"}}},
      {"a row made only of cells is used up: the next line overwrites its grid row",
       {kHeader, Row(kCamA, "", ""), Row(kCamB)},
       {kCamA, kCamB},
       {kCamB}},
      {"a header made only of cells makes the first device line the header",
       {Row(kHeaderCells, "", ""), Row(kCamA), Row(kCamB)},
       {kCamB},
       {kCamB}},
      {"a head with a title before the table makes the table's header a device",
       {"<head><title>Devices</title></head>", "<html><body><table>", kHeader, Row(kCamA),
        "</table></body></html>"},
       {kHeaderCells, kCamA},
       {kHeaderCells, kCamA}},
      {"an error page without cells adds no device",
       {"<html><body>", "<h1>404 Not Found</h1>", "<p>The page is not here.</p>", "</body></html>"},
       {},
       {}},
      {"lines without cells between rows add nothing and leave no gap",
       {kHeader, Row(kCamA), "<!-- next -->", Row(kCamB), "<p>2 devices</p>"},
       {kCamA, kCamB},
       {kCamA, kCamB}},
      {"a stray closing tag before the first cell does not hide the cells",
       {kHeader, "</td>" + Row(kCamA, "", "</tr>")},
       {kCamA},
       {kCamA}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> lines = c.page;
    CleanHtml(lines);
    DeviceTable table;
    PhaseItem(lines, table);
    std::vector<std::vector<std::string>> records;
    for (const auto& r : table.m_DeviceList) records.push_back(RecordCells(r));
    EXPECT_EQ(records, c.records);
    ASSERT_EQ(table.grid.DeviceRowCount(), static_cast<int>(c.gridRows.size()));
    for (std::size_t r = 0; r < c.gridRows.size(); ++r)
      for (int col = 0; col < 7; ++col)
        EXPECT_EQ(table.grid.Cell(col, static_cast<int>(r + 1)), c.gridRows[r][col])
            << "row " << r + 1 << " column " << col;
    // A device heard afterwards (a set-network reply) goes below the page's rows.
    const int rows = table.grid.DeviceRowCount();
    tComUnitInfo later;
    ClearRecord(later);
    SetField(later.ip, "198.18.9.9");
    SetField(later.mac, "02:00:00:00:09:09");
    ASSERT_TRUE(table.AddFoundDevice(later));
    EXPECT_EQ(table.grid.DeviceRowCount(), rows + 1);
    EXPECT_EQ(table.grid.Cell(kColIp, table.grid.DeviceRowCount()), "198.18.9.9");
  }
}

TEST(PhaseItem, ValuesLongerThanTheirFieldsAreCutInRecordAndGrid) {
  const std::string longName(5000, 'n');
  const std::string longIp = "198.18.1.15" + std::string(3000, '9');
  std::vector<std::string> lines{kHeader, Row({"M", "P", longName, longIp, "123456789", "m", "x"})};
  DeviceTable table;
  PhaseItem(lines, table);
  ASSERT_EQ(table.m_DeviceList.size(), 1u);
  const tComUnitInfo& r = table.m_DeviceList.front();
  EXPECT_EQ(FieldText(r.name), longName.substr(0, 63));
  EXPECT_EQ(FieldText(r.ip), longIp.substr(0, 15));
  EXPECT_EQ(FieldText(r.trigger_port), "1234567");
  // The grid shows what the record holds, so the row still finds its record.
  EXPECT_EQ(table.grid.Cell(kColIp, 1), longIp.substr(0, 15));
  EXPECT_EQ(table.FindByRow(1), &r);
}

TEST(RelayPage, MegabyteLinesAreReadInLinearTime) {
  std::string manyCells = "<tr>";
  for (int i = 0; i < 100000; ++i) manyCells += "<td>" + std::to_string(i) + "</td>";
  manyCells += "</tr>";
  std::string manyTags;
  for (int i = 0; i < 262144; ++i) manyTags += "<tr>";
  std::string manyGt(1 << 20, '>');
  manyGt = "<tr" + manyGt;
  std::vector<std::string> lines{kHeader, manyCells, manyTags + Row(kCamA), manyGt};

  const auto start = std::chrono::steady_clock::now();
  CleanHtml(lines);
  DeviceTable table;
  PhaseItem(lines, table);
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_LT(spent, std::chrono::seconds(5));

  ASSERT_EQ(table.m_DeviceList.size(), 2u);
  EXPECT_EQ(RecordCells(table.m_DeviceList.front()),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6"}));
  // The clean-up's walk outruns the deletions, so part of the run of tags stays in front of
  // the cells; the cells still read.
  EXPECT_EQ(RecordCells(table.m_DeviceList.back()), kCamA);
}

}  // namespace
}  // namespace scanvale
