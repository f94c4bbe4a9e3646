#include "discovery/search_paths.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocol/base64.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"
#include "protocol/udp_sockets.h"

namespace scanvale {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Left(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? milliseconds(0) : left;
}

bool WakeSet(int wakeFd) { return wakeFd >= 0 && WaitReadable(wakeFd, milliseconds(0)) == WaitResult::kReady; }

// Sleeps `time` unless the run is cancelled first. False when cancelled.
bool Pause(const SearchContext& c, milliseconds time) {
  if (c.wakeFd < 0) {
    std::this_thread::sleep_for(time);
    return !c.cancelled;
  }
  WaitReadable(c.wakeFd, time);
  return !c.cancelled;
}

in_addr_t InetAddr(std::string_view text) {
  if (text.size() >= 64) return INADDR_NONE;
  char copy[64] = {};
  std::memcpy(copy, text.data(), text.size());
  return inet_addr(copy);
}

// Non-blocking connect, at most `bound`. 0 on success.
int ConnectBounded(const Socket& s, in_addr_t address, int port, milliseconds bound, int wakeFd) {
  const int flags = fcntl(s.fd(), F_GETFL, 0);
  if (flags < 0 || fcntl(s.fd(), F_SETFL, flags | O_NONBLOCK) != 0) return -1;
  sockaddr_in dest{};
  dest.sin_family = AF_INET;
  dest.sin_port = htons(static_cast<std::uint16_t>(port));
  dest.sin_addr.s_addr = address;
  if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&dest), sizeof dest) == 0) return 0;
  if (errno != EINPROGRESS) return -1;
  const auto deadline = Clock::now() + bound;
  while (Clock::now() < deadline) {
    if (WakeSet(wakeFd)) return -1;
    if (WaitWritable(s.fd(), std::min(Left(deadline), milliseconds(100))) != WaitResult::kReady)
      continue;
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return -1;
    return 0;
  }
  return -1;
}

std::string_view UpToNul(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

// Keeps a received datagram for decoding unless the all-adapters store has reached its bounds.
class RecvTexts {
 public:
  bool Add(std::string_view text) {
    if (texts_.size() >= kMaxRecvTexts || bytes_ + text.size() > kMaxRecvBytes) return false;
    bytes_ += text.size();
    texts_.emplace_back(text);
    return true;
  }
  const std::vector<std::string>& All() const { return texts_; }
  void Clear() {
    texts_.clear();
    bytes_ = 0;
  }

 private:
  std::vector<std::string> texts_;
  std::size_t bytes_ = 0;
};

}  // namespace

// ---- decoding ----------------------------------------------------------------------------

int DecodeStoredReply(std::string_view slot, DeviceTable& table) {
  unsigned char area[kReplySlotSize] = {};
  const int n = Base64Decode(area, sizeof area, UpToNul(slot), kReplyDecodeLimit);
  InvertBytes(area, static_cast<std::size_t>(n));
  return ParserPlainPkg(area, kReplyDecodeLimit, table);
}

