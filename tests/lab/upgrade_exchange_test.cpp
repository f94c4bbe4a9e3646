// Firmware upgrades and configuration uploads against simulated devices: the path each device
// takes, what it received byte for byte (request heads in the record, bodies in the files the
// simulator stored), how each failure shows, and fifteen devices run in batches of seven.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "maintenance/batch_starter.h"
#include "maintenance/upgrade_run.h"
#include "support/devsim.h"
#include "support/dispatcher.h"
#include "support/lab_guard.h"

namespace scanvale {

void PrintTo(const tUpgradeStatus& s, std::ostream* out) {
  *out << "{" << s.index << ", " << s.ip << ", " << (s.everyRowOfIp ? "every row" : "own row")
       << ", \"" << s.text << "\"}";
}

namespace {

using namespace std::chrono_literals;
using testing::DevSim;
using testing::DevSimRecord;

constexpr const char* kBoundary = "---------------------------7db2a13320374";
constexpr const char* kAuth = "YWRtaW46ODYyOQ==";  // admin:8629

std::string Device(int last, const std::string& web, int link = 0,
                   const std::string& credentials = R"({"id": "admin", "password": "8629"})") {
  const std::string subnet = link == 0 ? "198.18.1." : "198.18.2.";
  char mac[32];
  std::snprintf(mac, sizeof mac, "00:1A:2B:00:%02X:%02X", link, last);
  return R"({"name": "D)" + std::to_string(last) + R"(", "proj": "IP-Cam", "ip": ")" + subnet +
         std::to_string(last) + R"(", "trigger_port": "80", "mac": ")" + mac +
         R"(", "link": )" + std::to_string(link) + R"(, "credentials": )" + credentials +
         R"(, "web": )" + web + "}";
}

std::string Site() {
  std::vector<std::string> devices = {
      Device(50, R"({"platform": "GENERIC"})"),
      Device(51, R"({"platform": "A5S55", "build_date": "Sep 1 2011"})"),
      Device(52, R"({"platform": "A5S66", "build_date": "Oct 12 2011"})"),
      Device(53, R"({"platform": "A5S88", "build_date": "Jun 1 2012", "ptz": "P/T/Z"})"),
      Device(54, R"({"platform": "Unkown type"})"),
      Device(55, R"({})"),
      Device(56, R"({"fallback": true})"),
      Device(57, R"({})", 0, R"({"id": "admin", "password": "other"})"),
      Device(58, R"({"upload": "503"})"),
      Device(59, R"({"upload": "invalid"})"),
      Device(60, R"({"upload": "hangup"})"),
      Device(61, R"({"mode": "refuse"})"),
      Device(62, R"({"platform": "A5S55", "build_date": "Sep 1 2011", "doupgrade": "503"})"),
      Device(63, R"({"before_upgrade": "deny"})"),
  };
  // Fifteen for the batches; one of the first seven answers slowly.
  for (int i = 0; i < 15; ++i)
    devices.push_back(Device(10 + i, i == 3 ? R"({"delay_ms": 400})" : R"({})", 1));
  std::string site = R"({"devices": [)";
  for (std::size_t i = 0; i < devices.size(); ++i) site += (i ? ",\n" : "") + devices[i];
  return site + "]}";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<tUpgradeStatus> ByIndex(std::vector<tUpgradeStatus> statuses) {
  std::sort(statuses.begin(), statuses.end(),
            [](const tUpgradeStatus& a, const tUpgradeStatus& b) { return a.index < b.index; });
  return statuses;
}

// The request head of a record (a small upload's record holds its body too).
std::string Head(const DevSimRecord& r) { return r.bytes.substr(0, r.bytes.find("\r\n\r\n") + 4); }

std::string RequestLine(const DevSimRecord& r) { return r.bytes.substr(0, r.bytes.find("\r\n")); }

class FakeProgress final : public UploadProgress {
 public:
  void AdvanceBy(int step) override { total += step; }
  void SetStatusText(const std::string& text) override {
    std::lock_guard lock(mutex);
    lines.push_back(text);
  }
  std::atomic<int> total{0};
  std::mutex mutex;
  std::vector<std::string> lines;
};

class RecordingPrompter final : public ExchangePrompter {
 public:
  void ShowMessage(const ExchangeMessage& message) override { shown.push_back(message.Text()); }
  std::vector<std::string> shown;
};

struct RunResult {
  std::vector<std::string> messages;
  std::vector<tUpgradeStatus> statuses;
  std::vector<int> doneAtTicks;  // the starter's count of ended workers after each tick
  int progress = 0;
  std::vector<std::string> statusLines;
  bool uploaded = false;
};

// One run as the dialog makes it, with the progress window's ticks played faster.
RunResult RunUpgrade(UpgradeMode mode, const std::vector<tMultiSelectInfo>& devices, bool multi,
                     const std::string& path, const std::string& name) {
  QueueDispatcher dispatcher;
  RecordingPrompter prompter;
  FakeProgress progress;
  RunResult result;
  tUpgradeSettings settings;
  settings.mode = mode;
  settings.filePath = path;
  settings.fileName = name;
  settings.user = "admin";
  settings.password = "8629";
  settings.progress = &progress;
  settings.prompts = {&dispatcher, &prompter};
  settings.showStatus = [&](const tUpgradeStatus& s) { result.statuses.push_back(s); };
  {
    CUpgradeRun run(std::move(settings), devices, multi);
    CBatchStarter starter(run.Workers());
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    for (;;) {
      const BatchTick tick = starter.Tick();
      result.doneAtTicks.push_back(starter.WorkersDone());
      dispatcher.RunPending(20ms);
      if (tick == BatchTick::kAllEnded) break;
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the run did not end";
        break;
      }
    }
    result.uploaded = run.Uploaded();
  }
  dispatcher.RunPending();
  result.messages = prompter.shown;
  result.progress = progress.total;
  result.statusLines = progress.lines;
  return result;
}

