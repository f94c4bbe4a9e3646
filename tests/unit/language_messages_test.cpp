#include <gtest/gtest.h>

#include <map>

#include "language/embedded_tables.h"
#include "language/language.h"
#include "language/messages.h"
#include "protocol/diag_log.h"

namespace scanvale {
namespace {

TEST(ApplyMessageEscapes, PairFirstThenLineFeedTab) {
  const struct {
    const char* value;
    const char* text;
  } cases[] = {
      {"no escapes", "no escapes"},
      {"one\\n00two", "one\n\ntwo"},
      {"a\\xyzb\\xyzc", "a\n\nb\n\tc"},
      {"a\\123b\\456c\\789d", "a\n\nb\n\tc\n\td"},
      {"tail\\n", "tail\n\n"},  // fewer than three characters left
      {"\\", "\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyMessageEscapes(c.value), c.text) << c.value;
}

TEST(MessageTexts, LoadOverwritesOnlyTheSlotsATableNames) {
  LanguageTables tables;
  LoadLanguageTables(tables, {"[Info]\r\nLanguage=Test\r\n"
                              "[Message]\r\n1=one\r\nslot=not a number\r\n256=beyond\r\n"
                              "-1=negative\r\n2=a\\xyzb\r\n"
                              "[ItemString]\r\n64=all cards\r\n"
                              "[ErrorMessage]\r\n255=last\r\n"});
  MessageTexts texts;
  texts.Load(tables, "Test");
  EXPECT_EQ(texts.Text(Msg::IdRequired), "one");
  EXPECT_EQ(texts.Text(Msg::UsernameOrPasswordError), "not a number")
      << "a key that is not a number writes slot 0";
  EXPECT_EQ(texts.Text(MessageSection::Message, 2), "a\n\nb");
  EXPECT_EQ(texts.Text(Msg::AllNetCard), "all cards");
  EXPECT_EQ(texts.Text(MessageSection::ErrorMessage, 255), "last");
  EXPECT_EQ(texts.Text(Msg::Warning), "Warning") << "unnamed slots keep their text";
  EXPECT_EQ(texts.Text(MessageSection::Message, 256), "");
  EXPECT_EQ(texts.Text(MessageSection::Message, -1), "");

  const MessageTexts before = texts;
  texts.Load(tables, "Klingon");
  EXPECT_EQ(texts.Text(Msg::IdRequired), before.Text(Msg::IdRequired));
}

// The built-in texts are the English table's, except for three slots.
TEST(MessageTexts, BuiltInDefaultsDifferFromTheEnglishTableInThreeSlots) {
  LanguageTables tables;
  LoadLanguageTables(tables, {EmbeddedLanguageTable("English")});
  const MessageTexts builtIn;
  MessageTexts english;
  english.Load(tables, "English");

  std::vector<Msg> differing;
  for (const Msg slot : AllMessageSlots()) {
    if (builtIn.Text(slot) != english.Text(slot)) differing.push_back(slot);
  }
  EXPECT_EQ(differing, (std::vector<Msg>{Msg::SearchingUpnpPleaseWait, Msg::CamerasSelected}));
  EXPECT_EQ(builtIn.Text(Msg::SearchingUpnpPleaseWait), "Searching UPnP Devices! Please wait.");
  EXPECT_EQ(english.Text(Msg::SearchingUpnpPleaseWait), "Searching Upnp Devices! Please wait.");
  EXPECT_EQ(builtIn.Text(Msg::CamerasSelected), "Cameras selected.");
  EXPECT_EQ(english.Text(Msg::CamerasSelected), "MegaPixelCameras selected.");
  // The third: no table names [Message] 39, so the built-in text stays in every language.
  EXPECT_EQ(tables.Value("English", "Message", "39"), std::nullopt);
  for (const char* language : {"Chinese", "French"}) {
    LanguageTables all;
    LoadLanguageTables(all);
    MessageTexts texts;
    texts.Load(all, language);
    EXPECT_EQ(texts.Text(Msg::ReceiveBufferFull), "Receive buffer is full.") << language;
  }
}

TEST(InitLanguage, LogsTheIdsAppliesEnglishAndLoadsItsMessages) {
  DiagLog::ClearRecent();
  Language language;
  language.SetCurrent(2);
  std::vector<std::string> applied;
  std::string searchingWhenApplied;
  InitLanguage(
      language,
      [&](const std::string& name) {
        applied.push_back(name);
        searchingWhenApplied = language.Text(Msg::SearchingUpnpPleaseWait);
      },
      LanguageIds{0x0409, 0x040c, 0x0804});
  EXPECT_EQ(DiagLog::Recent(), (std::vector<std::string>{"LanguageID[409]\n",
                                                         "User LanguageID[40c]\n",
                                                         "AAA UI LanguageID[804]\n"}));
  EXPECT_EQ(applied, std::vector<std::string>{"English"});
  EXPECT_EQ(language.CurrentName(), "English");
  EXPECT_EQ(language.CurrentIndex(), 0);
  EXPECT_EQ(searchingWhenApplied, "Searching UPnP Devices! Please wait.");
  EXPECT_EQ(language.Text(Msg::SearchingUpnpPleaseWait), "Searching Upnp Devices! Please wait.");
  EXPECT_EQ(language.Tables().Languages(),
            (std::vector<std::string>{"Chinese", "English", "French"}));
}

TEST(LanguageIds, LocaleNamesMapToWindowsIdentifiers) {
  const struct {
    const char* locale;
    std::uint16_t id;
  } cases[] = {
      {"en_US.UTF-8", 0x0409}, {"en_GB.UTF-8", 0x0809}, {"en", 0x0409},
      {"C", 0x0409},           {"POSIX", 0x0409},       {"C.UTF-8", 0x0409},
      {"zh_CN.UTF-8", 0x0804}, {"zh_TW.UTF-8", 0x0404}, {"zh", 0x0804},
      {"fr_FR.UTF-8", 0x040c}, {"fr_CA", 0x0c0c},       {"fr_BE@euro", 0x080c},
      {"de_DE.UTF-8", 0x0407}, {"ja_JP.eucJP", 0x0411}, {"xx_YY", 0x0000},
      {"", 0x0000},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageIdFromLocaleName(c.locale), c.id) << c.locale;
}

TEST(LanguageIds, EnvironmentPrecedence) {
  std::map<std::string, std::string> env = {
      {"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANGUAGE", "zh_CN:en"}};
  auto reader = [&](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  };
  LanguageIds ids = LanguageIdsFromLocale(reader);
  EXPECT_EQ(ids.system, 0x0409);
  EXPECT_EQ(ids.user, 0x040c);
  EXPECT_EQ(ids.ui, 0x0804);

  env["LC_ALL"] = "de_DE.UTF-8";
  env.erase("LANGUAGE");
  ids = LanguageIdsFromLocale(reader);
  EXPECT_EQ(ids.user, 0x0407);
  EXPECT_EQ(ids.ui, 0x0407);

  env.clear();
  ids = LanguageIdsFromLocale(reader);
  EXPECT_EQ(ids.system, 0);
  EXPECT_EQ(ids.ui, 0);
}

}  // namespace
}  // namespace scanvale
