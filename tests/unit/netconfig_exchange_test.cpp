// Send-and-listen of one set-network package over a scripted channel: the reply words, the
// device they must name, the two listening modes and their bounds.
#include <gtest/gtest.h>

#include <chrono>

#include "support/fake_control_channel.h"
#include "netconfig/set_network_exchange.h"

namespace scanvale {
namespace {

using testing::FakeControlChannel;
using testing::QuickTiming;
using Clock = std::chrono::steady_clock;
using namespace std::string_literals;

const ReplyMatch kDevice{"10.0.0.1", "00:11:22:33:44:55"};

TEST(NetconfigReply, Classification) {
  const struct {
    const char* what;
    std::string decoded;
    SetNetworkOutcome expect;
  } cases[] = {
      {"credentials refused", "ErrorIDPW,10.0.0.1,00:11:22:33:44:55",
       SetNetworkOutcome::kCredentialsRefused},
      {"command refused", "Kestrilon,ErrorCmd 10.0.0.1 00:11:22:33:44:55",
       SetNetworkOutcome::kCommandRefused},
      {"both words: credentials win", "ErrorCmd ErrorIDPW 10.0.0.1 00:11:22:33:44:55",
       SetNetworkOutcome::kCredentialsRefused},
      {"another device's address", "ErrorIDPW,10.0.0.12,00:11:22:33:44:55",
       SetNetworkOutcome::kSent},
      {"another device's MAC", "ErrorIDPW,10.0.0.1,00:11:22:33:44:556", SetNetworkOutcome::kSent},
      {"address only", "ErrorIDPW,10.0.0.1", SetNetworkOutcome::kSent},
      {"word, address and MAC in different packages",
       "ErrorIDPW,10.0.0.1\0x,00:11:22:33:44:55"s, SetNetworkOutcome::kSent},
      {"second package of a buffer", "hello\0ErrorCmd,10.0.0.1,00:11:22:33:44:55"s,
       SetNetworkOutcome::kCommandRefused},
      {"a plain device reply", "Kestrilon,01,M,IP-Cam,cam,10.0.0.1,80,255.0.0.0,10.0.0.254,"
       "0.0.0.0,00:11:22:33:44:55,1,note,1,Kestrilon", SetNetworkOutcome::kSent},
      {"garbage", "\xff\x01\x80" "ErrorIDP 10.0.0.1 00:11:22:33:44:55"s, SetNetworkOutcome::kSent},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyReply(c.decoded, kDevice), c.expect) << c.what;
}

TEST(NetconfigExchange, OneAdapterListensUntilSilence) {
  FakeControlChannel channel(AdapterMode::kOneAdapter);
  channel.script.push_back({{FakeControlChannel::Wire("ErrorCmd,10.0.0.1,00:11:22:33:44:55")}});
  channel.script.push_back({{"not base64 at all!!", ""}});
  // A later matching reply overrides the earlier one.
  channel.script.push_back({{FakeControlChannel::Wire("ErrorIDPW,10.0.0.1,00:11:22:33:44:55")}});
  const ExchangeResult result =
      RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, QuickTiming());
  EXPECT_EQ(result.outcome, SetNetworkOutcome::kCredentialsRefused);
  ASSERT_EQ(channel.sent.size(), 1u);
  EXPECT_EQ(channel.sent[0], "d2lyZQ==");
  EXPECT_EQ(channel.receives, 4);        // three answers, then the silence that ends it
  EXPECT_EQ(result.replies.size(), 3u);  // the empty datagram is not handled
}

TEST(NetconfigExchange, AllAdaptersListenTheWholeWindow) {
  FakeControlChannel channel(AdapterMode::kAllAdapters);
  channel.script.push_back({{FakeControlChannel::Wire("ErrorCmd,10.0.0.1,00:11:22:33:44:55")}});
  const ExchangeTiming timing = QuickTiming();
  const auto start = Clock::now();
  const ExchangeResult result = RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, timing);
  const auto took = Clock::now() - start;
  EXPECT_EQ(result.outcome, SetNetworkOutcome::kCommandRefused);
  EXPECT_GE(took, timing.allAdaptersWindow);
  EXPECT_LT(took, timing.allAdaptersWindow + std::chrono::milliseconds(500));
  EXPECT_GE(channel.receives, 3);  // the window is polled in short waits
}

TEST(NetconfigExchange, AChattyDeviceCannotHoldTheListeningOpen) {
  FakeControlChannel channel(AdapterMode::kOneAdapter);
  channel.repeatForever = {{FakeControlChannel::Wire("Kestrilon,01,chatter")}};
  const ExchangeTiming timing = QuickTiming();
  const auto start = Clock::now();
  const ExchangeResult result = RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, timing);
  EXPECT_LT(Clock::now() - start, timing.oneAdapterLimit + std::chrono::milliseconds(500));
  EXPECT_EQ(result.outcome, SetNetworkOutcome::kSent);
}

TEST(NetconfigExchange, AFloodIsJudgedWholeButKeptWithinItsBounds) {
  FakeControlChannel channel(AdapterMode::kOneAdapter);
  const std::string big = FakeControlChannel::Wire("Kestrilon,01," + std::string(40000, 'x'));
  for (int i = 0; i < 150; ++i) channel.script.push_back({{big}});
  for (int i = 0; i < 5000; ++i) channel.script.push_back({{FakeControlChannel::Wire("chatter")}});
  channel.script.push_back({{FakeControlChannel::Wire("ErrorIDPW,10.0.0.1,00:11:22:33:44:55")}});
  ExchangeTiming timing = QuickTiming();
  timing.oneAdapterLimit = std::chrono::seconds(5);
  const ExchangeResult result = RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, timing);
  EXPECT_EQ(result.outcome, SetNetworkOutcome::kCredentialsRefused) << "the last datagram counts";
  std::size_t bytes = 0;
  for (const auto& r : result.replies) bytes += r.size();
  EXPECT_LE(bytes, kMaxKeptReplyBytes);
  EXPECT_EQ(result.replies.size(), kMaxKeptReplies);
}

TEST(NetconfigExchange, Failures) {
  {
    FakeControlChannel channel;
    channel.openResult = -1;
    EXPECT_EQ(RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, QuickTiming()).outcome,
              SetNetworkOutcome::kFailed);
    EXPECT_TRUE(channel.sent.empty());
  }
  {
    FakeControlChannel channel;  // the package could not be built
    EXPECT_EQ(RunSetNetworkExchange(channel, "", kDevice, nullptr, QuickTiming()).outcome,
              SetNetworkOutcome::kFailed);
    EXPECT_EQ(channel.opens, 0);
  }
  {
    // A send that failed is reported as such even when a refusal is heard afterwards.
    FakeControlChannel channel(AdapterMode::kAllAdapters);
    channel.sendResult = -1;
    channel.script.push_back({{FakeControlChannel::Wire("ErrorIDPW 10.0.0.1 00:11:22:33:44:55")}});
    const ExchangeResult result =
        RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, nullptr, QuickTiming());
    EXPECT_EQ(result.outcome, SetNetworkOutcome::kFailed);
    EXPECT_EQ(result.replies.size(), 1u);  // still offered to the device table
  }
}

TEST(NetconfigExchange, StopEndsTheListening) {
  FakeControlChannel channel(AdapterMode::kAllAdapters);
  std::atomic<bool> stop{true};
  ExchangeTiming timing;  // the real three seconds
  const auto start = Clock::now();
  RunSetNetworkExchange(channel, "d2lyZQ==", kDevice, &stop, timing);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace scanvale
