// `scanvale-cli search`: option parsing and the three output formats.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "discovery/search_command.h"

namespace scanvale {
namespace {

TEST(SearchOptions, AcceptedForms) {
  const struct {
    std::vector<std::string> args;
    bool all;
    const char* adapter;
    const char* relay;
    const char* protocol;
    const char* delay;
    const char* filter;
    int sort;
    OutputFormat format;
  } cases[] = {
      {{}, true, "", "", "udp", "middle", "ALL", 0, OutputFormat::kTable},
      {{"--adapter", "198.18.1.1"}, false, "198.18.1.1", "", "udp", "middle", "ALL", 0, OutputFormat::kTable},
      {{"--adapter=all", "--delay=short", "--format=json"}, true, "", "", "udp", "short", "ALL", 0, OutputFormat::kJson},
      {{"--relay", "198.18.2.50", "--protocol", "tcp", "--sort", "ip"}, true, "", "198.18.2.50", "tcp", "middle", "ALL", 3, OutputFormat::kTable},
      {{"--relay", "relay.example", "--protocol", "http"}, true, "", "relay.example", "http", "middle", "ALL", 0, OutputFormat::kTable},
      {{"--filter", "NVR/VSS", "--sort", "mac", "--format", "csv", "--delay", "long"}, true, "", "", "udp", "long", "NVR/VSS", 6, OutputFormat::kCsv},
  };
  for (const auto& c : cases) {
    SearchCommandOptions o;
    std::string error;
    ASSERT_TRUE(ParseSearchOptions(c.args, o, error)) << error;
    EXPECT_EQ(o.allAdapters, c.all);
    EXPECT_EQ(o.adapter, c.adapter);
    EXPECT_EQ(o.relay, c.relay);
    EXPECT_EQ(o.protocol, c.protocol);
    EXPECT_EQ(o.delay, c.delay);
    EXPECT_EQ(o.filter, c.filter);
    EXPECT_EQ(o.sortColumn, c.sort);
    EXPECT_EQ(o.format, c.format);
  }
}

TEST(SearchOptions, RefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {"--adapter"},                                  // no value
      {"--adapter", "eth0"},                          // not an address
      {"--adapter", "198.18.1"},                      // not dotted quad
      {"--delay", "Short"},                           // words are lower case
      {"--sort", "firmware"},
      {"--format", "xml"},
      {"--protocol", "tcp"},                          // no relay to speak it to
      {"--relay", "relay.example"},                   // udp relay needs an address
      {"--relay", "a b", "--protocol", "http"},
      {"--filter", ""},
      {"--verbose"},
      {"198.18.1.1"},
  };
  for (const auto& args : bad) {
    SearchCommandOptions o;
    std::string error;
    EXPECT_FALSE(ParseSearchOptions(args, o, error)) << args.front();
    EXPECT_FALSE(error.empty()) << args.front();
  }
  SearchCommandOptions o;
  std::string error;
  EXPECT_TRUE(ParseSearchOptions({"--help"}, o, error));
  EXPECT_TRUE(o.help);
}

TEST(SearchOptions, SettingsForTheRun) {
  NetCardTable cards;
  std::snprintf(cards.m_NetCardAddr[0], kNetCardTextSize, "198.18.1.1");
  std::snprintf(cards.m_NetCardAddr[1], kNetCardTextSize, "All NetCard");
  cards.m_NetCardNum = 1;
  SearchCommandOptions o;
  std::string error;
  ASSERT_TRUE(ParseSearchOptions({"--delay", "short"}, o, error));
  SearchSettings s = SettingsFor(o, cards, SearchTexts{});
  EXPECT_TRUE(IsAllNetCardChoice(s.netCards, s.adapterItemIndex));
  EXPECT_FALSE(s.ipRelay);
  EXPECT_EQ(s.delayCaption, "Short");

  ASSERT_TRUE(ParseSearchOptions({"--adapter", "198.18.1.1", "--relay", "198.18.1.9"}, o, error));
  s = SettingsFor(o, cards, SearchTexts{});
  EXPECT_FALSE(IsAllNetCardChoice(s.netCards, s.adapterItemIndex));
  EXPECT_EQ(s.adapterText, "198.18.1.1");
  EXPECT_TRUE(s.ipRelay);
  EXPECT_EQ(s.relayProtocol, "UDP");

  ASSERT_TRUE(ParseSearchOptions({"--relay", "198.18.1.9", "--protocol", "tcp"}, o, error));
  EXPECT_EQ(SettingsFor(o, cards, SearchTexts{}).relayProtocol, "TCP");
  ASSERT_TRUE(ParseSearchOptions({"--relay", "h", "--protocol", "http"}, o, error));
  EXPECT_EQ(SettingsFor(o, cards, SearchTexts{}).relayProtocol, "HttpCmd");
}

DeviceTable TwoDevices() {
  DeviceTable table;
  table.ClearForSearch();
  table.AddFoundDevice(MakeRecord({{Field::model, "Cam \"Pro\""}, {Field::proj, "IP-Cam"},
                                   {Field::name, "door,left"}, {Field::ip, "198.18.1.5"},
                                   {Field::trigger_port, "80"}, {Field::netmask, "255.255.255.0"},
                                   {Field::mac, "02:00:00:00:00:05"}, {Field::note, "caf\xe9"},
                                   {Field::vendor, "V"}}));
  table.AddFoundDevice(MakeRecord({{Field::model, "NVR"}, {Field::proj, "NVR"}, {Field::name, "n"},
                                   {Field::ip, "198.18.1.6"}, {Field::trigger_port, "8080"},
                                   {Field::netmask, "255.255.255.0"}, {Field::mac, "02:00:00:00:00:06"}}));
  return table;
}

TEST(SearchOutput, TableCsvJson) {
  const DeviceTable table = TwoDevices();
  std::ostringstream t, c, j;
  WriteTable(t, table);
  WriteCsv(c, table);
  WriteJson(j, table);
  EXPECT_EQ(t.str(),
            "Model      Project  Name       IP          Port  Netmask        MAC\n"
            "Cam \"Pro\"  IP-Cam   door,left  198.18.1.5  80    255.255.255.0  02:00:00:00:00:05\n"
            "NVR        NVR      n          198.18.1.6  8080  255.255.255.0  02:00:00:00:00:06\n");
  EXPECT_EQ(c.str(),
            "Model,Project,Name,IP,Port,Netmask,MAC\r\n"
            "\"Cam \"\"Pro\"\"\",IP-Cam,\"door,left\",198.18.1.5,80,255.255.255.0,02:00:00:00:00:05\r\n"
            "NVR,NVR,n,198.18.1.6,8080,255.255.255.0,02:00:00:00:00:06\r\n");
  EXPECT_EQ(j.str(),
            "[\n"
            "  {\"model\": \"Cam \\\"Pro\\\"\", \"proj\": \"IP-Cam\", \"name\": \"door,left\", "
            "\"ip\": \"198.18.1.5\", \"trigger_port\": \"80\", \"netmask\": \"255.255.255.0\", "
            "\"gateway\": \"\", \"dns\": \"\", \"mac\": \"02:00:00:00:00:05\", \"dev\": \"\", "
            "\"note\": \"caf\xc3\xa9\", \"idpw\": \"\", \"vendor\": \"V\"},\n"
            "  {\"model\": \"NVR\", \"proj\": \"NVR\", \"name\": \"n\", \"ip\": \"198.18.1.6\", "
            "\"trigger_port\": \"8080\", \"netmask\": \"255.255.255.0\", \"gateway\": \"\", "
            "\"dns\": \"\", \"mac\": \"02:00:00:00:00:06\", \"dev\": \"\", \"note\": \"\", "
            "\"idpw\": \"\", \"vendor\": \"\"}\n"
            "]\n");
  DeviceTable none;
  std::ostringstream e;
  WriteJson(e, none);
  EXPECT_EQ(e.str(), "[]\n");
}

TEST(SearchOutput, JsonStringsAreValidUtf8) {
  EXPECT_EQ(JsonString("a\tb\x01"), "\"a\\u0009b\\u0001\"");
  EXPECT_EQ(JsonString("\xc3\xa9"), "\"\xc3\xa9\"") << "UTF-8 passes";
  EXPECT_EQ(JsonString("\xe9"), "\"\xc3\xa9\"") << "a lone 8-bit byte reads as Latin-1";
  EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\xc3\xad\xc2\xa0\xc2\x80\"") << "no surrogates";
  EXPECT_EQ(JsonString("\\/"), "\"\\\\/\"");
}

}  // namespace
}  // namespace scanvale
