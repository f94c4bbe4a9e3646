#pragma once
// The coordinator's collecting loop, shared by every maintenance command: it polls its jobs
// every 200 ms and hands each job's outcome to the window's thread as soon as that job has
// ended, so fast devices show their result while slow ones still run.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/dispatcher.h"

namespace scanvale {

inline constexpr std::chrono::milliseconds kCoordinatorPoll{200};

// A copy of what a finished job leaves, safe to carry to another thread.
struct tJobOutcome {
  std::int32_t row = 0;
  std::string ip;
  std::string mac;  // empty for API jobs
  std::string result;
  std::int32_t linkResult = 0;
};

template <class Job>
tJobOutcome OutcomeOf(const Job& job) {
  tJobOutcome out{job.m_Row, job.m_IP, {}, job.m_Result, job.m_LinkResult};
  if constexpr (requires { job.m_MAC; }) out.mac = job.m_MAC;
  return out;
}

// Runs on the coordinator's thread. Each pass looks at every job; a job seen done for the
// first time has its outcome posted through `dispatcher` to `deliver`, which runs on the
// owner's thread, in the order the jobs were found done (each job once: a repeat would only
// write the same cell again). Every pass ends with a pause of `poll`, the last one too. When
// all are done the jobs are destroyed and the list is emptied.
template <class Job>
void CollectJobs(std::vector<std::unique_ptr<Job>>& jobs, Dispatcher& dispatcher,
                 const std::function<void(const tJobOutcome&)>& deliver,
                 std::chrono::milliseconds poll = kCoordinatorPoll) {
  std::vector<bool> delivered(jobs.size(), false);
  for (bool allDone = false; !allDone;) {
    allDone = true;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      if (!jobs[i]->Done()) {
        allDone = false;
        continue;
      }
      if (delivered[i]) continue;
      delivered[i] = true;
      if (deliver) dispatcher.Post([deliver, outcome = OutcomeOf(*jobs[i])] { deliver(outcome); });
    }
    std::this_thread::sleep_for(poll);
  }
  jobs.clear();
}

}  // namespace scanvale
