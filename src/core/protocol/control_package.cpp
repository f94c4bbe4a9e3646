#include "protocol/control_package.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/base64.h"
#include "protocol/diag_log.h"
#include "protocol/md5.h"

namespace scanvale {

namespace {

constexpr std::size_t kMaxPackageText = kPackageBufferSize - 1;

std::string BuildRecordText(int flag, const tComUnitInfo& r) {
  const std::string digest = Md5Hex(FieldText(r.idpw));
  std::string text;
  text += FieldText(r.vendor);
  text += Format(",%02d", flag);
  for (std::string_view value :
       {FieldText(r.model), FieldText(r.proj), FieldText(r.name), FieldText(r.ip),
        FieldText(r.trigger_port), FieldText(r.netmask), FieldText(r.gateway),
        FieldText(r.dns), FieldText(r.mac), FieldText(r.dev), FieldText(r.note)}) {
    text += ',';
    text += value;
  }
  text += ',';
  text += digest;
  return text;
}

// Splits like strtok: runs of delimiters are skipped, empty tokens never come out.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : text_(text) {}
  bool Next(std::string_view delimiters, std::string_view& token) {
    while (pos_ < text_.size() && delimiters.find(text_[pos_]) != std::string_view::npos) ++pos_;
    if (pos_ >= text_.size()) return false;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && delimiters.find(text_[pos_]) == std::string_view::npos) ++pos_;
    token = text_.substr(start, pos_ - start);
    if (pos_ < text_.size()) ++pos_;  // the delimiter that ended the token is consumed
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// An empty field between two commas becomes " ". The copy keeps to the package buffer's size,
// so 64 KiB of commas cannot grow it past that.
std::string WithBlankEmptyFields(std::string_view text) {
  std::string out;
  out.reserve(text.size() < kMaxPackageText ? text.size() : kMaxPackageText);
  for (std::size_t i = 0; i < text.size() && out.size() < kMaxPackageText; ++i) {
    if (text[i] == ',' && !out.empty() && out.back() == ',') {
      out.push_back(' ');
      if (out.size() >= kMaxPackageText) break;
    }
    out.push_back(text[i]);
  }
  return out;
}

long DecimalValue(std::string_view text) {
  // atoi's reading: leading blanks, a sign, digits; anything after is ignored. Clamped so
  // that a long run of digits cannot overflow.
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000) value = 1000000;
  }
  return negative ? -value : value;
}

bool AcceptsValue(Field slot, std::string_view value, const std::function<void()>& onMacChecked) {
  switch (slot) {
    case Field::ip:
    case Field::netmask:
      return IsValidInetAddr(value);
    case Field::trigger_port: {
      const long port = DecimalValue(value);
      return port >= 0 && port <= 65535;
    }
    case Field::mac: {
      const bool ok = GetMacFromCString(value) == 0;
      if (onMacChecked) onMacChecked();
      return ok;
    }
    default:
      return true;
  }
}

// The log may be mirrored to a terminal or pasted into a report: it shows the ID, never the
// password (the package itself carries only their digest).
std::string MaskedIdpw(std::string_view idpw) {
  const std::size_t colon = idpw.find(':');
  if (colon == std::string_view::npos || colon + 1 == idpw.size()) return std::string(idpw);
  return std::string(idpw.substr(0, colon + 1)) + "***";
}

}  // namespace

bool IsValidInetAddr(std::string_view text) {
  if (text.size() >= 64) return false;
  char copy[64];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return inet_addr(copy) != INADDR_NONE;
}

std::string ControlPkgText(int flag, const tComUnitInfo* pInfo) {
  switch (flag) {
    case kFlagQuery:
      return "Kestrilon,00,????";
    case kFlagRelayQuery:
      return "Kestrilon,02,????";
    case kFlagReply:
    case kFlagSetNetwork:
      return pInfo ? BuildRecordText(flag, *pInfo) : std::string();
    default:
      return {};
  }
}

