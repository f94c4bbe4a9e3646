// Set-network commands against a simulated site, in both adapter modes: the package as the
// device receives it (byte for byte, with its digest), the device's answers, and a new search
// that shows the new settings.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "discovery/search_run.h"
#include "language/messages.h"
#include "netconfig/batch_sender.h"
#include "netconfig/batch_setup.h"
#include "netconfig/net_form_apply.h"
#include "netconfig/udp_control_channel.h"
#include "protocol/control_package.h"
#include "protocol/net_adapters.h"
#include "support/devsim.h"
#include "support/dispatcher.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::DevSim;
using testing::DevSimRecord;

// MD5 of "root:pw1", ":", "root:wrong" and "admin:8629", worked out apart from our own MD5.
constexpr const char* kDigestRootPw1 = "4861cd2bc4a6aecd220b5a042528dd47";
constexpr const char* kDigestEmpty = "853ae90f0351324bd73ea615e6487517";
constexpr const char* kDigestAdmin = "57f12e40d2f27c2170974ad08e3d5fee";

const MessageTexts& English() {
  static const MessageTexts texts;
  return texts;
}

std::string DeviceJson(const std::string& id, const std::string& ip, const std::string& mac,
                       int link, const std::string& idpw, const std::string& extra = "") {
  return "{\"id\": \"" + id + "\", \"name\": \"" + id + "\", \"model\": \"M-" + id +
         "\", \"proj\": \"IP-Cam\", \"ip\": \"" + ip +
         "\", \"trigger_port\": \"80\", \"netmask\": \"255.255.255.0\", \"gateway\": \"" +
         ip.substr(0, ip.rfind('.')) + ".254\", \"dns\": \"198.18.0.53\", \"mac\": \"" + mac +
         "\", \"dev\": \"7\", \"note\": \"n\", \"idpw\": \"" + idpw +
         "\", \"vendor\": \"Kestrilon\", \"link\": " + std::to_string(link) + extra + "}";
}

// P asks for credentials and answers unicast; Q asks for none and answers by broadcast;
// R refuses every command, by broadcast; S hears commands and never answers them.
std::string Site() {
  return "{\"devices\": [" +
         DeviceJson("P", "198.18.1.20", "02:00:00:00:01:20", 0, "1",
                    ", \"credentials\": {\"id\": \"root\", \"password\": \"pw1\"}") + "," +
         DeviceJson("Q", "198.18.2.20", "02:00:00:00:02:20", 1, "0", ", \"reply\": \"broadcast\"") +
         "," +
         DeviceJson("R", "198.18.3.20", "02:00:00:00:03:20", 2, "1",
                    ", \"reply\": \"broadcast\", \"set_network\": \"ErrorCmd\"") + "," +
         DeviceJson("S", "198.18.1.30", "02:00:00:00:01:30", 0, "1",
                    ", \"set_network\": \"silent\"") + "]}";
}

ChannelSettings Channel(const std::string& adapter) {
  ChannelSettings s;
  GetNetCardAddrs(s.netCards);
  FillNetCardSelector(s.netCards, "All NetCard");
  if (adapter == "all") {
    s.adapterItemIndex = s.netCards.m_NetCardNum;
    s.adapterText = "All NetCard";
  } else {
    s.adapterItemIndex = -1;
    s.adapterText = adapter;
  }
  return s;
}

// A search on every adapter; the devices it found by name.
std::map<std::string, tComUnitInfo> SearchAgain() {
  SearchSettings settings;
  const ChannelSettings c = Channel("all");
  settings.netCards = c.netCards;
  settings.adapterItemIndex = c.adapterItemIndex;
  settings.adapterText = c.adapterText;
  settings.delayCaption = "Short";
  SearchWindowState state;
  QueueDispatcher dispatcher;
  SearchRun run(dispatcher);
  std::map<std::string, tComUnitInfo> found;
  if (!run.Start(state, settings)) return found;
  const auto start = std::chrono::steady_clock::now();
  while (run.Running() && std::chrono::steady_clock::now() - start < 30s)
    dispatcher.RunPending(20ms);
  for (const tComUnitInfo& d : state.table.m_DeviceList) found[std::string(FieldText(d.name))] = d;
  return found;
}

NetFormFields FieldsOf(const tComUnitInfo& d) {
  NetFormFields f;
  f.model = FieldText(d.model);
  f.proj = FieldText(d.proj);
  f.name = FieldText(d.name);
  f.mac = FieldText(d.mac);
  f.ip = FieldText(d.ip);
  f.gateway = FieldText(d.gateway);
  f.netmask = FieldText(d.netmask);
  f.dns = FieldText(d.dns);
  f.dev = FieldText(d.dev);
  f.port = FieldText(d.trigger_port);
  f.type = NetworkType::kStatic;
  return f;
}

