// The search run against a simulated site, over the lab's three adapters (sv2 with two
// addresses): both reply styles, a device configured for another subnet, relays, the reply
// store's limits, bad datagrams, and the command-line companion's output.

#include <arpa/inet.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/search_run.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"
#include "protocol/net_adapters.h"
#include "protocol/udp_sockets.h"
#include "support/devsim.h"
#include "support/dispatcher.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using testing::DevSim;
using testing::DevSimRecord;

struct SiteDevice {
  SiteDevice(std::string id_, std::string ip_, std::string mac_, int link_ = 0,
             std::string reply_ = "unicast", std::string extra_ = "", std::string model_ = "",
             std::string dev_ = "0")
      : id(std::move(id_)), ip(std::move(ip_)), mac(std::move(mac_)), link(link_),
        reply(std::move(reply_)), extra(std::move(extra_)), model(std::move(model_)),
        dev(std::move(dev_)) {}
  std::string id;
  std::string ip;
  std::string mac;
  int link;  // -1: on no segment (known to relays only)
  std::string reply;
  std::string extra;  // more JSON members, with a leading comma
  std::string model;
  std::string dev;
};

std::string DeviceJson(const SiteDevice& d) {
  const std::string model = d.model.empty() ? "M-" + d.id : d.model;
  return "{\"id\": \"" + d.id + "\", \"name\": \"" + d.id + "\", \"model\": \"" + model +
         "\", \"proj\": \"IP-Cam\", \"ip\": \"" + d.ip +
         "\", \"trigger_port\": \"80\", \"netmask\": \"255.255.255.0\", \"gateway\": \"" + d.ip +
         "\", \"dns\": \"198.18.0.53\", \"mac\": \"" + d.mac + "\", \"dev\": \"" + d.dev +
         "\", \"note\": \"n-" + d.id + "\", \"idpw\": \"1\", \"vendor\": \"Vend\", \"link\": " +
         (d.link < 0 ? std::string("null") : std::to_string(d.link)) + ", \"reply\": \"" +
         d.reply + "\"" + d.extra + "}";
}

std::string SiteJson(const std::vector<SiteDevice>& devices, const std::string& relays = "[]",
                     const std::string& relayPages = "[]") {
  std::string json = "{\"devices\": [";
  for (std::size_t i = 0; i < devices.size(); ++i) json += (i ? ",\n" : "\n") + DeviceJson(devices[i]);
  return json + "], \"relays\": " + relays + ", \"relay_pages\": " + relayPages + "}";
}

// A, B on sv0; C and F (configured for another subnet) on sv1; D, E, G on sv2, whose two
// subnets are 198.18.3.0/24 and 198.18.4.0/24. B answers three times.
const std::vector<SiteDevice> kSite = {
    {"A", "198.18.1.10", "02:00:00:00:01:0A", 0, "unicast"},
    {"B", "198.18.1.11", "02:00:00:00:01:0B", 0, "broadcast", ", \"duplicates\": 2"},
    {"C", "198.18.2.10", "02:00:00:00:02:0A", 1, "broadcast"},
    {"F", "10.9.9.9", "02:00:00:00:02:0F", 1, "broadcast"},
    {"D", "198.18.3.10", "02:00:00:00:03:0A", 2, "unicast"},
    {"E", "198.18.4.10", "02:00:00:00:04:0A", 2, "broadcast"},
    {"G", "10.8.8.8", "02:00:00:00:03:0F", 2, "broadcast"},
};

NetCardTable LabTable() {
  NetCardTable cards;
  GetNetCardAddrs(cards);
  FillNetCardSelector(cards, "All NetCard");
  return cards;
}

struct RunResult {
  SearchWindowState state;
  SearchReport report;
  std::vector<std::string> events;  // "full:<text>" and "finished", in order
  milliseconds wall{0};
  bool ended = false;

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& d : state.table.m_DeviceList) names.insert(std::string(FieldText(d.name)));
    return names;
  }
  const tComUnitInfo* Named(const std::string& name) const {
    for (const auto& d : state.table.m_DeviceList)
      if (FieldText(d.name) == name) return &d;
    return nullptr;
  }
};

