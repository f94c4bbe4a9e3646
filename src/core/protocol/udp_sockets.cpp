#include "protocol/udp_sockets.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

// Large enough for a burst of a few thousand replies; the system may grant less.
constexpr int kReceiveBufferBytes = 4 << 20;

in_addr_t InetAddr(std::string_view text) {
  if (text.size() >= 64) return INADDR_NONE;
  char copy[64] = {};
  std::memcpy(copy, text.data(), text.size());
  return inet_addr(copy);
}

int SwitchOn(int fd, int level, int option) {
  const int on = 1;
  return setsockopt(fd, level, option, &on, sizeof on);
}

void WidenReceiveBuffer(int fd) {
  const int bytes = kReceiveBufferBytes;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

sockaddr_in Ipv4(in_addr_t address, int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = address;
  return a;
}

// A UDP socket with address reuse and broadcast, bound to address:port; invalid on failure.
Socket OpenBoundUdp(in_addr_t address, int port) {
  Socket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) return s;
  const sockaddr_in local = Ipv4(address, port);
  if (SwitchOn(s.fd(), SOL_SOCKET, SO_REUSEADDR) != 0 ||
      SwitchOn(s.fd(), SOL_SOCKET, SO_BROADCAST) != 0 ||
      ::bind(s.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
    s.Close();
  return s;
}

bool IsBroadcastFor(in_addr_t destination, const std::vector<Subnet>& entries) {
  if (destination == htonl(INADDR_BROADCAST)) return true;
  for (const auto& e : entries)
    if (destination == e.DirectedBroadcast()) return true;
  return false;
}

}  // namespace

int DM_CreateUDPBroadcastSocket(int port, Socket& out, sockaddr_in& local,
                                std::string_view localAddress) {
  DiagLog::Printf("WIN 7\n");
  out.Close();
  local = Ipv4(InetAddr(localAddress), port);
  Socket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) {
    DiagLog::Printf("socket() error : %s\n", LastErrorText().c_str());
    return -1;
  }
  if (SwitchOn(s.fd(), SOL_SOCKET, SO_REUSEADDR) != 0) {
    DiagLog::Printf("setsockopt(SO_REUSEADDR) error : %s\n", LastErrorText().c_str());
    return -1;
  }
  if (SwitchOn(s.fd(), SOL_SOCKET, SO_BROADCAST) != 0) {
    DiagLog::Printf("setsockopt(SO_BROADCAST) error : %s\n", LastErrorText().c_str());
    return -1;
  }
  WidenReceiveBuffer(s.fd());
  if (::bind(s.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    DiagLog::Printf("bind() error : %s\n", LastErrorText().c_str());
    return -1;
  }
  out = std::move(s);
  return 0;
}

int DM_SendUDP(int port, const Socket& socket, std::string_view text, const UdpTarget& target) {
  const in_addr_t address =
      target.viaRelay ? InetAddr(target.relayAddress) : htonl(INADDR_BROADCAST);
  const sockaddr_in dest = Ipv4(address, port);
  const ssize_t sent = ::sendto(socket.fd(), text.data(), text.size(), 0,
                                reinterpret_cast<const sockaddr*>(&dest), sizeof dest);
  if (sent < 0) {
    DiagLog::Printf("DM_SendUDP sendto() error : %s len=%d\n", LastErrorText().c_str(),
                    static_cast<int>(sent));
    return -1;
  }
  return 0;
}

int CreateBroadcastListener(BroadcastListener& out, std::string_view localAddress, int port) {
  out = BroadcastListener{};
  LocalAddress local;
  if (!FindLocalAddress(localAddress, local)) return -1;
  Socket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) return -1;
  if (SwitchOn(s.fd(), SOL_SOCKET, SO_REUSEADDR) != 0 ||
      SwitchOn(s.fd(), SOL_SOCKET, SO_BROADCAST) != 0 ||
      SwitchOn(s.fd(), IPPROTO_IP, IP_PKTINFO) != 0)
    return -1;
  // Binding to the device keeps other interfaces' broadcasts out of this socket's queue. It
  // needs privileges on older kernels; the arrival interface is checked on every datagram
  // anyway, so the listener works without it.
  setsockopt(s.fd(), SOL_SOCKET, SO_BINDTODEVICE, local.ifname.c_str(),
             static_cast<socklen_t>(local.ifname.size() + 1));
  WidenReceiveBuffer(s.fd());
  const sockaddr_in any = Ipv4(htonl(INADDR_ANY), port);
  if (::bind(s.fd(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) return -1;
  out.socket = std::move(s);
  out.ifindex = local.ifindex;
  out.interfaceEntries = {Subnet{local.addr, local.mask}};
  out.self = 0;
  return 0;
}

std::size_t BroadcastOwner(const std::vector<Subnet>& entries, in_addr sender) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Holds(sender)) return i;
  return 0;
}

