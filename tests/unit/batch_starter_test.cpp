#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "maintenance/batch_starter.h"
#include "support/stand_in_worker.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using testing::StandInWorkers;

const char* Name(BatchTick tick) {
  switch (tick) {
    case BatchTick::kRunning: return "running";
    case BatchTick::kBatchEnded: return "batch ended";
    case BatchTick::kAllEnded: return "all ended";
  }
  return "?";
}

// Ticks with every started worker ending between two ticks; records after each tick how many
// workers had been started and what the tick said.
std::string TickUntilAllEnded(int count) {
  StandInWorkers workers(count);
  CBatchStarter starter(workers.Pointers(), 0ms);
  std::string trace;
  for (int tick = 0; tick < 20; ++tick) {
    const BatchTick result = starter.Tick();
    trace += std::to_string(workers.StartedCount()) + " " + Name(result) + "; ";
    if (result == BatchTick::kAllEnded) break;
    workers.EndStarted();
  }
  return trace;
}

TEST(BatchStarter, BatchesOfSevenEachAfterThePreviousEnded) {
  const struct {
    int workers;
    const char* trace;
  } cases[] = {
      {16, "7 running; 7 batch ended; 14 running; 14 batch ended; 16 running; 16 all ended; "},
      {15, "7 running; 7 batch ended; 14 running; 14 batch ended; 15 running; 15 all ended; "},
      {7, "7 running; 7 all ended; "},
      {1, "1 running; 1 all ended; "},
      {0, "0 all ended; "},
  };
  for (const auto& c : cases) EXPECT_EQ(TickUntilAllEnded(c.workers), c.trace) << c.workers;
}

TEST(BatchStarter, NextBatchWaitsForTheSlowestWorker) {
  StandInWorkers workers(9);
  CBatchStarter starter(workers.Pointers(), 0ms);
  EXPECT_EQ(starter.Tick(), BatchTick::kRunning);
  for (int i = 0; i < 6; ++i) workers[i].End();
  for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(starter.Tick(), BatchTick::kRunning);
  EXPECT_EQ(workers.StartedCount(), 7);
  EXPECT_EQ(starter.WorkersDone(), 0);
  workers[6].End();
  EXPECT_EQ(starter.Tick(), BatchTick::kBatchEnded);
  EXPECT_EQ(starter.WorkersDone(), 7);
  EXPECT_EQ(starter.Tick(), BatchTick::kRunning);
  EXPECT_EQ(workers.StartedCount(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(workers[i].Starts(), 1) << "worker " << i;
}

TEST(BatchStarter, WorkersThatEndAtOnceAreCountedInTheirOwnTick) {
  StandInWorkers workers(3, /*endWhenStarted=*/true);
  CBatchStarter starter(workers.Pointers(), 0ms);
  EXPECT_EQ(starter.Tick(), BatchTick::kAllEnded);
  EXPECT_EQ(starter.Tick(), BatchTick::kAllEnded);
  EXPECT_EQ(workers[0].Starts(), 1);
}

TEST(SuspendedThread, RunsOnlyOnceStartedAndIsWaitedFor) {
  std::atomic<int> runs{0};
  {
    CSuspendedThread idle([&] { runs++; });
    EXPECT_FALSE(idle.WaitFinished(5ms));
  }
  EXPECT_EQ(runs.load(), 0);

  std::atomic<bool> release{false};
  CSuspendedThread worker([&] {
    while (!release) std::this_thread::sleep_for(1ms);
    runs++;
  });
  CBatchStarter starter({&worker}, 30ms);
  EXPECT_EQ(starter.Tick(), BatchTick::kRunning);
  release = true;
  EXPECT_TRUE(worker.WaitFinished(5s));
  EXPECT_EQ(starter.Tick(), BatchTick::kAllEnded);
  EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace scanvale
