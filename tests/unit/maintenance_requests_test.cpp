#include <gtest/gtest.h>

#include <string>

#include "maintenance/http_request.h"

namespace scanvale {
namespace {

// The texts below are written out in full on purpose: a change to any header line, its
// order, a missing CR LF or the closing empty line must show here.
const std::string kAcceptAB =
    "Accept: image/gif, image/jpeg, image/pjpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, "
    "application/x-ms-application, application/x-ms-xbap, application/vnd.ms-xpsdocument, "
    "application/xaml+xml, */*\r\n";

TEST(MaintenanceRequests, SetAByteForByte) {
  const std::string expected =
      "GET /cgi-bin/admin/restart.cgi HTTP/1.1\r\n" + kAcceptAB +
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Host: 198.18.1.10\r\n"
      "Connection: Keep-Alive\r\n"
      "Authorization: Basic YWRtaW46ODYyOQ==\r\n"
      "\r\n";
  EXPECT_EQ(MakeRequestSetA(MakeGetLine("/cgi-bin/admin/restart.cgi"), "198.18.1.10",
                            MakeBasicAuth("admin", "8629")),
            expected);
}

TEST(MaintenanceRequests, SetBDiffersFromAOnlyInTheUserAgent) {
  const std::string expected =
      "GET /cgi-bin/kesttest/default_test.cgi HTTP/1.1\r\n" + kAcceptAB +
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; "
      ".NET CLR 1.1.4322; .NET CLR 2.0.50727; .NET CLR 3.0.4506.2152; .NET CLR 3.5.30729)\r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Host: 198.18.2.7\r\n"
      "Connection: Keep-Alive\r\n"
      "Authorization: Basic Og==\r\n"
      "\r\n";
  EXPECT_EQ(MakeRequestSetB("GET /cgi-bin/kesttest/default_test.cgi HTTP/1.1", "198.18.2.7",
                            MakeBasicAuth("", "")),
            expected);
}

TEST(MaintenanceRequests, SetCWithAndWithoutAuthorization) {
  const std::string head =
      "GET /auth/login HTTP/1.1\r\n"
      "Accept: text/html, application/xhtml+xml, */*\r\n"
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/6.0)\r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Host: 198.18.3.9\r\n"
      "DNT: 1\r\n"
      "Connection: Keep-Alive\r\n";
  EXPECT_EQ(MakeRequestSetC("GET /auth/login HTTP/1.1", "198.18.3.9"), head + "\r\n");
  EXPECT_EQ(MakeRequestSetC("GET /auth/login HTTP/1.1", "198.18.3.9",
                            "Authorization: Digest username=\"a\""),
            head + "Authorization: Digest username=\"a\"\r\n\r\n");
}

TEST(MaintenanceRequests, BasicAuthIsBase64OfUserColonPassword) {
  EXPECT_EQ(MakeBasicAuth("", ""), "Og==");  // a lone colon
  EXPECT_EQ(MakeBasicAuth("admin", ""), "YWRtaW46");
  EXPECT_EQ(MakeBasicAuth("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
  EXPECT_EQ(MakeBasicAuth("user:x", "p\xe9"), "dXNlcjp4OnDp");  // bytes as they are
}

TEST(MaintenanceRequests, PortTextIsLeadingDigitsElseZero) {
  const std::pair<const char*, int> cases[] = {
      {"80", 80},   {"8080x", 8080}, {" 81", 81},   {"", 0},        {"http", 0},
      {"-80", 0},   {"65535", 65535}, {"65536", 0}, {"99999999999", 0}, {"0", 0},
  };
  for (const auto& [text, port] : cases) EXPECT_EQ(ParsePortText(text), port) << text;
}

}  // namespace
}  // namespace scanvale
