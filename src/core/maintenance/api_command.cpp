#include "maintenance/api_command.h"

#include <limits>
#include <memory>

#include "maintenance/http_request.h"
#include "support/debug_output.h"

namespace scanvale {

namespace {

constexpr std::int64_t kLargestNumber = std::numeric_limits<std::int32_t>::max();

std::size_t CountMarks(std::string_view command) {
  std::size_t count = 0;
  for (std::size_t at = command.find(kApiNumberMark); at != std::string_view::npos;
       at = command.find(kApiNumberMark, at + kApiNumberMark.size()))
    ++count;
  return count;
}

bool AllDigits(std::string_view text) {
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The number a row's "%d" becomes.
std::int64_t RowNumber(ApiNumbering mode, std::int64_t start, int row) {
  switch (mode) {
    case ApiNumbering::kIncrement: return start + row - 1;
    case ApiNumbering::kDecrement: return start - row + 1;
    case ApiNumbering::kNoChange: break;
  }
  return start;
}

}  // namespace

ApiNumbering ApiNumberingOf(int comboIndex) {
  switch (comboIndex) {
    case 1: return ApiNumbering::kIncrement;
    case 2: return ApiNumbering::kDecrement;
    default: return ApiNumbering::kNoChange;
  }
}

std::string CleanApiCommand(std::string_view typed) {
  std::string out;
  out.reserve(typed.size());
  for (const char c : typed)
    if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
  return out;
}

std::int64_t ApiStartNumber(std::string_view numberText) {
  std::int64_t value = 0;
  for (const char c : numberText) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > kLargestNumber) return kLargestNumber + 1;  // too large either way
  }
  return value;
}

std::optional<Msg> CheckApiCommand(std::string_view command, std::string_view numberText,
                                   ApiNumbering mode, int devices) {
  if (command.empty()) return Msg::CommandCannotBeNull;
  const std::size_t marks = CountMarks(command);
  if (marks > 1) return Msg::OnlyOnePercentD;
  if (marks == 0) return std::nullopt;
  if (numberText.empty()) return Msg::InsertNumberForPercentD;
  if (!AllDigits(numberText)) return Msg::InsertNumberForPercentD;
  const std::int64_t start = ApiStartNumber(numberText);
  if (start > kLargestNumber) return Msg::InsertNumberForPercentD;
  const int last = devices > 0 ? devices : 1;
  if (mode == ApiNumbering::kDecrement && RowNumber(mode, start, last) < 0)
    return Msg::NumberTooSmall;
  if (mode == ApiNumbering::kIncrement && RowNumber(mode, start, last) > kLargestNumber)
    return Msg::InsertNumberForPercentD;
  return std::nullopt;
}

std::string ApiCommandForRow(std::string_view command, ApiNumbering mode, std::int64_t start,
                             int row) {
  const std::size_t at = command.find(kApiNumberMark);
  if (at == std::string_view::npos) return std::string(command);
  std::string out(command.substr(0, at));
  out += std::to_string(RowNumber(mode, start, row));
  out += command.substr(at + kApiNumberMark.size());
  return out;
}

bool WantsFactoryDefaultNotice(std::string_view command) {
  return command.find("cgi-bin/kesttest/default_test.cgi") != std::string_view::npos ||
         command.find("cgi-bin/admin/factorydefault.cgi") != std::string_view::npos;
}

void A_SendAPI(CKestThread_api& job) {
  DebugOutput("IP:%s, In A_SendAPI\r\n", job.m_IP.c_str());
  const std::string request = job.RequestB("GET /" + job.m_Command + " HTTP/1.1");
  DebugOutput("00, In A_SendAPI\r\n");
  const std::int32_t code = job.Exchange(request);
  DebugOutput("11, In A_SendAPI\r\n");
  if (job.ReplyHas("OK"))
    job.m_Result = "Send API Cmd OK";
  else if (job.ReplyHas("nauthorized"))
    job.m_Result = "Unauthorized";
  else if (job.m_Reply.empty() && job.m_Command.find("default_test") != std::string::npos)
    job.m_Result = "Send API Cmd OK";  // the device resets at once and says nothing
  else
    job.m_Result = "unknown";
  DebugOutput("IP:%s, In A_SendAPI\r\n", job.m_IP.c_str());
  DebugOutput("CreateLink result:%d, In A_SendAPI\r\n", code);
  DebugOutput("REPLY:%s, In A_SendAPI\r\n", job.m_Result.c_str());
}

void RunSendAPICmd(const std::vector<tGridTarget>& targets, const tApiCommand& api,
                   const tCommandRun& run) {
  const std::int64_t start = ApiStartNumber(api.numberText);
  std::vector<std::unique_ptr<CKestThread_api>> jobs;
  jobs.reserve(targets.size());
  for (const tGridTarget& t : targets)
    jobs.push_back(std::make_unique<CKestThread_api>(
        tJobTarget{t.index, t.ip, t.port, {}, run.user, run.password},
        ApiCommandForRow(api.command, api.mode, start, t.index), A_SendAPI, run.prompts));
  CollectJobs(jobs, *run.dispatcher, run.deliver, run.poll);
}

}  // namespace scanvale