RunResult RunOne(UpgradeMode mode, const std::string& ip, const std::string& path,
                 const std::string& name) {
  return RunUpgrade(mode, {{ip, "80", 1}}, false, path, name);
}

class UpgradeExchange : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!::scanvale::testing::InsideLab()) return;
    sim_ = new DevSim(Site());
    dir_ = new std::filesystem::path(std::filesystem::path(sim_->folder()) / "files");
    std::filesystem::create_directories(*dir_);
    // Every byte value, CR LF pairs and boundary-like text among them.
    std::mt19937 random(7);
    std::string bytes(200 * 1024 + 17, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    bytes.replace(5000, 60, std::string("\r\n--") + kBoundary + "--\r\n\0\r\n\r\n");
    firmware_ = bytes;
    for (const char* name : {"uImage", "main.bin", "a.bin", "config_file_01"})
      std::ofstream(*dir_ / name, std::ios::binary) << bytes;
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    SCANVALE_REQUIRE_LAB();
    ASSERT_TRUE(sim_ && sim_->running());
    since_ = testing::SteadySeconds();
  }

  static std::string File(const std::string& name) { return (*dir_ / name).string(); }

  // The requests `ip` received since the test began.
  std::vector<DevSimRecord> Requests(const std::string& ip) const {
    std::vector<DevSimRecord> out;
    for (const DevSimRecord& r : sim_->Records())
      if (r.proto == "http" && r.dst == ip + ":80" && r.t >= since_) out.push_back(r);
    return out;
  }
  std::vector<std::string> RequestLines(const std::string& ip) const {
    std::vector<std::string> out;
    for (const DevSimRecord& r : Requests(ip)) out.push_back(RequestLine(r));
    return out;
  }

  // The body of the newest upload `ip` stored.
  static std::string LastBody(const std::string& ip) {
    int newest = 0;
    const std::string prefix = ip + "_80_";
    for (const auto& entry : std::filesystem::directory_iterator(sim_->folder() + "/uploads")) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(prefix) && name.ends_with(".body"))
        newest = std::max(newest, std::stoi(name.substr(prefix.size())));
    }
    return newest ? ReadAll(sim_->folder() + "/uploads/" + prefix + std::to_string(newest) + ".body")
                  : std::string();
  }

  static std::string ExpectedBody(const std::string& part, const std::string& name) {
    return std::string("--") + kBoundary + "\r\n" +
           "Content-Disposition: form-data; name=\"" + part + "\"; filename=\"" + name + "\"\r\n" +
           "Content-Type: application/octet-stream\r\n\r\n" + firmware_ + "\r\n--" + kBoundary +
           "--\r\n";
  }

  static DevSim* sim_;
  static std::filesystem::path* dir_;
  static std::string firmware_;
  double since_ = 0;
};

