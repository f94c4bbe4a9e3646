#include <gtest/gtest.h>

#include <set>

#include "language/embedded_tables.h"
#include "language/language.h"

namespace scanvale {
namespace {

const char* const kWindows[] = {"MainForm",           "FormInfo",   "NetForm",
                                "Form1",              "SoftwareUpgradeForm",
                                "SignInForm",         "ProgressBarForm",
                                "GroupIpSetupForm"};
const char* const kLanguages[] = {"English", "Chinese", "French"};

class CarriedTables : public ::testing::Test {
 protected:
  void SetUp() override { LoadLanguageTables(tables_); }
  MessageTexts TextsOf(const char* language) const {
    MessageTexts texts;
    texts.Load(tables_, language);
    return texts;
  }
  LanguageTables tables_;
};

TEST_F(CarriedTables, ResourcesAreFoundByNameIgnoringCase) {
  EXPECT_EQ(EmbeddedLanguageTable("FRENCH"), EmbeddedLanguageTable("French"));
  EXPECT_TRUE(EmbeddedLanguageTable("French").starts_with("\xEF\xBB\xBF[Info]"));
  EXPECT_TRUE(EmbeddedLanguageTable("English").starts_with("[Info]\r\nLanguage=English\r\n"));
  EXPECT_TRUE(EmbeddedLanguageTable("German").empty());
}

TEST_F(CarriedTables, EveryTableHasTheSameWindowKeysAndEveryMessage) {
  for (const char* language : kLanguages) {
    SCOPED_TRACE(language);
    for (const char* window : kWindows) {
      const TableSection* english = tables_.FindSection("English", window);
      const TableSection* other = tables_.FindSection(language, window);
      ASSERT_NE(english, nullptr) << window;
      ASSERT_NE(other, nullptr) << window;
      std::set<std::string> englishKeys, otherKeys;
      for (const auto& entry : *english) englishKeys.insert(entry.first);
      for (const auto& entry : *other) otherKeys.insert(entry.first);
      EXPECT_EQ(otherKeys, englishKeys) << window;
      EXPECT_TRUE(WindowCaptionFor(*other).has_value()) << window;
    }
    for (const Msg slot : AllMessageSlots()) {
      if (slot == Msg::ReceiveBufferFull) continue;
      const auto value = tables_.Value(language, SectionName(SectionOf(slot)),
                                       std::to_string(SlotOf(slot)));
      ASSERT_TRUE(value.has_value()) << SectionName(SectionOf(slot)) << ' ' << SlotOf(slot);
      EXPECT_FALSE(value->empty()) << SectionName(SectionOf(slot)) << ' ' << SlotOf(slot);
    }
  }
}

TEST_F(CarriedTables, EnglishTextsAreExactIncludingTheirSpelling) {
  const MessageTexts english = TextsOf("English");
  EXPECT_EQ(english.Text(Msg::ClickOkToContinue),
            "Please click OK to contiue or CANCEL to terminate this process.");
  EXPECT_EQ(english.Text(Msg::BlanksToFill),
            "Please check to see if there are still blanks need to be filled.");
  EXPECT_EQ(english.Text(Msg::FactoryDefaultWait),
            "Factory default need to wait a few seconds to reboot system.");
  EXPECT_EQ(english.Text(Msg::SearchUpnp), "Search Upnp...");
  EXPECT_EQ(english.Text(Msg::ZeroDevicesFound), "0 device(s) found!");
  EXPECT_EQ(english.Text(Msg::RebootAfterFactoryDefault),
            "Camera(s) will require 5~10 mins to reboot if factory default process has been "
            "completed successfully. Do not unplug the power during the process, it may cause "
            "damage.");
  EXPECT_EQ(english.Text(Msg::CheckUsernamePassword), "Please check username & password.");
  EXPECT_EQ(english.Text(Msg::KeepMeSignedIn), "Keep me Signed-In");
  EXPECT_EQ(tables_.Value("English", "GroupIpSetupForm", "GroupBox1.Caption"), "Seleted Items");
  EXPECT_EQ(tables_.Value("English", "SignInForm", "Caption"), "MegapixelIPCamera");
  EXPECT_EQ(tables_.Value("English", "Form1", "Caption"), "Upnp Device Detail Info.");
  EXPECT_EQ(tables_.Value("English", "ProgressBarForm", "Caption"), "Upload File");
  EXPECT_EQ(tables_.Value("English", "FormInfo", "Label8.Caption"), "Mac");
}

// A translation may equal the English word only where the word is the same in that
// language, or where it is a name or a token that code and devices compare.
TEST_F(CarriedTables, TranslationsDifferFromEnglish) {
  const std::set<Msg> neutral = {Msg::AppName, Msg::Tcp, Msg::All};
  const std::set<Msg> sameInFrench = {Msg::Port, Msg::Mac, Msg::Ip, Msg::Dns, Msg::Ok,
                                      Msg::Long};
  const MessageTexts english = TextsOf("English");
  const MessageTexts chinese = TextsOf("Chinese");
  const MessageTexts french = TextsOf("French");
  for (const Msg slot : AllMessageSlots()) {
    if (slot == Msg::ReceiveBufferFull) continue;
    SCOPED_TRACE(english.Text(slot));
    EXPECT_EQ(chinese.Text(slot) == english.Text(slot), neutral.count(slot) == 1);
    EXPECT_EQ(french.Text(slot) == english.Text(slot),
              neutral.count(slot) + sameInFrench.count(slot) == 1);
  }
  for (const char* window : kWindows) {
    for (const auto& [key, value] : *tables_.FindSection("English", window)) {
      if (!key.ends_with("Caption") || value.size() < 8 || value == "Scanvale") continue;
      EXPECT_NE(tables_.Value("Chinese", window, key), value) << window << ' ' << key;
      if (value == "Description" || value == "Services") continue;  // French words too
      EXPECT_NE(tables_.Value("French", window, key), value) << window << ' ' << key;
    }
  }
}

// Code compares these captions and list entries with message texts of the same language.
TEST_F(CarriedTables, CaptionsAgreeWithTheMessagesCodeComparesThemWith) {
  for (const char* language : kLanguages) {
    SCOPED_TRACE(language);
    const MessageTexts texts = TextsOf(language);
    const TableSection& batch = *tables_.FindSection(language, "GroupIpSetupForm");
    EXPECT_EQ(*NumberedList(batch, "ComboBox2", "Items.Strings"),
              (std::vector<std::string>{texts.Text(Msg::Ip), texts.Text(Msg::Gateway),
                                        texts.Text(Msg::Netmask), texts.Text(Msg::Dns)}));
    EXPECT_EQ(batch.at("ComboBox2.Text"), texts.Text(Msg::Ip));
    EXPECT_EQ(batch.at("ComboBox1.Items.Strings1"), texts.Text(Msg::NoChange));
    EXPECT_EQ(NumberedList(batch, "ComboBox1", "Items.Strings")->size(), 3u);

    const TableSection& main = *tables_.FindSection(language, "MainForm");
    EXPECT_EQ(main.at("Button3.Caption"), texts.Text(Msg::Middle));
    EXPECT_EQ(main.at("Label1.Caption"), texts.Text(Msg::ZeroDevicesFound));
    EXPECT_EQ(main.at("ComboBox1.Items.Strings1"), texts.Text(Msg::Customized));
    EXPECT_EQ(main.at("ComboBox2.Text"), "TCP");
    EXPECT_EQ(NumberedList(main, "ComboBox4", "Items.Strings")->size(), 3u);
    EXPECT_EQ(main.count("ComboBox3.Items.Strings1"), 0u) << "the adapter list is not a table's";
    EXPECT_EQ(main.count("Memo1.Text") + main.count("Memo1.Lines.Strings1"), 0u)
        << "the diagnostic log survives a switch";
    for (const Msg a : {Msg::Short, Msg::Middle, Msg::Long}) {
      for (const Msg b : {Msg::Short, Msg::Middle, Msg::Long}) {
        if (a == b) continue;
        EXPECT_FALSE(CaptionContains(texts.Text(a), texts.Text(b)));
      }
    }
    EXPECT_FALSE(CaptionContains(texts.Text(Msg::ConfigUpload), texts.Text(Msg::SoftwareUpgrade)));
  }
  EXPECT_EQ(tables_.Value("Chinese", "MainForm", "ComboBox4.Items.Strings2"), "简体中文");
  EXPECT_EQ(tables_.Value("French", "MainForm", "ComboBox4.Items.Strings3"), "Français");
}

}  // namespace
}  // namespace scanvale
