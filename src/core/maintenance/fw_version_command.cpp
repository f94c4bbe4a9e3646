#include "maintenance/fw_version_command.h"

#include <memory>

#include "maintenance/http_request.h"

namespace scanvale {

namespace {

constexpr std::string_view kVersionKey = "root.Properties.Firmware.Version=";
constexpr std::string_view kBlankLine = "\r\n\r\n";

bool Has(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> FWVerFromParamReply(std::string_view reply) {
  const std::size_t root = reply.find("root.");
  if (root != std::string_view::npos) {
    const std::size_t from = root + kVersionKey.size();
    if (from >= reply.size()) return std::string();
    return std::string(reply.substr(from));
  }
  if (Has(reply, "503 Service Unavailable")) return std::nullopt;
  if (Has(reply, "nauthorized")) return std::string("Unauthorized");
  return std::string("unknown");
}

std::string FWVerFromListInfoReply(std::string_view reply) {
  const std::size_t blank = reply.find(kBlankLine);
  if (Has(reply, "200 OK") && blank != std::string_view::npos)
    return std::string(reply.substr(blank + kBlankLine.size()));
  if (Has(reply, "nauthorized")) return "Unauthorized";
  return "unknown";
}

void A_GetFWVer(CKestThread_this& job) {
  job.Exchange(job.RequestA(MakeGetLine(kFWVerParamTarget)));
  if (std::optional<std::string> result = FWVerFromParamReply(job.m_Reply)) {
    job.m_Result = std::move(*result);
    return;
  }
  // An exchange that ended early empties the reply, so this never reads the first answer.
  job.Exchange(job.RequestA(MakeGetLine(kFWVerListInfoTarget)));
  job.m_Result = FWVerFromListInfoReply(job.m_Reply);
}

std::vector<tGridTarget> FWVerTargets(const DeviceGrid& grid) {
  std::vector<tGridTarget> out;
  for (int row = 1; row < grid.RowCount(); ++row)
    out.push_back({row, row, grid.Cell(kColIp, row), grid.Cell(kColPort, row),
                   grid.Cell(kColMac, row), grid.Cell(kColProject, row)});
  return out;
}

void RunGetFWVer(const std::vector<tGridTarget>& targets, const tCommandRun& run) {
  std::vector<std::unique_ptr<CKestThread_this>> jobs;
  jobs.reserve(targets.size());
  for (const tGridTarget& t : targets)
    jobs.push_back(std::make_unique<CKestThread_this>(
        tJobTarget{t.index, t.ip, t.port, t.mac, run.user, run.password}, JobKind::kGetFWVer,
        A_GetFWVer, run.prompts));
  CollectJobs(jobs, *run.dispatcher, run.deliver, run.poll);
}

bool WriteFWVerOutcome(DeviceGrid& grid, const tJobOutcome& outcome) {
  const int row = outcome.row;
  if (row < 1 || row >= grid.RowCount()) return false;
  if (grid.Cell(kColIp, row) != outcome.ip || grid.Cell(kColMac, row) != outcome.mac) return false;
  grid.SetCell(kColFirmware, row, outcome.result);
  return true;
}

}  // namespace scanvale
