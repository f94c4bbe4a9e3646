#pragma once
// CKestThread runs one coordinator function (a maintenance command's collector) on a thread
// of its own; CoordinatorSet owns every coordinator a window has started.
//
// A window keeps one CoordinatorSet. Commands may overlap (a restart and a factory default
// at once), so it holds several; ended ones are joined and freed on the next Start or Reap,
// and its destruction joins the rest, so no coordinator runs past its window.

#include <functional>
#include <memory>
#include <vector>

#include "maintenance/job_thread.h"
#include "support/dispatcher.h"

namespace scanvale {

class CKestThread {
 public:
  // Starts `coordinator` at once. Once it has returned and m_Done is set, `afterEnd` (if
  // given) is posted through `dispatcher`, so it runs on the window's thread: the place to
  // restore the window's controls.
  explicit CKestThread(std::function<void()> coordinator, Dispatcher* dispatcher = nullptr,
                       std::function<void()> afterEnd = {});
  CKestThread(const CKestThread&) = delete;
  CKestThread& operator=(const CKestThread&) = delete;

  bool Done() const { return m_hThread.Done(); }

 private:
  JobThread m_hThread;  // last member: joined first
};

class CoordinatorSet {
 public:
  CoordinatorSet() = default;
  ~CoordinatorSet();
  CoordinatorSet(const CoordinatorSet&) = delete;
  CoordinatorSet& operator=(const CoordinatorSet&) = delete;

  // Call on the owner's thread only.
  void Start(std::function<void()> coordinator, Dispatcher* dispatcher = nullptr,
             std::function<void()> afterEnd = {});
  void Reap();                 // joins and frees every coordinator that has ended
  std::size_t Count() const;   // started and not yet reaped
  std::size_t Running() const; // not yet ended

 private:
  std::vector<std::unique_ptr<CKestThread>> coordinators_;
};

}  // namespace scanvale
