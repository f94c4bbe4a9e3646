#include "language/language.h"

#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "protocol/diag_log.h"

namespace scanvale {
namespace {

constexpr const char* kLanguageNames[kLanguageCount] = {"English", "Chinese", "French"};

// Windows primary language ids (low 10 bits of a LANGID) by ISO 639-1 code.
struct PrimaryLanguage {
  const char* code;
  std::uint16_t id;
};
constexpr PrimaryLanguage kPrimary[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0a}, {"fi", 0x0b}, {"fr", 0x0c},
    {"he", 0x0d}, {"hu", 0x0e}, {"is", 0x0f}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18},
    {"ru", 0x19}, {"hr", 0x1a}, {"sk", 0x1b}, {"sv", 0x1d}, {"th", 0x1e}, {"tr", 0x1f},
    {"id", 0x21}, {"uk", 0x22}, {"vi", 0x2a},
};

// Sub-languages that differ from "the language's main country" (sub-language 1).
struct Region {
  const char* language;
  const char* country;
  std::uint16_t sublanguage;
};
constexpr Region kRegions[] = {
    {"zh", "TW", 0x01}, {"zh", "CN", 0x02}, {"zh", "HK", 0x03}, {"zh", "SG", 0x04},
    {"zh", "MO", 0x05}, {"en", "GB", 0x02}, {"en", "AU", 0x03}, {"en", "CA", 0x04},
    {"en", "NZ", 0x05}, {"en", "IE", 0x06}, {"en", "IN", 0x10}, {"fr", "BE", 0x02},
    {"fr", "CA", 0x03}, {"fr", "CH", 0x04}, {"fr", "LU", 0x05}, {"fr", "MC", 0x06},
    {"de", "CH", 0x02}, {"de", "AT", 0x03}, {"es", "ES", 0x03}, {"es", "MX", 0x02}, {"pt", "PT", 0x02},
};

// The sub-language a bare language code gets (Chinese without a country means China).
std::uint16_t DefaultSublanguage(std::string_view language) {
  return language == "zh" ? 0x02 : 0x01;
}

const char* FirstSet(const EnvReader& env, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = env(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

}  // namespace

const char* LanguageNameForIndex(int index) {
  return index >= 0 && index < kLanguageCount ? kLanguageNames[index] : kLanguageNames[0];
}

int LanguageIndexForName(std::string_view name) {
  for (int i = 0; i < kLanguageCount; ++i) {
    if (name == kLanguageNames[i]) return i;
  }
  return -1;
}

void Language::SetCurrent(int index) {
  current_index_ = index >= 0 && index < kLanguageCount ? index : 0;
  current_name_ = kLanguageNames[current_index_];
}

Language& Lang() {
  static Language language;
  return language;
}

MessageTexts& Messages() { return Lang().Messages(); }

std::uint16_t LanguageIdFromLocaleName(std::string_view locale) {
  // language[_COUNTRY][.codeset][@modifier]
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale == "C" || locale == "POSIX") return 0x0409;
  const std::size_t split = locale.find_first_of("_-");
  std::string language(locale.substr(0, split));
  std::string country(split == std::string_view::npos ? "" : locale.substr(split + 1));
  for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : country) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  std::uint16_t primary = 0;
  for (const PrimaryLanguage& entry : kPrimary) {
    if (language == entry.code) primary = entry.id;
  }
  if (primary == 0) return 0;
  std::uint16_t sublanguage = DefaultSublanguage(language);
  for (const Region& region : kRegions) {
    if (language == region.language && country == region.country) {
      sublanguage = region.sublanguage;
    }
  }
  return static_cast<std::uint16_t>(sublanguage << 10 | primary);
}

LanguageIds LanguageIdsFromLocale(const EnvReader& env) {
  auto id = [](const char* locale) -> std::uint16_t {
    return locale == nullptr ? 0 : LanguageIdFromLocaleName(locale);
  };
  const char* user = FirstSet(env, {"LC_ALL", "LC_MESSAGES", "LANG"});
  std::string ui;
  if (const char* list = FirstSet(env, {"LANGUAGE"})) {
    ui = std::string_view(list).substr(0, std::string_view(list).find(':'));
  }
  LanguageIds ids;
  ids.system = id(FirstSet(env, {"LANG"}));
  ids.user = id(user);
  ids.ui = ui.empty() ? ids.user : LanguageIdFromLocaleName(ui);
  return ids;
}

LanguageIds LanguageIdsFromLocale() {
  return LanguageIdsFromLocale([](const char* name) { return std::getenv(name); });
}

void InitLanguage(Language& language,
                  const std::function<void(const std::string&)>& applyToMainWindow,
                  const LanguageIds& ids) {
  language.LoadTables();
  DiagLog::Printf("LanguageID[%x]\n", ids.system);
  DiagLog::Printf("User LanguageID[%x]\n", ids.user);
  DiagLog::Printf("AAA UI LanguageID[%x]\n", ids.ui);
  language.SetCurrent(0);
  if (applyToMainWindow) applyToMainWindow(language.CurrentName());
  language.LoadMessages(language.CurrentName());
}

void InitLanguage(Language& language,
                  const std::function<void(const std::string&)>& applyToMainWindow) {
  InitLanguage(language, applyToMainWindow, LanguageIdsFromLocale());
}

}  // namespace scanvale