SearchSettings Settings(const std::string& adapter, const char* delay = "Short") {
  SearchSettings s;
  s.netCards = LabTable();
  if (adapter == "all") {
    s.adapterItemIndex = s.netCards.m_NetCardNum;
    s.adapterText = "All NetCard";
  } else {
    s.adapterItemIndex = -1;
    s.adapterText = adapter;
  }
  s.delayCaption = delay;
  return s;
}

RunResult Search(const SearchSettings& settings, milliseconds bound = 30s) {
  RunResult r;
  QueueDispatcher dispatcher;
  SearchRun run(dispatcher);
  run.events.onBufferFull = [&](const std::string& text) { r.events.push_back("full:" + text); };
  run.events.onFinished = [&](const SearchReport& report) {
    r.events.push_back("finished");
    r.report = report;
  };
  const auto start = std::chrono::steady_clock::now();
  if (!run.Start(r.state, settings)) return r;
  while (run.Running() && std::chrono::steady_clock::now() - start < bound)
    dispatcher.RunPending(milliseconds(20));
  r.wall = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
  r.ended = !run.Running();
  return r;
}

std::vector<DevSimRecord> QueriesTo6666(const DevSim& sim) {
  std::vector<DevSimRecord> out;
  for (const auto& r : sim.Records())
    if (r.proto == "udp" && r.dst.ends_with(":6666")) out.push_back(r);
  return out;
}

std::string QueryWire(int flag) {
  std::string wire;
  MakeControlPkg(flag, wire, nullptr);
  return wire;
}

TEST(SearchLab, AllAdaptersHearsEveryDeviceOnceInBothReplyStyles) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(SiteJson(kSite));
  ASSERT_TRUE(sim.running());
  const RunResult r = Search(Settings("all"));
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.report.path, SearchPath::kAllAdapters);
  EXPECT_EQ(r.Names(), (std::set<std::string>{"A", "B", "C", "D", "E", "F", "G"}));
  EXPECT_EQ(r.state.table.m_DeviceList.size(), 7u) << "every device once, though most answered twice";
  EXPECT_EQ(r.state.table.grid.DeviceRowCount(), 7);
  EXPECT_GT(r.report.recvBefore, 0);
  EXPECT_GT(r.report.recvAfter, 0) << "the repeated query is answered as well";
  EXPECT_EQ(r.state.label1, "7 device(s) found!");
  EXPECT_EQ(r.state.table.grid.Cell(kColModel, 1), "M-A") << "sorted by model";
  EXPECT_TRUE(r.state.button2.enabled);

  const tComUnitInfo* f = r.Named("F");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FieldText(f->ip), "10.9.9.9");
  EXPECT_EQ(FieldText(f->mac), "02:00:00:00:02:0F");
  EXPECT_EQ(FieldText(f->dns), "198.18.0.53");
  EXPECT_EQ(FieldText(f->note), "n-F");
  EXPECT_EQ(FieldText(f->vendor), "Vend");

  // Two flag 0 queries from every address, as limited broadcasts from a system-chosen port.
  const auto queries = QueriesTo6666(sim);
  std::map<std::string, int> perSource;
  for (const auto& q : queries) {
    EXPECT_EQ(q.dst, "255.255.255.255:6666");
    EXPECT_EQ(q.bytes, QueryWire(kFlagQuery));
    perSource[q.src.substr(0, q.src.find(':'))]++;
    EXPECT_NE(q.src.substr(q.src.find(':') + 1), "6667");
  }
  EXPECT_EQ(perSource, (std::map<std::string, int>{
                           {"198.18.1.1", 2}, {"198.18.2.1", 2}, {"198.18.3.1", 2}, {"198.18.4.1", 2}}));
  // Short: four quiet waits of 0.5 s, stretched a little by the replies.
  EXPECT_GE(r.report.elapsed, 1900ms);
  EXPECT_LT(r.report.elapsed, 3500ms);
}

