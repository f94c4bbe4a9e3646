// The firmware version query, restart, factory default and API command against a simulated
// site: each grid row ends with the text its device deserves, and each device received the
// requests its kind of job sends.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "maintenance/api_command.h"
#include "maintenance/fw_version_command.h"
#include "maintenance/restart_command.h"
#include "protocol/device_table.h"
#include "support/devsim.h"
#include "support/dispatcher.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::DevSim;
using testing::DevSimRecord;

// Devices in grid order (rows 1 to 9). "admin" / "8629" is what the user signs in with.
constexpr const char* kSite = R"({
  "devices": [
    {"name": "Cam", "proj": "IP-Cam", "ip": "198.18.1.40", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:40", "link": 0, "credentials": {"id": "admin", "password": "8629"},
     "web": {"firmware": "V2.1.7"}},
    {"name": "Lister", "proj": "IP-Cam", "ip": "198.18.1.41", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:41", "link": 0, "credentials": {"id": "admin", "password": "8629"},
     "web": {"fallback": true, "firmware": "L4.0.2"}},
    {"name": "Locked", "proj": "IP-Cam", "ip": "198.18.1.42", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:42", "link": 0, "credentials": {"id": "admin", "password": "other"}},
    {"name": "Refuser", "proj": "IP-Cam", "ip": "198.18.1.43", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:43", "link": 0, "web": {"mode": "refuse"}},
    {"name": "Recorder", "proj": "DVR", "ip": "198.18.2.44", "trigger_port": "8080",
     "mac": "00:1A:2B:00:01:44", "link": 1, "credentials": {"id": "admin", "password": "8629"},
     "web": {"thread_id": "7"}},
    {"name": "Vss", "proj": "NVR/VSS", "ip": "198.18.2.45", "trigger_port": "81",
     "mac": "00:1A:2B:00:01:45", "link": 1, "credentials": {"id": "admin", "password": "8629"}},
    {"name": "Port1", "proj": "IP-Cam", "ip": "198.18.1.46", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:46", "link": 0, "credentials": {"id": "admin", "password": "8629"},
     "web": {"raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 200 OK\r\n\r\nOK\r\n"}}},
    {"name": "Port2", "proj": "IP-Cam", "ip": "198.18.1.47", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:47", "link": 0,
     "web": {"raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 200 OK\r\n\r\nOK\r\n"},
             "default_test": "silent"}},
    {"name": "Port3", "proj": "IP-Cam", "ip": "198.18.1.48", "trigger_port": "80",
     "mac": "00:1A:2B:00:01:48", "link": 0,
     "web": {"raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 200 OK\r\n\r\nOK\r\n"}}}
  ]
})";

struct SiteDevice {
  const char* proj;
  const char* ip;
  const char* port;
  const char* mac;
};
constexpr SiteDevice kDevices[] = {
    {"IP-Cam", "198.18.1.40", "80", "00:1A:2B:00:01:40"},
    {"IP-Cam", "198.18.1.41", "80", "00:1A:2B:00:01:41"},
    {"IP-Cam", "198.18.1.42", "80", "00:1A:2B:00:01:42"},
    {"IP-Cam", "198.18.1.43", "80", "00:1A:2B:00:01:43"},
    {"DVR", "198.18.2.44", "8080", "00:1A:2B:00:01:44"},
    {"NVR/VSS", "198.18.2.45", "81", "00:1A:2B:00:01:45"},
    {"IP-Cam", "198.18.1.46", "80", "00:1A:2B:00:01:46"},
    {"IP-Cam", "198.18.1.47", "80", "00:1A:2B:00:01:47"},
    {"IP-Cam", "198.18.1.48", "80", "00:1A:2B:00:01:48"},
};

class MaintenanceCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (::scanvale::testing::InsideLab()) sim_ = new DevSim(kSite);
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    SCANVALE_REQUIRE_LAB();
    ASSERT_TRUE(sim_ && sim_->running());
    for (const SiteDevice& d : kDevices)
      table_.AddFoundDevice(MakeRecord({{Field::proj, d.proj}, {Field::ip, d.ip},
                                        {Field::trigger_port, d.port}, {Field::mac, d.mac}}));
  }

  tCommandRun Run(std::function<void(const tJobOutcome&)> deliver) {
    tCommandRun run;
    run.user = "admin";
    run.password = "8629";
    run.dispatcher = &window_;
    run.deliver = std::move(deliver);
    run.poll = 20ms;
    return run;
  }

  // The request lines a device received since `since` (seconds of the simulator's clock).
  static std::vector<std::string> RequestLines(const std::string& ipPort, double since) {
    std::vector<std::string> out;
    for (const DevSimRecord& r : sim_->Records())
      if (r.proto == "http" && r.dst == ipPort && r.t >= since)
        out.push_back(r.bytes.substr(0, r.bytes.find("\r\n")));
    return out;
  }

  std::string Firmware(int row) const { return table_.grid.Cell(kColFirmware, row); }

  static DevSim* sim_;
  DeviceTable table_;
  QueueDispatcher window_;
};

DevSim* MaintenanceCommands::sim_ = nullptr;

TEST_F(MaintenanceCommands, VersionQueryWritesEachRowItsOwnAnswer) {
  table_.grid.SetRowCount(table_.grid.RowCount() + 1);  // a last row with empty cells
  const int emptyRow = table_.grid.RowCount() - 1;
  int delivered = 0;
  RunGetFWVer(FWVerTargets(table_.grid), Run([&](const tJobOutcome& outcome) {
                delivered += WriteFWVerOutcome(table_.grid, outcome);
              }));
  window_.RunPending();
  EXPECT_EQ(delivered, 10);
  EXPECT_EQ(Firmware(1), "V2.1.7\r\n");
  EXPECT_EQ(Firmware(2), "L4.0.2\r\n");  // the whole body of listinfo.cgi
  EXPECT_EQ(Firmware(3), "Unauthorized");
  EXPECT_EQ(Firmware(4), "unknown");
  EXPECT_EQ(Firmware(emptyRow), "unknown");  // asked too: its connection cannot be made
  EXPECT_EQ(RequestLines("198.18.1.41:80", 0),
            (std::vector<std::string>{
                "GET /cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version HTTP/1.1",
                "GET /cgi-bin/listinfo.cgi?query=version HTTP/1.1"}));
}

TEST_F(MaintenanceCommands, RestartGoesThroughDigestForRecordersAndCgiForTheRest) {
  const double since = testing::SteadySeconds();
  // Rows 5 (DVR), 6 (NVR/VSS), 1 (IP-Cam), 2 (503, then reboot.cgi), 3 (refused), 4 (refuses).
  const std::vector<tRowSelected> selection{{0, 5}, {0, 6}, {0, 1}, {0, 2}, {0, 3}, {0, 4}};
  std::vector<int> rows;
  for (const tRowSelected& s : selection) rows.push_back(s.row);
  RunReset(ResetCommand::kRestart, ResetTargets(table_, selection),
           Run([&](const tJobOutcome& o) { WriteResetOutcome(table_.grid, rows, o); }));
  window_.RunPending();
  EXPECT_EQ(Firmware(5), "Reboot OK");
  EXPECT_EQ(Firmware(6), "Reboot OK");
  EXPECT_EQ(Firmware(1), "Reboot OK");
  EXPECT_EQ(Firmware(2), "Reboot OK");
  EXPECT_EQ(Firmware(3), "Unauthorized");
  EXPECT_EQ(Firmware(4), "Send Command");
  EXPECT_EQ(Firmware(7), "");  // not selected

  const std::vector<std::string> recorder = RequestLines("198.18.2.44:8080", since);
  ASSERT_EQ(recorder.size(), 4u);
  EXPECT_EQ(recorder[0], "GET /auth/login HTTP/1.1");
  EXPECT_EQ(recorder[1], "GET /auth/login HTTP/1.1");
  EXPECT_EQ(recorder[2], "GET /auth/config.set?REBOOT&THREAD_ID=7 HTTP/1.1");
  EXPECT_EQ(recorder[3], recorder[2]);  // asked again with the new nonce
  EXPECT_EQ(RequestLines("198.18.2.45:81", since),
            std::vector<std::string>{"GET /cgi-bin/admin/restart.cgi HTTP/1.1"});
  EXPECT_EQ(RequestLines("198.18.1.41:80", since),
            (std::vector<std::string>{"GET /cgi-bin/admin/restart.cgi HTTP/1.1",
                                      "GET /cgi-bin/reboot.cgi HTTP/1.1"}));
}

