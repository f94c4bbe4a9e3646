// The relay host's device page fetched over the lab: the request as sent, the pages relay
// hosts serve (a table, "No available items", a redirect, an error page), and the pages no
// host should serve (one that never ends, 10 MiB, a megabyte-long line) within their bounds.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "discovery/discovery_hooks.h"
#include "discovery/relay_page.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::DevSim;
using testing::DevSimRecord;

constexpr const char* kSite = R"json({
  "devices": [
    {"name": "lobby", "model": "VS-100", "proj": "IP-Cam", "ip": "198.18.1.10",
     "trigger_port": "80", "netmask": "255.255.255.0", "mac": "02:00:00:00:01:10", "link": 0},
    {"name": "rack", "model": "DVR-8", "proj": "DVR", "ip": "198.18.1.11",
     "trigger_port": "8080", "netmask": "255.255.255.0", "mac": "02:00:00:00:01:11", "link": 0}
  ],
  "relay_pages": [
    {"ip": "198.18.1.30", "link": 0, "devices": "all",
     "rows": [["NVR-4", "NVR", "short row", "198.18.1.12", "81"]]},
    {"ip": "198.18.1.31", "link": 0, "page": "none"},
    {"ip": "198.18.2.32", "link": 1, "page": "redirect",
     "redirect_to": "http://198.18.1.30/device.get?DeviceType=ALL"},
    {"ip": "198.18.1.33", "link": 0, "page": "hang", "devices": "all"},
    {"ip": "198.18.1.34", "link": 0, "page": "huge", "size": 10485760},
    {"ip": "198.18.1.35", "link": 0, "page": "longline", "cells": 60000},
    {"ip": "198.18.3.36", "link": 2, "page": "raw", "status": 404,
     "body": "<html><head><title>404</title></head>\r\n<body>\r\n<h1>Not Found</h1>\r\n<p>no such page</p>\r\n</body></html>\r\n"},
    {"ip": "198.18.1.37", "link": 0, "port": 8080, "devices": ["rack"]}
  ]})json";

std::vector<std::string> Names(const DeviceTable& table) {
  std::vector<std::string> names;
  for (const auto& r : table.m_DeviceList) names.emplace_back(FieldText(r.name));
  return names;
}

class RelayPageLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = new DevSim(kSite); }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    SCANVALE_REQUIRE_LAB();
    ASSERT_TRUE(sim_->running());
  }
  static DevSim* sim_;
};
DevSim* RelayPageLab::sim_ = nullptr;

TEST_F(RelayPageLab, TheTablePageListsItsDevicesInRowOrder) {
  DeviceTable table;
  EXPECT_EQ(RunHttpRelaySearch("198.18.1.30", "ALL", table), 0);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"lobby", "rack", "short row"}));
  ASSERT_EQ(table.grid.DeviceRowCount(), 3);
  EXPECT_EQ(table.grid.Row(2), (GridRow{"DVR-8", "DVR", "rack", "198.18.1.11", "8080",
                                        "255.255.255.0", "02:00:00:00:01:11", ""}));
  EXPECT_EQ(table.grid.Cell(kColMac, 3), "");
  EXPECT_EQ(FieldText(table.m_DeviceList.back().netmask), "");

  // The request is the GET a browser sends, with the filter as the device type.
  const auto requests = sim_->WaitForRecords(1, 2s, [](const DevSimRecord& r) {
    return r.proto == "http" && r.dst == "198.18.1.30:80";
  });
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().bytes.substr(0, requests.back().bytes.find("\r\n")),
            "GET /device.get?DeviceType=ALL HTTP/1.1");
  EXPECT_NE(requests.back().bytes.find("\r\nHost: 198.18.1.30\r\n"), std::string::npos);
}

