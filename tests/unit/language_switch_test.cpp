#include <gtest/gtest.h>

#include "language/language_switch.h"

namespace scanvale {
namespace {

// The main window's side of the switch, as plain state.
struct FakeMainWindow : MainWindowLanguageView {
  int languageBox = 0;
  std::string delayCaption = "Middle  ";
  std::vector<std::string> applied;
  std::vector<std::string> header;
  std::string projectFilter = "DVR";
  int rowCount = 2;
  std::string lastRowIp;
  std::string deviceCount;
  std::string caption;
  std::vector<std::string> adapters;
  int adapterIndex = -1;
  int allNetCardPosition = 0;
  std::string adapterText;

  int LanguageBoxIndex() const override { return languageBox; }
  std::string DelayButtonCaption() const override { return delayCaption; }
  void SetDelayButtonCaption(const std::string& text) override { delayCaption = text; }
  void ApplyLanguageToWindow(const std::string& language) override {
    applied.push_back(language);
  }
  void SetGridHeader(const std::vector<std::string>& titles) override { header = titles; }
  void SetProjectFilterText(const std::string& text) override { projectFilter = text; }
  int GridRowCount() const override { return rowCount; }
  std::string GridLastRowIp() const override { return lastRowIp; }
  void SetDeviceCountText(const std::string& text) override { deviceCount = text; }
  void SetWindowCaption(const std::string& text) override { caption = text; }
  int AdapterBoxIndex() const override { return adapterIndex; }
  int AdapterBoxCount() const override { return static_cast<int>(adapters.size()); }
  int AllNetCardPosition() const override { return allNetCardPosition; }
  std::string AdapterBoxItem(int index) const override { return adapters.at(index); }
  void AdapterBoxDelete(int index) override { adapters.erase(adapters.begin() + index); }
  void AdapterBoxAppend(const std::string& text) override { adapters.push_back(text); }
  void AdapterBoxSetText(const std::string& text) override { adapterText = text; }
  void AdapterBoxSelect(int index) override { adapterIndex = index; }
};

class LanguageSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguage(language_, nullptr, LanguageIds{});
    window_.adapters = {"198.18.0.10", "198.18.1.10", "All NetCard"};
    window_.allNetCardPosition = 2;
    window_.adapterIndex = 2;
  }
  void SwitchTo(int index) {
    window_.languageBox = index;
    LanChange(language_, window_, LanChangeSender::LanguageBox);
  }
  Language language_;
  FakeMainWindow window_;
};

TEST_F(LanguageSwitch, ToFrenchAndBack) {
  window_.rowCount = 6;
  window_.lastRowIp = "198.18.0.15";
  SwitchTo(2);
  EXPECT_EQ(language_.CurrentName(), "French");
  EXPECT_EQ(language_.CurrentIndex(), 2);
  EXPECT_EQ(window_.applied, std::vector<std::string>{"French"});
  EXPECT_EQ(window_.header, (std::vector<std::string>{"Modèle", "Projet", "Nom", "IP", "Port",
                                                      "Masque", "MAC", "Micrologiciel"}));
  EXPECT_EQ(window_.projectFilter, "ALL");
  EXPECT_EQ(window_.deviceCount, "5 appareil(s) trouvé(s) !");
  EXPECT_EQ(window_.delayCaption, "Moyen");
  EXPECT_EQ(window_.caption, "Scanvale - 2.0.0.11");
  EXPECT_EQ(window_.adapters,
            (std::vector<std::string>{"198.18.0.10", "198.18.1.10", "Toutes les cartes réseau"}));
  EXPECT_EQ(window_.adapterIndex, 2);
  EXPECT_EQ(window_.adapterText, "Toutes les cartes réseau");

  window_.rowCount = 2;
  window_.lastRowIp = "";
  SwitchTo(0);
  EXPECT_EQ(language_.CurrentName(), "English");
  EXPECT_EQ(window_.header.front(), "Model");
  EXPECT_EQ(window_.deviceCount, "0 device(s) found!");
  EXPECT_EQ(window_.delayCaption, "Middle");
  EXPECT_EQ(window_.caption, "Scanvale - 2.0.0.11");
  EXPECT_EQ(window_.adapters.back(), "All NetCard");
  EXPECT_EQ(window_.adapters.size(), 3u);
}

TEST_F(LanguageSwitch, DelayStepIsKeptByContainment) {
  const struct {
    const char* englishCaption;
    const char* french;
  } cases[] = {{"Long  ", "Long"}, {"Long", "Long"}, {"Short  ", "Court"},
               {"Middle", "Moyen"}, {"", "Moyen"}, {"something else", "Moyen"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.englishCaption);
    language_.SetCurrent(0);
    language_.LoadMessages("English");
    window_.delayCaption = c.englishCaption;
    SwitchTo(2);
    EXPECT_EQ(window_.delayCaption, c.french);
  }
}

TEST_F(LanguageSwitch, DeviceCountRules) {
  const MessageTexts english;
  EXPECT_EQ(DeviceCountText(english, 1, "198.18.0.1"), "0 device(s) found!");
  EXPECT_EQ(DeviceCountText(english, 2, ""), "0 device(s) found!");
  EXPECT_EQ(DeviceCountText(english, 2, "198.18.0.1"), "1 device(s) found!");
  EXPECT_EQ(DeviceCountText(english, 6, "198.18.0.1"), "5 device(s) found!");
}

TEST_F(LanguageSwitch, AtStartTheEmptyAdapterBoxStaysEmpty) {
  window_.adapters.clear();
  window_.adapterIndex = -1;
  window_.languageBox = 1;
  LanChange(language_, window_, LanChangeSender::None);
  EXPECT_EQ(language_.CurrentName(), "Chinese");
  EXPECT_TRUE(window_.adapters.empty());
  EXPECT_EQ(window_.adapterIndex, -1);
  EXPECT_EQ(window_.adapterText, "");
  EXPECT_EQ(window_.delayCaption, "中等");
}

TEST_F(LanguageSwitch, UnknownBoxEntryMeansEnglishAndAMissingTableKeepsTheTexts) {
  SwitchTo(2);
  window_.languageBox = 7;
  LanChange(language_, window_, LanChangeSender::None);
  EXPECT_EQ(language_.CurrentName(), "English");
  EXPECT_EQ(window_.header.front(), "Model");

  Language empty;  // no tables loaded: every step still runs with the texts in force
  window_.languageBox = 2;
  window_.delayCaption = "Long  ";
  LanChange(empty, window_, LanChangeSender::LanguageBox);
  EXPECT_EQ(empty.CurrentName(), "French");
  EXPECT_EQ(window_.header.front(), "Model");
  EXPECT_EQ(window_.delayCaption, "Long");
  EXPECT_EQ(window_.adapters.back(), "All NetCard");
}

}  // namespace
}  // namespace scanvale