TEST_F(MaintenanceCommands, FactoryDefaultIsCgiForEveryProject) {
  const double since = testing::SteadySeconds();
  const std::vector<tRowSelected> selection{{0, 1}, {0, 2}, {0, 5}};
  const std::vector<int> rows{1, 2, 5};
  RunReset(ResetCommand::kFactoryDefault, ResetTargets(table_, selection),
           Run([&](const tJobOutcome& o) { WriteResetOutcome(table_.grid, rows, o); }));
  window_.RunPending();
  EXPECT_EQ(Firmware(1), "Default OK");
  EXPECT_EQ(Firmware(2), "Default OK");  // through partialdefault.cgi
  EXPECT_EQ(RequestLines("198.18.1.41:80", since).back(), "GET /cgi-bin/partialdefault.cgi HTTP/1.1");
  EXPECT_EQ(RequestLines("198.18.2.44:8080", since),
            std::vector<std::string>{"GET /cgi-bin/admin/factorydefault.cgi HTTP/1.1"});
}

// Batch grid rows 1 to 3 are the devices Port1, Port2 and Port3.
std::vector<tGridTarget> ApiTargets() {
  std::vector<tGridTarget> out;
  for (int row = 1; row <= 3; ++row)
    out.push_back({row, row, kDevices[5 + row].ip, kDevices[5 + row].port, {}, {}});
  return out;
}

TEST_F(MaintenanceCommands, ApiCommandNumbersEachDeviceInTurn) {
  const double since = testing::SteadySeconds();
  std::map<int, std::string> results;
  RunSendAPICmd(ApiTargets(), {"cgi-bin/admin/setport.cgi?http=%d", ApiNumbering::kIncrement, "8000"},
                Run([&](const tJobOutcome& o) { results[o.row] = o.result; }));
  window_.RunPending();
  const std::map<int, std::string> ok{
      {1, "Send API Cmd OK"}, {2, "Send API Cmd OK"}, {3, "Send API Cmd OK"}};
  EXPECT_EQ(results, ok);
  for (int row = 1; row <= 3; ++row)
    EXPECT_EQ(RequestLines(std::string(kDevices[5 + row].ip) + ":80", since),
              std::vector<std::string>{"GET /cgi-bin/admin/setport.cgi?http=" +
                                       std::to_string(7999 + row) + " HTTP/1.1"});
}

TEST_F(MaintenanceCommands, DefaultTestCountsAsSentWhenTheDeviceHangsUpOrFallsSilent) {
  std::map<int, std::string> results;
  const auto start = std::chrono::steady_clock::now();
  RunSendAPICmd(ApiTargets(), {"cgi-bin/kesttest/default_test.cgi", ApiNumbering::kNoChange, ""},
                Run([&](const tJobOutcome& o) { results[o.row] = o.result; }));
  window_.RunPending();
  const std::map<int, std::string> ok{
      {1, "Send API Cmd OK"}, {2, "Send API Cmd OK"}, {3, "Send API Cmd OK"}};
  EXPECT_EQ(results, ok);  // row 2 stays silent: its first quiet half second ends it
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace scanvale
