#pragma once
// The datagram sockets of the control protocol: queries go out to port 6666, replies come
// back to port 6667, either by unicast to the address the query came from or by limited
// broadcast (a device configured for another subnet can do nothing else).
//
// API
//   DM_CreateUDPBroadcastSocket(port, out, local, address)   one adapter: bound, sends and
//                                    receives unicast replies; 0 / -1 with its log lines
//   DM_SendUDP(port, socket, text, target)                   to the relay or 255.255.255.255
//   CreateBroadcastListener(listener, address, port)         the broadcast side of an address
//   ReceiveDatagram(socket, out)                             one datagram, at most 65536 bytes
//   ReceiveBroadcastReply(listener, out)                     one datagram, kept or left
//   CreateNetCardSendSocket / CreateNetCardRecvSocket        one entry of the all-adapters lists
//   NetCardSockets { m_SendSockets, m_RecvSockets, m_BroadcastDest; Open; SendToAllNetCards }
//
// Hearing broadcast replies. A socket bound to a unicast address does not receive broadcasts
// on this platform, so every address gets a second receiving socket: bound to 0.0.0.0:port,
// tied to the address's interface (SO_BINDTODEVICE where permitted) and reading each
// datagram's arrival interface and destination (IP_PKTINFO). It keeps only broadcasts (limited,
// or directed to a subnet of the interface) that arrived on that interface, so each adapter's
// replies stay apart from the others'.
// Several addresses on one interface share its broadcasts. A broadcast reply belongs to the
// first address of the interface, in table order, whose subnet holds the sender; a sender in
// none of those subnets (a device configured for another network) belongs to the interface's
// first address. So every broadcast reply is kept exactly once per operation. With one
// adapter the operation knows only its own address, which therefore keeps every broadcast
// reply of its interface, as it keeps every unicast reply sent to it.

#include <netinet/in.h>

#include <string>
#include <string_view>
#include <vector>

#include "protocol/net_adapters.h"
#include "protocol/socket.h"

namespace scanvale {

inline constexpr std::size_t kDatagramBufferSize = 65536;

struct UdpTarget {
  bool viaRelay = false;      // "IP Relay" chosen: send to the relay address
  std::string relayAddress;  // converted with inet_addr; invalid text reads as 255.255.255.255
};

int DM_CreateUDPBroadcastSocket(int port, Socket& out, sockaddr_in& local,
                                std::string_view localAddress);

int DM_SendUDP(int port, const Socket& socket, std::string_view text, const UdpTarget& target);

struct Subnet {
  in_addr addr{};
  in_addr mask{};
  bool Holds(in_addr a) const { return (a.s_addr & mask.s_addr) == (addr.s_addr & mask.s_addr); }
  in_addr_t DirectedBroadcast() const { return addr.s_addr | ~mask.s_addr; }
};

struct BroadcastListener {
  Socket socket;
  unsigned ifindex = 0;
  // Every address of this operation on the interface, in table order; `self` is ours.
  std::vector<Subnet> interfaceEntries;
  std::size_t self = 0;

  bool valid() const { return socket.valid(); }
};

// Opens the broadcast side of `localAddress` (a local address) on `port`. 0 / -1.
int CreateBroadcastListener(BroadcastListener& out, std::string_view localAddress, int port);

// Which entry of `entries` a broadcast reply from `sender` belongs to (see above).
std::size_t BroadcastOwner(const std::vector<Subnet>& entries, in_addr sender);

// Receives one datagram into `out` (at most kDatagramBufferSize bytes). Returns its length,
// or -1 when nothing could be read.
int ReceiveDatagram(const Socket& socket, std::string& out);

// Receives one datagram from the listener: 1 when it is a broadcast reply this address keeps
// (then in `out`), 0 when it was read and belongs elsewhere, -1 when nothing could be read.
int ReceiveBroadcastReply(const BroadcastListener& listener, std::string& out);

// The receiving side of one table entry: its address and port 6667, and its broadcast side.
struct NetCardRecvSocket {
  Socket socket;
  BroadcastListener broadcast;
};

void CreateNetCardSendSocket(Socket& slot, const char* address, sockaddr_in& broadcastDest);
void CreateNetCardRecvSocket(NetCardRecvSocket& slot, const char* address);

class NetCardSockets {
 public:
  std::vector<Socket> m_SendSockets;
  std::vector<NetCardRecvSocket> m_RecvSockets;
  sockaddr_in m_BroadcastDest{};

  // Sizes both lists to the table's count and opens every socket anew: the sending sockets
  // first, then the receiving ones. A socket that cannot be opened stays invalid: its sends
  // fail and it never receives.
  void Open(const NetCardTable& table);

  // Sends `text` from every sending socket, in index order, to m_BroadcastDest. 0 when every
  // send succeeded, -1 when at least one failed; a failure does not stop the others.
  int SendToAllNetCards(std::string_view text);

  void Close();
};

}  // namespace scanvale
