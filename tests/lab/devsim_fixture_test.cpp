// The simulator fixture end to end: a two-device site answers one search query from the host
// side, one device by unicast and one by limited broadcast, and the record shows the query.

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "protocol/control_package.h"
#include "protocol/socket.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::DevSim;
using testing::DevSimRecord;

constexpr const char* kSite = R"({
  "devices": [
    {"name": "Lobby", "model": "IPC-2210", "proj": "IP-Cam", "ip": "198.18.1.10",
     "trigger_port": "80", "netmask": "255.255.255.0", "gateway": "198.18.1.254",
     "dns": "198.18.1.254", "mac": "00:1A:2B:3C:4D:10", "dev": "0", "note": "hall",
     "idpw": "1", "vendor": "Kestrilon", "link": 0, "reply": "unicast"},
    {"name": "Yard", "model": "NVR-16", "proj": "NVR", "ip": "198.18.1.11",
     "trigger_port": "8080", "netmask": "255.255.255.0", "gateway": "198.18.1.254",
     "dns": "198.18.1.254", "mac": "00:1A:2B:3C:4D:11", "dev": "0", "note": "rack",
     "idpw": "0", "vendor": "Kestrilon", "link": 0, "reply": "broadcast"}
  ]
})";

struct Reply {
  std::string text;         // decoded package, up to its NUL
  std::string destination;  // the address the datagram was sent to
};

// A socket on adapter sv0 that hears port 6667 by unicast and by broadcast.
Socket OpenReplySocket() {
  Socket s(socket(AF_INET, SOCK_DGRAM, 0));
  const int on = 1;
  setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(s.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  setsockopt(s.fd(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  setsockopt(s.fd(), SOL_SOCKET, SO_BINDTODEVICE, "sv0", 4);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(kReplyPort);
  if (bind(s.fd(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) s.Close();
  return s;
}

bool ReceiveOne(int fd, Reply& reply) {
  char data[65536];
  char control[CMSG_SPACE(sizeof(in_pktinfo))];
  iovec iov{data, sizeof data};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  const ssize_t n = recvmsg(fd, &msg, 0);
  if (n < 0) return false;
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
      in_pktinfo info;
      std::memcpy(&info, CMSG_DATA(c), sizeof info);
      char text[INET_ADDRSTRLEN] = {};
      inet_ntop(AF_INET, &info.ipi_addr, text, sizeof text);
      reply.destination = text;
    }
  }
  const std::string plain = DecodeWire(std::string_view(data, static_cast<std::size_t>(n)));
  reply.text = plain.substr(0, plain.find('\0'));
  return true;
}

TEST(DevSimFixture, TwoDevicesAnswerOneQueryAndTheQueryIsRecorded) {
  SCANVALE_REQUIRE_LAB();
  DevSim sim(kSite);
  ASSERT_TRUE(sim.running());

  Socket s = OpenReplySocket();
  ASSERT_TRUE(s.valid()) << LastErrorText();
  const double sentAt = testing::SteadySeconds();
  const std::string query = EncodeWire("Kestrilon,00,????");
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kDevicePort);
  to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  ASSERT_EQ(sendto(s.fd(), query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&to),
                   sizeof to),
            static_cast<ssize_t>(query.size()))
      << LastErrorText();

  std::map<std::string, Reply> byName;  // third field of the package is the device name
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (byName.size() < 2 && std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (WaitReadable(s.fd(), left) != WaitResult::kReady) break;
    Reply reply;
    ASSERT_TRUE(ReceiveOne(s.fd(), reply));
    const auto nameAt = reply.text.find("Lobby") != std::string::npos ? "Lobby" : "Yard";
    byName[nameAt] = reply;
  }
  ASSERT_EQ(byName.size(), 2u);
  EXPECT_EQ(byName["Lobby"].text,
            "Kestrilon,01,IPC-2210,IP-Cam,Lobby,198.18.1.10,80,255.255.255.0,198.18.1.254,"
            "198.18.1.254,00:1A:2B:3C:4D:10,0,hall,1,Kestrilon");
  EXPECT_EQ(byName["Lobby"].destination, "198.18.1.1");
  EXPECT_EQ(byName["Yard"].text,
            "Kestrilon,01,NVR-16,NVR,Yard,198.18.1.11,8080,255.255.255.0,198.18.1.254,"
            "198.18.1.254,00:1A:2B:3C:4D:11,0,rack,0,Kestrilon");
  EXPECT_EQ(byName["Yard"].destination, "255.255.255.255");

  const auto records =
      sim.WaitForRecords(1, 2s, [](const DevSimRecord& r) { return r.proto == "udp"; });
  ASSERT_EQ(records.size(), 1u);
  const DevSimRecord& r = records[0];
  EXPECT_EQ(r.link, 0);
  EXPECT_EQ(r.src, "198.18.1.1:" + std::to_string(kReplyPort));
  EXPECT_EQ(r.dst, "255.255.255.255:6666");
  EXPECT_EQ(r.bytes, query);
  EXPECT_EQ(DecodeWire(r.bytes), std::string("Kestrilon,00,????") + '\0');
  EXPECT_GE(r.t, sentAt);
  EXPECT_LE(r.t, testing::SteadySeconds());
}

}  // namespace
}  // namespace scanvale