DevSim* UpgradeExchange::sim_ = nullptr;
std::filesystem::path* UpgradeExchange::dir_ = nullptr;
std::string UpgradeExchange::firmware_;

TEST_F(UpgradeExchange, ApiPathSendsTheFileByteForByte) {
  const RunResult r = RunOne(UpgradeMode::kFirmware, "198.18.1.50", File("uImage"), "uImage");
  EXPECT_EQ(r.messages, std::vector<std::string>{"Upload finished!"});
  EXPECT_TRUE(r.uploaded);
  EXPECT_EQ(r.progress, 10 + 10 + 10 + 60);
  EXPECT_EQ(r.statusLines, (std::vector<std::string>{"Verifying...", "Verifying...", "Uploading..."}));

  const auto requests = Requests("198.18.1.50");
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].bytes,
            "GET http://198.18.1.50/cgi-bin/admin/getplatform.cgi HTTP/1.1\r\n"
            "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Accept-Language: zh-TW\r\n"
            "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Host: 198.18.1.50\r\n"
            "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
  EXPECT_EQ(RequestLine(requests[1]), "GET /cgi-bin/admin/beforeupgrade.cgi HTTP/1.1");
  const std::string length = std::to_string(firmware_.size() + 6 + 193);
  EXPECT_EQ(Head(requests[2]),
            "POST /cgi-bin/admin/firmwareupgrade.cgi?filename=uImage HTTP/1.1\r\n"
            "Accept-Language: en-US\r\n"
            "Content-Type: multipart/form-data; boundary=---------------------------7db2a13320374\r\n"
            "User-Agent: Mozilla/4.0\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Host: 198.18.1.50\r\n"
            "Content-Length: " + length + "\r\n"
            "Cache-Control: no-cache\r\n"
            "Authorization: Basic " + kAuth + "\r\n\r\n");
  EXPECT_TRUE(LastBody("198.18.1.50") == ExpectedBody("dummy", "uImage"));
  EXPECT_TRUE(requests[2].bytes == Head(requests[2]) + ExpectedBody("dummy", "uImage"));
}

TEST_F(UpgradeExchange, FiveCharacterNameAnnouncesSizePlus198) {
  const RunResult r = RunOne(UpgradeMode::kFirmware, "198.18.1.55", File("a.bin"), "a.bin");
  EXPECT_EQ(r.messages, std::vector<std::string>{"Upload finished!"});
  const auto requests = Requests("198.18.1.55");
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_NE(requests[2].bytes.find("\r\nContent-Length: " + std::to_string(firmware_.size() + 198) +
                                   "\r\n"),
            std::string::npos);
  const std::string body = LastBody("198.18.1.55");
  EXPECT_EQ(body.size(), firmware_.size() + 198);
  EXPECT_TRUE(body == ExpectedBody("dummy", "a.bin"));
}

