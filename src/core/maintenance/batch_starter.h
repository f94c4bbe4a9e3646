#pragma once
// Starts suspended workers in batches, one step per timer tick of the progress window: a
// batch of at most seven in list order, the next batch only at a tick after every worker of
// the previous one has ended.

#include <chrono>
#include <vector>

#include "maintenance/suspended_worker.h"

namespace scanvale {

enum class BatchTick {
  kRunning,     // the current batch has not ended yet
  kBatchEnded,  // the current batch has ended; the next tick starts the next one
  kAllEnded,    // every worker has ended (also when there were none): close the window
};

class CBatchStarter {
 public:
  static constexpr int kBatchLimit = 7;
  static constexpr std::chrono::milliseconds kTickWait{30};

  // The workers are not owned; they must outlive the starter's ticks.
  explicit CBatchStarter(std::vector<SuspendedWorker*> workers = {},
                         std::chrono::milliseconds tickWait = kTickWait,
                         int batchLimit = kBatchLimit);

  void SetWorkers(std::vector<SuspendedWorker*> workers);

  // One tick: starts the workers of the current batch that have not been started, waits at
  // most the tick wait for all of them to end, and counts the batch when they have. Only
  // the current batch is waited for: the earlier ones have ended already.
  BatchTick Tick();

  int WorkerCount() const { return static_cast<int>(workers_.size()); }
  int WorkersDone() const { return done_; }  // workers of the batches counted as ended
  bool AllEnded() const { return done_ >= WorkerCount(); }

 private:
  int CurrentBatchSize() const;

  std::vector<SuspendedWorker*> workers_;
  std::vector<bool> started_;
  std::chrono::milliseconds tickWait_;
  int batchLimit_;
  int done_ = 0;
};

}  // namespace scanvale