TEST_F(RelayPageLab, FilterAndPortAreTheRelayBoxesText) {
  DeviceTable table;
  EXPECT_EQ(RunHttpRelaySearch("198.18.1.30", "DVR", table), 0);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"rack", "short row"}));
  DeviceTable onPort;
  EXPECT_EQ(RunHttpRelaySearch("198.18.1.37:8080", "ALL", onPort), 0);
  EXPECT_EQ(Names(onPort), (std::vector<std::string>{"rack"}));
}

TEST_F(RelayPageLab, NoItemsErrorPagesAndUnreachableHostsAddNoDevice) {
  const struct {
    const char* relay;
    int result;
  } cases[] = {{"198.18.1.31", 0}, {"198.18.3.36", 0}, {"198.18.1.77", -1}};
  for (const auto& c : cases) {
    DeviceTable table;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunHttpRelaySearch(c.relay, "ALL", table), c.result) << c.relay;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 21s) << c.relay;
    EXPECT_TRUE(table.m_DeviceList.empty()) << c.relay;
    EXPECT_EQ(table.grid.DeviceRowCount(), 0) << c.relay;
  }
}

TEST_F(RelayPageLab, RedirectsAreFollowed) {
  DeviceTable table;
  EXPECT_EQ(RunHttpRelaySearch("198.18.2.32", "ALL", table), 0);
  EXPECT_EQ(Names(table), (std::vector<std::string>{"lobby", "rack", "short row"}));
}

TEST_F(RelayPageLab, APageThatNeverEndsIsCutAfterTwentySeconds) {
  DeviceTable table;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunHttpRelaySearch("198.18.1.33", "ALL", table), -1);
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_GE(spent, 19s);
  EXPECT_LT(spent, 23s);
  // What came is read as it stands: the first row whole, the last one broken off after its
  // address, so that device has neither port nor MAC.
  EXPECT_EQ(Names(table), (std::vector<std::string>{"lobby", "rack"}));
  EXPECT_EQ(FieldText(table.m_DeviceList.front().mac), "02:00:00:00:01:10");
  EXPECT_EQ(FieldText(table.m_DeviceList.back().ip), "198.18.1.11");
  EXPECT_EQ(FieldText(table.m_DeviceList.back().trigger_port), "");
  EXPECT_EQ(FieldText(table.m_DeviceList.back().mac), "");
}

TEST_F(RelayPageLab, TheFetchEndsEarlyWhenCancelled) {
  std::atomic<bool> cancelled{false};
  DeviceTable table;
  const auto start = std::chrono::steady_clock::now();
  std::thread canceller([&] {
    std::this_thread::sleep_for(500ms);
    cancelled = true;
  });
  FetchRelayPageInto(table, {"198.18.1.33", RelayPagePath("ALL")}, cancelled);
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(table.m_DeviceList.empty());
}

TEST_F(RelayPageLab, HugePagesAreKeptToOneMebibyte) {
  std::vector<std::string> lines;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetRelayPage("198.18.1.34", RelayPagePath("ALL"), lines), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  std::size_t bytes = 0;
  for (const auto& line : lines) bytes += line.size() + 2;
  EXPECT_LE(bytes, kRelayPageMaxBytes + 2);  // the last line has no line break of its own
  EXPECT_GT(bytes, kRelayPageMaxBytes - 200);

  DeviceTable table;
  CleanHtml(lines);
  const std::size_t rowLines = lines.size() - 1;  // the header is not a device
  PhaseItem(lines, table);
  // Every whole row of the first mebibyte is a device; the last one may be cut mid-row.
  EXPECT_GE(table.m_DeviceList.size(), rowLines - 1);
  EXPECT_LE(table.m_DeviceList.size(), rowLines);
  EXPECT_EQ(FieldText(table.m_DeviceList.front().model), "Huge");

  DeviceTable longLine;
  EXPECT_EQ(RunHttpRelaySearch("198.18.1.35", "ALL", longLine), 0);
  EXPECT_EQ(Names(longLine), (std::vector<std::string>{"0000002", "after"}));
}

}  // namespace
}  // namespace scanvale
