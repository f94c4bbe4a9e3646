#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "maintenance/coordinator.h"
#include "maintenance/kest_jobs.h"
#include "maintenance/kest_thread.h"
#include "support/dispatcher.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Threads of this process. A sanitizer runtime starts a helper thread of its own with the
// first thread the process makes, so a warm-up thread comes first.
int ThreadCount() {
  static const bool warmed = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmed;
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}

// Drains `queue` until `done` holds, at most `bound`.
template <class Pred>
bool DrainUntil(QueueDispatcher& queue, Pred done, std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    queue.RunPending(20ms);
  }
  return true;
}

TEST(MaintenanceJobs, CoordinatorDeliversEachResultAsItsJobEndsThenEndsItself) {
  const int threadsBefore = ThreadCount();
  QueueDispatcher window;
  std::vector<tJobOutcome> delivered;
  std::vector<Clock::duration> deliveredAt;
  bool restored = false;
  const auto start = Clock::now();
  {
    CoordinatorSet coordinators;
    coordinators.Start(
        [&window, &delivered, &deliveredAt, start] {
          std::vector<std::unique_ptr<CKestThread_this>> jobs;
          const int delays[] = {900, 50, 400};
          for (int row = 1; row <= 3; ++row) {
            const int delay = delays[row - 1];
            jobs.push_back(std::make_unique<CKestThread_this>(
                tJobTarget{row, "198.18.1." + std::to_string(row), "80", "mac" + std::to_string(row),
                           "admin", "8629"},
                JobKind::kGetFWVer, [delay](CKestThread_this& job) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                  job.m_Reply = "left over";
                  job.m_Result = job.m_IdPw + std::string(200, 'x');
                }));
          }
          CollectJobs(jobs, window, [&delivered, &deliveredAt, start](const tJobOutcome& o) {
            delivered.push_back(o);
            deliveredAt.push_back(Clock::now() - start);
          });
          EXPECT_TRUE(jobs.empty());
        },
        &window, [&restored] { restored = true; });
    EXPECT_EQ(coordinators.Count(), 1u);
    ASSERT_TRUE(DrainUntil(window, [&] { return restored; }, 5s));
    EXPECT_EQ(coordinators.Running(), 0u);  // the restore is posted after the coordinator ended
    coordinators.Reap();
    EXPECT_EQ(coordinators.Count(), 0u);
  }
  ASSERT_EQ(delivered.size(), 3u);
  EXPECT_EQ(delivered[0].row, 2);  // fastest first, while the slow one still ran
  EXPECT_EQ(delivered[1].row, 3);
  EXPECT_EQ(delivered[2].row, 1);
  EXPECT_LT(deliveredAt[0], 700ms);
  EXPECT_EQ(delivered[0].ip, "198.18.1.2");
  EXPECT_EQ(delivered[0].mac, "mac2");
  EXPECT_EQ(delivered[0].result.size(), kJobResultLimit);  // cut to the field
  EXPECT_EQ(delivered[0].result.substr(0, 11), "admin:8629x");
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST(MaintenanceJobs, ApiJobCarriesTheTypedCommandAsItsKindAndEmptiesItsReply) {
  QueueDispatcher window;
  std::vector<std::unique_ptr<CKestThread_api>> jobs;
  std::string seenCommand;
  jobs.push_back(std::make_unique<CKestThread_api>(
      tJobTarget{4, "198.18.2.3", "80", "", "u", "p"}, "cgi-bin/x.cgi?n=8001",
      [&seenCommand](CKestThread_api& job) {
        seenCommand = job.m_Command;
        job.m_Reply = "OK";
        job.m_Result = job.ReplyHas("OK") ? "Send API Cmd OK" : "unknown";
      }));
  CKestThread_api* job = jobs.front().get();
  std::vector<tJobOutcome> delivered;
  std::thread coordinator([&] {
    CollectJobs(jobs, window, [&delivered](const tJobOutcome& o) { delivered.push_back(o); }, 10ms);
  });
  coordinator.join();
  (void)job;
  window.RunPending();
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(seenCommand, "cgi-bin/x.cgi?n=8001");
  EXPECT_EQ(delivered[0].row, 4);
  EXPECT_EQ(delivered[0].result, "Send API Cmd OK");
  EXPECT_TRUE(delivered[0].mac.empty());
}

TEST(MaintenanceJobs, CoordinatorSetJoinsWhatStillRunsWhenItGoes) {
  const int threadsBefore = ThreadCount();
  std::atomic<bool> finished{false};
  {
    CoordinatorSet coordinators;
    coordinators.Start([&finished] {
      std::this_thread::sleep_for(300ms);
      finished = true;
    });
    coordinators.Start([] {});
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(coordinators.Running(), 1u);
  }  // joins: never a coordinator left running past its owner
  EXPECT_TRUE(finished);
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST(MaintenanceJobs, ACoordinatorThatThrowsStillEndsAndGivesTheButtonsBack) {
  QueueDispatcher window;
  bool buttonsBack = false;
  CoordinatorSet coordinators;
  coordinators.Start([] { throw std::runtime_error("no more threads"); }, &window,
                     [&buttonsBack] { buttonsBack = true; });
  EXPECT_EQ(window.RunPending(2s), 1);  // the program is still here, and so is the hand-back
  EXPECT_TRUE(buttonsBack);
  EXPECT_EQ(coordinators.Running(), 0u);
}

}  // namespace
}  // namespace scanvale
