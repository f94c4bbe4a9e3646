#include "netconfig/address_rules.h"

#include <arpa/inet.h>

#include <cstring>

#include "protocol/control_package.h"

namespace scanvale {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

OctetTexts SplitOctets(std::string_view text) {
  OctetTexts out;
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] != '.') ++pos;
    if (pos == start) return out;
    out.part[i] = std::string(text.substr(start, pos - start));
    out.count = i + 1;
    if (pos >= text.size()) return out;  // the literal "." is missing
    ++pos;
  }
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  const std::size_t start = pos;
  while (pos < text.size() && !IsBlank(text[pos])) ++pos;
  if (pos == start) return out;
  out.part[3] = std::string(text.substr(start, pos - start));
  out.count = 4;
  return out;
}

long OctetNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000L) value = 1000000000L;
  }
  return negative ? -value : value;
}

std::array<long, 4> OctetNumbers(const OctetTexts& octets) {
  std::array<long, 4> out{};
  for (int i = 0; i < 4; ++i) out[i] = OctetNumber(octets.part[i]);
  return out;
}

std::array<long, 4> OctetNumbers(std::string_view address) {
  return OctetNumbers(SplitOctets(address));
}

bool NetmaskOctetsComplete(const OctetTexts& octets) {
  for (const std::string& part : octets.part)
    if (part.empty() || OctetNumber(part) > 255) return false;
  return true;
}

bool IsNetmaskForm(const std::array<long, 4>& octets) {
  if (octets[0] != 255) return false;
  for (int i = 1; i < 4; ++i) {
    const long octet = octets[i];
    if (octet == 0) continue;
    if (octet < 128 || octet > 255) return false;
    if (octets[i - 1] != 255) return false;
    // Read from the lowest bit up: once a 1 has been seen, no 0 may follow.
    bool seenOne = false;
    for (int bit = 0; bit < 8; ++bit) {
      const bool one = (octet >> bit) & 1;
      if (one) seenOne = true;
      else if (seenOne) return false;
    }
  }
  return true;
}

bool SameSubnetByOctets(const std::array<long, 4>& address, const std::array<long, 4>& netmask,
                        const std::array<long, 4>& gateway) {
  for (int i = 0; i < 4; ++i)
    if ((address[i] & netmask[i]) != (gateway[i] & netmask[i])) return false;
  return true;
}

std::uint32_t AddressKey(std::string_view text) {
  // sscanf("%u.%u.%u.%u"): each number may follow blanks; reading stops at the first part
  // that does not parse, and the unread parts stay 0.
  std::uint32_t parts[4] = {0, 0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') break;
      ++pos;
    }
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') break;
    std::uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
      value = value * 10u + static_cast<std::uint32_t>(text[pos] - '0');
    parts[i] = negative ? 0u - value : value;
  }
  return (parts[0] << 24) + (parts[1] << 16) + (parts[2] << 8) + parts[3];
}

bool AddressLess(std::string_view a, std::string_view b) { return AddressKey(a) < AddressKey(b); }

std::uint32_t InetAddrValue(std::string_view text) {
  if (text.size() >= 64) return INADDR_NONE;
  char copy[64];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return inet_addr(copy);
}

bool IsAcceptedAddress(std::string_view text) {
  if (text.size() > kAddressTextMax) return false;
  int parts = 0;
  std::size_t pos = 0;
  while (parts < 4) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    const std::size_t digits = pos - start;
    if (digits == 0 || digits > 3 || OctetNumber(text.substr(start, digits)) > 255) return false;
    ++parts;
    if (parts < 4) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
  }
  return pos == text.size() && IsValidInetAddr(text);
}

}  // namespace scanvale
