#pragma once
// A suspended worker for tests: it records when it was started and ends when the test says
// so (or at once, when asked to).

#include <atomic>
#include <memory>
#include <vector>

#include "maintenance/suspended_worker.h"

namespace scanvale::testing {

class StandInWorker final : public SuspendedWorker {
 public:
  explicit StandInWorker(bool endsWhenStarted = false) : endsWhenStarted_(endsWhenStarted) {}

  void Start() override {
    starts_.fetch_add(1);
    if (endsWhenStarted_) finished_ = true;
  }
  bool Finished() const override { return finished_; }

  void End() { finished_ = true; }
  bool Started() const { return starts_.load() > 0; }
  int Starts() const { return starts_.load(); }

 private:
  bool endsWhenStarted_;
  std::atomic<int> starts_{0};
  std::atomic<bool> finished_{false};
};

struct StandInWorkers {
  explicit StandInWorkers(int count, bool endWhenStarted = false) {
    for (int i = 0; i < count; ++i) owned.push_back(std::make_unique<StandInWorker>(endWhenStarted));
  }
  std::vector<SuspendedWorker*> Pointers() const {
    std::vector<SuspendedWorker*> list;
    for (const auto& worker : owned) list.push_back(worker.get());
    return list;
  }
  int StartedCount() const {
    int started = 0;
    for (const auto& worker : owned) started += worker->Started();
    return started;
  }
  void EndStarted() {
    for (auto& worker : owned)
      if (worker->Started()) worker->End();
  }
  StandInWorker& operator[](int i) { return *owned[i]; }

  std::vector<std::unique_ptr<StandInWorker>> owned;
};

}  // namespace scanvale::testing
