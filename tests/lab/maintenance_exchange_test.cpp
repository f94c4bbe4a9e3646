// The HTTP exchange against simulated devices: what the devices received byte for byte, the
// Digest login against the device's own check, and how each way a device can fail ends an
// exchange (refusing, silent, hanging up, closing at once, streaming without end).

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "maintenance/coordinator.h"
#include "maintenance/digest_auth.h"
#include "maintenance/http_exchange.h"
#include "maintenance/http_request.h"
#include "maintenance/kest_jobs.h"
#include "maintenance/kest_thread.h"
#include "protocol/diag_log.h"
#include "protocol/socket.h"
#include "support/devsim.h"
#include "support/dispatcher.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::DevSim;
using testing::DevSimRecord;

// One site for the whole suite: starting the simulator once keeps the suite fast.
constexpr const char* kSite = R"({
  "devices": [
    {"name": "Cam", "model": "IPC-2210", "proj": "IP-Cam", "ip": "198.18.1.20",
     "trigger_port": "80", "mac": "00:1A:2B:00:00:20", "link": 0,
     "credentials": {"id": "admin", "password": "8629"},
     "web": {"firmware": "V2.1.7", "build_date": "Sep 30 2011"}},
    {"name": "Refuser", "proj": "IP-Cam", "ip": "198.18.1.21", "trigger_port": "80",
     "mac": "00:1A:2B:00:00:21", "link": 0, "web": {"mode": "refuse"}},
    {"name": "Silent", "proj": "IP-Cam", "ip": "198.18.1.22", "trigger_port": "80",
     "mac": "00:1A:2B:00:00:22", "link": 0, "web": {"mode": "silent"}},
    {"name": "Hangup", "proj": "IP-Cam", "ip": "198.18.1.23", "trigger_port": "80",
     "mac": "00:1A:2B:00:00:23", "link": 0, "web": {"mode": "hangup"}},
    {"name": "Stream", "proj": "IP-Cam", "ip": "198.18.1.24", "trigger_port": "80",
     "mac": "00:1A:2B:00:00:24", "link": 0, "web": {"mode": "stream"}},
    {"name": "Recorder", "model": "DVR-8", "proj": "DVR", "ip": "198.18.2.25",
     "trigger_port": "8080", "mac": "00:1A:2B:00:00:25", "link": 1,
     "credentials": {"id": "admin", "password": "8629"}, "web": {"thread_id": "7"}},
    {"name": "Closer", "proj": "IP-Cam", "ip": "198.18.1.27", "trigger_port": "80",
     "mac": "00:1A:2B:00:00:27", "link": 0, "web": {"mode": "close"}}
  ]
})";

class MaintenanceExchange : public ::testing::Test {
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
  }

  // The requests the device at `dst` ("ip:port") received, in arrival order.
  static std::vector<std::string> ReceivedBy(const std::string& dst, std::size_t atLeast = 1) {
    std::vector<std::string> out;
    for (const DevSimRecord& r : sim_->WaitForRecords(atLeast, 3s, [&](const DevSimRecord& r) {
           return r.proto == "http" && r.dst == dst;
         }))
      out.push_back(r.bytes);
    return out;
  }

  static DevSim* sim_;
};

DevSim* MaintenanceExchange::sim_ = nullptr;

std::size_t CountLogLines(const std::string& needle) {
  const auto lines = DiagLog::Recent();
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.find(needle) != std::string::npos;
  }));
}

// Threads of this process. A sanitizer runtime starts a helper thread of its own with the
// first thread the process makes, so a warm-up thread comes first.
int ThreadCount() {
  static const bool warmed = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmed;
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}

TEST_F(MaintenanceExchange, DevicesReceiveEachHeaderSetByteForByte) {
  const std::string auth = MakeBasicAuth("admin", "8629");
  const std::string a = MakeRequestSetA(
      MakeGetLine("/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version"),
      "198.18.1.20", auth);
  tLinkContext link;
  EXPECT_EQ(CreateLink(link, "198.18.1.20", "80", a), 1);  // "200 OK"
  EXPECT_NE(link.m_Reply.find("root.Properties.Firmware.Version=V2.1.7\r\n"), std::string::npos);

  const std::string b = MakeRequestSetB(MakeGetLine("/cgi-bin/admin/restart.cgi"), "198.18.1.20", auth);
  tLinkContext api;
  EXPECT_EQ(CreateLinkAPI(api, "198.18.1.20", "80", b), 1);

  const std::string c = MakeRequestSetC(MakeGetLine("/auth/login"), "198.18.2.25");
  tLinkContext digest;
  CreateLink(digest, "198.18.2.25", "8080", c);

  const auto cam = ReceivedBy("198.18.1.20:80", 2);
  ASSERT_EQ(cam.size(), 2u);
  EXPECT_EQ(cam[0], a);
  EXPECT_EQ(cam[1], b);
  const auto recorder = ReceivedBy("198.18.2.25:8080");
  ASSERT_EQ(recorder.size(), 1u);
  EXPECT_EQ(recorder[0], c);  // "Host:" carries the address alone, not ":8080"
}

