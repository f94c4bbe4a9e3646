#pragma once
// What a window's section of a language table gives one control, by the control's kind:
// the plain data a window layer copies onto its widgets (captions already carry their two
// trailing blanks).
//
// Captions taken from a table end in two blanks, so code that recognises a caption must
// test containment: CaptionContains(button->text(), Messages().Text(Msg::Middle)).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "language/language_table.h"

namespace scanvale {

enum class ControlKind {
  TrackBar, Image, StaticText, Label, StringGrid, BitBtn, Button, MenuItem, SpeedButton,
  CheckBox, GroupBox, LabeledEdit, TabSheet, RadioButton, ComboBox, RadioGroup, Memo,
  Other,  // edit fields, panels, list boxes, page controls: nothing from the table
};

struct ControlPosition {
  std::optional<int> left, top, width, height;
  bool Any() const { return left || top || width || height; }
};

struct ControlEntry {
  ControlKind kind = ControlKind::Other;
  std::string name;
  std::optional<std::string> caption;   // caption, group title, menu text, edit label
  std::optional<std::string> text;      // a combo box's or a memo's text
  std::optional<std::string> hint;
  // Entries of a combo box or radio group, lines of a memo; present only when the table
  // has "<name>.Items.Strings1" (or "Lines.Strings1"), numbered up to the first gap.
  std::optional<std::vector<std::string>> items;
  ControlPosition position;
  // The window must restore these after the update (radio button; combo box, radio group).
  bool keepChecked = false;
  bool keepSelection = false;
};

inline constexpr std::string_view kCaptionBlanks = "  ";

std::string WithCaptionBlanks(std::string_view caption);
// The caption without the two trailing blanks a table added (unchanged when absent).
std::string_view CaptionText(std::string_view caption);
// True when `caption` holds `text`; an empty `text` is never contained.
bool CaptionContains(std::string_view caption, std::string_view text);

// The keys of `section` that apply to the control named `name` of kind `kind`.
ControlEntry ControlEntryFor(const TableSection& section, ControlKind kind,
                             std::string_view name);

// The window caption of a section ("Caption", taken as it stands), if it names one.
std::optional<std::string> WindowCaptionFor(const TableSection& section);

// The numbered list "<name>.<listKey>1", "<name>.<listKey>2", ... up to the first gap;
// nothing when the first is missing.
std::optional<std::vector<std::string>> NumberedList(const TableSection& section,
                                                     std::string_view name,
                                                     std::string_view listKey);

}  // namespace scanvale