// The set-network commands that reached the simulator, decoded.
std::vector<DevSimRecord> Commands(const DevSim& sim) {
  std::vector<DevSimRecord> out;
  for (const DevSimRecord& r : sim.Records())
    if (r.proto == "udp" && r.dst.ends_with(":6666") &&
        std::string(DecodeWire(r.bytes).c_str()).find(",03,") != std::string::npos)
      out.push_back(r);
  return out;
}

struct Applied {
  NetFormPlan plan;
  ExchangeResult result;
};

Applied ApplyTo(const tComUnitInfo& device, NetFormFields fields, const std::string& adapter,
                tSignInAnswer credentials) {
  const NetFormDevice opened{std::string(FieldText(device.ip)), std::string(FieldText(device.vendor)),
                             std::string(FieldText(device.idpw))};
  Applied a;
  a.plan = PrepareNetFormApply(English(), fields, opened, {device}, {"admin", "8629", false},
                               [&](const tSignInFields&) { return credentials; });
  if (a.plan.step != NetFormPlan::Step::kSend) return a;
  auto channel = MakeUdpControlChannel(Channel(adapter));
  a.result = RunSetNetworkExchange(*channel, a.plan.wire, {opened.deviceIp, fields.mac});
  return a;
}

TEST(NetconfigLab, OneAdapterChangesTheAddressAndANewSearchShowsIt) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(Site());
  ASSERT_TRUE(sim.running());
  auto before = SearchAgain();
  ASSERT_EQ(before.count("P"), 1u);

  NetFormFields fields = FieldsOf(before["P"]);
  fields.ip = "198.18.1.120";
  const auto start = std::chrono::steady_clock::now();
  const Applied a = ApplyTo(before["P"], fields, "198.18.1.1", {true, {"root", "pw1", false}});
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(a.plan.step, NetFormPlan::Step::kSend);
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kSent);
  EXPECT_GE(took, 500ms) << "listens until half a second of silence";
  EXPECT_LT(took, 3s);

  const std::vector<DevSimRecord> commands = Commands(sim);
  ASSERT_EQ(commands.size(), 1u) << "one adapter sends once";
  EXPECT_EQ(commands[0].bytes, a.plan.wire) << "the datagram is exactly the Base64 text";
  EXPECT_EQ(commands[0].dst, "255.255.255.255:6666");
  EXPECT_TRUE(commands[0].src.starts_with("198.18.1.1:6667"));
  EXPECT_EQ(DecodeWire(commands[0].bytes),
            std::string("Kestrilon,03,M-P,IP-Cam,P,198.18.1.120,80,255.255.255.0,198.18.1.254,"
                        "198.18.0.53,02:00:00:00:01:20,7,static,") +
                kDigestRootPw1 + '\0');

  auto after = SearchAgain();
  ASSERT_EQ(after.count("P"), 1u);
  EXPECT_EQ(FieldText(after["P"].ip), "198.18.1.120");
  EXPECT_EQ(FieldText(after["S"].ip), "198.18.1.30");
}

TEST(NetconfigLab, AllAdaptersSendsEverywhereAndHearsRefusals) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(Site());
  ASSERT_TRUE(sim.running());
  auto before = SearchAgain();
  ASSERT_EQ(before.size(), 4u);

  // Wrong password: the device answers by unicast to one of the four sending sockets.
  NetFormFields fields = FieldsOf(before["P"]);
  fields.ip = "198.18.1.121";
  const auto start = std::chrono::steady_clock::now();
  Applied a = ApplyTo(before["P"], fields, "all", {true, {"root", "wrong", false}});
  EXPECT_GE(std::chrono::steady_clock::now() - start, 3s) << "the whole window is listened";
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kCredentialsRefused);
  EXPECT_EQ(NetFormReport(English(), a.result.outcome).text,
            "Username or password Error.\nPlease check username & password.");
  std::vector<DevSimRecord> commands = Commands(sim);
  ASSERT_EQ(commands.size(), 4u) << "one send per adapter address";
  std::map<int, int> perLink;
  for (const DevSimRecord& r : commands) {
    EXPECT_EQ(r.bytes, a.plan.wire);
    ++perLink[r.link];
  }
  EXPECT_EQ(perLink, (std::map<int, int>{{0, 1}, {1, 1}, {2, 2}}));

  // A refusal by broadcast from another segment's device.
  a = ApplyTo(before["R"], FieldsOf(before["R"]), "all", {true, {"admin", "8629", false}});
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kCommandRefused);
  EXPECT_TRUE(std::string(DecodeWire(a.plan.wire).c_str())
                  .ends_with(std::string(",static,") + kDigestAdmin));

  // No credentials asked: the digest of ":" travels, and the device takes its new address.
  fields = FieldsOf(before["Q"]);
  fields.ip = "198.18.2.120";
  fields.dns = "198.18.2.53";
  a = ApplyTo(before["Q"], fields, "all", {false, {}});
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kSent);
  EXPECT_TRUE(std::string(DecodeWire(a.plan.wire).c_str()).ends_with(std::string(",static,") + kDigestEmpty));

  // A device that stays silent is reported as sent.
  a = ApplyTo(before["S"], FieldsOf(before["S"]), "all", {true, {"x", "y", false}});
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kSent);

  auto after = SearchAgain();
  EXPECT_EQ(FieldText(after["P"].ip), "198.18.1.20") << "refused: unchanged";
  EXPECT_EQ(FieldText(after["Q"].ip), "198.18.2.120");
  EXPECT_EQ(FieldText(after["Q"].dns), "198.18.2.53");
}

