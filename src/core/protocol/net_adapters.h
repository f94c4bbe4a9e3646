#pragma once
// The local adapter addresses behind the adapter selector.
//
// API
//   NetCardTable { m_NetCardAddr[128][64]; m_NetCardNum; }
//       Entries 0..m_NetCardNum-1: every IPv4 address of every adapter, adapters in the order
//       the system lists them, addresses in the order of their adapter; entry m_NetCardNum
//       holds "All NetCard". At most 127 addresses are kept.
//   void GetNetCardAddrs(NetCardTable&)     enumerate (getifaddrs) and log every adapter
//   NetCardSelector FillNetCardSelector(NetCardTable&, allNetCardText)
//       the selector's items as the window shows them (sorted; the all-adapters item last),
//       item 0 chosen; logs "AddrCount(%d)" and one "NetCard_Addr[%d](%s)" per entry.
//   bool IsAllNetCardChoice(const NetCardTable&, int itemIndex)
//       the all-adapters test: the table entry at the chosen item's index contains "All".
//   bool FindLocalAddress(addressText, LocalAddress&)
//       the interface (name, index) and mask of a local IPv4 address, looked up now.
//   Pieces for tests: AdapterFacts, ReadPlatformAdapters(), FillNetCardTable(), AdapterTypeWord().
//
// Loopback adapters are left out: the workstation's adapters are what a search goes out on,
// and a loopback address would otherwise often be the selector's first (default) item.

#include <netinet/in.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace scanvale {

inline constexpr int kNetCardSlots = 128;
inline constexpr int kNetCardTextSize = 64;
inline constexpr int kMaxNetCardAddrs = kNetCardSlots - 1;
inline constexpr const char* kAllNetCard = "All NetCard";

struct NetCardTable {
  char m_NetCardAddr[kNetCardSlots][kNetCardTextSize] = {};
  int m_NetCardNum = 0;

  std::string_view Entry(int index) const;
};

// One adapter as the system describes it.
struct AdapterFacts {
  struct Address {
    std::string ip;
    std::string mask;
  };
  std::string name;
  std::string description;
  int hardwareType = -1;  // ARPHRD_* of the adapter, -1 when unknown
  std::array<unsigned char, 6> mac{};
  std::string dhcpServer;  // empty when the adapter holds no DHCP lease we can read
  std::string gateway = "0.0.0.0";
  std::vector<Address> addresses;
};

// The type word logged for an adapter: "ETHERNET", "LOOPBACK", "PPP", "TOKENRING", "FDDI",
// "SLIP" or "OTHER".
const char* AdapterTypeWord(int hardwareType);

// Reads the adapters with IPv4 addresses, loopback left out. False when the system call fails.
bool ReadPlatformAdapters(std::vector<AdapterFacts>& adapters, int& errorNumber);

// Fills the table from `adapters` with the enumeration's log lines.
void FillNetCardTable(NetCardTable& table, const std::vector<AdapterFacts>& adapters);

void GetNetCardAddrs(NetCardTable& table);

struct NetCardSelector {
  std::vector<std::string> items;  // in the order the sorted selector shows them
  int itemIndex = 0;               // the chosen item
  std::string text;                // the selector's text
  bool visible = true;
};

NetCardSelector FillNetCardSelector(NetCardTable& table, std::string_view allNetCardText);

bool IsAllNetCardChoice(const NetCardTable& table, int itemIndex);

struct LocalAddress {
  std::string ifname;
  unsigned ifindex = 0;
  in_addr addr{};
  in_addr mask{};
};

bool FindLocalAddress(std::string_view addressText, LocalAddress& out);

}  // namespace scanvale
