#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {
namespace {

struct ParseCase {
  const char* what;
  std::string text;
  int flag;
  std::vector<std::pair<Field, std::string>> expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class ParsePkgFieldsTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParsePkgFieldsTable, FillsSlots) {
  const ParseCase& c = GetParam();
  tComUnitInfo r;
  ClearRecord(r);
  EXPECT_EQ(ParsePkgFields(c.text, r), c.flag);
  for (const auto& [field, value] : c.expected)
    EXPECT_EQ(GetField(r, field), value) << c.what << ": " << FieldName(field);
}

const std::string kFull =
    "Acme,01,CAM-1,IP-Cam,door,198.18.1.20,80,255.255.255.0,198.18.1.1,198.18.1.2,"
    "00:11:22:33:44:55,dv,hello,1,AcmeVendor";

INSTANTIATE_TEST_SUITE_P(
    Replies, ParsePkgFieldsTable,
    ::testing::Values(
        ParseCase{"a full reply", kFull, 1,
                  {{Field::model, "CAM-1"}, {Field::proj, "IP-Cam"}, {Field::name, "door"},
                   {Field::ip, "198.18.1.20"}, {Field::trigger_port, "80"},
                   {Field::netmask, "255.255.255.0"}, {Field::gateway, "198.18.1.1"},
                   {Field::dns, "198.18.1.2"}, {Field::mac, "00:11:22:33:44:55"},
                   {Field::dev, "dv"}, {Field::note, "hello"}, {Field::idpw, "1"},
                   {Field::vendor, "AcmeVendor"}}},
        ParseCase{"the vendor token fills vendor when there is no 13th value",
                  "Acme,01,M,P,N,198.18.1.20,80", 1,
                  {{Field::vendor, "Acme"}, {Field::trigger_port, "80"}}},
        ParseCase{"an empty field before ip becomes a blank and is dropped",
                  "V,01,M,P,N,,198.18.1.9,80", 1,
                  {{Field::ip, "198.18.1.9"}, {Field::trigger_port, "80"}}},
        ParseCase{"an empty dev field is stored as a blank",
                  "V,01,M,P,N,198.18.1.9,80,255.0.0.0,1.1.1.1,2.2.2.2,00:11:22:33:44:55,,note", 1,
                  {{Field::dev, " "}, {Field::note, "note"}}},
        ParseCase{"port 70000 is dropped and the netmask is read as the port",
                  "V,01,M,P,N,198.18.1.9,70000,255.255.255.0,198.18.1.1,198.18.1.2", 1,
                  {{Field::trigger_port, "255.255"}, {Field::netmask, "198.18.1.1"},
                   {Field::gateway, "198.18.1.2"}}},
        ParseCase{"a hyphenated MAC is dropped and later values move up",
                  "V,01,M,P,N,198.18.1.9,80,255.0.0.0,1.1.1.1,2.2.2.2,00-11-22-33-44-55,dv,nt", 1,
                  {{Field::mac, ""}, {Field::dev, ""}}},
        ParseCase{"values past the thirteenth are ignored", kFull + ",extra,more", 1,
                  {{Field::vendor, "AcmeVendor"}}},
        ParseCase{"a newline also ends a field", "V,01\nM\nP,N", 1,
                  {{Field::model, "M"}, {Field::proj, "P"}, {Field::name, "N"}}},
        ParseCase{"a query parses as flag 0", "Kestrilon,00,????", 0, {}},
        ParseCase{"a flag that is not a number reads as 0", "V,xx,M", 0, {{Field::model, "M"}}},
        ParseCase{"an undefined flag", "V,03,M", -1, {}},
        ParseCase{"a value longer than its field is cut to width - 1",
                  "V,01," + std::string(200, 'm') + ",P", 1,
                  {{Field::model, std::string(63, 'm')}, {Field::proj, "P"}}},
        ParseCase{"a leading comma is an empty vendor, not a skipped one",
                  ",01,M,P,N,198.18.1.9", 1,
                  {{Field::vendor, ""}, {Field::model, "M"}, {Field::ip, "198.18.1.9"}}},
        ParseCase{"a vendor token is cut to 31 characters",
                  std::string(10240, 'v') + ",01,M,P,N,198.18.1.9", 1,
                  {{Field::vendor, std::string(31, 'v')}}}));

TEST(ParsePkgFields, UndefinedFlagIsLogged) {
  DiagLog::ClearRecent();
  tComUnitInfo r;
  ClearRecord(r);
  ParsePkgFields("V,05,M", r);
  ASSERT_FALSE(DiagLog::Recent().empty());
  EXPECT_EQ(DiagLog::Recent().back(), "flag(05) not implemented.\n");
}

TEST(ParsePkgFields, MacCheckHookRunsOnEveryCheck) {
  tComUnitInfo r;
  ClearRecord(r);
  int checks = 0;
  ParsePkgFields("V,01,M,P,N,198.18.1.9,80,255.0.0.0,g,d,bad-mac,00:11:22:33:44:55", r,
                 [&] { ++checks; });
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(FieldText(r.mac), "00:11:22:33:44:55");
}

TEST(ParsePkgFields, HostileInputStaysInBounds) {
  for (const std::string& text :
       {std::string(65536, ','), std::string(70000, 'x'), std::string("V,01") + std::string(3000, ',')}) {
    tComUnitInfo r;
    ClearRecord(r);
    ParsePkgFields(text, r);
    EXPECT_LT(FieldText(r.model).size(), sizeof r.model);
  }
}

std::vector<unsigned char> Packages(std::initializer_list<std::string> texts) {
  std::vector<unsigned char> buffer;
  for (const auto& t : texts) {
    buffer.insert(buffer.end(), t.begin(), t.end());
    buffer.push_back('\0');
  }
  return buffer;
}

TEST(ParserPlainPkg, WalksPackagesUntilAnEmptyOne) {
  DeviceTable table;
  auto buffer = Packages({"V,01,A,P,N,198.18.1.1,80,255.0.0.0,g,d,00:00:00:00:00:01",
                          "V,01,B,P,N,198.18.1.2,80,255.0.0.0,g,d,00:00:00:00:00:02", "",
                          "V,01,C,P,N,198.18.1.3,80,255.0.0.0,g,d,00:00:00:00:00:03"});
  EXPECT_EQ(ParserPlainPkg(buffer.data(), buffer.size(), table), 2);
  ASSERT_EQ(table.m_DeviceList.size(), 2u);
  EXPECT_EQ(table.grid.Cell(kColModel, 2), "B");
}

TEST(ParserPlainPkg, GarbageAfterTheTerminatorChangesNothing) {
  const std::string reply = "V,01,A,P,N,198.18.1.1,80,255.0.0.0,g,d,00:00:00:00:00:01";
  DeviceTable clean, dirty;
  auto a = Packages({reply});
  ParserPlainPkg(a.data(), reply.size() + 1, clean);
  auto b = Packages({reply, "\x01\x02garbage,,,,", "V,zz,\xff\xfe,198.18.1.1"});
  EXPECT_EQ(ParserPlainPkg(b.data(), b.size(), dirty), 1);
  ASSERT_EQ(dirty.m_DeviceList.size(), 1u);
  EXPECT_EQ(clean.grid.Row(1), dirty.grid.Row(1));
  EXPECT_EQ(dirty.grid.RowCount(), clean.grid.RowCount());
}

TEST(ParserPlainPkg, NoTerminatorIsReadOnlyUpToTheLength) {
  DeviceTable table;
  const std::string reply = "V,01,A,P,N,198.18.1.1";
  EXPECT_EQ(ParserPlainPkg(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(), table), 1);
  EXPECT_EQ(table.grid.Cell(kColIp, 1), "198.18.1.1");
}

TEST(ParserPlainPkg, QueriesAndErrorsAreIgnored) {
  DeviceTable table;
  auto buffer = Packages({"Kestrilon,00,????", "V,09,A,P,N,198.18.1.1"});
  EXPECT_EQ(ParserPlainPkg(buffer.data(), buffer.size(), table), 0);
  EXPECT_TRUE(table.m_DeviceList.empty());
}

}  // namespace
}  // namespace scanvale
