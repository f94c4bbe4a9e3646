#include "netconfig/set_network_exchange.h"

#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool IsAddressChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }
bool IsMacChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
         c == '-';
}

// `token` occurs in `text` with no character of its own kind right before or after it.
template <typename SameKind>
bool ContainsToken(std::string_view text, std::string_view token, SameKind sameKind) {
  if (token.empty()) return false;
  for (std::size_t at = text.find(token); at != std::string_view::npos;
       at = text.find(token, at + 1)) {
    const bool clearBefore = at == 0 || !sameKind(text[at - 1]);
    const std::size_t end = at + token.size();
    const bool clearAfter = end >= text.size() || !sameKind(text[end]);
    if (clearBefore && clearAfter) return true;
  }
  return false;
}

SetNetworkOutcome ClassifyPackage(std::string_view text, const ReplyMatch& device) {
  if (!ContainsToken(text, device.ip, IsAddressChar) ||
      !ContainsToken(text, device.mac, IsMacChar))
    return SetNetworkOutcome::kSent;
  if (text.find("ErrorIDPW") != std::string_view::npos)
    return SetNetworkOutcome::kCredentialsRefused;
  if (text.find("ErrorCmd") != std::string_view::npos) return SetNetworkOutcome::kCommandRefused;
  return SetNetworkOutcome::kSent;
}

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(); }

}  // namespace

SetNetworkOutcome ClassifyReply(std::string_view decoded, const ReplyMatch& device) {
  SetNetworkOutcome verdict = SetNetworkOutcome::kSent;
  std::size_t start = 0;
  while (start < decoded.size()) {
    std::size_t end = decoded.find('\0', start);
    if (end == std::string_view::npos) end = decoded.size();
    const SetNetworkOutcome one = ClassifyPackage(decoded.substr(start, end - start), device);
    if (one == SetNetworkOutcome::kCredentialsRefused) return one;
    if (one == SetNetworkOutcome::kCommandRefused) verdict = one;
    start = end + 1;
  }
  return verdict;
}

ExchangeResult RunSetNetworkExchange(ControlChannel& channel, const std::string& wire,
                                     const ReplyMatch& device, const std::atomic<bool>* stop,
                                     const ExchangeTiming& timing) {
  ExchangeResult result;
  const bool allAdapters = channel.Mode() == AdapterMode::kAllAdapters;
  DiagLog::Append(allAdapters ? "Multi NetCard" : "One NetCard");
  if (wire.empty() || channel.Open() != 0) return result;
  const bool sent = channel.Send(wire) == 0;
  result.outcome = sent ? SetNetworkOutcome::kSent : SetNetworkOutcome::kFailed;

  // A refusal is heard and reported whether or not the sign-in window was shown: a device whose
  // credential flag is not "1" can still refuse the package, and reporting that as "sent" would
  // tell the installer a change happened that did not. For the same reason the one-adapter mode
  // listens after sending in both cases.
  SetNetworkOutcome heard = SetNetworkOutcome::kSent;
  std::size_t keptBytes = 0;
  auto handle = [&](const std::string& datagram) {
    if (datagram.empty()) return;
    std::string decoded = DecodeWire(datagram);
    const std::string printable(decoded.c_str());  // the log shows the first package
    DiagLog::Printf("recv msg - [%s]", printable.c_str());
    const SetNetworkOutcome verdict = ClassifyReply(decoded, device);
    if (verdict != SetNetworkOutcome::kSent) heard = verdict;
    // Every datagram is judged, but a flood is not kept: the window parses what is kept.
    if (result.replies.size() < kMaxKeptReplies &&
        keptBytes + decoded.size() <= kMaxKeptReplyBytes) {
      keptBytes += decoded.size();
      result.replies.push_back(std::move(decoded));
    }
  };

  std::vector<std::string> datagrams;
  const auto start = Clock::now();
  if (allAdapters) {
    const auto deadline = start + timing.allAdaptersWindow;
    while (!Stopped(stop) && Clock::now() < deadline) {
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      datagrams.clear();
      const WaitResult wait =
          channel.Receive(left < timing.allAdaptersPoll ? left : timing.allAdaptersPoll, datagrams);
      for (const std::string& d : datagrams) handle(d);
      if (wait == WaitResult::kFailed && datagrams.empty()) break;
    }
  } else {
    const auto limit = start + timing.oneAdapterLimit;
    while (!Stopped(stop) && Clock::now() < limit) {
      datagrams.clear();
      const WaitResult wait = channel.Receive(timing.oneAdapterSilence, datagrams);
      if (wait != WaitResult::kReady) break;
      DiagLog::Printf("select DevNum_len - [%d]", static_cast<int>(datagrams.size()));
      for (const std::string& d : datagrams) {
        DiagLog::Printf("recvfrom DevNum_len - [%d]", static_cast<int>(d.size()));
        handle(d);
      }
    }
  }
  if (sent) result.outcome = heard;
  return result;
}

}  // namespace scanvale