int ReceiveDatagram(const Socket& socket, std::string& out) {
  out.resize(kDatagramBufferSize);
  const ssize_t n = ::recv(socket.fd(), out.data(), out.size(), MSG_DONTWAIT);
  if (n < 0) {
    out.clear();
    return -1;
  }
  out.resize(static_cast<std::size_t>(n));
  return static_cast<int>(n);
}

int ReceiveBroadcastReply(const BroadcastListener& listener, std::string& out) {
  out.resize(kDatagramBufferSize);
  sockaddr_in from{};
  iovec io{out.data(), out.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
  msghdr msg{};
  msg.msg_name = &from;
  msg.msg_namelen = sizeof from;
  msg.msg_iov = &io;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  const ssize_t n = ::recvmsg(listener.socket.fd(), &msg, MSG_DONTWAIT);
  if (n < 0) {
    out.clear();
    return -1;
  }
  out.resize(static_cast<std::size_t>(n));

  const in_pktinfo* info = nullptr;
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
      info = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(c));
  if (!info || static_cast<unsigned>(info->ipi_ifindex) != listener.ifindex) return 0;
  const auto& entries = listener.interfaceEntries;
  if (entries.empty() || listener.self >= entries.size()) return 0;
  const in_addr_t destination = info->ipi_addr.s_addr;
  // A unicast to our own address that reached this socket is ours as well; one to another
  // address of the interface belongs to that address's operation.
  if (destination == entries[listener.self].addr.s_addr) return 1;
  if (!IsBroadcastFor(destination, entries)) return 0;
  return BroadcastOwner(entries, from.sin_addr) == listener.self ? 1 : 0;
}

void CreateNetCardSendSocket(Socket& slot, const char* address, sockaddr_in& broadcastDest) {
  slot = OpenBoundUdp(InetAddr(address ? address : ""), 0);
  broadcastDest = Ipv4(htonl(INADDR_BROADCAST), kDevicePort);
}

void CreateNetCardRecvSocket(NetCardRecvSocket& slot, const char* address) {
  const std::string_view text = address ? address : "";
  slot.socket = OpenBoundUdp(InetAddr(text), kReplyPort);
  if (slot.socket.valid()) WidenReceiveBuffer(slot.socket.fd());
  CreateBroadcastListener(slot.broadcast, text, kReplyPort);
}

void NetCardSockets::Open(const NetCardTable& table) {
  Close();
  const int count = table.m_NetCardNum < 0 ? 0 : table.m_NetCardNum;
  m_SendSockets.resize(static_cast<std::size_t>(count));
  m_RecvSockets.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    CreateNetCardSendSocket(m_SendSockets[static_cast<std::size_t>(i)], table.m_NetCardAddr[i],
                            m_BroadcastDest);
  for (int i = 0; i < count; ++i)
    CreateNetCardRecvSocket(m_RecvSockets[static_cast<std::size_t>(i)], table.m_NetCardAddr[i]);

  // Tell every listener which other addresses of this operation share its interface.
  std::vector<Subnet> own;
  for (const auto& slot : m_RecvSockets)
    own.push_back(slot.broadcast.valid() ? slot.broadcast.interfaceEntries.front() : Subnet{});
  for (std::size_t i = 0; i < m_RecvSockets.size(); ++i) {
    BroadcastListener& listener = m_RecvSockets[i].broadcast;
    if (!listener.valid()) continue;
    std::vector<Subnet> entries;
    for (std::size_t j = 0; j < m_RecvSockets.size(); ++j) {
      const BroadcastListener& other = m_RecvSockets[j].broadcast;
      if (!other.valid() || other.ifindex != listener.ifindex) continue;
      if (j == i) listener.self = entries.size();
      entries.push_back(own[j]);
    }
    listener.interfaceEntries = std::move(entries);
  }
}

int NetCardSockets::SendToAllNetCards(std::string_view text) {
  int result = 0;
  for (const auto& s : m_SendSockets) {
    const ssize_t sent = ::sendto(s.fd(), text.data(), text.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&m_BroadcastDest),
                                  sizeof m_BroadcastDest);
    if (sent < 0) result = -1;
  }
  return result;
}

void NetCardSockets::Close() {
  m_SendSockets.clear();
  m_RecvSockets.clear();
}

}  // namespace scanvale
