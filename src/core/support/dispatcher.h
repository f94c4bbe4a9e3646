#pragma once
// Hands work from a worker thread to its owner's thread. The window program posts with a
// queued call onto the window's thread; tests and the CLI drain a plain queue.

#include <condition_variable>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

namespace scanvale {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Runs `task` later on the owner's thread; never blocks the worker for long.
  virtual void Post(std::function<void()> task) = 0;
};

// A dispatcher whose owner drains the queue itself (tests, the command-line companion).
class QueueDispatcher final : public Dispatcher {
 public:
  void Post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
  }

  // Runs every queued task; waits at most `wait` for the first one. Returns tasks run.
  int RunPending(std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
    std::deque<std::function<void()>> batch;
    {
      std::unique_lock lock(mutex_);
      ready_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
      batch.swap(tasks_);
    }
    for (auto& task : batch) task();
    return static_cast<int>(batch.size());
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace scanvale
