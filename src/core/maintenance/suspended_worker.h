#pragma once
// A worker created suspended: it does nothing until started, and says when it has ended.
// The upload workers are made this way so that the progress window can let them run in
// batches.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace scanvale {

class SuspendedWorker {
 public:
  virtual ~SuspendedWorker() = default;
  // Lets the worker run; the starter calls it at most once.
  virtual void Start() = 0;
  // True once the worker has ended. Safe from any thread.
  virtual bool Finished() const = 0;
  // Waits at most `limit` for the end; true when the worker has ended. This default polls.
  virtual bool WaitFinished(std::chrono::milliseconds limit);
};

// A worker whose body runs on a thread of its own once started. A started thread is joined
// when the object goes; a worker never started never runs.
class CSuspendedThread final : public SuspendedWorker {
 public:
  explicit CSuspendedThread(std::function<void()> body);
  ~CSuspendedThread() override;
  CSuspendedThread(const CSuspendedThread&) = delete;
  CSuspendedThread& operator=(const CSuspendedThread&) = delete;

  void Start() override;
  bool Finished() const override;
  bool WaitFinished(std::chrono::milliseconds limit) override;

 private:
  std::function<void()> body_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
};

}  // namespace scanvale
