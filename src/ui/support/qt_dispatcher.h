#pragma once
// Posts work from any thread onto the thread of a Qt object with a queued call. The target
// must outlive every worker that posts (its owner joins them before it goes); a task still
// queued when the target is destroyed is dropped by Qt, not run.

#include <QObject>

#include "support/dispatcher.h"

namespace scanvale {

class QtDispatcher final : public Dispatcher {
 public:
  explicit QtDispatcher(QObject* target) : target_(target) {}
  void Post(std::function<void()> task) override;

 private:
  QObject* const target_;
};

}  // namespace scanvale
