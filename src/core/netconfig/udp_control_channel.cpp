#include "netconfig/udp_control_channel.h"

#include <vector>

#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

class AllAdaptersChannel final : public ControlChannel {
 public:
  explicit AllAdaptersChannel(const NetCardTable& cards) : cards_(cards) {}  // a copy
  ~AllAdaptersChannel() override { sockets_.Close(); }

  AdapterMode Mode() const override { return AdapterMode::kAllAdapters; }

  // Without an address there is nowhere to send from; a reply socket that did not open
  // could never hear the device. Either way nothing is sent, and the send counts as failed.
  int Open() override {
    if (cards_.m_NetCardNum <= 0) return -1;
    sockets_.Open(cards_);
    for (const NetCardRecvSocket& slot : sockets_.m_RecvSockets) {
      if (!slot.socket.valid()) return -1;
      fds_.push_back(slot.socket.fd());
      fds_.push_back(slot.broadcast.socket.fd());
    }
    return 0;
  }

  int Send(const std::string& wire) override { return sockets_.SendToAllNetCards(wire); }

  WaitResult Receive(std::chrono::milliseconds wait, std::vector<std::string>& out) override {
    std::vector<bool> ready;
    const WaitResult w = WaitAnyReadable(fds_, wait, ready);
    if (w != WaitResult::kReady) return w;
    std::string datagram;
    for (std::size_t i = 0; i < sockets_.m_RecvSockets.size(); ++i) {
      const NetCardRecvSocket& slot = sockets_.m_RecvSockets[i];
      if (ready[2 * i] && ReceiveDatagram(slot.socket, datagram) > 0) out.push_back(datagram);
      if (ready[2 * i + 1] && ReceiveBroadcastReply(slot.broadcast, datagram) == 1 &&
          !datagram.empty())
        out.push_back(datagram);
    }
    return w;
  }

 private:
  const NetCardTable cards_;
  NetCardSockets sockets_;
  std::vector<int> fds_;
};

class OneAdapterChannel final : public ControlChannel {
 public:
  OneAdapterChannel(std::string address, UdpTarget target)
      : address_(std::move(address)), target_(std::move(target)) {}

  AdapterMode Mode() const override { return AdapterMode::kOneAdapter; }

  int Open() override {
    sockaddr_in local{};
    if (DM_CreateUDPBroadcastSocket(kReplyPort, bound_, local, address_) != 0) return -1;
    // A device on another subnet can answer only by broadcast; the bound socket does not
    // hear broadcasts, so the address's broadcast side listens beside it.
    CreateBroadcastListener(listener_, address_, kReplyPort);
    return 0;
  }

  int Send(const std::string& wire) override {
    return DM_SendUDP(kDevicePort, bound_, wire, target_);
  }

  WaitResult Receive(std::chrono::milliseconds wait, std::vector<std::string>& out) override {
    std::vector<bool> ready;
    const WaitResult w = WaitAnyReadable({bound_.fd(), listener_.socket.fd()}, wait, ready);
    if (w != WaitResult::kReady) return w;
    std::string datagram;
    if (ready[0] && ReceiveDatagram(bound_, datagram) > 0) out.push_back(datagram);
    if (ready[1] && ReceiveBroadcastReply(listener_, datagram) == 1 && !datagram.empty())
      out.push_back(datagram);
    return w;
  }

 private:
  std::string address_;
  UdpTarget target_;
  Socket bound_;
  BroadcastListener listener_;
};

}  // namespace

AdapterMode ModeOf(const ChannelSettings& settings) {
  return settings.adapterItemIndex >= 0 &&
                 IsAllNetCardChoice(settings.netCards, settings.adapterItemIndex)
             ? AdapterMode::kAllAdapters
             : AdapterMode::kOneAdapter;
}

std::unique_ptr<ControlChannel> MakeUdpControlChannel(const ChannelSettings& settings) {
  if (ModeOf(settings) == AdapterMode::kAllAdapters)
    return std::make_unique<AllAdaptersChannel>(settings.netCards);
  return std::make_unique<OneAdapterChannel>(settings.adapterText, settings.target);
}

}  // namespace scanvale
