#pragma once
// Runs a send-and-listen off the window's thread, so the dialog keeps repainting while it
// waits. The work gets a stop flag; the owner's destructor sets it and joins, which is quick
// because every wait inside is short and bounded.

#include <atomic>
#include <functional>
#include <thread>

#include "support/guarded_call.h"

namespace scanvale {

class ExchangeWorker {
 public:
  ExchangeWorker() = default;
  ~ExchangeWorker() { StopAndJoin(); }
  ExchangeWorker(const ExchangeWorker&) = delete;
  ExchangeWorker& operator=(const ExchangeWorker&) = delete;

  // Starts `work` on a thread of its own; false while an earlier one has not been joined.
  bool Start(std::function<void(const std::atomic<bool>& stop)> work) {
    if (thread_.joinable()) {
      if (running_) return false;
      thread_.join();
    }
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this, work = std::move(work)] {
      RunGuarded("set-network worker", [&] { work(stop_); });
      running_ = false;
    });
    return true;
  }

  bool Running() const { return running_; }

  void StopAndJoin() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace scanvale
