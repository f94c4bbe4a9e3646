#pragma once
// "Get FW Ver.": one job per grid row asks the device's configuration interface for its
// firmware version and falls back to the listing interface when the first answers that it
// is unavailable. Results go into the grid's Firmware column as each job ends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/command_run.h"
#include "maintenance/kest_jobs.h"
#include "protocol/device_grid.h"

namespace scanvale {

inline constexpr std::string_view kFWVerParamTarget =
    "/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version";
inline constexpr std::string_view kFWVerListInfoTarget = "/cgi-bin/listinfo.cgi?query=version";

// The result of the first reply; nullopt when the device wants the listing interface.
// A "root." reply gives what follows the first "root." less the 33 characters of
// "root.Properties.Firmware.Version=" (empty when the reply ends sooner).
std::optional<std::string> FWVerFromParamReply(std::string_view reply);

// The result of the listing interface's reply: its body after a "200 OK", else
// "Unauthorized" or "unknown".
std::string FWVerFromListInfoReply(std::string_view reply);

// Job function of kind 0.
void A_GetFWVer(CKestThread_this& job);

// Every grid row from 1 to the last, whatever its cells hold; index = row.
std::vector<tGridTarget> FWVerTargets(const DeviceGrid& grid);

// The coordinator body: one job per target, all at once; returns when all have ended.
void RunGetFWVer(const std::vector<tGridTarget>& targets, const tCommandRun& run);

// On the window's thread: writes the outcome into column 7 of its row, provided that row
// still shows the device the job asked (its IP and MAC cells), so a grid that changed
// meanwhile never receives another device's version. False when nothing was written.
bool WriteFWVerOutcome(DeviceGrid& grid, const tJobOutcome& outcome);

}  // namespace scanvale
