#include "maintenance/reply_classifier.h"

#include <cinttypes>

#include "protocol/diag_log.h"

namespace scanvale {

namespace {

constexpr std::string_view kBuildDateKey = "root.Properties.Firmware.BuildDate";
constexpr std::string_view kPtzKey = "root.Properties.PTZ.PTZ";
constexpr std::size_t kBuildDateWindow = 50;
constexpr std::size_t kPtzWindow = 45;
constexpr std::size_t kMonthWordLimit = 31;
constexpr std::size_t kPtzValueLimit = 15;
constexpr std::int64_t kOldestFirmwareDate = 20110930;
constexpr std::int64_t kPtzFirmwareDate = 20120600;
constexpr std::int64_t kNumberLimit = 1000000000;

bool Has(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A tiny scanner with the rules of scanf's "%Ns" and "%d", without its overflow.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool Literal(std::string_view literal) {
    if (text_.substr(pos_, literal.size()) != literal) return false;
    pos_ += literal.size();
    return true;
  }

  bool Word(std::size_t limit, std::string& out) {
    SkipBlanks();
    const std::size_t begin = pos_;
    while (pos_ < text_.size() && pos_ - begin < limit && !IsBlank(text_[pos_])) ++pos_;
    out.assign(text_.substr(begin, pos_ - begin));
    return pos_ > begin;
  }

  bool Number(std::int64_t& out) {
    SkipBlanks();
    std::size_t at = pos_;
    bool negative = false;
    if (at < text_.size() && (text_[at] == '-' || text_[at] == '+')) negative = text_[at++] == '-';
    const std::size_t digits = at;
    std::int64_t value = 0;
    for (; at < text_.size() && text_[at] >= '0' && text_[at] <= '9'; ++at)
      if (value < kNumberLimit) value = value * 10 + (text_[at] - '0');
    if (at == digits) return false;
    pos_ = at;
    out = negative ? -value : value;
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// The window of `size` characters that begins at the first `key`; empty when absent.
std::string_view WindowAt(std::string_view reply, std::string_view key, std::size_t size) {
  const std::size_t at = reply.find(key);
  if (at == std::string_view::npos) return {};
  return reply.substr(at, size);
}

std::string Prefix(LinkVariant variant, std::string_view ip) {
  if (variant != LinkVariant::kLink) return {};
  return "Ip[" + std::string(ip) + "] ";
}

std::int32_t FirmwareCheck(LinkVariant variant, std::string_view reply, std::string_view ip) {
  const std::string prefix = Prefix(variant, ip);
  const std::string window(WindowAt(reply, kBuildDateKey, kBuildDateWindow));
  std::string month;
  const std::int64_t date = ParseBuildDate(reply, &month);
  DiagLog::Printf("%sSubAck = %s", prefix.c_str(), window.c_str());
  DiagLog::Printf("%sFWVer = %s, len = %d", prefix.c_str(), month.c_str(),
                  static_cast<int>(month.size()));
  DiagLog::Printf("%sFWDate = %" PRId64, prefix.c_str(), date);
  DiagLog::Printf("%sDate = %" PRId64, prefix.c_str(), date);
  std::int32_t code = date <= kOldestFirmwareDate ? kLinkOk : kLinkFailed;
  if (variant == LinkVariant::kLink) return code;

  const std::string ptz = ParsePtzValue(reply);
  DiagLog::Printf("SubAck = %s", std::string(WindowAt(reply, kPtzKey, kPtzWindow)).c_str());
  DiagLog::Printf("PTZ = %s", ptz.c_str());
  if (date > kPtzFirmwareDate && ptz == "P/T/Z") code += kLinkPtzBit;
  return code;
}

}  // namespace

int MonthNumber(std::string_view word) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i)
    if (word == kMonths[i]) return i + 1;
  return 0;
}

std::int64_t ParseBuildDate(std::string_view reply, std::string* monthWord) {
  Scanner scan(WindowAt(reply, kBuildDateKey, kBuildDateWindow));
  std::string month;
  std::int64_t day = 0, year = 0;
  if (scan.Literal(kBuildDateKey) && scan.Literal("=") && scan.Word(kMonthWordLimit, month) &&
      scan.Number(day))
    scan.Number(year);
  if (monthWord) *monthWord = month;
  return year * 10000 + MonthNumber(month) * 100 + day;
}

std::string ParsePtzValue(std::string_view reply) {
  Scanner scan(WindowAt(reply, kPtzKey, kPtzWindow));
  std::string value;
  if (scan.Literal(kPtzKey) && scan.Literal("=")) scan.Word(kPtzValueLimit, value);
  return value;
}

// A device that answers "401 Unauthorized" or "500 Internal Server Error" and then hangs up
// did not take the file; only a close without such an answer is the restart of a device that
// did.
bool IsHttpError(std::string_view reply) {
  if (!reply.starts_with("HTTP/")) return false;
  const std::size_t space = reply.find(' ');
  if (space == std::string_view::npos || space + 1 >= reply.size()) return false;
  const char status = reply[space + 1];
  return status == '4' || status == '5';
}

tClassification ClassifyReply(LinkVariant variant, std::string_view command,
                              std::string_view reply, bool peerClosed, std::string_view ip) {
  tClassification out;
  if (command == kKindCheckA5S) {
    if (Has(reply, "A5S55") || Has(reply, "A5S66") || Has(reply, "A5S88"))
      out.code = kLinkOk;
    else if (Has(reply, "Unkown type"))
      out.code = kLinkUnknownType;
    return out;
  }
  if (command == kKindFirmwareCheck) {
    if (Has(reply, kBuildDateKey)) out.code = FirmwareCheck(variant, reply, ip);
    return out;
  }
  if (Has(reply, "OK") && Has(reply, "Invalid File")) {
    out.invalidFile = true;
  } else if (Has(reply, "OK")) {
    out.code = kLinkOk;
  } else if (variant == LinkVariant::kUpload && Has(reply, "503 Service Unavailable")) {
    out.code = kLinkFailed;
  } else if (command == kKindPost && peerClosed && !IsHttpError(reply)) {
    out.code = kLinkOk;  // a device that restarts as soon as it has the file just hangs up
  }
  return out;
}

}  // namespace scanvale
