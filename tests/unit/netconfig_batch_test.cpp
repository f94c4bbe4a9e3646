// The batch dialog's logic: Assign, the checks of OK, credentials, the DHCP mode, the
// header sort, the button states and the per-row sender with its outcome texts.
#include <gtest/gtest.h>

#include "support/fake_control_channel.h"
#include "netconfig/batch_sender.h"
#include "netconfig/batch_setup.h"
#include "protocol/md5.h"

namespace scanvale {
namespace {

using testing::FakeControlChannel;
using testing::QuickTiming;

const MessageTexts& English() {
  static const MessageTexts texts;
  return texts;
}

tComUnitInfo Device(const std::string& ip, const std::string& mac, const char* idpw = "0") {
  return MakeRecord({{Field::model, "CamX"}, {Field::proj, "IP-Cam"}, {Field::name, "cam"},
                     {Field::ip, ip}, {Field::trigger_port, "80"},
                     {Field::netmask, "255.255.255.0"}, {Field::gateway, "192.168.1.1"},
                     {Field::dns, "192.168.1.1"}, {Field::mac, mac}, {Field::dev, "1"},
                     {Field::idpw, idpw}, {Field::vendor, "Kestrilon"}});
}

// `count` devices 192.168.1.101..., plus `others` on the network that are not selected.
BatchNetworkSetup MakeSetup(int count, std::list<tComUnitInfo> others = {},
                        const char* idpw = "0") {
  std::vector<BatchRow> rows;
  std::list<tComUnitInfo> devices = std::move(others);
  for (int i = 0; i < count; ++i) {
    const tComUnitInfo d = Device("192.168.1." + std::to_string(101 + i),
                                  "00:11:22:33:44:" + std::to_string(10 + i), idpw);
    rows.push_back(BatchRowFor(d));
    devices.push_back(d);
  }
  BatchNetworkSetup setup(English(), std::move(rows), std::move(devices));
  setup.Show();
  return setup;
}

std::vector<std::string> Column(const BatchNetworkSetup& setup, int column) {
  std::vector<std::string> cells;
  for (const BatchRow& row : setup.Rows()) cells.push_back(row[column]);
  return cells;
}

using Octets = std::array<std::string, 4>;

TEST(NetconfigBatchAssign, SerialAddresses) {
  using V = std::vector<std::string>;
  const struct {
    const char* what;
    int rows;
    std::list<tComUnitInfo> others;
    Octets start;
    V expect;
  } cases[] = {
      {"wraps to the next third octet", 4, {}, {"192", "168", "1", "254"},
       {"192.168.1.254", "192.168.1.255", "192.168.2.1", "192.168.2.2"}},
      {"skips taken addresses", 3, {Device("192.168.1.201", "aa:aa:aa:aa:aa:01")},
       {"192", "168", "1", "200"}, {"192.168.1.200", "192.168.1.202", "192.168.1.203"}},
      // The selected devices' own addresses are taken too (102 and 103 are rows 2 and 3).
      {"own addresses are taken", 3, {}, {"192", "168", "1", "100"},
       {"192.168.1.100", "192.168.1.104", "192.168.1.105"}},
      // Taken means the whole address: 10.0.0.1 being taken leaves 0.0.0.1 free.
      {"whole entries only", 2, {Device("10.0.0.1", "aa:aa:aa:aa:aa:02")}, {"0", "0", "0", "1"},
       {"0.0.0.1", "0.0.0.2"}},
      {"empty octet fields start at row 1's subnet", 2, {}, {"", "", "", ""},
       {"192.168.1.1", "192.168.1.2"}},
      {"letters in a field count as empty", 1, {}, {"10", "x", "0", "5"}, {"192.168.1.1"}},
      {"a value above 255 counts as empty", 1, {}, {"10", "0", "0", "256"}, {"192.168.1.1"}},
      {"rows left when the third octet passes 255", 3, {}, {"10", "0", "255", "254"},
       {"10.0.255.254", "10.0.255.255", ""}},
  };
  for (const auto& c : cases) {
    BatchNetworkSetup setup = MakeSetup(c.rows, c.others);
    EXPECT_FALSE(setup.Buttons().ok);
    EXPECT_FALSE(setup.Assign(AssignKind::kIp, c.start)) << c.what;
    EXPECT_EQ(Column(setup, kBatchNewIp), c.expect) << c.what;
    EXPECT_TRUE(setup.Buttons().ok) << c.what;
  }
}

TEST(NetconfigBatchAssign, GatewayNetmaskDns) {
  const struct {
    const char* what;
    bool assignIpFirst;
    AssignKind kind;
    Octets value;
    const char* notice;  // empty: written
    int column;
    const char* written;
  } cases[] = {
      {"gateway in the current subnet", false, AssignKind::kGateway, {"192", "168", "1", "254"},
       "", kBatchGateway, "192.168.1.254"},
      {"gateway written without leading zeros", false, AssignKind::kGateway,
       {"192", "168", "001", "010"}, "", kBatchGateway, "192.168.1.10"},
      {"gateway outside the current subnet", false, AssignKind::kGateway, {"10", "0", "0", "1"},
       "Invalid Gateway. \n[192.168.1.101 - 10.0.0.1 - 255.255.255.0]", kBatchGateway,
       "192.168.1.1"},
      // After Assign IP (10.1.1.x) the new addresses are what the gateway must fit.
      {"gateway checked against the new addresses", true, AssignKind::kGateway,
       {"192", "168", "1", "1"}, "Invalid Gateway. \n[10.1.1.1 - 192.168.1.1 - 255.255.255.0]",
       kBatchGateway, "192.168.1.1"},
      {"gateway empty field", false, AssignKind::kGateway, {"192", "", "1", "1"},
       "Invalid Gateway.", kBatchGateway, "192.168.1.1"},
      {"netmask /16", false, AssignKind::kNetmask, {"255", "255", "0", "0"}, "", kBatchNetmask,
       "255.255.0.0"},
      {"netmask form", false, AssignKind::kNetmask, {"255", "0", "255", "0"},
       "Invalid Netmask. \n[192.168.1.101 - 192.168.1.1 - 255.0.255.0]", kBatchNetmask,
       "255.255.255.0"},
      {"netmask that splits address and gateway", false, AssignKind::kNetmask,
       {"255", "255", "255", "252"},
       "Invalid Netmask. \n[192.168.1.101 - 192.168.1.1 - 255.255.255.252]", kBatchNetmask,
       "255.255.255.0"},
      {"netmask above 255", false, AssignKind::kNetmask, {"255", "255", "256", "0"},
       "Invalid Netmask.", kBatchNetmask, "255.255.255.0"},
      {"dns", false, AssignKind::kDns, {"8", "8", "4", "4"}, "", kBatchDns, "8.8.4.4"},
      {"dns broadcast", false, AssignKind::kDns, {"255", "255", "255", "255"},
       "Invalid DNS. \n[255.255.255.255]", kBatchDns, "192.168.1.1"},
      {"dns empty", false, AssignKind::kDns, {"", "", "", ""}, "Invalid DNS.", kBatchDns,
       "192.168.1.1"},
  };
  for (const auto& c : cases) {
    BatchNetworkSetup setup = MakeSetup(3);
    if (c.assignIpFirst) setup.Assign(AssignKind::kIp, {"10", "1", "1", "1"});
    const auto notice = setup.Assign(c.kind, c.value);
    EXPECT_EQ(notice ? notice->text : std::string(), c.notice) << c.what;
    if (notice) {
      EXPECT_EQ(notice->caption, "Notice");
      EXPECT_EQ(notice->icon, NoticeIcon::kInformation);
    }
    EXPECT_EQ(Column(setup, c.column), std::vector<std::string>(3, c.written)) << c.what;
  }
  EXPECT_EQ(AssignKindOf(English(), "Netmask"), AssignKind::kNetmask);
  EXPECT_EQ(AssignKindOf(English(), "Mask"), AssignKind::kOther);
}

TEST(NetconfigBatchOk, ChecksBeforeAStaticRun) {
  {
    BatchNetworkSetup setup = MakeSetup(2);
    setup.Assign(AssignKind::kIp, {"10", "0", "0", "5"});  // gateway and mask left as they are
    const BatchStep step = setup.ClickOk(nullptr);
    EXPECT_EQ(step.kind, BatchStep::Kind::kStay);
    ASSERT_TRUE(step.notice);
    EXPECT_EQ(step.notice->text,
              "Invalid Batch Network Setup \n[10.0.0.5 - 192.168.1.1 - 255.255.255.0]");
  }
  {
    BatchNetworkSetup setup = MakeSetup(2);
    setup.MutableRows()[1][kBatchDns].clear();
    const BatchStep step = setup.ClickOk(nullptr);
    ASSERT_TRUE(step.notice);
    EXPECT_EQ(step.notice->text, "Please check to see if there are still blanks need to be filled.");
  }
  {
    BatchNetworkSetup setup = MakeSetup(2, {Device("192.168.1.50", "aa:aa:aa:aa:aa:03")});
    setup.MutableRows()[1][kBatchNewIp] = "192.168.1.50";
    const BatchStep step = setup.ClickOk(nullptr);
    ASSERT_TRUE(step.notice);
    EXPECT_EQ(step.notice->text, "Has IP address conflict, please check.");
    EXPECT_EQ(step.notice->icon, NoticeIcon::kNone);
  }
  {
    // A row keeping its own address is no conflict.
    BatchNetworkSetup setup = MakeSetup(2);
    setup.MutableRows()[0][kBatchNewIp] = "192.168.1.101";
    setup.MutableRows()[1][kBatchNewIp] = "192.168.1.102";
    const BatchStep step = setup.ClickOk(nullptr);
    EXPECT_EQ(step.kind, BatchStep::Kind::kRunStatic);
    EXPECT_FALSE(setup.CredentialsEntered());
    EXPECT_EQ(setup.Buttons(), (BatchButtons{false, false, true, true, false}));
    setup.SetRowOutcome(0, "Successfully allocated.");
    EXPECT_EQ(setup.RunFinished().text,
              "Control package sent.\nPlease try to re-search the device after one minute.");
    EXPECT_TRUE(setup.Buttons().ok);
    // After the run the next OK closes once the address check passes.
    EXPECT_EQ(setup.ClickOk(nullptr).kind, BatchStep::Kind::kClose);
  }
}

TEST(NetconfigBatchOk, CredentialsForRowsThatNeedThem) {
  int asked = 0;
  tSignInFields seen;
  tSignInAnswer answer{false, {"root", "pw", true}};
  auto prompt = [&](const tSignInFields& prefill) {
    ++asked;
    seen = prefill;
    return answer;
  };
  BatchNetworkSetup setup = MakeSetup(2, {}, "1");
  BatchStep step = setup.ClickOk(prompt);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(seen, (tSignInFields{"admin", "8629", false}));
  EXPECT_EQ(step.kind, BatchStep::Kind::kStay);
  EXPECT_FALSE(step.notice);
  EXPECT_EQ(Column(setup, kBatchIdpw), std::vector<std::string>(2, "1"));  // nothing changed

  answer.ok = true;
  step = setup.ClickOk(prompt);
  EXPECT_EQ(step.kind, BatchStep::Kind::kRunStatic);
  EXPECT_EQ(Column(setup, kBatchIdpw), std::vector<std::string>(2, "root:pw"));
  EXPECT_TRUE(setup.CredentialsEntered());
  EXPECT_EQ(setup.SignInPrefill(), (tSignInFields{"root", "pw", true}));
}

TEST(NetconfigBatchDhcp, ConfirmedAndCancelled) {
  std::vector<UserNotice> asked;
  bool confirm = false;
  auto question = [&](const UserNotice& q) {
    asked.push_back(q);
    return confirm;
  };
  BatchNetworkSetup setup = MakeSetup(2);
  setup.Assign(AssignKind::kIp, {"10", "0", "0", "1"});
  BatchStep step = setup.ClickDhcp(question, nullptr);
  EXPECT_EQ(step.kind, BatchStep::Kind::kStay);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, "Notice!");
  EXPECT_EQ(asked[0].text,
            "DHCP will automatically allocate available IP addresses and apply them to all "
            "devices displayed in the grid table.\n\nPlease click OK to contiue or CANCEL to "
            "terminate this process.");
  // Cancelled: column 3 emptied under its DHCP title, the dialog stays in DHCP mode.
  EXPECT_EQ(Column(setup, kBatchNewIp), std::vector<std::string>(2, ""));
  EXPECT_EQ(setup.Headers()[3], "DHCP Allocation Status");
  EXPECT_TRUE(setup.DhcpMode());
  EXPECT_EQ(setup.Buttons(), (BatchButtons{true, true, false, true, true}));

