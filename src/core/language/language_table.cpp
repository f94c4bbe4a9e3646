#include "language/language_table.h"

#include <charconv>

#include "language/embedded_tables.h"

namespace scanvale {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Splits at LF; a CR before the LF belongs to the line ending.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool IsSectionLine(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

}  // namespace

ParsedTable ParseLanguageTable(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  ParsedTable table;
  TableSection info;
  TableSection* current = nullptr;
  ForEachLine(text, [&](std::string_view line) {
    if (IsSectionLine(line)) {
      const std::string name(line.substr(1, line.size() - 2));
      current = name == "Info" ? &info : &table.sections[name];
      return;
    }
    const std::size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos) return;
    (*current)[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
  });
  if (const auto it = info.find("Language"); it != info.end()) table.language = it->second;
  return table;
}

int TableNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || ptr != end) return 0;
  return value;
}

void LanguageTables::Add(const ParsedTable& table) {
  if (table.sections.empty()) return;
  TableSections& target = tables_[table.language];
  for (const auto& [section, entries] : table.sections) {
    for (const auto& [key, value] : entries) target[section][key] = value;
  }
}

bool LanguageTables::Has(std::string_view language) const {
  return tables_.find(language) != tables_.end();
}

const TableSection* LanguageTables::FindSection(std::string_view language,
                                                std::string_view section) const {
  const auto table = tables_.find(language);
  if (table == tables_.end()) return nullptr;
  const auto found = table->second.find(std::string(section));
  return found == table->second.end() ? nullptr : &found->second;
}

std::optional<std::string> LanguageTables::Value(std::string_view language,
                                                 std::string_view section,
                                                 std::string_view key) const {
  const TableSection* entries = FindSection(language, section);
  if (entries == nullptr) return std::nullopt;
  const auto found = entries->find(std::string(key));
  if (found == entries->end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> LanguageTables::Languages() const {
  std::vector<std::string> names;
  for (const auto& entry : tables_) names.push_back(entry.first);
  return names;
}

void LoadLanguageTables(LanguageTables& tables, const std::vector<std::string_view>& texts) {
  tables.Clear();
  for (const std::string_view text : texts) tables.Add(ParseLanguageTable(text));
}

void LoadLanguageTables(LanguageTables& tables) {
  LoadLanguageTables(tables, {EmbeddedLanguageTable("English"), EmbeddedLanguageTable("Chinese"),
                              EmbeddedLanguageTable("French")});
}

}  // namespace scanvale
