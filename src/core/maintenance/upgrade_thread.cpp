#include "maintenance/upgrade_thread.h"

#include <optional>

#include "language/language.h"
#include "maintenance/body_source.h"
#include "maintenance/check_device.h"
#include "maintenance/upgrade_post.h"
#include "support/debug_output.h"

namespace scanvale {

namespace {

constexpr const char* kTooOldStatus = "FW is too old.";

bool CanReadFile(const std::string& path) {
  SegmentedBody probe;
  return probe.AddFile(path) == 0;
}

void PrepareRecord(const tUpgradeRun& run, tMultiThread& worker) {
  worker.connect.m_Multi = run.multi;
  worker.connect.m_DeviceCount = run.deviceCount;
  worker.connect.m_Progress = run.progress;
  worker.connect.m_Prompts = run.prompts;
}

void LogStepOne(const tUpgradeRun& run, const tMultiThread& worker) {
  if (run.multi)
    DebugOutput("step1 pThis->v_MultiThread[i].t_Reply = %d", worker.t_Reply);
  else
    DebugOutput("step1 pThis->Reply = %d", worker.t_Reply);
}

std::int32_t Check(tUpgradeRun& run, tMultiThread& worker, CheckMode mode, UpgradePath path) {
  worker.t_Reply =
      CheckDevice(worker.connect, worker.ip, worker.port, run.user, run.password, mode, path);
  return worker.t_Reply;
}

std::int32_t Send(tUpgradeRun& run, tMultiThread& worker, UpgradePath path) {
  worker.t_Reply = Post(worker.connect, worker.ip, worker.port, run.filePath, run.fileName, path);
  DebugOutput("step END pThis->Reply = %d", worker.t_Reply);
  return worker.t_Reply;
}

void Finish(tUpgradeRun& run, const tMultiThread& worker, std::int32_t postResult) {
  if (postResult != 0) {
    run.uploaded = true;
    ReportUpgradeOutcome(run, worker, UpgradeOutcome::kFinished);
  } else {
    ReportUpgradeOutcome(run, worker, UpgradeOutcome::kFailed);
  }
}

void FirmwareUpgrade(tUpgradeRun& run, tMultiThread& worker) {
  DebugOutput("Software Upgrade Start");
  const std::int32_t check = Check(run, worker, CheckMode::kCheck, UpgradePath::kApi);
  LogStepOne(run, worker);
  DebugOutput("step2 filename = %s", run.fileName.c_str());
  const tFirmwarePlan plan = PlanFirmwareUpgrade(check, run.fileName);
  if (plan.tooOld) return ReportUpgradeOutcome(run, worker, UpgradeOutcome::kTooOld);
  DebugOutput(plan.path == UpgradePath::kUi ? "step2 Use UICmd" : "step2 Use APICmd");
  if (Check(run, worker, CheckMode::kBeforeUpgrade, plan.path) == 0)
    return ReportUpgradeOutcome(run, worker, UpgradeOutcome::kLoginFailed);
  Finish(run, worker, Send(run, worker, plan.path));
}

void ConfigUpload(tUpgradeRun& run, tMultiThread& worker) {
  DebugOutput("Config Upload Start");
  const std::int32_t check = Check(run, worker, CheckMode::kCheck, UpgradePath::kApi);
  if (check != 0 && check != kCheckPtzBit)
    return ReportUpgradeOutcome(run, worker, UpgradeOutcome::kConfigRefused);
  Finish(run, worker, Send(run, worker, UpgradePath::kApi));
}

struct OutcomeText {
  std::optional<Msg> slot;  // a table text, or
  const char* literal = "";
  bool everyRowOfIp = false;
};

OutcomeText StatusFor(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::kTooOld: return {std::nullopt, kTooOldStatus, false};
    case UpgradeOutcome::kLoginFailed: return {Msg::LoginFailed, "", true};
    case UpgradeOutcome::kConfigRefused: return {Msg::UploadFailed, "", true};
    case UpgradeOutcome::kFinished: return {Msg::UploadFinished, "", false};
    case UpgradeOutcome::kFailed: break;
  }
  return {Msg::UploadFailed, "", false};
}

Msg MessageFor(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::kTooOld: return Msg::FwTooOldForModule;
    case UpgradeOutcome::kLoginFailed:
    case UpgradeOutcome::kConfigRefused: return Msg::LoginFailed;
    case UpgradeOutcome::kFinished: return Msg::UploadFinished;
    case UpgradeOutcome::kFailed: break;
  }
  return Msg::UploadFailed;
}

}  // namespace

bool IsRestrictedFirmwareName(std::string_view fileName) {
  return fileName == "module.bin" || fileName == "switch.bin" || fileName == "main.bin";
}

tFirmwarePlan PlanFirmwareUpgrade(std::int32_t checkResult, std::string_view fileName) {
  tFirmwarePlan plan;
  plan.tooOld = IsRestrictedFirmwareName(fileName) && (checkResult & kCheckPtzBit) == 0;
  plan.path = (checkResult & kCheckUiPathBit) != 0 ? UpgradePath::kUi : UpgradePath::kApi;
  return plan;
}

void UpgradeThread(tUpgradeRun& run, tMultiThread& worker) {
  PrepareRecord(run, worker);
  // A file that cannot be read fails before the device hears anything: an announced
  // upgrade whose file never comes would leave it waiting for one.
  if (!CanReadFile(run.filePath)) {
    DebugOutput("cannot read %s", run.filePath.c_str());
    return ReportUpgradeOutcome(run, worker, UpgradeOutcome::kFailed);
  }
  if (run.mode == UpgradeMode::kFirmware)
    FirmwareUpgrade(run, worker);
  else
    ConfigUpload(run, worker);
}

void ReportUpgradeOutcome(tUpgradeRun& run, const tMultiThread& worker, UpgradeOutcome outcome) {
  if (!run.multi) {
    ExchangeMessage box;
    box.slot = MessageFor(outcome);
    RaiseMessage(run.prompts, box);
    return;
  }
  const OutcomeText status = StatusFor(outcome);
  tUpgradeStatus update;
  update.index = worker.index;
  update.ip = worker.ip;
  update.everyRowOfIp = status.everyRowOfIp;
  update.text = status.slot ? Messages().Text(*status.slot) : status.literal;
  DebugOutput("Ip[%s] %s", update.ip.c_str(), update.text.c_str());
  if (run.prompts.dispatcher && run.showStatus)
    run.prompts.dispatcher->Post([show = run.showStatus, update] { show(update); });
}

}  // namespace scanvale