  confirm = true;
  step = setup.ClickDhcp(question, nullptr);
  EXPECT_EQ(step.kind, BatchStep::Kind::kRunDhcp);
  EXPECT_EQ(setup.Buttons(), (BatchButtons{false, false, false, false, true}));
  setup.RunFinished();
  EXPECT_EQ(setup.ClickOk(nullptr).kind, BatchStep::Kind::kClose);

  setup.ClickStatic();
  EXPECT_EQ(setup.Headers()[3], "Static IP Allocation");
}

TEST(NetconfigBatchSort, HeaderClicks) {
  BatchNetworkSetup setup(English(),
                          {BatchRowFor(Device("10.0.0.10", "m1")), BatchRowFor(Device("10.0.0.9", "m2")),
                           BatchRowFor(Device("9.1.1.1", "m3"))},
                          {});
  setup.Show();
  setup.ClickHeader(kBatchIp);
  EXPECT_EQ(Column(setup, kBatchIp), (std::vector<std::string>{"9.1.1.1", "10.0.0.9", "10.0.0.10"}));
  EXPECT_EQ(Column(setup, kBatchNo), (std::vector<std::string>{"1", "2", "3"}));
  setup.ClickHeader(kBatchIp);
  EXPECT_EQ(Column(setup, kBatchIp), (std::vector<std::string>{"10.0.0.10", "10.0.0.9", "9.1.1.1"}));
  setup.MutableRows()[0][kBatchModel] = "beta";
  setup.MutableRows()[1][kBatchModel] = "Alpha";
  setup.MutableRows()[2][kBatchModel] = "alpha";
  setup.ClickHeader(kBatchModel);
  EXPECT_EQ(setup.SortColumn(), kBatchModel);
  EXPECT_EQ(Column(setup, kBatchModel), (std::vector<std::string>{"Alpha", "alpha", "beta"}));
}

TEST(NetconfigBatchSender, OutcomePerRow) {
  const std::vector<BatchRow> rows = {
      BatchRowFor(Device("198.18.1.11", "00:00:00:00:00:11")),
      BatchRowFor(Device("198.18.1.12", "00:00:00:00:00:12")),
      BatchRowFor(Device("198.18.1.13", "00:00:00:00:00:13")),
      BatchRowFor(Device("198.18.1.14", "00:00:00:00:00:14")),
      BatchRow{},  // a selection that no device filled
  };
  int n = 0;
  ChannelFactory channels = [&]() -> std::unique_ptr<ControlChannel> {
    auto channel = std::make_unique<FakeControlChannel>();
    switch (n++) {
      case 0: channel->openResult = -1; break;
      case 1:
        channel->script.push_back(
            {{FakeControlChannel::Wire("ErrorIDPW,198.18.1.12,00:00:00:00:00:12")}});
        break;
      case 2:
        // Another device's refusal, then this one's.
        channel->script.push_back(
            {{FakeControlChannel::Wire("ErrorCmd,198.18.1.14,00:00:00:00:00:14"),
              FakeControlChannel::Wire("ErrorCmd,198.18.1.13,00:00:00:00:00:13")}});
        break;
      default: break;
    }
    return channel;
  };
  std::vector<std::string> outcomes;
  SendSetUpNetwork(rows, "static", false, channels,
                   [&](BatchRowResult r) {
                     EXPECT_EQ(r.row, outcomes.size());
                     outcomes.push_back(BatchOutcomeText(English(), r.outcome));
                   },
                   nullptr, QuickTiming());
  EXPECT_EQ(outcomes, (std::vector<std::string>{"Failed to be allocated.",
                                                "Username or password Error.", "Command Error.",
                                                "Successfully allocated.", "Failed to be allocated."}));
  EXPECT_EQ(n, 4);  // the empty row opens no channel
}

TEST(NetconfigBatchSender, RecordOfARow) {
  BatchRow row = BatchRowFor(Device("192.168.1.101", "00:11:22:33:44:55", "1"));
  row[kBatchNewIp] = "192.168.1.201";
  tComUnitInfo r = BatchRowRecord(row, "static", false);
  EXPECT_EQ(FieldText(r.ip), "192.168.1.201");
  EXPECT_EQ(FieldText(r.note), "static");
  EXPECT_EQ(FieldText(r.idpw), ":");  // the flag "1" is not a password
  row[kBatchNewIp] = "Successfully allocated.";  // after a run: the current address again
  row[kBatchIdpw] = "root:pw";
  r = BatchRowRecord(row, "dhcp", true);
  EXPECT_EQ(FieldText(r.ip), "192.168.1.101");
  EXPECT_EQ(FieldText(r.idpw), "root:pw");
  EXPECT_EQ(FieldText(r.vendor), "Kestrilon");
  EXPECT_EQ(FieldText(r.mac), "00:11:22:33:44:55");
}

}  // namespace
}  // namespace scanvale
