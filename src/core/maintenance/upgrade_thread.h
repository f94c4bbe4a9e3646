#pragma once
// UpgradeThread: what one upload worker does for its device, from the check to the outcome.
// A file that cannot be opened gives "Upload failed!" before any request goes out.
//
// Upgrade mode: check the device; refuse module.bin, switch.bin and main.bin to firmware
// without the PTZ mark ("FW is too old."); take the UI path when the check gave bit 1, else
// the API path; announce the upload ("Login failed!" when the device does not accept it);
// post the file ("Upload finished!" or "Upload failed!").
// Configuration mode: check the device; a check result other than 0 and 0x10 is refused
// ("Login failed!" for one device, "Upload failed!" for several); post by the API path.
//
// With several devices each outcome becomes the status of the device's row in the dialog's
// list (for a refused login or configuration: of every row with the device's address); with
// one device it is a message box, and the worker waits until it was closed.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "maintenance/exchange_prompter.h"
#include "maintenance/upgrade_types.h"

namespace scanvale {

// A status list update; applied on the window's thread.
struct tUpgradeStatus {
  int index = 0;              // the device's position in the run's list
  std::string ip;
  bool everyRowOfIp = false;  // set every row whose address is `ip`, not only `index`
  std::string text;           // UTF-8
  bool operator==(const tUpgradeStatus&) const = default;
};

// What every worker of one run shares. Set before the first worker starts; while they run
// only `uploaded` changes.
struct tUpgradeRun {
  UpgradeMode mode = UpgradeMode::kFirmware;
  std::string filePath;   // the chosen file's full path
  std::string fileName;   // its name without folder: what the device is told
  std::string user;
  std::string password;
  bool multi = false;
  int deviceCount = 1;
  UploadProgress* progress = nullptr;  // the progress window
  PromptSeam prompts;                  // message boxes, and the thread status updates go to
  std::function<void(const tUpgradeStatus&)> showStatus;  // runs through prompts.dispatcher
  std::atomic<bool> uploaded{false};   // a worker's upload succeeded (m_Uploaded)
};

// One worker's device and connection record.
struct tMultiThread {
  int index = 0;
  std::string ip;
  std::string port;
  std::int32_t t_Reply = 0;  // the worker's latest result code
  THttpConnect connect;
};

enum class UpgradeOutcome { kTooOld, kLoginFailed, kConfigRefused, kFinished, kFailed };

// The firmware decision after the check: refused as too old, or the path to take.
struct tFirmwarePlan {
  bool tooOld = false;
  UpgradePath path = UpgradePath::kApi;
};
tFirmwarePlan PlanFirmwareUpgrade(std::int32_t checkResult, std::string_view fileName);

// "module.bin", "switch.bin" and "main.bin" (exact names) need firmware with the PTZ mark.
bool IsRestrictedFirmwareName(std::string_view fileName);

// The worker body. Prepares `worker.connect` for the run (multi, device count, progress,
// prompts) and runs to the outcome.
void UpgradeThread(tUpgradeRun& run, tMultiThread& worker);

// Shows an outcome the way the run shows it (status list or message box).
void ReportUpgradeOutcome(tUpgradeRun& run, const tMultiThread& worker, UpgradeOutcome outcome);

}  // namespace scanvale
