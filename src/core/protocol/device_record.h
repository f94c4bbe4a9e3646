#pragma once
// One device found by the control protocol: thirteen fixed-width, NUL-terminated text
// fields. A field holds at most its width minus one characters; anything longer that
// arrives from the network is cut, never written past the field.

#include <array>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace scanvale {

struct tComUnitInfo {
  char model[64];
  char proj[64];
  char name[64];
  char ip[16];
  char trigger_port[8];
  char netmask[16];
  char gateway[16];
  char dns[16];
  char mac[24];
  char dev[16];
  char note[48];
  char idpw[64];
  char vendor[56];
};

// Zero-fills a record, so every field reads as the empty text.
inline void ClearRecord(tComUnitInfo& record) { std::memset(&record, 0, sizeof record); }

// Copies `value` into a field, cut to the field's width minus one, always terminated.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view value) {
  const std::size_t count = value.size() < N - 1 ? value.size() : N - 1;
  std::memcpy(field, value.data(), count);
  std::memset(field + count, 0, N - count);
}

// Reads a field as text; stops at the terminator and never reads past the field even if
// the terminator is missing.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// The thirteen fields in record order, with their names as they appear in exports.
enum class Field {
  model, proj, name, ip, trigger_port, netmask, gateway, dns, mac, dev, note, idpw, vendor
};
inline constexpr std::size_t kFieldCount = 13;

const char* FieldName(Field field);
std::string_view GetField(const tComUnitInfo& record, Field field);
void SetFieldByIndex(tComUnitInfo& record, Field field, std::string_view value);
std::size_t FieldWidth(Field field);

tComUnitInfo MakeRecord(std::initializer_list<std::pair<Field, std::string_view>> values);

}  // namespace scanvale
