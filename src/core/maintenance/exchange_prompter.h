#pragma once
// Message boxes that an HTTP exchange raises from its worker thread. The box is shown by the
// window on its own thread; the worker waits until the user has closed it (bounded), then
// goes on, the way a modal box raised from a worker behaves.

#include <chrono>
#include <optional>
#include <string>

#include "language/messages.h"
#include "support/dispatcher.h"

namespace scanvale {

struct ExchangeMessage {
  enum class Icon { kNone, kInformation };

  // The text: a slot of the current language's table, or a fixed literal when `slot` is empty.
  std::optional<Msg> slot;
  std::string literal;
  // The caption: a table slot, or an empty caption.
  std::optional<Msg> captionSlot;
  Icon icon = Icon::kNone;

  // Resolved in the current language; call it where the box is shown.
  std::string Text() const;
  std::string Caption() const;
  bool operator==(const ExchangeMessage&) const = default;
};

// The boxes an exchange can raise.
ExchangeMessage CouldNotAllocateLiteralMessage();  // "Could not allocate memory!", "Warning"
ExchangeMessage UploadFailedLiteralMessage();      // "upload failed", empty caption
ExchangeMessage InvalidFileMessage();              // "Invalid file!", information icon
ExchangeMessage UploadExpiredMessage();            // "Upload expired!"
ExchangeMessage UploadFailedMessage();             // "Upload failed!"
ExchangeMessage CouldNotAllocateMessage();         // "Could not allocate memory.", "Warning"

// Implemented by the window. ShowMessage runs on the window's own thread (it is posted
// there through the dispatcher) and returns once the user has closed the box.
// The prompter must outlive every job that may raise a box (destroy the CoordinatorSet
// first). While the window shuts down it answers Dismissed() with true: waiting workers then
// go on at once instead of waiting for a box that will never be shown.
class ExchangePrompter {
 public:
  virtual ~ExchangePrompter() = default;
  virtual void ShowMessage(const ExchangeMessage& message) = 0;
  virtual bool Dismissed() const { return false; }  // called from worker threads
};

// Where an exchange's boxes go. Without a dispatcher or a prompter a box becomes a log line
// and the worker does not wait.
struct PromptSeam {
  Dispatcher* dispatcher = nullptr;
  ExchangePrompter* prompter = nullptr;
};

// How long a worker waits for the user to close a box before it goes on regardless (the
// box stays up). A window that is gone never answers; this keeps the worker from hanging.
inline constexpr std::chrono::seconds kMessageAnswerBound{120};

// Raises `message` through `seam` from a worker thread and waits until it was closed, at
// most `bound`. Returns true when the user closed it within the bound.
bool RaiseMessage(const PromptSeam& seam, const ExchangeMessage& message,
                  std::chrono::milliseconds bound = kMessageAnswerBound);

}  // namespace scanvale