TEST(SearchLab, OneAdapterHearsItsSegmentInBothReplyStyles) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(SiteJson(kSite));
  ASSERT_TRUE(sim.running());
  const struct {
    const char* adapter;
    std::set<std::string> names;
  } cases[] = {
      {"198.18.1.1", {"A", "B"}},
      {"198.18.2.1", {"C", "F"}},
      {"198.18.3.1", {"D", "E", "G"}},  // one wire: the other subnet's devices hear it too
      {"198.18.4.1", {"D", "E", "G"}},
  };
  for (const auto& c : cases) {
    const std::size_t queriesBefore = QueriesTo6666(sim).size();
    const RunResult r = Search(Settings(c.adapter));
    ASSERT_TRUE(r.ended) << c.adapter;
    EXPECT_EQ(r.report.path, SearchPath::kOneAdapter);
    EXPECT_EQ(r.Names(), c.names) << c.adapter;
    EXPECT_EQ(r.state.table.m_DeviceList.size(), c.names.size()) << c.adapter;
    EXPECT_GT(r.report.recvAfter, 0) << c.adapter << ": the second pass hears them again";
    const auto queries = QueriesTo6666(sim);
    ASSERT_EQ(queries.size() - queriesBefore, 2u) << c.adapter;
    for (std::size_t i = queriesBefore; i < queries.size(); ++i) {
      EXPECT_EQ(queries[i].src, std::string(c.adapter) + ":6667");
      EXPECT_EQ(queries[i].dst, "255.255.255.255:6666");
      EXPECT_EQ(queries[i].bytes, QueryWire(kFlagQuery));
    }
    EXPECT_LT(r.report.elapsed, 2500ms) << c.adapter;
  }
}

// Each adapter keeps the replies meant for it: unicasts to its address, and broadcasts by
// the sender's subnet (another subnet: the interface's first address).
TEST(SearchLab, AdaptersKeepTheirRepliesApart) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(SiteJson(kSite));
  ASSERT_TRUE(sim.running());
  NetCardSockets sockets;
  const NetCardTable cards = LabTable();
  ASSERT_EQ(cards.m_NetCardNum, 4);
  sockets.Open(cards);
  ASSERT_EQ(sockets.SendToAllNetCards(QueryWire(kFlagQuery)), 0);

  std::map<std::string, std::set<std::string>> heard;  // adapter -> device names
  std::vector<int> fds;
  for (const auto& slot : sockets.m_RecvSockets) {
    ASSERT_TRUE(slot.socket.valid());
    ASSERT_TRUE(slot.broadcast.valid());
    fds.push_back(slot.socket.fd());
    fds.push_back(slot.broadcast.socket.fd());
  }
  const auto end = std::chrono::steady_clock::now() + 1500ms;
  std::string datagram;
  while (std::chrono::steady_clock::now() < end) {
    std::vector<bool> ready;
    if (WaitAnyReadable(fds, 200ms, ready) != WaitResult::kReady) continue;
    for (std::size_t i = 0; i < sockets.m_RecvSockets.size(); ++i) {
      const auto& slot = sockets.m_RecvSockets[i];
      const std::string adapter(cards.Entry(static_cast<int>(i)));
      const auto note = [&](const std::string& wire) {
        DeviceTable t;
        const std::string plain = DecodeWire(wire);
        ParserPlainPkg(reinterpret_cast<const unsigned char*>(plain.data()), plain.size(), t);
        for (const auto& d : t.m_DeviceList) heard[adapter].insert(std::string(FieldText(d.name)));
      };
      if (ready[2 * i] && ReceiveDatagram(slot.socket, datagram) > 0) note(datagram);
      if (ready[2 * i + 1] && ReceiveBroadcastReply(slot.broadcast, datagram) == 1) note(datagram);
    }
  }
  EXPECT_EQ(heard["198.18.1.1"], (std::set<std::string>{"A", "B"}));
  EXPECT_EQ(heard["198.18.2.1"], (std::set<std::string>{"C", "F"}));
  EXPECT_EQ(heard["198.18.3.1"], (std::set<std::string>{"D", "G"}));
  EXPECT_EQ(heard["198.18.4.1"], (std::set<std::string>{"D", "E"}));
}