TEST(NetconfigLab, OneAdapterHearsABroadcastRefusal) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(Site());
  ASSERT_TRUE(sim.running());
  auto before = SearchAgain();
  ASSERT_EQ(before.count("R"), 1u);
  const Applied a = ApplyTo(before["R"], FieldsOf(before["R"]), "198.18.3.1",
                            {true, {"admin", "8629", false}});
  EXPECT_EQ(a.result.outcome, SetNetworkOutcome::kCommandRefused);
}

// Ten devices on one segment: serial addresses, then DHCP, each row with its outcome.
TEST(NetconfigLab, BatchOfTenGetsSerialAddressesThenDhcp) {
  SCANVALE_REQUIRE_LAB();
  std::string site = "{\"devices\": [";
  for (int i = 0; i < 10; ++i) {
    const std::string n = std::to_string(10 + i);
    std::string extra = ", \"dhcp_ip\": \"198.18.1." + std::to_string(200 + i) + "\"";
    if (i == 3) extra += ", \"credentials\": {\"id\": \"other\", \"password\": \"x\"}";
    site += (i ? "," : "") + DeviceJson("B" + n, "198.18.1." + n, "02:00:00:00:0B:" + n, 0,
                                        i % 2 ? "1" : "0", extra);
  }
  DevSim sim(site + "]}");
  ASSERT_TRUE(sim.running());
  auto found = SearchAgain();
  ASSERT_EQ(found.size(), 10u);

  std::vector<BatchRow> rows;
  std::list<tComUnitInfo> devices;
  for (auto& [name, d] : found) {
    rows.push_back(BatchRowFor(d));
    devices.push_back(d);
  }
  BatchNetworkSetup setup(English(), rows, devices);
  setup.Show();
  ASSERT_FALSE(setup.Assign(AssignKind::kIp, {"198", "18", "1", "15"}));
  // 15 to 19 are taken by the devices themselves.
  EXPECT_EQ(setup.Rows()[0][kBatchNewIp], "198.18.1.20");
  EXPECT_EQ(setup.Rows()[9][kBatchNewIp], "198.18.1.29");
  auto signIn = [](const tSignInFields&) { return tSignInAnswer{true, {"admin", "8629", false}}; };
  ASSERT_EQ(setup.ClickOk(signIn).kind, BatchStep::Kind::kRunStatic);

  const ChannelSettings channel = Channel("198.18.1.1");
  auto run = [&](const char* type) {
    std::vector<std::string> outcomes;
    SendSetUpNetwork(setup.Rows(), type, setup.CredentialsEntered(),
                     [&] { return MakeUdpControlChannel(channel); },
                     [&](BatchRowResult r) {
                       outcomes.push_back(BatchOutcomeText(English(), r.outcome));
                       setup.SetRowOutcome(r.row, outcomes.back());
                     });
    setup.RunFinished();
    return outcomes;
  };
  std::vector<std::string> expected(10, "Successfully allocated.");
  expected[3] = "Username or password Error.";
  EXPECT_EQ(run("static"), expected);

  found = SearchAgain();
  EXPECT_EQ(FieldText(found["B10"].ip), "198.18.1.20");
  EXPECT_EQ(FieldText(found["B13"].ip), "198.18.1.13") << "refused: unchanged";
  EXPECT_EQ(FieldText(found["B19"].ip), "198.18.1.29");

  EXPECT_EQ(Commands(sim).size(), 10u);
  ASSERT_EQ(setup.ClickDhcp([](const UserNotice&) { return true; }, signIn).kind,
            BatchStep::Kind::kRunDhcp);
  EXPECT_EQ(run("dhcp"), expected);
  const std::vector<DevSimRecord> commands = Commands(sim);
  ASSERT_EQ(commands.size(), 20u);
  EXPECT_EQ(DecodeWire(commands[10].bytes),
            std::string("Kestrilon,03,M-B10,IP-Cam,B10,198.18.1.10,80,255.255.255.0,198.18.1.254,"
                        "198.18.0.53,02:00:00:00:0B:10,7,dhcp,") + kDigestAdmin + '\0')
      << "a DHCP row names the device by the address it was found with";

  found = SearchAgain();
  EXPECT_EQ(FieldText(found["B10"].ip), "198.18.1.200");
  EXPECT_EQ(FieldText(found["B19"].ip), "198.18.1.209");
}

}  // namespace
}  // namespace scanvale