TEST_F(MaintenanceExchange, UploadBodyIsStreamedInChunksAndArrivesWhole) {
  char path[] = "/tmp/scanvale_fw_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string firmware;
  for (int i = 0; i < 200000; ++i) firmware.push_back(static_cast<char>((i * 31) & 0xff));
  std::ofstream(path, std::ios::binary) << firmware;

  SegmentedBody body;
  body.AddBytes("--B\r\n");
  ASSERT_EQ(body.AddFile(path), 0);
  body.AddBytes("\r\n--B--\r\n");
  const std::string request = "POST /cgi-bin/admin/firmwareupgrade.cgi?filename=fw.bin HTTP/1.1\r\n"
                              "Host: 198.18.1.20\r\nContent-Length: " +
                              std::to_string(body.Size()) + "\r\nAuthorization: Basic " +
                              MakeBasicAuth("admin", "8629") + "\r\n\r\n";
  std::vector<int> steps;
  tUploadProgress progress{true, 3, [&steps](int step) { steps.push_back(step); }};
  tLinkContext link;
  link.m_Command = "POST";
  EXPECT_EQ(CreateUploadLink(link, "198.18.1.20", "80", request, &body, progress), 1);
  std::remove(path);

  const auto cam = ReceivedBy("198.18.1.20:80");
  ASSERT_FALSE(cam.empty());
  EXPECT_EQ(cam.back(), request + "--B\r\n" + firmware + "\r\n--B--\r\n");
  EXPECT_EQ(steps, std::vector<int>{20});  // the last chunk adds 60, shared by three devices
}

TEST_F(MaintenanceExchange, BasicCredentialsTheDeviceRefuses) {
  tLinkContext link;
  const std::string request = MakeRequestSetA(MakeGetLine("/cgi-bin/admin/restart.cgi"),
                                              "198.18.1.20", MakeBasicAuth("admin", "wrong"));
  EXPECT_EQ(CreateLink(link, "198.18.1.20", "80", request), 0);
  EXPECT_NE(link.m_Reply.find("401 Unauthorized"), std::string::npos);
  const std::string empty = MakeRequestSetA(MakeGetLine("/cgi-bin/admin/restart.cgi"),
                                            "198.18.1.20", MakeBasicAuth("", ""));
  EXPECT_EQ(CreateLink(link, "198.18.1.20", "80", empty), 0);
  EXPECT_NE(link.m_Reply.find("nauthorized"), std::string::npos);
}

TEST_F(MaintenanceExchange, DigestLoginAndRebootPassTheDevicesOwnCheck) {
  const std::string ip = "198.18.2.25";
  tLinkContext link;
  CreateLink(link, ip, "8080", MakeRequestSetC(MakeGetLine("/auth/login"), ip));
  ASSERT_NE(link.m_Reply.find("Digest"), std::string::npos);
  tDigestChallenge challenge;
  ASSERT_EQ(ParseDigestChallenge(link.m_Reply, challenge), 0);

  // A wrong password is refused by the device's own computation.
  CreateLink(link, ip, "8080",
             MakeRequestSetC(MakeGetLine("/auth/login"), ip,
                             MakeDigestResponse(challenge, "admin", "nope", "GET", "/auth/login", 1)));
  EXPECT_NE(link.m_Reply.find("nauthorized"), std::string::npos);
  CreateLink(link, ip, "8080", MakeRequestSetC(MakeGetLine("/auth/login"), ip));
  ASSERT_EQ(ParseDigestChallenge(link.m_Reply, challenge), 0);

  const std::string r2 = MakeRequestSetC(
      MakeGetLine("/auth/login"), ip,
      MakeDigestResponse(challenge, "admin", "8629", "GET", "/auth/login", 1));
  CreateLink(link, ip, "8080", r2);
  ASSERT_NE(link.m_Reply.find("ID=[7]"), std::string::npos) << link.m_Reply;

  const std::string target = "/auth/config.set?REBOOT&THREAD_ID=7";
  CreateLink(link, ip, "8080", MakeRequestSetC(MakeGetLine(target), ip));
  ASSERT_NE(link.m_Reply.find("nauthorized"), std::string::npos);
  const std::string firstNonce = challenge.nonce;
  ASSERT_EQ(ParseDigestNonce(link.m_Reply, challenge.nonce), 0);
  EXPECT_NE(challenge.nonce, firstNonce);  // config.set asks with a nonce of its own

  const std::string r4 = MakeRequestSetC(
      MakeGetLine(target), ip, MakeDigestResponse(challenge, "admin", "8629", "GET", target, 2));
  CreateLink(link, ip, "8080", r4);
  EXPECT_NE(link.m_Reply.find("200 OK"), std::string::npos) << link.m_Reply;

  const auto received = ReceivedBy(ip + ":8080", 7);
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received[received.size() - 3], r2);
  EXPECT_EQ(received.back(), r4);
  EXPECT_NE(r2.find(",nc=00000001,"), std::string::npos);
  EXPECT_NE(r4.find(",nc=00000002,"), std::string::npos);
}

