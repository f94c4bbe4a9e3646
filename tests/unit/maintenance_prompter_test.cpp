#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "maintenance/exchange_prompter.h"
#include "support/dispatcher.h"

namespace scanvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class RecordingPrompter : public ExchangePrompter {
 public:
  void ShowMessage(const ExchangeMessage& message) override {
    shownOn = std::this_thread::get_id();
    shown.push_back(message);
  }
  bool Dismissed() const override { return dismissed; }

  std::vector<ExchangeMessage> shown;
  std::thread::id shownOn;
  std::atomic<bool> dismissed{false};
};

TEST(ExchangePrompts, WorkerWaitsUntilTheWindowHasClosedTheBox) {
  QueueDispatcher window;
  RecordingPrompter prompter;
  std::atomic<bool> answered{false};
  Clock::duration waited{};
  // Timed from before the worker starts: the box cannot be answered before the sleep below ends.
  const auto start = Clock::now();
  std::thread worker([&] {
    answered = RaiseMessage({&window, &prompter}, InvalidFileMessage());
    waited = Clock::now() - start;
  });
  std::this_thread::sleep_for(300ms);  // the user looks at the box
  EXPECT_FALSE(answered);
  EXPECT_EQ(window.RunPending(1s), 1);
  worker.join();
  EXPECT_TRUE(answered);
  EXPECT_GE(waited, 300ms);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shownOn, std::this_thread::get_id());  // shown on the window's thread
  EXPECT_EQ(prompter.shown[0].Text(), "Invalid file!");
  EXPECT_EQ(prompter.shown[0].Caption(), "");
  EXPECT_EQ(prompter.shown[0].icon, ExchangeMessage::Icon::kInformation);
}

TEST(ExchangePrompts, WaitsAreBoundedAndEndWhenTheWindowGoes) {
  QueueDispatcher window;
  RecordingPrompter prompter;
  // No window at all: a log line, no wait.
  EXPECT_FALSE(RaiseMessage({}, UploadFailedLiteralMessage()));

  // Nobody answers: the worker goes on after its bound; the late box is still safe to show.
  auto start = Clock::now();
  EXPECT_FALSE(RaiseMessage({&window, &prompter}, UploadExpiredMessage(), 200ms));
  EXPECT_GE(Clock::now() - start, 200ms);
  EXPECT_EQ(window.RunPending(), 1);
  EXPECT_EQ(prompter.shown.size(), 1u);

  // The window shuts down: a waiting worker is released well before its bound.
  prompter.dismissed = true;
  start = Clock::now();
  EXPECT_FALSE(RaiseMessage({&window, &prompter}, UploadFailedMessage(), 60s));
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST(ExchangePrompts, TextsAndCaptions) {
  EXPECT_EQ(CouldNotAllocateLiteralMessage().Text(), "Could not allocate memory!");
  EXPECT_EQ(CouldNotAllocateLiteralMessage().Caption(), "Warning");
  EXPECT_EQ(UploadFailedLiteralMessage().Text(), "upload failed");
  EXPECT_EQ(UploadExpiredMessage().Text(), "Upload expired!");
  EXPECT_EQ(UploadFailedMessage().Text(), "Upload failed!");
  EXPECT_EQ(CouldNotAllocateMessage().Text(), "Could not allocate memory.");
}

}  // namespace
}  // namespace scanvale
