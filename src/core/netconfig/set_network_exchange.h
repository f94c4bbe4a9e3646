#pragma once
// Sending one set-network package and listening for the device's answer, in the adapter
// mode of the main window: on every adapter for a fixed three seconds, or on one adapter
// until half a second passes without a datagram.

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/socket.h"

namespace scanvale {

enum class AdapterMode { kAllAdapters, kOneAdapter };

// The sockets of one send-and-listen. The all-adapters channel sends from every adapter
// address and receives on each adapter's reply socket; the one-adapter channel sends and
// receives on one socket.
class ControlChannel {
 public:
  virtual ~ControlChannel() = default;
  virtual AdapterMode Mode() const = 0;
  // Opens the sockets: 0, or -1 when the channel cannot work at all.
  virtual int Open() = 0;
  // Sends the Base64 text (no terminator): 0, or -1 when any send failed.
  virtual int Send(const std::string& wire) = 0;
  // Waits at most `wait` for readable sockets and appends one datagram (at most 65536
  // bytes) from each socket that is ready.
  virtual WaitResult Receive(std::chrono::milliseconds wait,
                             std::vector<std::string>& datagrams) = 0;
};

enum class SetNetworkOutcome { kFailed, kCredentialsRefused, kCommandRefused, kSent };

// The device a reply must name: its address as found and its MAC text.
struct ReplyMatch {
  std::string ip;
  std::string mac;
};

// What one decoded reply says about the command: kCredentialsRefused ("ErrorIDPW"),
// kCommandRefused ("ErrorCmd") or kSent (it says nothing about it). The word, the address
// and the MAC must stand in one package of the reply, the address and the MAC as whole
// tokens, so that 10.0.0.1 does not match a reply of 10.0.0.12.
SetNetworkOutcome ClassifyReply(std::string_view decoded, const ReplyMatch& device);

struct ExchangeTiming {
  std::chrono::milliseconds allAdaptersWindow{3000};
  std::chrono::milliseconds allAdaptersPoll{333};
  std::chrono::milliseconds oneAdapterSilence{500};
  // A device that keeps talking cannot hold the one-adapter listening open for ever.
  std::chrono::milliseconds oneAdapterLimit{10000};
};

// What a listening keeps for the device table: far more than a site answers with, far less
// than a host flooding the reply port could make it hold.
inline constexpr std::size_t kMaxKeptReplies = 4000;
inline constexpr std::size_t kMaxKeptReplyBytes = 4u << 20;

struct ExchangeResult {
  SetNetworkOutcome outcome = SetNetworkOutcome::kFailed;
  // The datagrams heard, decoded (Base64, then complemented), for the device table; every one
  // is judged, the first kMaxKeptReplies (at most kMaxKeptReplyBytes) are kept.
  std::vector<std::string> replies;
};

// Opens the channel, sends `wire` (an empty text counts as a failed build) and listens.
// `stop`, when given, ends the listening early (the dialog went away). A later matching
// reply overrides an earlier one.
ExchangeResult RunSetNetworkExchange(ControlChannel& channel, const std::string& wire,
                                     const ReplyMatch& device,
                                     const std::atomic<bool>* stop = nullptr,
                                     const ExchangeTiming& timing = {});

}  // namespace scanvale
