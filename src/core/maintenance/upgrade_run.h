#pragma once
// One run of the upgrade dialog: a suspended worker per device, each running UpgradeThread
// with its own connection record. The progress window starts them (in batches of at most
// seven); the run joins every started worker when it goes, and workers never started never
// run.
//
//   tUpgradeSettings settings{mode, path, name, user, password, &progress, prompts, show};
//   CUpgradeRun run(std::move(settings), devices, /*multi=*/devices.size() > 1);
//   progress.SetWorkers(run.Workers());   // or SetWorker(run.Workers().front())
//   progress.exec();
//   if (run.Uploaded()) ...               // the reboot notice

#include <memory>
#include <vector>

#include "maintenance/suspended_worker.h"
#include "maintenance/upgrade_thread.h"

namespace scanvale {

struct tUpgradeSettings {
  UpgradeMode mode = UpgradeMode::kFirmware;
  std::string filePath;
  std::string fileName;
  std::string user;
  std::string password;
  UploadProgress* progress = nullptr;
  PromptSeam prompts;
  std::function<void(const tUpgradeStatus&)> showStatus;
};

class CUpgradeRun {
 public:
  // `multi`: several devices were selected (the list may still be empty: then there are no
  // workers at all). Otherwise `devices` holds the one device.
  CUpgradeRun(tUpgradeSettings settings, const std::vector<tMultiSelectInfo>& devices,
              bool multi);
  ~CUpgradeRun();
  CUpgradeRun(const CUpgradeRun&) = delete;
  CUpgradeRun& operator=(const CUpgradeRun&) = delete;

  std::vector<SuspendedWorker*> Workers() const;
  bool Uploaded() const { return run_.uploaded.load(); }
  // The workers' records; read them only after the workers have ended.
  const std::vector<std::unique_ptr<tMultiThread>>& Threads() const { return threads_; }

 private:
  tUpgradeRun run_;
  std::vector<std::unique_ptr<tMultiThread>> threads_;
  std::vector<std::unique_ptr<CSuspendedThread>> workers_;  // last: joined first
};

}  // namespace scanvale
