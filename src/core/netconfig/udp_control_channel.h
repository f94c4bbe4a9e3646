#pragma once
// The control channel over the datagram sockets of the adapter selector's mode: on every
// adapter address (a sending socket and the reply sockets of each), or on one address (one
// bound socket that sends and hears unicast replies, with the broadcast side of its address).

#include <memory>
#include <string>

#include "netconfig/set_network_exchange.h"
#include "protocol/net_adapters.h"
#include "protocol/udp_sockets.h"

namespace scanvale {

struct ChannelSettings {
  NetCardTable netCards;     // m_NetCardAddr, m_NetCardNum
  int adapterItemIndex = 0;  // the selector's chosen item, -1 when an address was typed
  std::string adapterText;   // the selector's text: the one adapter's address
  UdpTarget target;          // one adapter: the relay address in the "IP Relay" mode
};

AdapterMode ModeOf(const ChannelSettings& settings);

// A channel for one send-and-listen; the sockets open in Open and close with the channel.
std::unique_ptr<ControlChannel> MakeUdpControlChannel(const ChannelSettings& settings);

}  // namespace scanvale