TEST(SearchLab, NothingAnswersShortRunsTakeTheirWaits) {
  SCANVALE_REQUIRE_LAB();
  for (const char* adapter : {"all", "198.18.1.1"}) {
    const RunResult r = Search(Settings(adapter));
    ASSERT_TRUE(r.ended) << adapter;
    // All adapters: (2 x 1 + 2) waits of 0.5 s; one adapter: two first waits of 1 s.
    EXPECT_GE(r.report.elapsed, 1950ms) << adapter;
    EXPECT_LT(r.report.elapsed, 2600ms) << adapter;
    EXPECT_EQ(r.state.label1, "0 device(s) found!") << adapter;
    EXPECT_FALSE(r.state.button2.enabled) << adapter;
    EXPECT_TRUE(r.state.button1.enabled) << adapter;
    EXPECT_EQ(r.state.table.grid.DeviceRowCount(), 0) << adapter;
    EXPECT_EQ(r.state.table.grid.RowCount(), 2) << adapter << ": one empty line under the header";
  }
}

TEST(SearchLab, LongReplyIsCutWithOneAdapterAndReadWholeWithAll) {
  SCANVALE_REQUIRE_LAB();
  SiteDevice big{"L", "198.18.1.20", "02:00:00:00:01:14", 0, "unicast", ", \"oversize\": 600"};
  DevSim sim(SiteJson({big}));
  ASSERT_TRUE(sim.running());

  const RunResult one = Search(Settings("198.18.1.1"));
  ASSERT_EQ(one.state.table.m_DeviceList.size(), 1u);
  const tComUnitInfo& cut = one.state.table.m_DeviceList.front();
  EXPECT_EQ(FieldText(cut.mac), "02:00:00:00:01:14");
  EXPECT_EQ(FieldText(cut.idpw), "") << "what follows the 383rd byte is lost";
  EXPECT_EQ(FieldText(cut.vendor), "Kestrilon");

  const RunResult all = Search(Settings("all"));
  ASSERT_EQ(all.state.table.m_DeviceList.size(), 1u);
  const tComUnitInfo& whole = all.state.table.m_DeviceList.front();
  EXPECT_EQ(FieldText(whole.idpw), "1");
  EXPECT_EQ(FieldText(whole.vendor), "Vend");
  EXPECT_EQ(FieldText(whole.note).size(), sizeof whole.note - 1) << "the padded note, cut to its field";
}

TEST(SearchLab, FullStoreEndsTheSecondPassAfterItsFirstReply) {
  SCANVALE_REQUIRE_LAB();
  SiteDevice flood{"Flood", "198.18.1.30", "02:00:00:00:01:1E", 0, "unicast",
                   ", \"flood\": {\"count\": 4000, \"ip_base\": \"198.18.1.100\"}"};
  DevSim sim(SiteJson({flood}));
  ASSERT_TRUE(sim.running());
  const RunResult r = Search(Settings("198.18.1.1"), 60s);
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.report.recvBefore, kReplyStoreSlots);
  EXPECT_EQ(r.report.recvAfter, 1);
  EXPECT_TRUE(r.report.bufferFull);
  EXPECT_EQ(r.events, (std::vector<std::string>{"full:Receive buffer is full.", "finished"}));
  EXPECT_EQ(r.state.table.m_DeviceList.size(), 4000u);
  EXPECT_EQ(r.state.label1, "4000 device(s) found!");
}