int DecodeDatagramFirstPackage(std::string_view text, DeviceTable& table) {
  // Room for everything the text can decode to and a zero after it, as in a cleared
  // package buffer; no datagram decodes to more than that buffer holds.
  const std::string_view base64 = UpToNul(text);
  std::vector<unsigned char> buffer(
      std::min(kPackageBufferSize, base64.size() / 4 * 3 + 4), 0);
  const int n = Base64Decode(buffer.data(), buffer.size() - 1, base64, -1);
  InvertBytes(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t first = strnlen(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  return ParserPlainPkg(buffer.data(), first, table);
}

int DecodeRelayAnswer(std::string_view text, DeviceTable& table) {
  std::vector<unsigned char> buffer(kPackageBufferSize, 0);
  const std::string_view answer = UpToNul(text).substr(0, kPackageBufferSize - 1);
  const int n = Base64Decode(buffer.data(), buffer.size(), answer, -1);
  InvertBytes(buffer.data(), static_cast<std::size_t>(n));
  return ParserPlainPkg(buffer.data(), answer.size(), table);
}

ReplyStore::ReplyStore()
    : bytes_(static_cast<std::size_t>(kReplyStoreSlots) * kReplySlotSize, 0),
      lengths_(kReplyStoreSlots, 0) {}

bool ReplyStore::Add(std::string_view datagram) {
  if (Full()) return false;
  const std::size_t n = std::min<std::size_t>(datagram.size(), kReplySlotSize);
  std::memcpy(bytes_.data() + static_cast<std::size_t>(count_) * kReplySlotSize, datagram.data(), n);
  lengths_[static_cast<std::size_t>(count_)] = static_cast<int>(n);
  ++count_;
  return true;
}

std::string_view ReplyStore::Slot(int i) const {
  if (i < 0 || i >= count_) return {};
  const char* start = bytes_.data() + static_cast<std::size_t>(i) * kReplySlotSize;
  return UpToNul(std::string_view(start, static_cast<std::size_t>(lengths_[static_cast<std::size_t>(i)])));
}

// ---- TCP relay ---------------------------------------------------------------------------

void RunTcpRelaySearch(SearchContext& c) {
  c.report.path = SearchPath::kTcpRelay;
  Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s.valid()) {
    DiagLog::Printf("CREATE SOCKET ERROR");
    c.report.socketFailed = true;
    return;
  }
  if (ConnectBounded(s, InetAddr(c.settings.relayAddress), kDevicePort, kTcpRelayConnectBound,
                     c.wakeFd) != 0) {
    if (c.cancelled) return;
    DiagLog::Printf("CONNECT ERROR");
    c.report.socketFailed = true;
    return;
  }
  const auto answerDeadline = Clock::now() + kTcpRelayAnswerBound;
  std::string query;
  if (MakeControlPkg(kFlagRelayQuery, query, nullptr) != 0) return;
  if (WaitWritable(s.fd(), Left(answerDeadline)) != WaitResult::kReady ||
      ::send(s.fd(), query.data(), query.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(query.size()))
    DiagLog::Printf("SEND ERROR");
  if (!Pause(c, milliseconds(1000))) return;

  std::string answer;
  answer.reserve(kPackageBufferSize);
  char chunk[4096];
  bool closed = false;
  while (answer.size() < kPackageBufferSize - 1) {
    if (c.cancelled) return;
    const milliseconds left = Left(answerDeadline);
    if (left.count() == 0) break;
    std::vector<bool> ready;
    const WaitResult w = WaitAnyReadable({s.fd(), c.wakeFd}, left, ready);
    if (w == WaitResult::kTimeout) break;
    if (w == WaitResult::kFailed) {
      closed = true;
      break;
    }
    if (ready.size() > 1 && ready[1]) return;  // cancelled
    const std::size_t room = std::min(sizeof chunk, kPackageBufferSize - 1 - answer.size());
    const ssize_t n = ::recv(s.fd(), chunk, room, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) {
      closed = true;
      break;
    }
    answer.append(chunk, static_cast<std::size_t>(n));
  }
  if (!closed && answer.size() < kPackageBufferSize - 1) c.report.relayTimedOut = true;
  c.report.newDevices += DecodeRelayAnswer(answer, c.table);
}

// ---- all adapters ------------------------------------------------------------------------

void RunAllAdaptersSearch(SearchContext& c) {
  c.report.path = SearchPath::kAllAdapters;
  const NetCardTable& cards = c.settings.netCards;
  DiagLog::Printf("Multi NetCard[%d]\n", cards.m_NetCardNum);
  const DelayTimes delay = DelayFor(c.settings.delayCaption, c.texts);
  int m_Resent = 0;
  int quietWaits = 0;

  NetCardSockets sockets;
  sockets.Open(cards);
  std::vector<int> fds;
  for (const auto& slot : sockets.m_RecvSockets) {
    fds.push_back(slot.socket.fd());
    fds.push_back(slot.broadcast.socket.fd());
  }
  fds.push_back(c.wakeFd);

  std::string query;
  if (MakeControlPkg(kFlagQuery, query, nullptr) == 0) sockets.SendToAllNetCards(query);

  RecvTexts m_RecvTexts;
  std::string datagram;
  auto halfStart = Clock::now();
  for (;;) {
    if (c.cancelled) return;
    std::vector<bool> ready;
    WaitResult w = WaitAnyReadable(fds, delay.allWait, ready);
    if (!ready.empty() && ready.back()) return;  // cancelled
    const bool capped = Clock::now() - halfStart >= kListenBound;
    if (capped) c.report.listenCapped = true;
    if (w != WaitResult::kReady || capped) {
      if (w == WaitResult::kFailed) DiagLog::Printf("WSA_WAIT_FAILED");
      if (w == WaitResult::kTimeout) DiagLog::Printf("WSA_WAIT_TIMEOUT");
      if (quietWaits < delay.allQuietWaits && !capped) {
        ++quietWaits;
      } else if (m_Resent == 0) {
        if (MakeControlPkg(kFlagQuery, query, nullptr) == 0) sockets.SendToAllNetCards(query);
        DiagLog::Printf("ReSend");
        m_Resent = 1;
        quietWaits = 0;
        halfStart = Clock::now();
        continue;
      } else {
        DiagLog::Printf("Break");
        break;
      }
      if (w != WaitResult::kReady) continue;
    }
    for (std::size_t i = 0; i < sockets.m_RecvSockets.size(); ++i) {
      const NetCardRecvSocket& slot = sockets.m_RecvSockets[i];
      const auto keep = [&](std::string_view text) {
        if (!m_RecvTexts.Add(UpToNul(text))) return;
        (m_Resent ? c.report.recvAfter : c.report.recvBefore)++;
      };
      if (ready[2 * i] && ReceiveDatagram(slot.socket, datagram) > 0) keep(datagram);
      if (ready[2 * i + 1] && ReceiveBroadcastReply(slot.broadcast, datagram) == 1 &&
          !datagram.empty())
        keep(datagram);
    }
  }

  DiagLog::Printf("UDP_recvCount 1[%d] 2[%d]", c.report.recvBefore, c.report.recvAfter);
  for (const auto& text : m_RecvTexts.All()) {
    if (c.cancelled) return;
    c.report.newDevices += DecodeDatagramFirstPackage(text, c.table);
  }
  DiagLog::Printf("RecvData[%d]", static_cast<int>(m_RecvTexts.All().size()));
  m_RecvTexts.Clear();
  sockets.Close();
}

// ---- one adapter -------------------------------------------------------------------------

void RunOneAdapterSearch(SearchContext& c) {
  c.report.path = SearchPath::kOneAdapter;
  DiagLog::Printf("One NetCard\n");
  Socket bound;
  sockaddr_in local{};
  if (DM_CreateUDPBroadcastSocket(kReplyPort, bound, local, c.settings.adapterText) != 0) {
    DiagLog::Printf("DM_CreateUDPBroadcastSocket(%d) failed!\n", kDevicePort);
    c.report.socketFailed = true;
    return;
  }
  BroadcastListener listener;
  CreateBroadcastListener(listener, c.settings.adapterText, kReplyPort);
  const std::vector<int> fds = {bound.fd(), listener.socket.fd(), c.wakeFd};

  const UdpTarget target{c.settings.ipRelay, c.settings.relayAddress};
  const int flag = c.settings.ipRelay ? kFlagRelayQuery : kFlagQuery;
  ReplyStore stores[2];
  int* counters[2] = {&c.report.recvBefore, &c.report.recvAfter};
  bool full = false;
  std::string datagram;

  for (int pass = 0; pass < 2; ++pass) {
    const DelayTimes delay = DelayFor(c.settings.delayCaption, c.texts);
    std::string query;
    if (MakeControlPkg(flag, query, nullptr) == 0) DM_SendUDP(kDevicePort, bound, query, target);
    milliseconds wait = delay.oneFirst;
    const auto passStart = Clock::now();
    bool passOver = false;
    while (!passOver) {
      if (Clock::now() - passStart >= kListenBound) {
        c.report.listenCapped = true;
        break;
      }
      std::vector<bool> ready;
      if (WaitAnyReadable(fds, wait, ready) != WaitResult::kReady) break;
      if (ready[2] || c.cancelled) return;
      wait = delay.oneLater;
      const auto store = [&](std::string_view text) {
        if (passOver) return;
        stores[pass].Add(text);
        ++*counters[pass];
        if (stores[pass].Full()) full = true;
        if (full) passOver = true;
      };
      if (ready[0] && ReceiveDatagram(bound, datagram) > 0) store(datagram);
      if (ready[1] && ReceiveBroadcastReply(listener, datagram) == 1 && !datagram.empty())
        store(datagram);
    }
  }
  c.report.bufferFull = full;
  DiagLog::Printf("UDP_recvCount[%d : %d]", c.report.recvBefore, c.report.recvAfter);
  for (const auto& store : stores)
    for (int i = 0; i < store.Count(); ++i) {
      if (c.cancelled) return;
      c.report.newDevices += DecodeStoredReply(store.Slot(i), c.table);
    }
}

}  // namespace scanvale
