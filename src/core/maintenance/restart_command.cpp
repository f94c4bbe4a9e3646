#include "maintenance/restart_command.h"

#include <memory>

#include "maintenance/digest_auth.h"
#include "maintenance/http_request.h"

namespace scanvale {

namespace {

struct CgiTexts {
  std::string_view first;
  std::string_view fallback;  // asked when the first answers "503 Service Unavailable"
  const char* success;
};

constexpr CgiTexts kRestartTexts{"/cgi-bin/admin/restart.cgi", "/cgi-bin/reboot.cgi", "Reboot OK"};
constexpr CgiTexts kDefaultTexts{"/cgi-bin/admin/factorydefault.cgi",
                                 "/cgi-bin/partialdefault.cgi", "Default OK"};

constexpr std::string_view kLoginUri = "/auth/login";
constexpr std::string_view kRebootUriHead = "/auth/config.set?REBOOT&THREAD_ID=";
constexpr std::string_view kThreadIdMark = "ID=[";

void RunCgi(CKestThread_this& job, const CgiTexts& texts) {
  job.Exchange(job.RequestA(MakeGetLine(texts.first)));
  if (job.ReplyHas("OK")) {
    job.m_Result = texts.success;
    return;
  }
  if (job.ReplyHas("503 Service Unavailable")) {
    job.Exchange(job.RequestA(MakeGetLine(texts.fallback)));
    if (job.ReplyHas("OK")) {
      job.m_Result = texts.success;
      return;
    }
  }
  job.m_Result = job.ReplyHas("nauthorized") ? "Unauthorized" : "Send Command";
}

// The thread id after the first "ID=[" up to the next "]". It goes into a request line, so
// anything that could break that line (blanks, control bytes, no closing bracket, more than
// 127 characters) gives no id.
bool ThreadIdOf(std::string_view reply, std::string& id) {
  const std::size_t mark = reply.find(kThreadIdMark);
  if (mark == std::string_view::npos) return false;
  const std::size_t from = mark + kThreadIdMark.size();
  const std::size_t close = reply.find(']', from);
  if (close == std::string_view::npos) return false;
  const std::string_view value = reply.substr(from, close - from);
  if (value.empty() || value.size() > kDigestValueLimit) return false;
  for (const char c : value)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) return false;
  id.assign(value);
  return true;
}

}  // namespace

JobKind RestartKindFor(std::string_view projectCell) {
  return projectCell == "DVR" || projectCell == "NVR" ? JobKind::kDigestReboot
                                                       : JobKind::kRestart;
}

void A_Restart(CKestThread_this& job) { RunCgi(job, kRestartTexts); }
void A_FactoryDefault(CKestThread_this& job) { RunCgi(job, kDefaultTexts); }

void A_DigestReboot(CKestThread_this& job) {
  job.Exchange(job.RequestC(MakeGetLine(kLoginUri)));
  tDigestChallenge challenge;
  // A challenge without realm, qop or nonce cannot be answered: nothing is guessed.
  if (!job.ReplyHas("Digest") || ParseDigestChallenge(job.m_Reply, challenge) != 0) {
    job.m_Result = "Reboot failed";
    return;
  }
  job.Exchange(job.RequestC(
      MakeGetLine(kLoginUri),
      MakeDigestResponse(challenge, job.m_User, job.m_Password, "GET", kLoginUri, 1)));
  if (job.ReplyHas("nauthorized")) {
    job.m_Result = "Unauthorized";
    return;
  }
  std::string threadId;
  if (!ThreadIdOf(job.m_Reply, threadId)) {
    job.m_Result = "Reboot failed";
    return;
  }

  const std::string rebootUri = std::string(kRebootUriHead) + threadId;
  job.Exchange(job.RequestC(MakeGetLine(rebootUri)));
  if (!job.ReplyHas("nauthorized")) {
    job.m_Result = job.ReplyHas("OK") ? "Reboot OK" : "Reboot failed";
    return;
  }
  // The reboot request wants credentials of its own: the new nonce with the login's realm
  // and qop, and the second request count.
  if (ParseDigestNonce(job.m_Reply, challenge.nonce) != 0) {
    job.m_Result = "Reboot failed";
    return;
  }
  job.Exchange(job.RequestC(
      MakeGetLine(rebootUri),
      MakeDigestResponse(challenge, job.m_User, job.m_Password, "GET", rebootUri, 2)));
  if (job.ReplyHas("nauthorized"))
    job.m_Result = "Unauthorized";
  else
    job.m_Result = job.ReplyHas("OK") ? "Reboot OK" : "Send Command";
}

std::vector<tGridTarget> ResetTargets(const DeviceTable& table,
                                      const std::vector<tRowSelected>& selection) {
  const DeviceGrid& grid = table.grid;
  std::vector<bool> served(static_cast<std::size_t>(grid.RowCount()), false);  // by row
  std::vector<tGridTarget> out;
  for (const tComUnitInfo& device : table.m_DeviceList) {
    const std::string ip(FieldText(device.ip));
    const std::string mac(FieldText(device.mac));
    for (std::size_t k = 0; k < selection.size(); ++k) {
      const int row = selection[k].row;
      if (row < 1 || row >= grid.RowCount() || served[static_cast<std::size_t>(row)]) continue;
      if (grid.Cell(kColIp, row) != ip || grid.Cell(kColMac, row) != mac) continue;
      served[static_cast<std::size_t>(row)] = true;
      out.push_back({static_cast<int>(k), row, grid.Cell(kColIp, row), grid.Cell(kColPort, row),
                     grid.Cell(kColMac, row), grid.Cell(kColProject, row)});
    }
  }
  return out;
}

void RunReset(ResetCommand command, const std::vector<tGridTarget>& targets,
              const tCommandRun& run) {
  std::vector<std::unique_ptr<CKestThread_this>> jobs;
  jobs.reserve(targets.size());
  for (const tGridTarget& t : targets) {
    const JobKind kind =
        command == ResetCommand::kFactoryDefault ? JobKind::kFactoryDefault : RestartKindFor(t.proj);
    CKestThread_this::Function function = kind == JobKind::kFactoryDefault ? A_FactoryDefault
                                          : kind == JobKind::kDigestReboot ? A_DigestReboot
                                                                           : A_Restart;
    jobs.push_back(std::make_unique<CKestThread_this>(
        tJobTarget{t.index, t.ip, t.port, t.mac, run.user, run.password}, kind,
        std::move(function), run.prompts));
  }
  CollectJobs(jobs, *run.dispatcher, run.deliver, run.poll);
}

int WriteResetOutcome(DeviceGrid& grid, const std::vector<int>& selectionRows,
                      const tJobOutcome& outcome) {
  int written = 0;
  for (const int row : selectionRows) {
    if (row < 1 || row >= grid.RowCount()) continue;
    if (grid.Cell(kColIp, row) != outcome.ip || grid.Cell(kColMac, row) != outcome.mac) continue;
    grid.SetCell(kColFirmware, row, outcome.result);
    ++written;
  }
  return written;
}

}  // namespace scanvale