TEST(SearchLab, UdpRelayGetsAFlag2QueryOnlyInTheOneAdapterMode) {
  SCANVALE_REQUIRE_LAB();
  const std::vector<SiteDevice> devices = {
      {"R1", "198.19.5.10", "02:00:00:00:05:0A", -1},
      {"R2", "198.19.5.11", "02:00:00:00:05:0B", -1},
      {"A", "198.18.2.10", "02:00:00:00:02:0A", 1},
  };
  DevSim sim(SiteJson(devices,
                      R"([{"kind": "udp", "ip": "198.18.2.50", "link": 1, "devices": ["R1", "R2"]}])"));
  ASSERT_TRUE(sim.running());
  const struct {
    const char* adapter;
    const char* protocol;
    std::set<std::string> names;
    const char* dst;
    int flag;
  } cases[] = {
      {"198.18.2.1", "UDP", {"R1", "R2"}, "198.18.2.50:6666", kFlagRelayQuery},
      {"198.18.2.1", "tcp", {"R1", "R2"}, "198.18.2.50:6666", kFlagRelayQuery},  // not "TCP"
      {"all", "UDP", {"A"}, "255.255.255.255:6666", kFlagQuery},
  };
  for (const auto& c : cases) {
    const std::size_t before = QueriesTo6666(sim).size();
    SearchSettings s = Settings(c.adapter);
    s.ipRelay = true;
    s.relayAddress = "198.18.2.50";
    s.relayProtocol = c.protocol;
    const RunResult r = Search(s);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.Names(), c.names) << c.adapter << " " << c.protocol;
    const auto queries = QueriesTo6666(sim);
    ASSERT_GT(queries.size(), before);
    for (std::size_t i = before; i < queries.size(); ++i) {
      if (queries[i].link != 1) continue;
      EXPECT_EQ(queries[i].dst, c.dst) << c.adapter << " " << c.protocol;
      EXPECT_EQ(queries[i].bytes, QueryWire(c.flag)) << c.adapter << " " << c.protocol;
    }
  }
}

TEST(SearchLab, TcpRelayAnswersRefusesOrHangs) {
  SCANVALE_REQUIRE_LAB();
  const std::vector<SiteDevice> devices = {
      {"T1", "198.19.6.10", "02:00:00:00:06:0A", -1},
      {"T2", "198.19.6.11", "02:00:00:00:06:0B", -1},
  };
  DevSim sim(SiteJson(devices, R"([{"kind": "tcp", "ip": "198.18.1.60", "link": 0},
                                   {"kind": "tcp-hang", "ip": "198.18.1.61", "link": 0}])"));
  ASSERT_TRUE(sim.running());
  const auto tcp = [&](const char* relay) {
    SearchSettings s = Settings("198.18.1.1");
    s.ipRelay = true;
    s.relayProtocol = "TCP";
    s.relayAddress = relay;
    return Search(s);
  };

  const RunResult ok = tcp("198.18.1.60");
  ASSERT_TRUE(ok.ended);
  EXPECT_EQ(ok.report.path, SearchPath::kTcpRelay);
  EXPECT_EQ(ok.Names(), (std::set<std::string>{"T1", "T2"}));
  EXPECT_FALSE(ok.report.relayTimedOut);
  EXPECT_GE(ok.report.elapsed, 1000ms) << "the one-second pause";
  EXPECT_LT(ok.report.elapsed, 3000ms);
  bool sawQuery = false;
  for (const auto& rec : sim.Records())
    if (rec.proto == "tcp" && rec.dst == "198.18.1.60:6666") sawQuery = rec.bytes == QueryWire(kFlagRelayQuery);
  EXPECT_TRUE(sawQuery);

  DiagLog::ClearRecent();
  const RunResult refused = tcp("198.18.1.254");  // a host without a relay: refused at once
  ASSERT_TRUE(refused.ended);
  EXPECT_TRUE(refused.report.socketFailed);
  EXPECT_LT(refused.report.elapsed, 2000ms);
  const auto log = DiagLog::Recent();
  EXPECT_NE(std::find(log.begin(), log.end(), "CONNECT ERROR"), log.end());
  EXPECT_EQ(refused.state.label1, "0 device(s) found!");

  const RunResult hung = tcp("198.18.1.61");
  ASSERT_TRUE(hung.ended);
  EXPECT_TRUE(hung.report.relayTimedOut);
  EXPECT_GE(hung.report.elapsed, kTcpRelayAnswerBound - 100ms);
  EXPECT_LT(hung.report.elapsed, kTcpRelayAnswerBound + 2000ms);
  EXPECT_EQ(hung.state.label1, "0 device(s) found!");
  EXPECT_TRUE(hung.state.button1.enabled) << "finished as if the relay had closed";
}

