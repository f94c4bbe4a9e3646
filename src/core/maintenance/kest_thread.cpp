#include "maintenance/kest_thread.h"

#include <algorithm>

namespace scanvale {

CKestThread::CKestThread(std::function<void()> coordinator, Dispatcher* dispatcher,
                         std::function<void()> afterEnd) {
  std::function<void()> post;
  if (dispatcher && afterEnd)
    post = [dispatcher, afterEnd = std::move(afterEnd)] { dispatcher->Post(afterEnd); };
  m_hThread.Start(std::move(coordinator), std::move(post));
}

CoordinatorSet::~CoordinatorSet() { coordinators_.clear(); }

void CoordinatorSet::Start(std::function<void()> coordinator, Dispatcher* dispatcher,
                           std::function<void()> afterEnd) {
  Reap();
  coordinators_.push_back(
      std::make_unique<CKestThread>(std::move(coordinator), dispatcher, std::move(afterEnd)));
}

void CoordinatorSet::Reap() {
  std::erase_if(coordinators_, [](const std::unique_ptr<CKestThread>& c) { return c->Done(); });
}

std::size_t CoordinatorSet::Count() const { return coordinators_.size(); }

std::size_t CoordinatorSet::Running() const {
  return static_cast<std::size_t>(std::count_if(
      coordinators_.begin(), coordinators_.end(),
      [](const std::unique_ptr<CKestThread>& c) { return !c->Done(); }));
}

}  // namespace scanvale
