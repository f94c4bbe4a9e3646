#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/base64.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"
#include "protocol/md5.h"

namespace scanvale {
namespace {

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : cases) EXPECT_EQ(Md5Hex(text), digest) << text;
}

TEST(Md5, FedInPiecesEqualsWhole) {
  const std::string text(1000, 'x');
  Md5 pieces;
  for (std::size_t i = 0; i < text.size(); i += 37) pieces.Update(text.substr(i, 37));
  Md5 whole;
  whole.Update(text);
  EXPECT_EQ(pieces.Finish(), whole.Finish());
}

TEST(Base64, Rfc4648VectorsBothWays) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Base64Encode(plain), encoded);
    unsigned char out[16] = {};
    const int n = Base64Decode(out, sizeof out, encoded);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(n)), plain);
  }
}

TEST(Base64, DecodeSkipsForeignCharactersStopsAtPadAndCountsLimitInAlphabet) {
  struct Case {
    const char* input;
    int limit;
    const char* expected;
  } cases[] = {
      {"Zm9v\r\nYmFy", -1, "foobar"},   // line breaks inside decode as without
      {"Zm 9v*Ym-Fy", -1, "foobar"},    // other foreign characters are skipped too
      {"Zg==Zm9v", -1, "f"},            // "=" stops
      {"Zm9vYmFy", 4, "foo"},           // the limit counts alphabet characters used ...
      {"Z\nm\n9\nv\nYmFy", 4, "foo"},   // ... skipped ones do not count
      {"Zm9vY", -1, "foo"},             // bits left over are dropped
  };
  for (const auto& c : cases) {
    unsigned char out[16] = {};
    const int n = Base64Decode(out, sizeof out, c.input, c.limit);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(n)), c.expected)
        << c.input;
  }
}

TEST(Base64, DecodeNeverWritesPastCapacity) {
  const std::string long_text(4000, 'A');
  std::vector<unsigned char> out(10, 0x55);
  EXPECT_EQ(Base64Decode(out.data(), 8, long_text), 8);
  EXPECT_EQ(out[8], 0x55);
}

TEST(WireForm, AbcAndTheSearchQuery) {
  EXPECT_EQ(EncodeWire("abc"), "np2c/w==");
  std::string query;
  ASSERT_EQ(MakeControlPkg(kFlagQuery, query, nullptr), 0);
  EXPECT_EQ(query.size(), 24u);
  EXPECT_EQ(query.find('='), std::string::npos);
  const std::string decoded = DecodeWire(query);
  EXPECT_EQ(decoded, std::string("Kestrilon,00,????") + '\0');

  std::string relay;
  ASSERT_EQ(MakeControlPkg(kFlagRelayQuery, relay, nullptr), 0);
  EXPECT_EQ(DecodeWire(relay), std::string("Kestrilon,02,????") + '\0');
}

TEST(InvertBytes, ComplementsAndRejectsNoBuffer) {
  unsigned char bytes[] = {0x00, 0xFF, 0x0F, 'a'};
  EXPECT_EQ(InvertBytes(bytes, sizeof bytes), 0);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0x00);
  EXPECT_EQ(bytes[2], 0xF0);
  EXPECT_EQ(bytes[3], 255 - 'a');
  EXPECT_EQ(InvertBytes(nullptr, 4), -1);
}

TEST(MakeControlPkg, SetNetworkPackageCarriesDigestNotCredentials) {
  tComUnitInfo r = MakeRecord({{Field::vendor, "Acme"},
                               {Field::model, "CAM-1"},
                               {Field::proj, "IP-Cam"},
                               {Field::name, "door"},
                               {Field::ip, "198.18.1.20"},
                               {Field::trigger_port, "80"},
                               {Field::netmask, "255.255.255.0"},
                               {Field::gateway, "198.18.1.1"},
                               {Field::dns, "198.18.1.1"},
                               {Field::mac, "00:11:22:33:44:55"},
                               {Field::dev, "d"},
                               {Field::note, "static"},
                               {Field::idpw, "admin:secret"}});
  DiagLog::ClearRecent();
  std::string wire;
  ASSERT_EQ(MakeControlPkg(kFlagSetNetwork, wire, &r), 0);
  const std::string text =
      "Acme,03,CAM-1,IP-Cam,door,198.18.1.20,80,255.255.255.0,198.18.1.1,198.18.1.1,"
      "00:11:22:33:44:55,d,static," + Md5Hex("admin:secret");
  EXPECT_EQ(DecodeWire(wire), text + '\0');
  const auto lines = DiagLog::Recent();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "pInfo->idpw[admin:***]") << "the log never shows the password";
  EXPECT_EQ(lines[1], "[" + text + "]");
}

TEST(DiagLog, AnEntryIsCutSoAFloodCannotFillTheLog) {
  DiagLog::ClearRecent();
  DiagLog::Printf("recv msg - [%s]", std::string(65536, 'x').c_str());
  ASSERT_EQ(DiagLog::Recent().size(), 1u);
  EXPECT_EQ(DiagLog::Recent()[0].size(), 2048u);
  EXPECT_TRUE(DiagLog::Recent()[0].starts_with("recv msg - [xxx"));
}

TEST(MakeControlPkg, DigestOfEmptyCredentials) {
  // An empty ID and password are sent as ":"; a record with no idpw at all digests "".
  EXPECT_EQ(Md5Hex(":"), "853ae90f0351324bd73ea615e6487517");
  tComUnitInfo r = MakeRecord({{Field::idpw, ":"}});
  EXPECT_TRUE(ControlPkgText(kFlagSetNetwork, &r).ends_with(",853ae90f0351324bd73ea615e6487517"));
  r = MakeRecord({});
  EXPECT_TRUE(ControlPkgText(kFlagSetNetwork, &r).ends_with("," + Md5Hex("")));
}

TEST(MakeControlPkg, RefusalsLogTheirLine) {
  const struct {
    int flag;
    const char* line;
  } cases[] = {{kFlagSetNetwork, "Invalid pInfo [3]"},
               {kFlagReply, "Invalid pInfo [1]"},
               {7, "Undefined flag = 7"}};
  for (const auto& c : cases) {
    DiagLog::ClearRecent();
    std::string out = "stale";
    EXPECT_EQ(MakeControlPkg(c.flag, out, nullptr), -1);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(DiagLog::Recent().size(), 1u);
    EXPECT_EQ(DiagLog::Recent()[0], c.line);
  }
}

}  // namespace
}  // namespace scanvale
