// How an upload worker shows each outcome: a status of its row (or of every row with its
// address) with several devices, a message box with one; and a run that has no devices.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "maintenance/upgrade_run.h"
#include "support/dispatcher.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;

class RecordingPrompter final : public ExchangePrompter {
 public:
  void ShowMessage(const ExchangeMessage& message) override { shown.push_back(message); }
  std::vector<ExchangeMessage> shown;
};

struct Harness {
  QueueDispatcher dispatcher;
  RecordingPrompter prompter;
  std::vector<tUpgradeStatus> statuses;
  tUpgradeRun run;
  tMultiThread worker;

  explicit Harness(bool multi) {
    run.multi = multi;
    run.prompts = {&dispatcher, &prompter};
    run.showStatus = [this](const tUpgradeStatus& s) { statuses.push_back(s); };
    worker.index = 3;
    worker.ip = "198.18.1.40";
  }

  // Reports from a thread of its own, as a worker does, and runs what it posts here.
  void Report(UpgradeOutcome outcome) {
    std::thread worker_thread([this, outcome] { ReportUpgradeOutcome(run, worker, outcome); });
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (prompter.shown.empty() && statuses.empty() &&
           std::chrono::steady_clock::now() < deadline)
      dispatcher.RunPending(10ms);
    worker_thread.join();
    dispatcher.RunPending();
  }
};

TEST(UpgradeOutcome, SeveralDevicesShowStatusesInTheirRows) {
  struct Case {
    UpgradeOutcome outcome;
    const char* text;
    bool everyRowOfIp;
  };
  for (const Case& c : {Case{UpgradeOutcome::kTooOld, "FW is too old.", false},
                        Case{UpgradeOutcome::kLoginFailed, "Login failed!", true},
                        Case{UpgradeOutcome::kConfigRefused, "Upload failed!", true},
                        Case{UpgradeOutcome::kFinished, "Upload finished!", false},
                        Case{UpgradeOutcome::kFailed, "Upload failed!", false}}) {
    Harness h(/*multi=*/true);
    h.Report(c.outcome);
    ASSERT_EQ(h.statuses.size(), 1u) << c.text;
    EXPECT_EQ(h.statuses[0], (tUpgradeStatus{3, "198.18.1.40", c.everyRowOfIp, c.text}));
    EXPECT_TRUE(h.prompter.shown.empty());
  }
}

TEST(UpgradeOutcome, OneDeviceShowsMessageBoxesWithoutCaption) {
  struct Case {
    UpgradeOutcome outcome;
    const char* text;
  };
  for (const Case& c :
       {Case{UpgradeOutcome::kTooOld,
             "FW ver. is too old to upload module.bin / switch.bin / main.bin."},
        Case{UpgradeOutcome::kLoginFailed, "Login failed!"},
        Case{UpgradeOutcome::kConfigRefused, "Login failed!"},
        Case{UpgradeOutcome::kFinished, "Upload finished!"},
        Case{UpgradeOutcome::kFailed, "Upload failed!"}}) {
    Harness h(/*multi=*/false);
    h.Report(c.outcome);
    ASSERT_EQ(h.prompter.shown.size(), 1u) << c.text;
    EXPECT_EQ(h.prompter.shown[0].Text(), c.text);
    EXPECT_EQ(h.prompter.shown[0].Caption(), "");
    EXPECT_TRUE(h.statuses.empty());
  }
}

TEST(UpgradeRun, AMultiDeviceRunWithoutDevicesHasNoWorkers) {
  CUpgradeRun run(tUpgradeSettings{}, {}, /*multi=*/true);
  EXPECT_TRUE(run.Workers().empty());
  EXPECT_FALSE(run.Uploaded());
}

TEST(UpgradeRun, WorkersNeverStartedNeverRun) {
  // An address that can never be dialled: a started worker would fail at once, but these
  // are not started, and going away must neither run nor wait for them.
  CUpgradeRun run(tUpgradeSettings{}, {{"", "80", 1}, {"", "80", 1}}, /*multi=*/true);
  ASSERT_EQ(run.Workers().size(), 2u);
  for (SuspendedWorker* worker : run.Workers()) EXPECT_FALSE(worker->Finished());
}

}  // namespace
}  // namespace scanvale
