#pragma once
// Shows the message boxes an HTTP exchange raises from a job thread, on the window's own
// thread, through the window's Prompts (so window tests answer them). Declare it before the
// CoordinatorSet that runs the jobs, and Dismiss() it first thing in the window's
// destructor: jobs still waiting for a box then go on at once.

#include <atomic>

#include "maintenance/exchange_prompter.h"

class QWidget;

namespace scanvale {

class WindowExchangePrompter final : public ExchangePrompter {
 public:
  explicit WindowExchangePrompter(QWidget* parent) : parent_(parent) {}

  void ShowMessage(const ExchangeMessage& message) override;
  bool Dismissed() const override { return dismissed_.load(std::memory_order_acquire); }
  void Dismiss() { dismissed_.store(true, std::memory_order_release); }

 private:
  QWidget* const parent_;
  std::atomic<bool> dismissed_{false};
};

}  // namespace scanvale