TEST_F(UpgradeExchange, OldA5sFirmwareTakesTheUiPath) {
  const RunResult r = RunOne(UpgradeMode::kFirmware, "198.18.1.51", File("uImage"), "uImage");
  EXPECT_EQ(r.messages, std::vector<std::string>{"Upload finished!"});
  EXPECT_EQ(r.progress, 10 + 10 + 10 + 60 + 60);  // the trigger is a POST in one chunk too
  EXPECT_EQ(RequestLines("198.18.1.51"),
            (std::vector<std::string>{
                "GET http://198.18.1.51/cgi-bin/admin/getplatform.cgi HTTP/1.1",
                "GET http://198.18.1.51/cgi-bin/admin/param.cgi?action=list&group=Properties HTTP/1.1",
                "GET /cgi-bin/begintoupgrade.cgi HTTP/1.1", "POST /cgi-bin/upload.cgi HTTP/1.1",
                "POST /cgi-bin/doupgrade.cgi HTTP/1.1"}));
  const auto requests = Requests("198.18.1.51");
  ASSERT_EQ(requests.size(), 5u);
  const std::string uiHead =
      "Accept: text/html, application/xhtml+xml, */*\r\n"
      "Referer: http://198.18.1.51/cgi-bin/server_upgrade.cgi\r\n"
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n";
  EXPECT_EQ(Head(requests[3]),
            "POST /cgi-bin/upload.cgi HTTP/1.1\r\n" + uiHead +
                "Content-Type: multipart/form-data; boundary=---------------------------7db2a13320374\r\n"
                "Accept-Encoding: gzip, deflate\r\n"
                "Host: 198.18.1.51\r\n"
                "Content-Length: " + std::to_string(firmware_.size() + 6 + 196) + "\r\n"
                "Cache-Control: no-cache\r\n"
                "Authorization: Basic " + kAuth + "\r\n\r\n");
  EXPECT_TRUE(LastBody("198.18.1.51") == ExpectedBody("filename", "uImage"));
  EXPECT_EQ(requests[4].bytes,
            "POST /cgi-bin/doupgrade.cgi HTTP/1.1\r\n" + uiHead +
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Accept-Encoding: gzip, deflate\r\n"
                "Host: 198.18.1.51\r\n"
                "Content-Length: 0\r\n"
                "Cache-Control: no-cache\r\n"
                "Authorization: Basic " + kAuth + "\r\n\r\n");
}

TEST_F(UpgradeExchange, PathChoiceAndTheTooOldRuleFollowTheCheck) {
  struct Case {
    const char* ip;
    const char* name;
    std::vector<std::string> lines;  // after the check requests
    const char* message;
  };
  const Case cases[] = {
      // A5S, Oct 12 2011, no PTZ mark: main.bin is refused after the check alone.
      {"198.18.1.52", "main.bin", {}, "FW ver. is too old to upload module.bin / switch.bin / main.bin."},
      // The same device takes another file by the API path.
      {"198.18.1.52", "uImage",
       {"GET /cgi-bin/admin/beforeupgrade.cgi HTTP/1.1",
        "POST /cgi-bin/admin/firmwareupgrade.cgi?filename=uImage HTTP/1.1"},
       "Upload finished!"},
      // A5S, June 2012 with P/T/Z: main.bin is allowed, by the API path.
      {"198.18.1.53", "main.bin",
       {"GET /cgi-bin/admin/beforeupgrade.cgi HTTP/1.1",
        "POST /cgi-bin/admin/firmwareupgrade.cgi?filename=main.bin HTTP/1.1"},
       "Upload finished!"},
      // "Unkown type" counts as the UI path, and its firmware as too old for main.bin.
      {"198.18.1.54", "main.bin", {}, "FW ver. is too old to upload module.bin / switch.bin / main.bin."},
      {"198.18.1.54", "uImage",
       {"GET /cgi-bin/begintoupgrade.cgi HTTP/1.1", "POST /cgi-bin/upload.cgi HTTP/1.1",
        "POST /cgi-bin/doupgrade.cgi HTTP/1.1"},
       "Upload finished!"},
  };
  for (const Case& c : cases) {
    since_ = testing::SteadySeconds();
    const RunResult r = RunOne(UpgradeMode::kFirmware, c.ip, File(c.name), c.name);
    EXPECT_EQ(r.messages, std::vector<std::string>{c.message}) << c.ip << " " << c.name;
    std::vector<std::string> lines = RequestLines(c.ip);
    const std::size_t checks = std::string(c.ip) == "198.18.1.54" ? 1 : 2;  // no param.cgi
    ASSERT_GE(lines.size(), checks) << c.ip;
    EXPECT_TRUE(lines[0].find("/cgi-bin/admin/getplatform.cgi") != std::string::npos);
    lines.erase(lines.begin(), lines.begin() + static_cast<long>(checks));
    EXPECT_EQ(lines, c.lines) << c.ip << " " << c.name;
  }
}

