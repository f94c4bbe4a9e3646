#pragma once
// The thread a job or coordinator object owns. The body runs once; the done flag is set as
// its very last act. Destroying the owner joins the thread, so the body never outlives the
// object it works on: declare a JobThread as the LAST member of its owner, so it is joined
// while every other member still exists.

#include <atomic>
#include <functional>
#include <thread>

namespace scanvale {

class JobThread {
 public:
  JobThread() = default;
  ~JobThread();
  JobThread(const JobThread&) = delete;
  JobThread& operator=(const JobThread&) = delete;

  // Starts `body` at once; call once, after every field the body reads is set.
  // `afterDone` (optional) runs on the thread right after the done flag is set; it must not
  // touch the owner, which may already be on its way out (it is joined, not freed, then).
  void Start(std::function<void()> body, std::function<void()> afterDone = {});
  bool Done() const { return done_.load(std::memory_order_acquire); }
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace scanvale
