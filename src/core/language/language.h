#pragma once
// The program's language: the loaded tables, the message texts of the current language,
// and which language is current.
//
// Usage
//   Start (main window constructor, before its creation handler):
//     InitLanguage(Lang(), [&](const std::string& lang) { ApplyLanguage(lang, this); });
//   A message text in the current language:
//     Messages().Text(Msg::ZeroDevicesFound)          // std::string, UTF-8
//     MsgText(Msg::Warning)                           // QString (ui/language/apply_language.h)
//   Recognising a caption (table captions end in two blanks):
//     CaptionContains(caption, Messages().Text(Msg::Middle))
//   A dialog applies the current language when it is created:
//     ApplyLanguage(Lang().CurrentName(), this);      // section = the window's objectName
//   The language box and the settings loader switch languages through LanChange
//   (language/language_switch.h).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "language/control_entries.h"
#include "language/language_table.h"
#include "language/messages.h"

namespace scanvale {

inline constexpr int kLanguageCount = 3;
// 0 "English", 1 "Chinese", 2 "French"; any other index gives "English".
const char* LanguageNameForIndex(int index);
// The index of a language name; -1 for a name that is none of the three.
int LanguageIndexForName(std::string_view name);

class Language {
 public:
  LanguageTables& Tables() { return tables_; }
  const LanguageTables& Tables() const { return tables_; }
  MessageTexts& Messages() { return messages_; }
  const MessageTexts& Messages() const { return messages_; }
  std::string Text(Msg msg) const { return messages_.Text(msg); }

  // g_CurLanguage and g_CurLangIndex. Changed only on the window's thread.
  const std::string& CurrentName() const { return current_name_; }
  int CurrentIndex() const { return current_index_; }
  // Makes the language of `index` current (see LanguageNameForIndex); texts unchanged.
  void SetCurrent(int index);

  void LoadTables() { LoadLanguageTables(tables_); }
  void LoadMessages(std::string_view language) { messages_.Load(tables_, language); }

 private:
  LanguageTables tables_;
  MessageTexts messages_;
  std::string current_name_ = "English";
  int current_index_ = 0;
};

// The one language state of the program.
Language& Lang();
// Lang().Messages(): the current language's message texts.
MessageTexts& Messages();

// Windows-style 16-bit language identifiers taken from the POSIX locale, for the log.
struct LanguageIds {
  std::uint16_t system = 0;  // LANG: the locale the session starts with
  std::uint16_t user = 0;    // LC_ALL, else LC_MESSAGES, else LANG
  std::uint16_t ui = 0;      // first entry of LANGUAGE, else as `user`
};
using EnvReader = std::function<const char*(const char*)>;
LanguageIds LanguageIdsFromLocale(const EnvReader& env);
LanguageIds LanguageIdsFromLocale();  // from the process environment
// "fr_FR.UTF-8" -> 0x040c, "zh_CN" -> 0x0804, "en" -> 0x0409, "C"/"POSIX" -> 0x0409
// (the C locale speaks US English); an unknown or empty name -> 0x0000 (neutral).
std::uint16_t LanguageIdFromLocaleName(std::string_view locale);

// The language at start: loads the tables, logs the three identifiers ("LanguageID[%x]",
// "User LanguageID[%x]", "AAA UI LanguageID[%x]"), makes English current, applies it to
// the main window through `applyToMainWindow` and loads the English messages.
void InitLanguage(Language& language,
                  const std::function<void(const std::string&)>& applyToMainWindow,
                  const LanguageIds& ids);
void InitLanguage(Language& language,
                  const std::function<void(const std::string&)>& applyToMainWindow);

}  // namespace scanvale
