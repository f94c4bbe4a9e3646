#pragma once
// "Restart Device" and "Factory Default": one job per selected row whose device is in the
// table. A restart goes through the CGI interface, or for the recorder projects "DVR" and
// "NVR" through the Digest login ("/auth/login", "/auth/config.set" with the login's thread
// id). Results are matched back to the selected rows by IP and MAC.

#include <string>
#include <string_view>
#include <vector>

#include "maintenance/command_run.h"
#include "maintenance/kest_jobs.h"
#include "protocol/device_table.h"

namespace scanvale {

enum class ResetCommand { kRestart, kFactoryDefault };

// Kind 2 (Digest reboot) for a Project cell that is exactly "DVR" or "NVR", else kind 1.
JobKind RestartKindFor(std::string_view projectCell);

// Job functions of kinds 1, 2 and 3.
void A_Restart(CKestThread_this& job);
void A_DigestReboot(CKestThread_this& job);
void A_FactoryDefault(CKestThread_this& job);

// For each device of the table from the front and each selection entry in order: a target
// when the entry's row shows that device (IP and MAC cells, exact); index = the entry's
// position in the selection. A row is served once (by its first entry, by the first device
// that matches it), so a device never gets the same command twice in one run.
std::vector<tGridTarget> ResetTargets(const DeviceTable& table,
                                      const std::vector<tRowSelected>& selection);

// The coordinator bodies (RunRestart, RunFactoryDefault): one job per target, all at once.
void RunReset(ResetCommand command, const std::vector<tGridTarget>& targets,
              const tCommandRun& run);

// On the window's thread: writes the outcome into column 7 of every row of `selectionRows`
// (the selection copied at the start) whose IP and MAC cells equal the job's. Returns the
// number of cells written.
int WriteResetOutcome(DeviceGrid& grid, const std::vector<int>& selectionRows,
                      const tJobOutcome& outcome);

}  // namespace scanvale
