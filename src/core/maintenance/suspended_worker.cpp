#include "maintenance/suspended_worker.h"

#include "support/guarded_call.h"

namespace scanvale {

bool SuspendedWorker::WaitFinished(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!Finished()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

CSuspendedThread::CSuspendedThread(std::function<void()> body) : body_(std::move(body)) {}

CSuspendedThread::~CSuspendedThread() {
  if (thread_.joinable()) thread_.join();
}

void CSuspendedThread::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] {
    if (body_) RunGuarded("upgrade worker", body_);
    std::lock_guard lock(mutex_);
    finished_ = true;
    ended_.notify_all();
  });
}

bool CSuspendedThread::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool CSuspendedThread::WaitFinished(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return ended_.wait_for(lock, limit, [this] { return finished_; });
}

}  // namespace scanvale
