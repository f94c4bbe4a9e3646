#include "maintenance/batch_starter.h"

#include <algorithm>

namespace scanvale {

CBatchStarter::CBatchStarter(std::vector<SuspendedWorker*> workers,
                             std::chrono::milliseconds tickWait, int batchLimit)
    : tickWait_(tickWait), batchLimit_(std::max(1, batchLimit)) {
  SetWorkers(std::move(workers));
}

void CBatchStarter::SetWorkers(std::vector<SuspendedWorker*> workers) {
  std::erase(workers, nullptr);
  workers_ = std::move(workers);
  started_.assign(workers_.size(), false);
  done_ = 0;
}

int CBatchStarter::CurrentBatchSize() const {
  return std::min(batchLimit_, WorkerCount() - done_);
}

BatchTick CBatchStarter::Tick() {
  if (AllEnded()) return BatchTick::kAllEnded;
  const int first = done_;
  const int end = done_ + CurrentBatchSize();
  for (int i = first; i < end; ++i) {
    if (started_[i]) continue;
    started_[i] = true;
    workers_[i]->Start();
  }
  const auto deadline = std::chrono::steady_clock::now() + tickWait_;
  for (int i = first; i < end; ++i) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!workers_[i]->WaitFinished(std::max(left, std::chrono::milliseconds(0))))
      return BatchTick::kRunning;
  }
  done_ = end;
  return AllEnded() ? BatchTick::kAllEnded : BatchTick::kBatchEnded;
}

}  // namespace scanvale