TEST_F(UpgradeExchange, ConfigurationGoesWhereTheVersionQuerySays) {
  struct Case {
    const char* ip;
    const char* target;
  };
  for (const Case& c : {Case{"198.18.1.55", "/cgi-bin/admin/restore.cgi?filename=config_file_01"},
                        Case{"198.18.1.56", "/cgi-bin/restore_config.cgi?filename=config_file_01"}}) {
    since_ = testing::SteadySeconds();
    const RunResult r =
        RunOne(UpgradeMode::kConfig, c.ip, File("config_file_01"), "config_file_01");
    EXPECT_EQ(r.messages, std::vector<std::string>{"Upload finished!"}) << c.ip;
    EXPECT_EQ(r.progress, 10 + 10 + 60) << c.ip;
    EXPECT_EQ(RequestLines(c.ip),
              (std::vector<std::string>{
                  std::string("GET http://") + c.ip + "/cgi-bin/admin/getplatform.cgi HTTP/1.1",
                  "GET /cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version HTTP/1.1",
                  std::string("POST ") + c.target + " HTTP/1.1"}));
    EXPECT_TRUE(LastBody(c.ip) == ExpectedBody("dummy", "config_file_01")) << c.ip;
  }
}

TEST_F(UpgradeExchange, EachFailureShowsItsMessage) {
  struct Case {
    UpgradeMode mode;
    const char* ip;
    std::vector<std::string> messages;
    bool uploaded;
  };
  const Case cases[] = {
      {UpgradeMode::kFirmware, "198.18.1.57", {"Login failed!"}, false},   // wrong password
      {UpgradeMode::kFirmware, "198.18.1.63", {"Login failed!"}, false},   // announcement refused
      {UpgradeMode::kFirmware, "198.18.1.61", {"Login failed!"}, false},   // nothing listens
      {UpgradeMode::kFirmware, "198.18.1.58", {"Upload failed!"}, false},  // 503 to the POST
      {UpgradeMode::kFirmware, "198.18.1.59", {"Invalid file!", "Upload failed!"}, false},
      {UpgradeMode::kFirmware, "198.18.1.62", {"Upload failed!"}, false},  // trigger refused
      {UpgradeMode::kFirmware, "198.18.1.60", {"Upload finished!"}, true},  // closes at once
      {UpgradeMode::kConfig, "198.18.1.51", {"Login failed!"}, false},     // check gave 1
  };
  for (const Case& c : cases) {
    const std::string name = c.mode == UpgradeMode::kConfig ? "config_file_01" : "uImage";
    const RunResult r = RunOne(c.mode, c.ip, File(name), name);
    EXPECT_EQ(r.messages, c.messages) << c.ip;
    EXPECT_EQ(r.uploaded, c.uploaded) << c.ip;
  }
}

