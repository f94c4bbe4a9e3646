// Input filters, the exit checks of the address fields and Apply's checks, credentials,
// record and report in the single-device network dialog.
#include <gtest/gtest.h>

#include "language/messages.h"
#include "netconfig/address_rules.h"
#include "netconfig/exit_checks.h"
#include "netconfig/input_filter.h"
#include "netconfig/net_form_apply.h"
#include "protocol/control_package.h"
#include "protocol/md5.h"

namespace scanvale {
namespace {

const MessageTexts& English() {
  static const MessageTexts texts;
  return texts;
}

NetFormFields StaticFields(std::string ip = "192.168.1.10", std::string netmask = "255.255.255.0",
                           std::string gateway = "192.168.1.1") {
  NetFormFields f;
  f.model = "CamX";
  f.proj = "IP-Cam";
  f.name = "gate";
  f.mac = "00:11:22:33:44:55";
  f.ip = std::move(ip);
  f.netmask = std::move(netmask);
  f.gateway = std::move(gateway);
  f.dns = "192.168.1.1";
  f.dev = "1";
  f.port = "80";
  f.type = NetworkType::kStatic;
  return f;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

TEST(NetconfigInputFilter, StripsAndPlacesCaret) {
  const struct {
    const char* what;
    FilteredText (*filter)(std::string_view, int);
    const char* text;
    int caret;
    const char* expect;
    int expectCaret;
  } cases[] = {
      {"comma in a name", FilterIdentityField, "ab,c", 3, "abc", 2},
      {"letter typed into IP", FilterAddressField, "192.16a8", 7, "192.168", 6},
      {"comma typed into IP", FilterAddressField, "192,", 4, "192", 3},
      // A paste of "1x2,3" ending at position 9: two characters go, the caret two places back.
      {"paste with two bad characters", FilterAddressField, "10.1x2,3.4", 9, "10.123.4", 7},
      {"caret past the shorter text", FilterAddressField, "a.b.c", 1, "..", 0},
      {"octet field keeps digits only", FilterDigitField, "1.9x", 4, "19", 2},
      {"nothing to strip", FilterIdentityField, "MAC:00", 2, "MAC:00", 2},
  };
  for (const auto& c : cases) {
    const FilteredText out = c.filter(c.text, c.caret);
    EXPECT_EQ(out.text, c.expect) << c.what;
    EXPECT_EQ(out.caret, c.expectCaret) << c.what;
  }
}

TEST(NetconfigAddressRules, NetmaskForms) {
  const struct {
    const char* netmask;
    bool accepted;
  } cases[] = {
      {"255.255.255.0", true},   {"255.255.255.128", true}, {"255.255.254.0", true},
      {"255.0.0.0", true},       {"255.255.255.252", true}, {"255.255.255.255", true},
      {"255.255.0.255", false},  {"255.0.255.0", false},    {"255.255.253.0", false},
      {"0.255.255.255", false},  {"255.255.127.0", false},  {"255.192.255.0", false},
      {"255.255.1.0", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsNetmaskForm(OctetNumbers(c.netmask)), c.accepted) << c.netmask;
}

TEST(NetconfigAddressRules, SplitsLikeTheOctetPattern) {
  const OctetTexts three = SplitOctets("255.255.0");
  EXPECT_EQ(three.count, 3);
  EXPECT_TRUE(three.part[3].empty());
  const OctetTexts rest = SplitOctets("1.2.3.4.5");
  EXPECT_EQ(rest.count, 4);
  EXPECT_EQ(rest.part[3], "4.5");
  EXPECT_EQ(SplitOctets(".1.2.3").count, 0);
  EXPECT_EQ(OctetNumber("99999999999999999999"), 1000000000L);
  EXPECT_TRUE(AddressLess("10.0.0.9", "10.0.0.10"));
  EXPECT_TRUE(AddressLess("9.1.1.1", "10.0.0.1"));
}

TEST(NetconfigApply, NetmaskAndGatewayChecks) {
  const struct {
    const char* what;
    NetFormFields fields;
    const char* expect;  // empty: Apply may go on
  } cases[] = {
      {"plain /24", StaticFields(), ""},
      {"netmask octet missing", StaticFields("192.168.1.10", "255.255.255"), "Invalid Netmask."},
      {"netmask octet above 255", StaticFields("192.168.1.10", "255.255.256.0"), "Invalid Netmask."},
      {"netmask form", StaticFields("192.168.1.10", "255.255.0.255"), "Invalid Netmask."},
      {"fourth octet under mask 128",
       StaticFields("192.168.1.10", "255.255.255.128", "192.168.1.200"), "Invalid Netmask."},
      // Apply tests only the fourth octet; leaving Gateway makes the full test.
      {"gateway in another /24", StaticFields("192.168.1.10", "255.255.255.0", "192.168.2.1"), ""},
      {"address longer than its field", StaticFields("192.168.001.0010"),
       "Invalid IP Address - [192.168.001.0010]"},
      {"edited address never checked on leaving", StaticFields("192.168.1."),
       "Invalid IP Address - [192.168.1.]"},
  };
  for (const auto& c : cases) {
    const auto notice = CheckNetFormFields(English(), c.fields);
    EXPECT_EQ(notice ? notice->text : std::string(), c.expect) << c.what;
  }

  NetFormFields none = StaticFields();
  none.type = NetworkType::kNone;
  auto refused = CheckNetFormFields(English(), none);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->text, "Please specify the network type first.");
  EXPECT_EQ(refused->caption, "Warning");

  // The fields are disabled in DHCP mode, and still the netmask rules hold.
  NetFormFields dhcp = StaticFields("192.168.1.10", "255.0.255.0");
  dhcp.type = NetworkType::kDhcp;
  refused = CheckNetFormFields(English(), dhcp);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->text, "Invalid Netmask.");
  EXPECT_EQ(refused->caption, "Notice");
  // ... but a device's empty DNS does not stop a return to DHCP.
  dhcp.netmask = "255.255.255.0";
  dhcp.dns = "";
  EXPECT_FALSE(CheckNetFormFields(English(), dhcp));
}

TEST(NetconfigExitCheck, FieldTable) {
  const AddressFieldTexts good{"192.168.1.10", "192.168.1.1", "255.255.255.0", "8.8.8.8"};
  const struct {
    const char* what;
    AddressField field;
    const char* label;
    AddressFieldTexts values;
    const char* expect;
  } cases[] = {
      {"short netmask", AddressField::kNetmask, "Netmask  ",
       {"192.168.1.10", "192.168.1.1", "255.255.0", "8.8.8.8"}, "Invalid Netmask - [255.255.0]"},
      {"broadcast DNS", AddressField::kDns, "DNS", {"192.168.1.10", "192.168.1.1", "255.255.255.0",
       "255.255.255.255"}, "Invalid DNS - [255.255.255.255]"},
      {"empty IP", AddressField::kIp, "IP Address", {"", "192.168.1.1", "255.255.255.0", "8.8.8.8"},
       "Invalid IP Address - []"},
      {"gateway outside the subnet", AddressField::kGateway, "Gateway",
       {"192.168.1.10", "192.168.2.1", "255.255.255.0", "8.8.8.8"},
       "Unresonable Gateway - [192.168.2.1]"},
      {"gateway inside", AddressField::kGateway, "Gateway", good, ""},
      // inet_addr would read these short forms; a device would not read them as we do.
      {"two-part address", AddressField::kIp, "IP Address",
       {"10.1", "192.168.1.1", "255.255.255.0", "8.8.8.8"}, "Invalid IP Address - [10.1]"},
      {"octal-looking octet past 3 digits", AddressField::kDns, "DNS",
       {"192.168.1.10", "192.168.1.1", "255.255.255.0", "8.8.8.0010"},
       "Invalid DNS - [8.8.8.0010]"},
      {"IP is not tested against the gateway", AddressField::kIp, "IP Address",
       {"10.0.0.1", "192.168.1.1", "255.255.255.0", "8.8.8.8"}, ""},
  };
  for (const auto& c : cases) {
    const auto notice = CheckAddressFieldOnExit(English(), c.field, c.label, c.values);
    EXPECT_EQ(notice ? notice->text : std::string(), c.expect) << c.what;
    if (notice) {
      EXPECT_EQ(notice->caption, "Warning") << c.what;
    }
  }
}

struct PromptLog {
  int asked = 0;
  tSignInFields seen;
  tSignInAnswer answer;
  CredentialsPrompt Prompt() {
    return [this](const tSignInFields& prefill) {
      ++asked;
      seen = prefill;
      return answer;
    };
  }
};

TEST(NetconfigApply, CredentialsOnlyForFlagOne) {
  const std::list<tComUnitInfo> devices;
  const tSignInFields prefill{"admin", "8629", false};
  for (const char* flag : {"0", "", "1 ", "01", "true"}) {
    PromptLog log;
    const NetFormDevice device{"192.168.1.10", "Kestrilon", flag};
    const NetFormPlan plan =
        PrepareNetFormApply(English(), StaticFields(), device, devices, prefill, log.Prompt());
    EXPECT_EQ(log.asked, 0) << "flag [" << flag << "]";
    ASSERT_EQ(plan.step, NetFormPlan::Step::kSend) << flag;
    EXPECT_FALSE(plan.credentialsAsked);
    EXPECT_EQ(SplitCommas(DecodeWire(plan.wire).c_str()).back(), Md5Hex(":")) << flag;
  }

  PromptLog log;
  log.answer = {true, {"root", "s3cret", false}};
  const NetFormDevice device{"192.168.1.10", "Kestrilon", "1"};
  NetFormPlan plan =
      PrepareNetFormApply(English(), StaticFields(), device, devices, prefill, log.Prompt());
  EXPECT_EQ(log.asked, 1);
  EXPECT_EQ(log.seen, prefill);
  ASSERT_EQ(plan.step, NetFormPlan::Step::kSend);
  EXPECT_TRUE(plan.credentialsAsked);
  EXPECT_EQ(SplitCommas(DecodeWire(plan.wire).c_str()).back(), Md5Hex("root:s3cret"));

  log.answer = {false, {"root", "s3cret", true}};
  plan = PrepareNetFormApply(English(), StaticFields(), device, devices, prefill, log.Prompt());
  EXPECT_EQ(plan.step, NetFormPlan::Step::kCancelled);
  EXPECT_FALSE(plan.notice);
  EXPECT_TRUE(plan.wire.empty());
}

TEST(NetconfigApply, ConflictRules) {
  const std::list<tComUnitInfo> devices = {
      MakeRecord({{Field::ip, "192.168.1.10"}, {Field::mac, "00:11:22:33:44:55"}}),
      MakeRecord({{Field::ip, "192.168.1.20"}, {Field::mac, "00:11:22:33:44:66"}})};
  const NetFormDevice device{"192.168.1.10", "Kestrilon", "0"};
  const struct {
    const char* newIp;
    bool conflict;
  } cases[] = {{"192.168.1.20", true}, {"192.168.1.10", false}, {"192.168.1.30", false},
               {"192.168.1.2", false}};
  for (const auto& c : cases) {
    const NetFormPlan plan = PrepareNetFormApply(English(), StaticFields(c.newIp), device, devices,
                                                 {}, nullptr);
    EXPECT_EQ(plan.step == NetFormPlan::Step::kStop, c.conflict) << c.newIp;
    if (c.conflict) {
      ASSERT_TRUE(plan.notice);
      EXPECT_EQ(plan.notice->text, "IP address conflict");
      EXPECT_EQ(plan.notice->caption, "Notice");
    }
  }
}

TEST(NetconfigApply, PackageFromTheFields) {
  NetFormFields f = StaticFields("192.168.1.77");
  f.model = "Model,With,Commas" + std::string(100, 'm');
  f.name = "line\nbreak";
  f.dev = "dev,0123456789abcdef";
  const NetFormDevice device{"192.168.1.10", "Acme,Vendor", "0"};
  const NetFormPlan plan = PrepareNetFormApply(English(), f, device, {}, {}, nullptr);
  ASSERT_EQ(plan.step, NetFormPlan::Step::kSend);
  const std::string text = DecodeWire(plan.wire).c_str();
  const std::vector<std::string> fields = SplitCommas(text);
  ASSERT_EQ(fields.size(), 14u) << text;
  EXPECT_EQ(fields[0], "AcmeVendor");
  EXPECT_EQ(fields[1], "03");
  EXPECT_EQ(fields[2], ("ModelWithCommas" + std::string(100, 'm')).substr(0, 63));
  EXPECT_EQ(fields[4], "linebreak");
  EXPECT_EQ(fields[5], "192.168.1.77");
  EXPECT_EQ(fields[6], "80");
  EXPECT_EQ(fields[7], "255.255.255.0");
  EXPECT_EQ(fields[8], "192.168.1.1");
  EXPECT_EQ(fields[10], "00:11:22:33:44:55");
  EXPECT_EQ(fields[11], "dev0123456789ab");
  EXPECT_EQ(fields[12], "static");
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST(NetconfigApply, Reports) {
  const struct {
    SetNetworkOutcome outcome;
    const char* text;
  } cases[] = {
      {SetNetworkOutcome::kFailed, "Failed to send the control package."},
      {SetNetworkOutcome::kCredentialsRefused,
       "Username or password Error.\nPlease check username & password."},
      {SetNetworkOutcome::kCommandRefused, "Control package Error.\nPlease check setting."},
      {SetNetworkOutcome::kSent,
       "Control package sent.\nPlease try to re-search the device after one minute."},
  };
  for (const auto& c : cases) {
    const UserNotice notice = NetFormReport(English(), c.outcome);
    EXPECT_EQ(notice.text, c.text);
    EXPECT_EQ(notice.caption, "Notice");
  }
}

}  // namespace
}  // namespace scanvale
