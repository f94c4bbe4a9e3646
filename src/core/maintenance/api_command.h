#pragma once
// The batch dialog's "Send API Cmd": a request path the user typed goes to every device of
// the batch grid, each on its own job; a "%d" in it is replaced per row by a number that
// stays, rises or falls from the start number. Results go into the batch grid's column 3 by
// row number.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "language/messages.h"
#include "maintenance/command_run.h"
#include "maintenance/kest_jobs.h"

namespace scanvale {

// The mode box's entries, by position (their captions are translated).
enum class ApiNumbering { kNoChange = 0, kIncrement = 1, kDecrement = 2 };
ApiNumbering ApiNumberingOf(int comboIndex);  // any other position: kNoChange

inline constexpr std::string_view kApiNumberMark = "%d";

// The command as it is used: the typed text without CR, LF and NUL. A single-line field
// never holds them, and a pasted line break would let the text add lines to the request.
std::string CleanApiCommand(std::string_view typed);

// The checks before anything is sent, in order; the refusal's message slot, or nullopt.
// `devices` is the number of batch grid rows. Beyond the four refusals, a number that does
// not fit (the last device's number above 2147483647) is refused like a missing number.
std::optional<Msg> CheckApiCommand(std::string_view command, std::string_view numberText,
                                   ApiNumbering mode, int devices);

// The command of batch grid row `row` (from 1): its "%d" replaced by the row's number;
// every other character as typed. Without "%d" the command itself.
std::string ApiCommandForRow(std::string_view command, ApiNumbering mode, std::int64_t start,
                             int row);

// The start number of the number box (digits only); 0 when it holds none.
std::int64_t ApiStartNumber(std::string_view numberText);

// After an API run: the notice "Factory default need to wait ..." is due.
bool WantsFactoryDefaultNotice(std::string_view command);

// Job function of CKestThread_api.
void A_SendAPI(CKestThread_api& job);

struct tApiCommand {
  std::string command;  // cleaned, as checked
  ApiNumbering mode = ApiNumbering::kNoChange;
  std::string numberText;
};

// The coordinator body: one job per target (index = batch grid row), all at once.
void RunSendAPICmd(const std::vector<tGridTarget>& targets, const tApiCommand& api,
                   const tCommandRun& run);

}  // namespace scanvale