TEST(SearchLab, BadDatagramsAreSkippedAndTheRunEndsOnTime) {
  SCANVALE_REQUIRE_LAB();
  const std::string huge(65000, 'Q');
  const std::vector<SiteDevice> devices = {
      {"Good", "198.18.1.40", "02:00:00:00:01:28", 0},
      {"Garbage", "198.18.1.41", "02:00:00:00:01:29", 0, "unicast", ", \"raw_reply\": \"%%%not base64 at all\""},
      {"Empty", "198.18.1.42", "02:00:00:00:01:2A", 0, "broadcast", ", \"raw_reply\": \"\""},
      {"Huge", "198.18.1.43", "02:00:00:00:01:2B", 0, "unicast", ", \"raw_reply\": \"" + huge + "\""},
      {"Binary", "198.18.1.44", "02:00:00:00:01:2C", 0, "broadcast", ", \"raw_reply_b64\": \"AAECAwQF/w==\""},
      {"Query", "198.18.1.45", "02:00:00:00:01:2D", 0, "unicast", ", \"reply_text\": \"Kestrilon,00,????\""},
      {"Flag7", "198.18.1.46", "02:00:00:00:01:2E", 0, "unicast",
       ", \"reply_text\": \"Kestrilon,07,x,y,198.18.1.46,80,255.255.255.0\""},
  };
  DevSim sim(SiteJson(devices));
  ASSERT_TRUE(sim.running());
  for (const char* adapter : {"all", "198.18.1.1"}) {
    const RunResult r = Search(Settings(adapter));
    ASSERT_TRUE(r.ended) << adapter;
    EXPECT_EQ(r.Names(), (std::set<std::string>{"Good"})) << adapter;
    EXPECT_LT(r.report.elapsed, 3500ms) << adapter;
  }
}

// ---- the command-line companion ------------------------------------------------------------

struct CliResult {
  int status = -1;
  std::string out;
};