int MakeControlPkg(int flag, std::string& out, const tComUnitInfo* pInfo) {
  out.clear();
  if (flag == kFlagReply || flag == kFlagSetNetwork) {
    if (!pInfo) {
      DiagLog::Printf("Invalid pInfo [%d]", flag);
      return -1;
    }
  } else if (flag != kFlagQuery && flag != kFlagRelayQuery) {
    DiagLog::Printf("Undefined flag = %d", flag);
    return -1;
  }
  std::string text = ControlPkgText(flag, pInfo);
  if (text.size() > kMaxPackageText) text.resize(kMaxPackageText);
  if (pInfo && (flag == kFlagReply || flag == kFlagSetNetwork)) {
    DiagLog::Printf("pInfo->idpw[%s]", MaskedIdpw(FieldText(pInfo->idpw)).c_str());
    DiagLog::Printf("[%s]", text.c_str());
  }
  if (text.empty()) return -1;
  out = EncodeWire(text);
  return out.empty() ? -1 : 0;
}

int InvertBytes(unsigned char* buffer, std::size_t count) {
  if (!buffer) return -1;
  for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<unsigned char>(~buffer[i]);
  return 0;
}

std::string EncodeWire(std::string_view text) {
  std::vector<unsigned char> bytes(text.begin(), text.end());
  bytes.push_back('\0');
  InvertBytes(bytes.data(), bytes.size());
  std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
  out.resize(static_cast<std::size_t>(Base64Encode(out.data(), bytes.data(), bytes.size())));
  return out;
}

std::string DecodeWire(std::string_view base64, int limit) {
  std::string bytes(base64.size() / 4 * 3 + 3, '\0');
  const int n = Base64Decode(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(),
                             base64, limit);
  bytes.resize(static_cast<std::size_t>(n));
  InvertBytes(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
  return bytes;
}

int GetMacFromCString(std::string_view text, unsigned char* bytes) {
  int colons = 0;
  for (char c : text) colons += c == ':';
  if (colons < 5) return -1;
  if (bytes) {
    std::memset(bytes, 0, 6);
    Tokenizer parts(text);
    std::string_view part;
    for (int i = 0; i < 6 && parts.Next(":", part); ++i)
      bytes[i] = static_cast<unsigned char>(std::strtoul(std::string(part.substr(0, 8)).c_str(),
                                                         nullptr, 16) & 0xFF);
  }
  return 0;
}

int ParsePkgFields(std::string_view text, tComUnitInfo& record,
                   const std::function<void()>& onMacChecked) {
  const std::string copy = WithBlankEmptyFields(text);
  // The vendor is the text up to the first comma, even when that is nothing; only the fields
  // after it are split with runs of delimiters skipped.
  const std::size_t vendorEnd = std::min(copy.find(','), copy.size());
  const std::string_view vendorToken = std::string_view(copy).substr(0, vendorEnd);
  char vendor[kVendorTokenSize] = {};
  std::memcpy(vendor, vendorToken.data(), std::min(vendorToken.size(), kVendorTokenSize - 1));
  Tokenizer tokens(std::string_view(copy).substr(std::min(vendorEnd + 1, copy.size())));

  std::string_view token;
  int flag = 0;
  if (tokens.Next(",\n", token)) flag = static_cast<int>(DecimalValue(token));

  std::size_t slot = 0;
  while (slot < kFieldCount && tokens.Next(",\n", token)) {
    const Field field = static_cast<Field>(slot);
    if (!AcceptsValue(field, token, onMacChecked)) continue;  // the next value tries this slot
    SetFieldByIndex(record, field, token);
    if (field == Field::ip) SetField(record.vendor, vendor);
    ++slot;
  }

  if (flag == kFlagQuery || flag == kFlagReply) return flag;
  DiagLog::Printf("flag(%02d) not implemented.\n", flag);
  return -1;
}

int ParserPlainPkg(const unsigned char* buffer, std::size_t length, DeviceTable& table) {
  if (!buffer) return 0;
  int found = 0;
  std::size_t offset = 0;
  while (offset < length) {
    const char* start = reinterpret_cast<const char*>(buffer + offset);
    const std::size_t size = strnlen(start, length - offset);
    tComUnitInfo record;
    ClearRecord(record);
    if (ParsePkgFields(std::string_view(start, size), record, table.onMacChecked) == kFlagReply &&
        table.AddFoundDevice(record))
      ++found;
    offset += size + 1;
    if (offset >= length || buffer[offset] == '\0') break;
  }
  return found;
}

}  // namespace scanvale
