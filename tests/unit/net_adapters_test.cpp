// The adapter table and selector from given adapter facts (no system call), and the broadcast
// ownership rule of the receiving side.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if_arp.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/diag_log.h"
#include "protocol/net_adapters.h"
#include "protocol/udp_sockets.h"

namespace scanvale {
namespace {

AdapterFacts Adapter(const char* name, std::vector<AdapterFacts::Address> addresses,
                     int type = ARPHRD_ETHER) {
  AdapterFacts a;
  a.name = name;
  a.description = name;
  a.hardwareType = type;
  a.mac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x0A};
  a.addresses = std::move(addresses);
  return a;
}

std::string JoinedLog() {
  std::string all;
  for (const auto& line : DiagLog::Recent()) all += line;
  return all;
}

TEST(NetCardTable, EveryAddressInAdapterOrderThenAllNetCard) {
  DiagLog::ClearRecent();
  NetCardTable table;
  FillNetCardTable(table, {Adapter("sv0", {{"198.18.1.1", "255.255.255.0"}}),
                           Adapter("sv1", {{"198.18.2.1", "255.255.255.0"}}),
                           Adapter("sv2", {{"198.18.3.1", "255.255.255.0"},
                                           {"198.18.4.1", "255.255.0.0"}})});
  ASSERT_EQ(table.m_NetCardNum, 4);
  EXPECT_EQ(table.Entry(0), "198.18.1.1");
  EXPECT_EQ(table.Entry(2), "198.18.3.1");
  EXPECT_EQ(table.Entry(3), "198.18.4.1");
  EXPECT_EQ(table.Entry(4), "All NetCard");

  const std::string log = JoinedLog();
  for (const char* line :
       {"GetAdaptersInfo SUCCESS\n", "netCardNum[3]\n", "AdapterName[sv2]\n", "Type[ETHERNET]\n",
        "MAC[02-00-00-00-00-0A]DhcpServer[N/A]\n", "IPnumPerNetCard[2]\n", "IpMask[255.255.0.0]\n",
        "Gateway[0.0.0.0]\n", "NetCard_Addr[3][198.18.4.1]\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST(NetCardTable, KeepsAtMost127Addresses) {
  std::vector<AdapterFacts::Address> many;
  for (int i = 0; i < 130; ++i) many.push_back({"198.19." + std::to_string(i) + ".1", "255.255.255.0"});
  NetCardTable table;
  FillNetCardTable(table, {Adapter("big", many)});
  EXPECT_EQ(table.m_NetCardNum, kMaxNetCardAddrs);
  EXPECT_EQ(table.Entry(126), "198.19.126.1");
  EXPECT_EQ(table.Entry(127), "All NetCard");
}

TEST(NetCardSelector, SortedAddressesThenTheAllItem) {
  NetCardTable table;
  FillNetCardTable(table, {Adapter("b", {{"198.18.2.1", "255.255.255.0"}}),
                           Adapter("a", {{"10.0.0.1", "255.0.0.0"}, {"198.18.10.1", "255.255.255.0"}})});
  // A language whose text sorts before the digits still ends the list.
  const NetCardSelector sel = FillNetCardSelector(table, "(toutes)");
  EXPECT_EQ(sel.items, (std::vector<std::string>{"10.0.0.1", "198.18.10.1", "198.18.2.1", "(toutes)"}));
  EXPECT_EQ(sel.itemIndex, 0);
  EXPECT_EQ(sel.text, "10.0.0.1");
  EXPECT_TRUE(IsAllNetCardChoice(table, 3));
  EXPECT_FALSE(IsAllNetCardChoice(table, 0));
  EXPECT_FALSE(IsAllNetCardChoice(table, -1)) << "a typed text chooses no item";
  EXPECT_FALSE(IsAllNetCardChoice(table, 500));
}

TEST(NetCardSelector, NoAddressesLeavesOnlyTheAllItem) {
  NetCardTable table;
  FillNetCardTable(table, {});
  const NetCardSelector sel = FillNetCardSelector(table, "All NetCard");
  EXPECT_EQ(sel.items, (std::vector<std::string>{"All NetCard"}));
  EXPECT_TRUE(IsAllNetCardChoice(table, 0));
}

TEST(AdapterTypeWord, FromHardwareType) {
  EXPECT_STREQ(AdapterTypeWord(ARPHRD_ETHER), "ETHERNET");
  EXPECT_STREQ(AdapterTypeWord(ARPHRD_LOOPBACK), "LOOPBACK");
  EXPECT_STREQ(AdapterTypeWord(ARPHRD_PPP), "PPP");
  EXPECT_STREQ(AdapterTypeWord(ARPHRD_NONE), "OTHER");
  EXPECT_STREQ(AdapterTypeWord(-1), "OTHER");
}

Subnet Net(const char* addr, const char* mask) {
  Subnet s;
  inet_pton(AF_INET, addr, &s.addr);
  inet_pton(AF_INET, mask, &s.mask);
  return s;
}

in_addr Ip(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a;
}

TEST(BroadcastOwner, FirstAddressWhoseSubnetHoldsTheSenderElseTheFirst) {
  const std::vector<Subnet> sv2 = {Net("198.18.3.1", "255.255.255.0"), Net("198.18.4.1", "255.255.255.0")};
  EXPECT_EQ(BroadcastOwner(sv2, Ip("198.18.3.77")), 0u);
  EXPECT_EQ(BroadcastOwner(sv2, Ip("198.18.4.77")), 1u);
  EXPECT_EQ(BroadcastOwner(sv2, Ip("10.9.9.9")), 0u) << "another subnet: the interface's first";
  const std::vector<Subnet> overlapping = {Net("198.18.0.1", "255.255.0.0"), Net("198.18.4.1", "255.255.255.0")};
  EXPECT_EQ(BroadcastOwner(overlapping, Ip("198.18.4.77")), 0u) << "table order decides";
}

}  // namespace
}  // namespace scanvale
