// The rules of the firmware version query, restart, factory default and API command that
// need no device: reply rules, which rows get jobs and receive results, the API checks and
// numbering.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "maintenance/api_command.h"
#include "maintenance/fw_version_command.h"
#include "maintenance/restart_command.h"
#include "protocol/device_table.h"

namespace scanvale {
namespace {

TEST(FirmwareVersionRules, FirstReplyTable) {
  struct Case {
    const char* reply;
    std::optional<std::string> result;  // nullopt: ask listinfo.cgi
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\nroot.Properties.Firmware.Version=V2.1.7\r\n", "V2.1.7\r\n"},
      // The first "root." line is not the version: 33 characters after its "root." are cut
      // away ("root.Properties.System.Model=" is 29 of them), not the version line found.
      {"HTTP/1.1 200 OK\r\n\r\nroot.Properties.System.Model=KC-2130-XYZ\r\n"
       "root.Properties.Firmware.Version=V9\r\n",
       "130-XYZ\r\nroot.Properties.Firmware.Version=V9\r\n"},
      // Too short to hold the key: nothing left, and nothing read past the end.
      {"HTTP/1.1 200 OK\r\n\r\nroot.x", ""},
      // "root." wins over every other word.
      {"HTTP/1.1 503 Service Unavailable\r\n\r\nroot.Properties.Firmware.Version=V3", "V3"},
      {"HTTP/1.1 503 Service Unavailable\r\n\r\n", std::nullopt},
      {"HTTP/1.1 401 Unauthorized\r\n\r\n", "Unauthorized"},
      {"HTTP/1.1 401 unauthorized\r\n\r\n", "Unauthorized"},
      {"HTTP/1.1 404 Not Found\r\n\r\n", "unknown"},
      {"", "unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(FWVerFromParamReply(c.reply), c.result) << c.reply;
}

TEST(FirmwareVersionRules, ListInfoReplyTable) {
  struct Case {
    const char* reply;
    const char* result;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nV1.0.0\r\n", "V1.0.0\r\n"},
      {"HTTP/1.1 200 OK\r\n\r\nA\r\n\r\nB", "A\r\n\r\nB"},  // everything after the first blank line
      {"HTTP/1.1 200 OK\r\nno blank line", "unknown"},
      {"HTTP/1.1 401 Unauthorized\r\n\r\n", "Unauthorized"},
      {"HTTP/1.1 404 Not Found\r\n\r\n", "unknown"},
      {"", "unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(FWVerFromListInfoReply(c.reply), c.result) << c.reply;
}

DeviceTable TableOf(const std::vector<std::array<const char*, 4>>& devices) {
  DeviceTable table;
  for (const auto& d : devices)
    table.AddFoundDevice(MakeRecord({{Field::proj, d[0]}, {Field::ip, d[1]},
                                     {Field::trigger_port, d[2]}, {Field::mac, d[3]}}));
  return table;
}

TEST(FirmwareVersionRules, EveryRowGetsAJobAndOnlyItsOwnDeviceReceivesTheResult) {
  DeviceTable table = TableOf({{"IP-Cam", "198.18.1.10", "80", "00:00:00:00:00:10"},
                               {"DVR", "198.18.1.11", "8080", "00:00:00:00:00:11"}});
  table.grid.SetRowCount(4);  // a third, empty row
  const std::vector<tGridTarget> targets = FWVerTargets(table.grid);
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[1].index, 2);
  EXPECT_EQ(targets[1].ip, "198.18.1.11");
  EXPECT_EQ(targets[1].port, "8080");
  EXPECT_EQ(targets[2].ip, "");  // the empty row is asked too (and fails)

  EXPECT_TRUE(WriteFWVerOutcome(table.grid, {2, "198.18.1.11", "00:00:00:00:00:11", "V5", 1}));
  EXPECT_EQ(table.grid.Cell(kColFirmware, 2), "V5");
  // The grid was re-sorted or re-searched meanwhile: row 1 shows another device now.
  EXPECT_FALSE(WriteFWVerOutcome(table.grid, {1, "198.18.1.11", "00:00:00:00:00:11", "V6", 1}));
  EXPECT_EQ(table.grid.Cell(kColFirmware, 1), "");
  EXPECT_FALSE(WriteFWVerOutcome(table.grid, {9, "", "", "x", 0}));
}

TEST(ResetRules, RecordersGoThroughDigestAndOnlyTableDevicesGetJobs) {
  EXPECT_EQ(RestartKindFor("DVR"), JobKind::kDigestReboot);
  EXPECT_EQ(RestartKindFor("NVR"), JobKind::kDigestReboot);
  EXPECT_EQ(RestartKindFor("NVR/VSS"), JobKind::kRestart);  // not exactly "NVR"
  EXPECT_EQ(RestartKindFor("dvr"), JobKind::kRestart);
  EXPECT_EQ(RestartKindFor("IP-Cam"), JobKind::kRestart);

  DeviceTable table = TableOf({{"DVR", "198.18.1.10", "80", "00:00:00:00:00:10"},
                               {"NVR/VSS", "198.18.1.11", "80", "00:00:00:00:00:11"},
                               {"IP-Cam", "198.18.1.12", "81", "00:00:00:00:00:12"}});
  // Row 4 shows a device the table no longer holds.
  table.grid.SetRow(4, {"m", "IP-Cam", "n", "198.18.1.99", "80", "", "00:00:00:00:00:99", "old"});
  table.grid.SetRowCount(5);
  const std::vector<tRowSelected> selection{{1, 3}, {1, 4}, {2, 1}, {1, 3}, {0, 2}};
  const std::vector<tGridTarget> targets = ResetTargets(table, selection);
  // In table order, each with the index of its selection entry; row 3, listed twice, gets
  // one job (its first entry), row 4 none.
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[0].row, 1);
  EXPECT_EQ(targets[0].index, 2);
  EXPECT_EQ(targets[0].proj, "DVR");
  EXPECT_EQ(targets[1].row, 2);
  EXPECT_EQ(targets[1].index, 4);
  EXPECT_EQ(targets[2].row, 3);
  EXPECT_EQ(targets[2].index, 0);
  EXPECT_EQ(targets[2].port, "81");

  // Results find their rows by IP and MAC among the selection copied at the start.
  const std::vector<int> rows{3, 4, 1, 3, 2};
  EXPECT_EQ(WriteResetOutcome(table.grid, rows, {0, "198.18.1.12", "00:00:00:00:00:12", "Reboot OK", 1}),
            2);  // row 3 stands twice in the selection
  EXPECT_EQ(table.grid.Cell(kColFirmware, 3), "Reboot OK");
  EXPECT_EQ(WriteResetOutcome(table.grid, rows, {2, "198.18.1.10", "00:00:00:00:00:ff", "x", 0}), 0);
  EXPECT_EQ(table.grid.Cell(kColFirmware, 1), "");
  EXPECT_EQ(table.grid.Cell(kColFirmware, 4), "old");
}

TEST(ApiCommandRules, ChecksRefuseInOrder) {
  using N = ApiNumbering;
  struct Case {
    const char* command;
    const char* number;
    N mode;
    int devices;
    std::optional<Msg> refusal;
  };
  const Case cases[] = {
      {"", "1", N::kNoChange, 3, Msg::CommandCannotBeNull},
      {"a?x=%d&y=%d", "", N::kIncrement, 3, Msg::OnlyOnePercentD},
      {"a?x=%d", "", N::kNoChange, 3, Msg::InsertNumberForPercentD},
      {"a?x=%d", "1", N::kDecrement, 3, Msg::NumberTooSmall},  // 1, 0, -1
      {"a?x=%d", "2", N::kDecrement, 3, std::nullopt},         // 2, 1, 0
      {"a?x=%d", "8000", N::kIncrement, 3, std::nullopt},
      {"a?x=%d", "1", N::kIncrement, 3, std::nullopt},
      {"cgi-bin/admin/restart.cgi", "", N::kDecrement, 3, std::nullopt},  // no %d: box ignored
      {"a?x=100%", "", N::kNoChange, 3, std::nullopt},  // a lone % is no number mark
      // Numbers that would not fit are refused rather than wrapped.
      {"a?x=%d", "99999999999999999999999", N::kNoChange, 3, Msg::InsertNumberForPercentD},
      {"a?x=%d", "2147483647", N::kNoChange, 3, std::nullopt},
      {"a?x=%d", "2147483646", N::kIncrement, 3, Msg::InsertNumberForPercentD},
      {"a?x=%d", "12a", N::kNoChange, 3, Msg::InsertNumberForPercentD},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckApiCommand(c.command, c.number, c.mode, c.devices), c.refusal)
        << c.command << " / " << c.number;
}

TEST(ApiCommandRules, NumberingModesGiveEachRowItsNumber) {
  const std::string command = "cgi-bin/admin/param.cgi?action=update&Network.HTTP.Port=%d";
  struct Case {
    ApiNumbering mode;
    const char* numbers[3];
  };
  const Case cases[] = {{ApiNumbering::kIncrement, {"8000", "8001", "8002"}},
                        {ApiNumbering::kDecrement, {"8000", "7999", "7998"}},
                        {ApiNumbering::kNoChange, {"8000", "8000", "8000"}}};
  for (const Case& c : cases)
    for (int row = 1; row <= 3; ++row)
      EXPECT_EQ(ApiCommandForRow(command, c.mode, ApiStartNumber("8000"), row),
                "cgi-bin/admin/param.cgi?action=update&Network.HTTP.Port=" +
                    std::string(c.numbers[row - 1]));
  // Other printf-like marks stay as typed.
  EXPECT_EQ(ApiCommandForRow("a?s=%s&n=%d&p=%%", ApiNumbering::kIncrement, 5, 2), "a?s=%s&n=6&p=%%");
  EXPECT_EQ(ApiCommandForRow("no mark", ApiNumbering::kIncrement, 5, 2), "no mark");

  EXPECT_EQ(ApiNumberingOf(0), ApiNumbering::kNoChange);
  EXPECT_EQ(ApiNumberingOf(1), ApiNumbering::kIncrement);
  EXPECT_EQ(ApiNumberingOf(2), ApiNumbering::kDecrement);
  EXPECT_EQ(ApiNumberingOf(-1), ApiNumbering::kNoChange);
}

TEST(ApiCommandRules, LineBreaksCannotReachTheRequestAndTheNoticeFollowsTheResetPaths) {
  EXPECT_EQ(CleanApiCommand(std::string("a.cgi\r\nX-Injected: 1\n", 22) + std::string(1, '\0') + "b"),
            "a.cgiX-Injected: 1b");
  EXPECT_TRUE(WantsFactoryDefaultNotice("cgi-bin/kesttest/default_test.cgi"));
  EXPECT_TRUE(WantsFactoryDefaultNotice("cgi-bin/admin/factorydefault.cgi?x=1"));
  EXPECT_FALSE(WantsFactoryDefaultNotice("cgi-bin/admin/restart.cgi"));
}

}  // namespace
}  // namespace scanvale
