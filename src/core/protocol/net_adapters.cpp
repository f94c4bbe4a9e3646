#include "protocol/net_adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <net/route.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "protocol/diag_log.h"
#include "protocol/grid_sort.h"

namespace scanvale {

namespace {

constexpr int kAdapterInfoSize = 65535;
constexpr const char* kSeparator = "====================================\n";

std::string AddressText(const sockaddr* sa) {
  if (!sa || sa->sa_family != AF_INET) return "0.0.0.0";
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
  return text;
}

// The first gateway of a route through `ifname`, from the kernel's routing table.
std::string FirstGateway(const std::string& ifname) {
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // column titles
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags) || iface != ifname) continue;
    if (!(std::strtoul(flags.c_str(), nullptr, 16) & RTF_GATEWAY)) continue;
    in_addr addr{};
    addr.s_addr = static_cast<in_addr_t>(std::strtoul(gateway.c_str(), nullptr, 16));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr, text, sizeof text);
    return text;
  }
  return "0.0.0.0";
}

// The DHCP server of the adapter's lease, where systemd-networkd keeps one. Other DHCP clients
// keep their leases in their own formats; for those the server reads as unknown.
std::string DhcpServerOf(unsigned ifindex) {
  if (ifindex == 0) return {};
  std::ifstream lease("/run/systemd/netif/leases/" + std::to_string(ifindex));
  std::string line;
  while (std::getline(lease, line)) {
    constexpr std::string_view key = "SERVER_ADDRESS=";
    if (line.rfind(key, 0) == 0) return line.substr(key.size(), 15);
  }
  return {};
}

AdapterFacts& AdapterNamed(std::vector<AdapterFacts>& adapters, const char* name) {
  for (auto& a : adapters)
    if (a.name == name) return a;
  AdapterFacts& added = adapters.emplace_back();
  added.name = name;
  added.description = name;
  return added;
}

void CopyEntry(NetCardTable& table, int index, std::string_view text) {
  char* entry = table.m_NetCardAddr[index];
  const std::size_t n = std::min<std::size_t>(text.size(), kNetCardTextSize - 1);
  std::memset(entry, 0, kNetCardTextSize);
  std::memcpy(entry, text.data(), n);
}

}  // namespace

std::string_view NetCardTable::Entry(int index) const {
  if (index < 0 || index >= kNetCardSlots) return {};
  return std::string_view(m_NetCardAddr[index], strnlen(m_NetCardAddr[index], kNetCardTextSize));
}

const char* AdapterTypeWord(int hardwareType) {
  switch (hardwareType) {
    case ARPHRD_ETHER:
    case ARPHRD_EETHER:
      return "ETHERNET";
    case ARPHRD_IEEE802_TR:
    case ARPHRD_IEEE802:
      return "TOKENRING";
    case ARPHRD_FDDI:
      return "FDDI";
    case ARPHRD_PPP:
      return "PPP";
    case ARPHRD_LOOPBACK:
      return "LOOPBACK";
    case ARPHRD_SLIP:
    case ARPHRD_CSLIP:
    case ARPHRD_SLIP6:
    case ARPHRD_CSLIP6:
      return "SLIP";
    default:
      return "OTHER";
  }
}

bool ReadPlatformAdapters(std::vector<AdapterFacts>& adapters, int& errorNumber) {
  adapters.clear();
  errorNumber = 0;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    errorNumber = errno;
    return false;
  }
  std::vector<std::string> loopbacks;
  for (const ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_name || !it->ifa_addr) continue;
    if (it->ifa_flags & IFF_LOOPBACK) {
      loopbacks.emplace_back(it->ifa_name);
      continue;
    }
    if (it->ifa_addr->sa_family == AF_PACKET) {
      const auto* ll = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
      AdapterFacts& a = AdapterNamed(adapters, it->ifa_name);
      a.hardwareType = ll->sll_hatype;
      std::memcpy(a.mac.data(), ll->sll_addr, std::min<std::size_t>(ll->sll_halen, a.mac.size()));
    } else if (it->ifa_addr->sa_family == AF_INET) {
      AdapterFacts& a = AdapterNamed(adapters, it->ifa_name);
      a.addresses.push_back({AddressText(it->ifa_addr), AddressText(it->ifa_netmask)});
    }
  }
  freeifaddrs(list);
  std::erase_if(adapters, [](const AdapterFacts& a) { return a.addresses.empty(); });
  for (auto& a : adapters) {
    a.gateway = FirstGateway(a.name);
    a.dhcpServer = DhcpServerOf(if_nametoindex(a.name.c_str()));
  }
  return true;
}

