#include "language/embedded_tables.h"

#include <cctype>
#include <cstddef>

namespace scanvale {

// Defined in the source generated from the .ini files (see embed_tables.cmake).
extern const unsigned char kEnglishLanguageTable[];
extern const std::size_t kEnglishLanguageTableSize;
extern const unsigned char kChineseLanguageTable[];
extern const std::size_t kChineseLanguageTableSize;
extern const unsigned char kFrenchLanguageTable[];
extern const std::size_t kFrenchLanguageTableSize;

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string_view Bytes(const unsigned char* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace

std::string_view EmbeddedLanguageTable(std::string_view name) {
  if (SameIgnoringCase(name, "English")) {
    return Bytes(kEnglishLanguageTable, kEnglishLanguageTableSize);
  }
  if (SameIgnoringCase(name, "Chinese")) {
    return Bytes(kChineseLanguageTable, kChineseLanguageTableSize);
  }
  if (SameIgnoringCase(name, "French")) return Bytes(kFrenchLanguageTable, kFrenchLanguageTableSize);
  return {};
}

}  // namespace scanvale
