#include "maintenance/job_thread.h"

#include "support/guarded_call.h"

namespace scanvale {

JobThread::~JobThread() {
  // Every body is bounded (each exchange ends within its limits), so this join ends too.
  if (thread_.joinable()) thread_.join();
}

void JobThread::Start(std::function<void()> body, std::function<void()> afterDone) {
  thread_ = std::thread([this, body = std::move(body), afterDone = std::move(afterDone)] {
    RunGuarded("job", body);  // a job that failed that way has no result: the row says nothing
    done_.store(true, std::memory_order_release);
    if (afterDone) afterDone();
  });
}

}  // namespace scanvale