CliResult RunCommand(const std::string& command) {
  CliResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

CliResult RunCli(const std::string& args) {
  return RunCommand(std::string(SCANVALE_BINARY_DIR) + "/src/cli/scanvale-cli " + args +
                    " 2>/dev/null");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The IP column (the fourth) of a CSV listing without its header, sorted.
std::vector<std::string> CsvAddresses(const std::string& csv) {
  std::vector<std::string> ips;
  const std::vector<std::string> lines = Lines(csv);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream fields(lines[i]);
    std::string field;
    for (int column = 0; column < 4 && std::getline(fields, field, ','); ++column) {}
    ips.push_back(field);
  }
  std::sort(ips.begin(), ips.end());
  return ips;
}

std::string SourceFile(const std::string& relative) {
  std::ifstream in(std::string(SCANVALE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SearchCliLab, JsonListsExactlyTheSimulatedDevices) {
  SCANVALE_REQUIRE_LAB();
  // Z sends an empty device field, which the parse stores as one blank.
  std::vector<SiteDevice> devices = {
      {"Z", "198.18.2.30", "02:00:00:00:02:1E", 1, "broadcast", "", "Alpha", ""},
      {"Y", "198.18.1.30", "02:00:00:00:01:1E", 0, "unicast", ", \"duplicates\": 1", "Beta"},
      {"X", "10.7.7.7", "02:00:00:00:03:1E", 2, "broadcast", "", "Gamma"},
  };
  DevSim sim(SiteJson(devices));
  ASSERT_TRUE(sim.running());
  const CliResult r = RunCli("search --adapter all --delay short --format json");
  ASSERT_EQ(r.status, 0);
  const auto object = [](const SiteDevice& d, const char* dev) {
    return "  {\"model\": \"" + d.model + "\", \"proj\": \"IP-Cam\", \"name\": \"" + d.id +
           "\", \"ip\": \"" + d.ip + "\", \"trigger_port\": \"80\", \"netmask\": \"255.255.255.0\", "
           "\"gateway\": \"" + d.ip + "\", \"dns\": \"198.18.0.53\", \"mac\": \"" + d.mac +
           "\", \"dev\": \"" + dev + "\", \"note\": \"n-" + d.id +
           "\", \"idpw\": \"1\", \"vendor\": \"Vend\"}";
  };
  const std::string expected = "[\n" + object(devices[0], " ") + ",\n" + object(devices[1], "0") +
                               ",\n" + object(devices[2], "0") + "\n]\n";
  EXPECT_EQ(r.out, expected);
}

TEST(SearchCliLab, RelaysByStreamAndByPage) {
  SCANVALE_REQUIRE_LAB();
  const std::vector<SiteDevice> devices = {
      {"P1", "198.19.7.10", "02:00:00:00:07:0A", -1, "unicast", "", "Pm"},
      {"P2", "198.19.7.11", "02:00:00:00:07:0B", -1, "unicast", "", "Pa"},
  };
  DevSim sim(SiteJson(devices, R"([{"kind": "tcp", "ip": "198.18.2.60", "link": 1}])",
                      R"([{"ip": "198.18.3.70", "link": 2, "page": "table", "devices": "all"}])"));
  ASSERT_TRUE(sim.running());
  const std::string expected =
      "Model,Project,Name,IP,Port,Netmask,MAC\r\n"
      "Pa,IP-Cam,P2,198.19.7.11,80,255.255.255.0,02:00:00:00:07:0B\r\n"
      "Pm,IP-Cam,P1,198.19.7.10,80,255.255.255.0,02:00:00:00:07:0A\r\n";
  const CliResult tcp = RunCli("search --relay 198.18.2.60 --protocol tcp --format csv");
  EXPECT_EQ(tcp.status, 0);
  EXPECT_EQ(tcp.out, expected);
  const CliResult page = RunCli("search --relay 198.18.3.70 --protocol http --format csv");
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(page.out, expected);
}

// The demo's site must stay a site the program finds whole: every device on a lab link by the
// broadcast search, and those behind the stream relay through it.
TEST(SearchCliLab, DemoSiteIsFoundWhole) {
  SCANVALE_REQUIRE_LAB();
  const std::string site = "tools/devsim/demo-site.json";
  const auto expected = [&](const char* which) {
    return Lines(RunCommand(
        "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(\"\\n\".join(sorted(" +
        std::string(which) + ")))' " + SCANVALE_SOURCE_DIR + "/" + site).out);
  };
  const auto direct = expected("x[\"ip\"] for x in d[\"devices\"] if x.get(\"link\") is not None");
  const auto behindTcpRelay = expected(
      "x[\"ip\"] for x in d[\"devices\"] for r in d[\"relays\"] if r[\"kind\"] == \"tcp\" and "
      "x[\"name\"] in r[\"devices\"]");
  ASSERT_GE(direct.size(), 20u);
  ASSERT_GE(behindTcpRelay.size(), 2u);

  DevSim sim(SourceFile(site));
  ASSERT_TRUE(sim.running());
  const CliResult all = RunCli("search --adapter all --delay short --format csv");
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(CsvAddresses(all.out), direct);
  const CliResult tcp = RunCli("search --relay 198.18.3.200 --protocol tcp --format csv");
  EXPECT_EQ(tcp.status, 0);
  EXPECT_EQ(CsvAddresses(tcp.out), behindTcpRelay);
}

TEST(SearchCliLab, ExitStatusForBadArgumentsAndUnusableAdapters) {
  SCANVALE_REQUIRE_LAB();
  EXPECT_EQ(RunCli("search --help").status, 0);
  EXPECT_EQ(RunCli("search --delay forever").status, 2);
  EXPECT_EQ(RunCli("search --adapter eth0").status, 2);
  EXPECT_EQ(RunCli("frobnicate").status, 2);
  const CliResult notLocal = RunCli("search --adapter 198.18.9.9 --delay short");
  EXPECT_EQ(notLocal.status, 1);
  EXPECT_EQ(notLocal.out, "") << "nothing on stdout when the adapter cannot be used";
  const CliResult empty = RunCli("search --adapter 198.18.1.1 --delay short --format csv");
  EXPECT_EQ(empty.status, 0) << "a completed run without devices";
  EXPECT_EQ(empty.out, "Model,Project,Name,IP,Port,Netmask,MAC\r\n");
}

}  // namespace
}  // namespace scanvale