TEST_F(UpgradeExchange, SeveralDevicesShowTheirStatusesInTheirRows) {
  const RunResult restricted =
      RunUpgrade(UpgradeMode::kFirmware, {{"198.18.1.52", "80", 1}, {"198.18.1.53", "80", 1}}, true,
                 File("main.bin"), "main.bin");
  EXPECT_TRUE(restricted.messages.empty());
  EXPECT_TRUE(restricted.uploaded);
  EXPECT_EQ(ByIndex(restricted.statuses), (std::vector<tUpgradeStatus>{
                                              {0, "198.18.1.52", false, "FW is too old."},
                                              {1, "198.18.1.53", false, "Upload finished!"}}));

  const RunResult failing = RunUpgrade(
      UpgradeMode::kFirmware,
      {{"198.18.1.57", "80", 1}, {"198.18.1.58", "80", 1}, {"198.18.1.57", "80", 1}}, true,
      File("uImage"), "uImage");
  EXPECT_TRUE(failing.messages.empty());
  EXPECT_FALSE(failing.uploaded);
  EXPECT_EQ(ByIndex(failing.statuses), (std::vector<tUpgradeStatus>{
                                           {0, "198.18.1.57", true, "Login failed!"},
                                           {1, "198.18.1.58", false, "Upload failed!"},
                                           {2, "198.18.1.57", true, "Login failed!"}}));

  const RunResult config = RunUpgrade(UpgradeMode::kConfig,
                                      {{"198.18.1.51", "80", 1}, {"198.18.1.55", "80", 1}}, true,
                                      File("config_file_01"), "config_file_01");
  EXPECT_EQ(ByIndex(config.statuses), (std::vector<tUpgradeStatus>{
                                {0, "198.18.1.51", true, "Upload failed!"},
                                {1, "198.18.1.55", false, "Upload finished!"}}));
}

TEST_F(UpgradeExchange, AnUnreadableFileFailsBeforeTheDeviceHearsAnything) {
  for (const std::string& path : {File("missing.bin"), dir_->string()}) {
    since_ = testing::SteadySeconds();
    const RunResult single = RunOne(UpgradeMode::kFirmware, "198.18.1.50", path, "uImage");
    EXPECT_EQ(single.messages, std::vector<std::string>{"Upload failed!"}) << path;
    const RunResult multi = RunUpgrade(UpgradeMode::kConfig, {{"198.18.1.55", "80", 1}, {"198.18.1.56", "80", 1}},
                                       true, path, "config_file_01");
    EXPECT_EQ(multi.statuses.size(), 2u);
    for (const tUpgradeStatus& s : multi.statuses) EXPECT_EQ(s.text, "Upload failed!");
    EXPECT_TRUE(Requests("198.18.1.50").empty()) << path;
    EXPECT_TRUE(Requests("198.18.1.55").empty()) << path;
  }
}

TEST_F(UpgradeExchange, FifteenDevicesRunAsSevenSevenAndOne) {
  std::vector<tMultiSelectInfo> devices;
  for (int i = 0; i < 15; ++i) devices.push_back({"198.18.2." + std::to_string(10 + i), "80", 1});
  const RunResult r = RunUpgrade(UpgradeMode::kFirmware, devices, true, File("uImage"), "uImage");

  // The count of ended workers only ever moves by whole batches.
  std::vector<int> steps = r.doneAtTicks;
  steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
  EXPECT_EQ(steps.front() == 0 ? std::vector<int>(steps.begin() + 1, steps.end()) : steps,
            (std::vector<int>{7, 14, 15}));

  ASSERT_EQ(r.statuses.size(), 15u);
  for (const tUpgradeStatus& s : r.statuses) EXPECT_EQ(s.text, "Upload finished!") << s.ip;
  EXPECT_EQ(r.progress, 15 * (60 / 15));  // the steps of 10 add nothing with 15 devices

  // Each batch's first request comes after the previous batch's last one.
  auto first = [&](int i) {
    return Requests(devices[i].ip).front().t;
  };
  auto last = [&](int i) {
    return Requests(devices[i].ip).back().t;
  };
  for (int i = 0; i < 15; ++i) {
    ASSERT_EQ(Requests(devices[i].ip).size(), 3u) << devices[i].ip;
    EXPECT_TRUE(LastBody(devices[i].ip) == ExpectedBody("dummy", "uImage")) << devices[i].ip;
  }
  double batch1End = 0, batch2Start = 1e18, batch2End = 0;
  for (int i = 0; i < 7; ++i) batch1End = std::max(batch1End, last(i));
  for (int i = 7; i < 14; ++i) {
    batch2Start = std::min(batch2Start, first(i));
    batch2End = std::max(batch2End, last(i));
  }
  EXPECT_GT(batch2Start, batch1End);
  EXPECT_GT(first(14), batch2End);
}

}  // namespace
}  // namespace scanvale
