#include <gtest/gtest.h>

#include <set>
#include <string>

#include "maintenance/digest_auth.h"

namespace scanvale {
namespace {

TEST(DigestAuth, Rfc2617ExampleKnownAnswer) {
  tDigestChallenge challenge;
  ASSERT_EQ(ParseDigestChallenge(
                "HTTP/1.1 401 Unauthorized\r\n"
                "WWW-Authenticate: Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"\r\n\r\n",
                challenge),
            0);
  EXPECT_EQ(challenge.realm, "testrealm@host.com");
  EXPECT_EQ(challenge.qop, "auth");  // one protection chosen from the offered list
  EXPECT_EQ(challenge.nonce, "dcd98b7102dd2f0e8b11d0f600bfb0c093");
  EXPECT_EQ(MakeDigestResponse(challenge, "Mufasa", "Circle Of Life", "GET", "/dir/index.html", 1,
                               "0a4f113b"),
            "Authorization: Digest username=\"Mufasa\",realm=\"testrealm@host.com\","
            "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\",uri=\"/dir/index.html\","
            "cnonce=\"0a4f113b\",nc=00000001,algorithm=MD5,"
            "response=\"6629fae49393a05397450978507c4ef1\",qop=\"auth\"");
}

TEST(DigestAuth, CounterAndFreshCnonceForEveryResponse) {
  const tDigestChallenge challenge{"r", "auth", "n"};
  std::set<std::string> cnonces;
  for (int i = 0; i < 50; ++i) cnonces.insert(MakeCnonce());
  EXPECT_EQ(cnonces.size(), 50u);  // all within the same second, all different
  for (const std::string& c : cnonces) EXPECT_EQ(c.find_first_not_of("0123456789abcdef"), std::string::npos);

  const std::string first = MakeDigestResponse(challenge, "u", "p", "GET", "/auth/login", 1);
  const std::string second = MakeDigestResponse(challenge, "u", "p", "GET", "/auth/login", 2);
  EXPECT_NE(first.find(",nc=00000001,"), std::string::npos);
  EXPECT_NE(second.find(",nc=00000002,"), std::string::npos);
  auto cnonceOf = [](const std::string& line) {
    const auto at = line.find("cnonce=\"") + 8;
    return line.substr(at, line.find('"', at) - at);
  };
  EXPECT_EQ(cnonceOf(first).size(), 32u);
  EXPECT_NE(cnonceOf(first), cnonceOf(second));
}

TEST(DigestAuth, ChallengeValues) {
  struct Case {
    const char* reply;
    int result;
    const char* realm;
    const char* qop;
    const char* nonce;
  } cases[] = {
      {"Digest realm=\"R\", nonce=\"N\", qop=\"auth\"", 0, "R", "auth", "N"},
      {"Digest realm=R, nonce=N1,qop=auth\r\n", 0, "R", "auth", "N1"},  // unquoted values
      {"Digest realm=\"R\", qop=\"auth-int\", nonce=\"N\"", 0, "R", "auth-int", "N"},
      {"Digest realm=\"R\", nonce=\"N\"", -1, "", "", ""},               // no qop
      {"Digest qop=\"auth\", nonce=\"N\"", -1, "", "", ""},              // no realm
      {"Digest realm=\"R\", qop=\"auth\"", -1, "", "", ""},              // no nonce
      {"Digest realm=\"R\", qop=\"auth\", nonce=\"unterminated", -1, "", "", ""},
      {"Digest realm=\"\", qop=\"auth\", nonce=\"N\"", -1, "", "", ""},  // empty realm
      // A line break inside a quoted value would reach our next request's header.
      {"Digest realm=\"R\r\nX-Evil: 1\", qop=\"auth\", nonce=\"N\"", -1, "", "", ""},
      {"Digest realm=\"R\", qop=\"auth\", nonce=\"N\nGET / HTTP/1.1\"", -1, "", "", ""},
  };
  for (const Case& c : cases) {
    tDigestChallenge got;
    EXPECT_EQ(ParseDigestChallenge(c.reply, got), c.result) << c.reply;
    if (c.result != 0) continue;
    EXPECT_EQ(got.realm, c.realm) << c.reply;
    EXPECT_EQ(got.qop, c.qop) << c.reply;
    EXPECT_EQ(got.nonce, c.nonce) << c.reply;
  }
  // 127 characters fit the field; 128 are refused rather than cut.
  tDigestChallenge got;
  const std::string fits(127, 'n'), over(128, 'n');
  EXPECT_EQ(ParseDigestChallenge("realm=\"R\" qop=\"auth\" nonce=\"" + fits + "\"", got), 0);
  EXPECT_EQ(got.nonce, fits);
  EXPECT_EQ(ParseDigestChallenge("realm=\"R\" qop=\"auth\" nonce=\"" + over + "\"", got), -1);
  EXPECT_EQ(got.nonce, fits);  // untouched on failure

  std::string nonce;
  EXPECT_EQ(ParseDigestNonce("WWW-Authenticate: Digest realm=\"R\", nonce=\"second\"", nonce), 0);
  EXPECT_EQ(nonce, "second");
  EXPECT_EQ(ParseDigestNonce("HTTP/1.1 401 Unauthorized", nonce), -1);
}

}  // namespace
}  // namespace scanvale
