#pragma once
// A control channel for unit tests: no sockets. Each Receive takes the next scripted step;
// with the script used up it waits out the time asked and reports silence.

#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "netconfig/set_network_exchange.h"
#include "protocol/control_package.h"

namespace scanvale::testing {

class FakeControlChannel final : public ControlChannel {
 public:
  struct Step {
    std::vector<std::string> datagrams;  // wire form
    WaitResult result = WaitResult::kReady;
  };

  explicit FakeControlChannel(AdapterMode mode = AdapterMode::kOneAdapter) : mode_(mode) {}

  AdapterMode Mode() const override { return mode_; }
  int Open() override {
    ++opens;
    return openResult;
  }
  int Send(const std::string& wire) override {
    sent.push_back(wire);
    return sendResult;
  }
  WaitResult Receive(std::chrono::milliseconds wait, std::vector<std::string>& out) override {
    ++receives;
    if (script.empty() && repeatForever.datagrams.empty()) {
      std::this_thread::sleep_for(wait);
      return WaitResult::kTimeout;
    }
    const Step step = script.empty() ? repeatForever : script.front();
    if (!script.empty()) script.pop_front();
    out.insert(out.end(), step.datagrams.begin(), step.datagrams.end());
    return step.result;
  }

  // A reply as a device sends it: text plus NUL, complemented, Base64.
  static std::string Wire(const std::string& text) { return EncodeWire(text); }

  int openResult = 0;
  int sendResult = 0;
  std::deque<Step> script;
  Step repeatForever;  // answered on every call once the script is used up (a chatty device)
  std::vector<std::string> sent;
  int opens = 0;
  int receives = 0;

 private:
  AdapterMode mode_;
};

// Short timings so the all-adapters window does not take three seconds in a unit test.
inline ExchangeTiming QuickTiming() {
  ExchangeTiming t;
  t.allAdaptersWindow = std::chrono::milliseconds(60);
  t.allAdaptersPoll = std::chrono::milliseconds(20);
  t.oneAdapterSilence = std::chrono::milliseconds(20);
  t.oneAdapterLimit = std::chrono::milliseconds(200);
  return t;
}

}  // namespace scanvale::testing

namespace scanvale::testing {

// Hands a test-owned fake to code that takes ownership of its channel.
class BorrowedChannel final : public ControlChannel {
 public:
  explicit BorrowedChannel(FakeControlChannel& fake) : fake_(fake) {}
  AdapterMode Mode() const override { return fake_.Mode(); }
  int Open() override { return fake_.Open(); }
  int Send(const std::string& wire) override { return fake_.Send(wire); }
  WaitResult Receive(std::chrono::milliseconds wait, std::vector<std::string>& out) override {
    return fake_.Receive(wait, out);
  }

 private:
  FakeControlChannel& fake_;
};

}  // namespace scanvale::testing