// Every failure mode at once, each on its own thread, so the suite waits for the slowest
// (about 5.5 s) instead of their sum.
TEST_F(MaintenanceExchange, EveryWayADeviceFailsEndsTheExchangeWithinItsBounds) {
  struct Outcome {
    std::int32_t code = -1;
    std::string reply;
    std::chrono::milliseconds took{};
  };
  auto run = [](auto exchange, std::string command = {}) {
    return std::async(std::launch::async, [exchange, command] {
      tLinkContext link;
      link.m_Command = command;
      link.m_Reply = "stale OK from an earlier request";
      const auto start = Clock::now();
      Outcome o;
      o.code = exchange(link);
      o.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      o.reply = link.m_Reply;
      return o;
    });
  };
  auto get = [](const char* ip, const char* target) {
    return MakeRequestSetA(MakeGetLine(target), ip, MakeBasicAuth("admin", "8629"));
  };
  auto post = [](const char* ip) {
    return std::string("POST /cgi-bin/upload.cgi HTTP/1.1\r\nHost: ") + ip +
           "\r\nContent-Length: 4\r\n\r\nDATA";
  };

  // A loopback listener whose accept queue is full drops every further handshake: a device
  // that never answers the connection attempt.
  Socket listener(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener.fd(), reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  ASSERT_EQ(listen(listener.fd(), 0), 0);
  socklen_t size = sizeof local;
  getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&local), &size);
  const std::string blackPort = std::to_string(ntohs(local.sin_port));
  std::vector<Socket> fillers;
  for (int i = 0; i < 3; ++i) {
    fillers.push_back(OpenTcpSocket(IPPROTO_TCP));
    int error = 0;
    ConnectWithin(fillers.back(), htonl(INADDR_LOOPBACK), ntohs(local.sin_port), 300ms, error);
  }

  DiagLog::ClearRecent();
  auto refused = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.21", "80", get("198.18.1.21", "/cgi-bin/admin/restart.cgi")); });
  auto refusedApi = run([&](tLinkContext& l) { return CreateLinkAPI(l, "198.18.1.21", "80", get("198.18.1.21", "/x")); });
  auto silent = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.22", "80", get("198.18.1.22", "/cgi-bin/admin/restart.cgi")); });
  auto silentDefaultTest = run([&](tLinkContext& l) {
    return CreateLinkAPI(l, "198.18.1.22", "80", get("198.18.1.22", "/cgi-bin/kesttest/default_test.cgi"));
  });
  auto silentPost = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.22", "80", post("198.18.1.22")); }, "POST");
  auto hangupPost = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.23", "80", post("198.18.1.23")); }, "POST");
  auto hangupGet = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.23", "80", get("198.18.1.23", "/cgi-bin/admin/restart.cgi")); });
  auto closer = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.27", "80", get("198.18.1.27", "/cgi-bin/admin/restart.cgi")); });
  auto stream = run([&](tLinkContext& l) { return CreateLink(l, "198.18.1.24", "80", get("198.18.1.24", "/cgi-bin/admin/param.cgi")); });
  auto black = run([&](tLinkContext& l) { return CreateLink(l, "127.0.0.1", blackPort, get("127.0.0.1", "/")); });
  auto badAddress = run([&](tLinkContext& l) { return CreateLink(l, "", "80", get("", "/")); });

  const Outcome r = refused.get();
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.reply, "");  // never the earlier request's reply
  EXPECT_GE(r.took, 500ms);  // six attempts at once, then the pause
  EXPECT_LT(r.took, 1500ms);
  EXPECT_EQ(CountLogLines("Ip[198.18.1.21] CreateLink result = 0"), 6u);
  EXPECT_EQ(CountLogLines("Ip[198.18.1.21:80] Socket:"), 6u);

  const Outcome ra = refusedApi.get();
  EXPECT_EQ(ra.code, 0);
  EXPECT_EQ(ra.reply, "");
  EXPECT_LT(ra.took, 300ms);  // one attempt, no pause

  const Outcome s = silent.get();
  EXPECT_EQ(s.code, 0);
  EXPECT_EQ(s.reply, "");
  EXPECT_GE(s.took, 5400ms);  // the eleventh silent half second ends it
  EXPECT_LT(s.took, 7000ms);

  const Outcome sd = silentDefaultTest.get();
  EXPECT_EQ(sd.code, 0);
  EXPECT_GE(sd.took, 450ms);  // "default_test": the first silent half second ends it
  EXPECT_LT(sd.took, 1500ms);

  EXPECT_EQ(silentPost.get().code, 0);  // a POST that only timed out failed
  const Outcome hp = hangupPost.get();
  EXPECT_EQ(hp.code, 1);  // the device took the body and hung up: success
  EXPECT_EQ(hp.reply, "");
  EXPECT_LT(hp.took, 2s);
  EXPECT_EQ(hangupGet.get().code, 0);  // the same without "POST" is no success

  const Outcome c = closer.get();
  EXPECT_EQ(c.code, 0);
  EXPECT_EQ(c.reply, "");

  const Outcome st = stream.get();
  EXPECT_EQ(st.reply.size(), kReplyCap);  // capped, then the exchange ends
  EXPECT_EQ(st.reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_LT(st.took, 5s);

  const Outcome b = black.get();
  EXPECT_EQ(b.code, 0);
  EXPECT_GE(b.took, 4900ms);  // the handshake gets what is left of 5 s, not minutes
  EXPECT_LT(b.took, 6500ms);
  EXPECT_EQ(CountLogLines("Ip[127.0.0.1] connect timeout."), 1u);

  const Outcome bad = badAddress.get();
  EXPECT_EQ(bad.code, 0);
  EXPECT_EQ(bad.reply, "");
  EXPECT_LT(bad.took, 100ms);
}