void FillNetCardTable(NetCardTable& table, const std::vector<AdapterFacts>& adapters) {
  DiagLog::Printf("GetAdaptersInfo SUCCESS\n");
  int counter = 1;
  for (const auto& a : adapters) {
    DiagLog::Append(kSeparator);
    DiagLog::Printf("netCardNum[%d]\n", counter++);
    DiagLog::Printf("AdapterName[%s]\n", a.name.c_str());
    DiagLog::Printf("Description[%s]\n", a.description.c_str());
    DiagLog::Printf("Type[%s]\n", AdapterTypeWord(a.hardwareType));
    DiagLog::Printf("MAC[%02X-%02X-%02X-%02X-%02X-%02X]", a.mac[0], a.mac[1], a.mac[2],
                    a.mac[3], a.mac[4], a.mac[5]);
    DiagLog::Printf("DhcpServer[%s]\n", a.dhcpServer.empty() ? "N/A" : a.dhcpServer.c_str());
    DiagLog::Printf("IpAddressList:\n");
    int perCard = 1;
    for (const auto& address : a.addresses) {
      if (table.m_NetCardNum >= kMaxNetCardAddrs) break;  // the last slot is the all-adapters entry
      CopyEntry(table, table.m_NetCardNum, address.ip);
      DiagLog::Printf("IPnumPerNetCard[%d]\n", perCard++);
      DiagLog::Printf("IpAddress[%s]\n", address.ip.c_str());
      DiagLog::Printf("IpMask[%s]\n", address.mask.c_str());
      DiagLog::Printf("Gateway[%s]\n", a.gateway.c_str());
      DiagLog::Printf("NetCard_Addr[%d][%s]\n", table.m_NetCardNum,
                      table.m_NetCardAddr[table.m_NetCardNum]);
      ++table.m_NetCardNum;
    }
    DiagLog::Append(kSeparator);
  }
  CopyEntry(table, table.m_NetCardNum, kAllNetCard);
}

void GetNetCardAddrs(NetCardTable& table) {
  table = NetCardTable{};
  std::vector<AdapterFacts> adapters;
  int error = 0;
  const bool ok = ReadPlatformAdapters(adapters, error);
  DiagLog::Printf("NetCard_InfoLen[%d]\n", kAdapterInfoSize);
  if (!ok) {
    if (error == ENOMEM) DiagLog::Printf("GetAdaptersInfo BUFFER_OVERFLOW\n");
    if (error == EOPNOTSUPP || error == EAFNOSUPPORT) DiagLog::Printf("GetAdaptersInfo NOT_SUPPORTED\n");
  } else if (adapters.empty()) {
    DiagLog::Printf("GetAdaptersInfo NO_DATA\n");
  } else {
    FillNetCardTable(table, adapters);
    return;
  }
  CopyEntry(table, 0, kAllNetCard);
}

NetCardSelector FillNetCardSelector(NetCardTable& table, std::string_view allNetCardText) {
  NetCardSelector selector;
  DiagLog::Printf("AddrCount(%d)\n", table.m_NetCardNum);
  for (int i = 0; i < table.m_NetCardNum; ++i) {
    selector.items.emplace_back(table.Entry(i));
    DiagLog::Printf("NetCard_Addr[%d](%s)\n", i, table.m_NetCardAddr[i]);
  }
  // A sorted box; the all-adapters item stays last whatever its language's text begins with,
  // because the mode test looks at the table entry of the chosen index.
  std::stable_sort(selector.items.begin(), selector.items.end(),
                   [](const std::string& a, const std::string& b) {
                     return CompareTextNoCase(a, b) < 0;
                   });
  selector.items.emplace_back(allNetCardText);
  CopyEntry(table, table.m_NetCardNum, kAllNetCard);
  selector.itemIndex = 0;
  selector.text = selector.items.front();
  selector.visible = true;
  return selector;
}

bool IsAllNetCardChoice(const NetCardTable& table, int itemIndex) {
  return table.Entry(itemIndex).find("All") != std::string_view::npos;
}

bool FindLocalAddress(std::string_view addressText, LocalAddress& out) {
  if (addressText.size() >= 64) return false;
  char text[64] = {};
  std::memcpy(text, addressText.data(), addressText.size());
  const in_addr_t wanted = inet_addr(text);
  if (wanted == INADDR_NONE) return false;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (const ifaddrs* it = list; it && !found; it = it->ifa_next) {
    if (!it->ifa_name || !it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    const auto* sin = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (sin->sin_addr.s_addr != wanted) continue;
    out.ifname = it->ifa_name;
    out.ifindex = if_nametoindex(it->ifa_name);
    out.addr = sin->sin_addr;
    out.mask.s_addr = it->ifa_netmask && it->ifa_netmask->sa_family == AF_INET
                          ? reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr
                          : htonl(INADDR_BROADCAST);
    found = true;
  }
  freeifaddrs(list);
  return found;
}

}  // namespace scanvale
