#include <gtest/gtest.h>

#include "language/control_entries.h"
#include "language/language_table.h"

namespace scanvale {
namespace {

TEST(ParseLanguageTable, FormatRules) {
  const ParsedTable table = ParseLanguageTable(
      "\xEF\xBB\xBF"
      "orphan=before any section\r\n"
      "[Info]\r\n"
      "Language=French\r\n"
      "[Win]\r\n"
      "Caption=a=b=c\r\n"
      "no equals sign here\r\n"
      "\r\n"
      "Button1.Caption=first\n"      // a bare LF ends a line too
      "button1.caption=other case\r\n"
      "Button1.Caption=last wins\r\n"
      "Empty=\r\n"
      "[Other]\r\n"
      " Spaced = kept \r\n"
      "[Win]\r\n"
      "Added=later\r\n"
      "Tail=no line end");
  EXPECT_EQ(table.language, "French");
  ASSERT_EQ(table.sections.size(), 2u) << "Info is not stored as a section";
  const TableSection& win = table.sections.at("Win");
  EXPECT_EQ(win.at("Caption"), "a=b=c");
  EXPECT_EQ(win.at("Button1.Caption"), "last wins");
  EXPECT_EQ(win.at("button1.caption"), "other case");
  EXPECT_EQ(win.at("Empty"), "");
  EXPECT_EQ(win.at("Added"), "later");
  EXPECT_EQ(win.at("Tail"), "no line end");
  EXPECT_EQ(win.count("orphan"), 0u);
  EXPECT_EQ(win.count("no equals sign here"), 0u);
  EXPECT_EQ(table.sections.at("Other").at(" Spaced "), " kept ");
}

TEST(ParseLanguageTable, LanguageDefaultsToEnglish) {
  EXPECT_EQ(ParseLanguageTable("[Message]\r\n0=x\r\n").language, "English");
  EXPECT_EQ(ParseLanguageTable("[Info]\r\nlanguage=French\r\n").language, "English");
}

TEST(LoadLanguageTables, TablesWithoutSectionsAddNothingAndLookupsAreExact) {
  LanguageTables tables;
  LoadLanguageTables(tables, {"[Info]\r\nLanguage=French\r\n", "",
                              "[Info]\r\nLanguage=Chinese\r\n[MainForm]\r\nCaption=x\r\n"});
  EXPECT_FALSE(tables.Has("French"));
  EXPECT_TRUE(tables.Has("Chinese"));
  EXPECT_EQ(tables.Value("Chinese", "MainForm", "Caption"), "x");
  EXPECT_EQ(tables.Value("Chinese", "mainform", "Caption"), std::nullopt);
  EXPECT_EQ(tables.Value("chinese", "MainForm", "Caption"), std::nullopt);
  EXPECT_EQ(tables.FindSection("Chinese", "Info"), nullptr);

  LoadLanguageTables(tables, {});
  EXPECT_TRUE(tables.Languages().empty()) << "loading starts from empty tables";
}

TEST(TableNumber, WholeTextMustBeANumber) {
  const struct {
    const char* text;
    int value;
  } cases[] = {{"375", 375}, {"-15", -15}, {"+7", 7},        {"0", 0},  {"", 0},
               {"12px", 0},  {" 12", 0},   {"abc", 0},       {"1.5", 0},
               {"99999999999", 0}};
  for (const auto& c : cases) EXPECT_EQ(TableNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ControlEntryFor, EachKindTakesItsKeys) {
  const TableSection section = {
      {"C.Caption", "Go"},        {"C.Hint", "tip"},           {"C.Text", "txt"},
      {"C.Left", "10"},           {"C.Top", "x"},              {"C.Width", "30"},
      {"C.EditLabel.Caption", "Lbl"},
      {"C.Items.Strings1", "a"},  {"C.Items.Strings2", "b"},   {"C.Items.Strings4", "after gap"},
      {"C.Lines.Strings1", "line"},
  };
  const struct {
    ControlKind kind;
    const char* caption;  // nullptr: none
    bool text, hint, items, position;
  } cases[] = {
      {ControlKind::Label, "Go  ", false, false, false, true},
      {ControlKind::Button, "Go  ", false, true, false, true},
      {ControlKind::BitBtn, "Go  ", false, false, false, true},
      {ControlKind::RadioButton, "Go  ", false, false, false, true},
      {ControlKind::MenuItem, "Go  ", false, false, false, false},
      {ControlKind::TabSheet, "Go  ", false, false, false, false},
      {ControlKind::LabeledEdit, "Lbl  ", false, false, false, true},
      {ControlKind::ComboBox, nullptr, true, true, true, true},
      {ControlKind::RadioGroup, "Go  ", false, false, true, true},
      {ControlKind::Memo, nullptr, true, false, true, true},
      {ControlKind::Image, nullptr, false, true, false, false},
      {ControlKind::Other, nullptr, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    const ControlEntry entry = ControlEntryFor(section, c.kind, "C");
    EXPECT_EQ(entry.caption.has_value(), c.caption != nullptr);
    if (c.caption != nullptr && entry.caption) {
      EXPECT_EQ(*entry.caption, c.caption);
    }
    EXPECT_EQ(entry.text.has_value(), c.text);
    EXPECT_EQ(entry.hint.has_value(), c.hint);
    EXPECT_EQ(entry.items.has_value(), c.items);
    EXPECT_EQ(entry.position.Any(), c.position);
  }
  const ControlEntry combo = ControlEntryFor(section, ControlKind::ComboBox, "C");
  EXPECT_EQ(*combo.items, (std::vector<std::string>{"a", "b"})) << "the list ends at a gap";
  EXPECT_EQ(combo.position.left, 10);
  EXPECT_EQ(combo.position.top, 0) << "a position that is not a number counts as 0";
  EXPECT_EQ(combo.position.height, std::nullopt);
  EXPECT_TRUE(combo.keepSelection);
  EXPECT_EQ(*ControlEntryFor(section, ControlKind::Memo, "C").items,
            std::vector<std::string>{"line"});
  EXPECT_TRUE(ControlEntryFor(section, ControlKind::RadioButton, "C").keepChecked);
  EXPECT_FALSE(ControlEntryFor(section, ControlKind::Label, "c").caption) << "names are exact";
}

TEST(CaptionHelpers, ContainmentIgnoresTheTrailingBlanks) {
  EXPECT_TRUE(CaptionContains(WithCaptionBlanks("Middle"), "Middle"));
  EXPECT_FALSE(WithCaptionBlanks("Middle") == "Middle");
  EXPECT_FALSE(CaptionContains("Middle  ", "Long"));
  EXPECT_FALSE(CaptionContains("Middle  ", "")) << "an empty text is never contained";
  EXPECT_EQ(CaptionText("Netmask  "), "Netmask");
  EXPECT_EQ(CaptionText("Netmask"), "Netmask");
}

}  // namespace
}  // namespace scanvale