TEST_F(MaintenanceExchange, CoordinatorAndJobsAllEndAndLeaveNoThread) {
  const int before = ThreadCount();
  QueueDispatcher window;
  std::vector<tJobOutcome> outcomes;
  bool restored = false;
  {
    CoordinatorSet coordinators;
    coordinators.Start(
        [&window, &outcomes] {
          const char* ips[] = {"198.18.1.20", "198.18.1.21", "198.18.1.27", "198.18.1.24"};
          std::vector<std::unique_ptr<CKestThread_this>> jobs;
          for (int row = 0; row < 4; ++row)
            jobs.push_back(std::make_unique<CKestThread_this>(
                tJobTarget{row + 1, ips[row], "80", "", "admin", "8629"}, JobKind::kGetFWVer,
                [](CKestThread_this& job) {
                  job.Exchange(job.RequestA(MakeGetLine(
                      "/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version")));
                  job.m_Result = job.ReplyHas("V2.1.7") ? "V2.1.7" : "unknown";
                }));
          CollectJobs(jobs, window, [&outcomes](const tJobOutcome& o) { outcomes.push_back(o); });
        },
        &window, [&restored] { restored = true; });
    const auto deadline = Clock::now() + 15s;
    while (!restored && Clock::now() < deadline) window.RunPending(50ms);
    EXPECT_TRUE(restored);
  }
  ASSERT_EQ(outcomes.size(), 4u);
  std::sort(outcomes.begin(), outcomes.end(),
            [](const tJobOutcome& a, const tJobOutcome& b) { return a.row < b.row; });
  EXPECT_EQ(outcomes[0].result, "V2.1.7");
  EXPECT_EQ(outcomes[1].result, "unknown");
  EXPECT_EQ(outcomes[2].result, "unknown");
  EXPECT_EQ(outcomes[3].result, "unknown");
  EXPECT_EQ(ThreadCount(), before);
}

}  // namespace
}  // namespace scanvale
