#include "maintenance/upgrade_run.h"

namespace scanvale {

CUpgradeRun::CUpgradeRun(tUpgradeSettings settings, const std::vector<tMultiSelectInfo>& devices,
                         bool multi) {
  run_.mode = settings.mode;
  run_.filePath = std::move(settings.filePath);
  run_.fileName = std::move(settings.fileName);
  run_.user = std::move(settings.user);
  run_.password = std::move(settings.password);
  run_.multi = multi;
  run_.deviceCount = static_cast<int>(devices.size());
  run_.progress = settings.progress;
  run_.prompts = settings.prompts;
  run_.showStatus = std::move(settings.showStatus);
  // Every record exists before any worker can start, so no worker sees the list change.
  for (std::size_t i = 0; i < devices.size(); ++i) {
    auto thread = std::make_unique<tMultiThread>();
    thread->index = static_cast<int>(i);
    thread->ip = devices[i].ip;
    thread->port = devices[i].port;
    threads_.push_back(std::move(thread));
  }
  for (auto& thread : threads_) {
    tMultiThread* worker = thread.get();
    workers_.push_back(
        std::make_unique<CSuspendedThread>([this, worker] { UpgradeThread(run_, *worker); }));
  }
}

CUpgradeRun::~CUpgradeRun() { workers_.clear(); }

std::vector<SuspendedWorker*> CUpgradeRun::Workers() const {
  std::vector<SuspendedWorker*> list;
  for (const auto& worker : workers_) list.push_back(worker.get());
  return list;
}

}  // namespace scanvale
