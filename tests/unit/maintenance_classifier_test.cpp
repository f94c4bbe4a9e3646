#include <gtest/gtest.h>

#include <string>

#include "maintenance/reply_classifier.h"

namespace scanvale {
namespace {

constexpr auto kLink = LinkVariant::kLink;
constexpr auto kApi = LinkVariant::kApi;
constexpr auto kUpload = LinkVariant::kUpload;

std::string Props(const char* date, const char* ptz = nullptr) {
  std::string reply = "HTTP/1.1 200 OK\r\n\r\nroot.Properties.Firmware.BuildDate=";
  reply += date;
  reply += "\r\n";
  if (ptz) reply += std::string("root.Properties.PTZ.PTZ=") + ptz + "\r\n";
  return reply;
}

TEST(ReplyClassification, TheWholeTable) {
  struct Case {
    const char* what;
    LinkVariant variant;
    std::string command;
    std::string reply;
    bool peerClosed;
    int code;
    bool invalidFile;
  } cases[] = {
      {"platform A5S55", kUpload, "GET_Device_CheckA5S", "A5S55", false, 1, false},
      {"platform A5S66", kUpload, "GET_Device_CheckA5S", "x A5S66 y", false, 1, false},
      {"platform A5S88", kUpload, "GET_Device_CheckA5S", "A5S88", false, 1, false},
      {"platform unknown", kUpload, "GET_Device_CheckA5S", "Unkown type", false, 2, false},
      {"platform other", kUpload, "GET_Device_CheckA5S", "200 OK A5S77", false, 0, false},
      {"platform beats OK", kUpload, "GET_Device_CheckA5S", "OK Invalid File", false, 0, false},

      {"date Sep 30 2011", kLink, "GET_Firmware_Version_Check", Props("Sep 30 2011"), false, 1, false},
      {"date Oct 1 2011", kLink, "GET_Firmware_Version_Check", Props("Oct 1 2011"), false, 0, false},
      {"date lower-case month", kLink, "GET_Firmware_Version_Check", Props("oct 12 2011"), false, 1, false},
      {"date missing key", kLink, "GET_Firmware_Version_Check", "HTTP/1.1 200 OK", false, 0, false},
      {"PTZ ignored by CreateLink", kLink, "GET_Firmware_Version_Check",
       Props("Jun 1 2012", "P/T/Z"), false, 0, false},
      {"PTZ bit upload", kUpload, "GET_Firmware_Version_Check", Props("Jun 1 2012", "P/T/Z"), false, 0x10, false},
      {"PTZ bit api", kApi, "GET_Firmware_Version_Check", Props("Jun 1 2012", "P/T/Z"), false, 0x10, false},
      {"PTZ too early", kUpload, "GET_Firmware_Version_Check", Props("May 31 2012", "P/T/Z"), false, 0, false},
      {"PTZ other value", kUpload, "GET_Firmware_Version_Check", Props("Jun 1 2012", "P/T"), false, 0, false},
      {"PTZ longer value", kUpload, "GET_Firmware_Version_Check", Props("Jun 1 2012", "P/T/Zoom"), false, 0, false},

      {"OK and Invalid File", kLink, "", "HTTP/1.1 200 OK\r\n\r\nInvalid File", false, 0, true},
      {"Invalid File wins for POST", kUpload, "POST", "OK Invalid File", true, 0, true},
      {"Invalid File alone", kLink, "", "Invalid File", false, 0, false},
      {"OK", kLink, "", "HTTP/1.1 200 OK", false, 1, false},
      {"OK before 503 for upload", kUpload, "POST", "503 Service Unavailable OK", false, 1, false},
      {"503 upload", kUpload, "POST", "HTTP/1.1 503 Service Unavailable", true, 0, false},
      {"503 not a row for CreateLink", kLink, "POST", "<p>503 Service Unavailable</p>", true, 1, false},
      {"503 not a row for API", kApi, "POST", "<p>503 Service Unavailable</p>", true, 1, false},
      {"POST closed", kUpload, "POST", "HTTP/1.1 100 Continue", true, 1, false},
      {"POST refused, then closed", kUpload, "POST", "HTTP/1.1 401 Unauthorized", true, 0, false},
      {"POST failed, then closed", kLink, "POST", "HTTP/1.0 500 Internal Error", true, 0, false},
      {"POST 503, then closed", kApi, "POST", "HTTP/1.1 503 Service Unavailable", true, 0, false},
      {"POST closed empty", kUpload, "POST", "", true, 1, false},
      {"POST timed out", kUpload, "POST", "HTTP/1.1 100 Continue", false, 0, false},
      {"closed but not POST", kLink, "", "HTTP/1.1 401 Unauthorized", true, 0, false},
      {"case matters", kLink, "", "HTTP/1.1 200 ok", false, 0, false},
      {"before upgrade OK", kUpload, "GET_Before_Upgrade", "OK", false, 1, false},
      {"API typed command is just another kind", kApi, "cgi-bin/admin/restart.cgi", "OK", false, 1, false},
  };
  for (const Case& c : cases) {
    const tClassification got = ClassifyReply(c.variant, c.command, c.reply, c.peerClosed, "198.18.1.2");
    EXPECT_EQ(got.code, c.code) << c.what;
    EXPECT_EQ(got.invalidFile, c.invalidFile) << c.what;
  }
}

TEST(ReplyClassification, BuildDateNumbers) {
  const std::pair<std::string, long long> cases[] = {
      {Props("Oct 12 2011"), 20111012},
      {Props("Dec 31 1999"), 19991231},
      {Props("Oct12 2011"), 2011},          // the month word swallows the day
      {Props("Oct"), 1000},                  // day and year not read
      {Props(""), 0},                        // no word at all
      {"root.Properties.Firmware.BuildDate:Oct 12 2011", 0},  // no "=": nothing scanned
      {"root.Properties.Firmware.BuildDate=Oct 12 201", 2011012},
  };
  for (const auto& [reply, date] : cases) EXPECT_EQ(ParseBuildDate(reply), date) << reply;
  // A year no device has: read with saturation, never overflowing into a small number.
  EXPECT_GT(ParseBuildDate(Props("Oct 12 99999999999999")), 20111012);
  // Only the first 50 characters from the key are read.
  EXPECT_EQ(ParseBuildDate("root.Properties.Firmware.BuildDate=Oct            12 2011"), 1000);
}

TEST(ReplyClassification, MonthWordsAreExact) {
  EXPECT_EQ(MonthNumber("Jan"), 1);
  EXPECT_EQ(MonthNumber("Sep"), 9);
  EXPECT_EQ(MonthNumber("Dec"), 12);
  EXPECT_EQ(MonthNumber("oct"), 0);
  EXPECT_EQ(MonthNumber("October"), 0);
  EXPECT_EQ(MonthNumber(""), 0);
}

TEST(ReplyClassification, PtzValue) {
  EXPECT_EQ(ParsePtzValue("root.Properties.PTZ.PTZ=P/T/Z\r\n"), "P/T/Z");
  EXPECT_EQ(ParsePtzValue("x"), "");
  EXPECT_EQ(ParsePtzValue("root.Properties.PTZ.PTZ=ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNO");
}

}  // namespace
}  // namespace scanvale
