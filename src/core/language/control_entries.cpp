#include "language/control_entries.h"

namespace scanvale {
namespace {

std::optional<std::string> Lookup(const TableSection& section, std::string_view name,
                                  std::string_view property) {
  std::string key(name);
  key += '.';
  key += property;
  const auto found = section.find(key);
  if (found == section.end()) return std::nullopt;
  return found->second;
}

std::optional<int> Number(const TableSection& section, std::string_view name,
                          std::string_view property) {
  const auto value = Lookup(section, name, property);
  if (!value) return std::nullopt;
  return TableNumber(*value);
}

// What each kind takes from the table.
struct KindRule {
  bool caption = false;
  bool editLabel = false;
  bool text = false;
  bool hint = false;
  const char* list = nullptr;  // "Items.Strings" or "Lines.Strings"
  bool position = false;
};

KindRule RuleFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::TrackBar:
    case ControlKind::Image:
    case ControlKind::StringGrid: return {.hint = true};
    case ControlKind::StaticText: return {.caption = true, .hint = true, .position = true};
    case ControlKind::Label:
    case ControlKind::BitBtn:
    case ControlKind::CheckBox:
    case ControlKind::GroupBox:
    case ControlKind::RadioButton: return {.caption = true, .position = true};
    case ControlKind::Button:
    case ControlKind::SpeedButton: return {.caption = true, .hint = true, .position = true};
    case ControlKind::MenuItem:
    case ControlKind::TabSheet: return {.caption = true};
    case ControlKind::LabeledEdit: return {.editLabel = true, .position = true};
    case ControlKind::ComboBox:
      return {.text = true, .hint = true, .list = "Items.Strings", .position = true};
    case ControlKind::RadioGroup:
      return {.caption = true, .list = "Items.Strings", .position = true};
    case ControlKind::Memo: return {.text = true, .list = "Lines.Strings", .position = true};
    case ControlKind::Other: return {};
  }
  return {};
}

}  // namespace

std::string WithCaptionBlanks(std::string_view caption) {
  std::string text(caption);
  text += kCaptionBlanks;
  return text;
}

std::string_view CaptionText(std::string_view caption) {
  if (caption.ends_with(kCaptionBlanks)) caption.remove_suffix(kCaptionBlanks.size());
  return caption;
}

bool CaptionContains(std::string_view caption, std::string_view text) {
  return !text.empty() && caption.find(text) != std::string_view::npos;
}

std::optional<std::vector<std::string>> NumberedList(const TableSection& section,
                                                     std::string_view name,
                                                     std::string_view listKey) {
  std::vector<std::string> items;
  for (int number = 1;; ++number) {
    const auto item = Lookup(section, name, std::string(listKey) + std::to_string(number));
    if (!item) break;
    items.push_back(*item);
  }
  if (items.empty()) return std::nullopt;
  return items;
}

ControlEntry ControlEntryFor(const TableSection& section, ControlKind kind,
                             std::string_view name) {
  const KindRule rule = RuleFor(kind);
  ControlEntry entry;
  entry.kind = kind;
  entry.name = std::string(name);
  const char* captionKey = rule.editLabel ? "EditLabel.Caption" : "Caption";
  if (rule.caption || rule.editLabel) {
    if (const auto caption = Lookup(section, name, captionKey)) {
      entry.caption = WithCaptionBlanks(*caption);
    }
  }
  if (rule.text) entry.text = Lookup(section, name, "Text");
  if (rule.hint) entry.hint = Lookup(section, name, "Hint");
  if (rule.list != nullptr) entry.items = NumberedList(section, name, rule.list);
  if (rule.position) {
    entry.position.left = Number(section, name, "Left");
    entry.position.top = Number(section, name, "Top");
    entry.position.width = Number(section, name, "Width");
    entry.position.height = Number(section, name, "Height");
  }
  entry.keepChecked = kind == ControlKind::RadioButton;
  entry.keepSelection = kind == ControlKind::ComboBox || kind == ControlKind::RadioGroup;
  return entry;
}

std::optional<std::string> WindowCaptionFor(const TableSection& section) {
  const auto found = section.find("Caption");
  if (found == section.end()) return std::nullopt;
  return found->second;
}

}  // namespace scanvale
