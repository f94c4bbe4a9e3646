#include "maintenance/exchange_prompter.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "language/language.h"
#include "protocol/diag_log.h"

namespace scanvale {

std::string ExchangeMessage::Text() const { return slot ? Messages().Text(*slot) : literal; }

std::string ExchangeMessage::Caption() const {
  return captionSlot ? Messages().Text(*captionSlot) : std::string();
}

ExchangeMessage CouldNotAllocateLiteralMessage() {
  return {std::nullopt, "Could not allocate memory!", Msg::Warning, ExchangeMessage::Icon::kNone};
}
ExchangeMessage UploadFailedLiteralMessage() {
  return {std::nullopt, "upload failed", std::nullopt, ExchangeMessage::Icon::kNone};
}
ExchangeMessage InvalidFileMessage() {
  return {Msg::InvalidFile, {}, std::nullopt, ExchangeMessage::Icon::kInformation};
}
ExchangeMessage UploadExpiredMessage() {
  return {Msg::UploadExpired, {}, std::nullopt, ExchangeMessage::Icon::kNone};
}
ExchangeMessage UploadFailedMessage() {
  return {Msg::UploadFailed, {}, std::nullopt, ExchangeMessage::Icon::kNone};
}
ExchangeMessage CouldNotAllocateMessage() {
  return {Msg::CouldNotAllocateMemory, {}, Msg::Warning, ExchangeMessage::Icon::kNone};
}

namespace {

// Shared between the waiting worker and the posted task, so a task that runs after the
// worker gave up touches nothing that is gone.
struct Answer {
  std::mutex mutex;
  std::condition_variable closed;
  bool done = false;
};

}  // namespace

bool RaiseMessage(const PromptSeam& seam, const ExchangeMessage& message,
                  std::chrono::milliseconds bound) {
  if (!seam.dispatcher || !seam.prompter) {
    DiagLog::Printf("message box (no window): %s", message.Text().c_str());
    return false;
  }
  auto answer = std::make_shared<Answer>();
  ExchangePrompter* prompter = seam.prompter;
  seam.dispatcher->Post([answer, prompter, message] {
    prompter->ShowMessage(message);
    {
      std::lock_guard lock(answer->mutex);
      answer->done = true;
    }
    answer->closed.notify_all();
  });
  // Waits in slices so that a window going away releases the worker promptly.
  constexpr std::chrono::milliseconds kSlice{100};
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::unique_lock lock(answer->mutex);
  while (!answer->done) {
    if (prompter->Dismissed() || std::chrono::steady_clock::now() >= deadline) return false;
    answer->closed.wait_for(lock, kSlice);
  }
  return true;
}

}  // namespace scanvale
