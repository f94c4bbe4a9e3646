#pragma once
// The language tables: INI-like texts, one section per window plus the message sections.
// Section and key names are compared exactly and case-sensitively.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanvale {

using TableSection = std::map<std::string, std::string>;     // key -> value
using TableSections = std::map<std::string, TableSection>;   // section -> entries

// One table as read from its text: the language it names in [Info] "Language" ("English"
// when missing) and every section except "Info".
struct ParsedTable {
  std::string language = "English";
  TableSections sections;
};

// Reads a table text. A leading UTF-8 byte-order mark is skipped; lines end with CR LF or
// LF; "[Name]" opens a section; "key=value" is split at the first "="; lines before the
// first section, blank lines and lines without "=" carry nothing. A key given twice keeps
// its last value.
ParsedTable ParseLanguageTable(std::string_view text);

// Reads a position or a slot number: an optional sign and decimal digits, nothing else;
// any other text (empty, "12px", out of int range) counts as 0.
int TableNumber(std::string_view text);

// Every loaded language: language name -> section -> key -> value.
class LanguageTables {
 public:
  void Clear() { tables_.clear(); }
  // Stores every entry of the table under its language; a table without sections adds
  // nothing, so its language stays unknown.
  void Add(const ParsedTable& table);

  bool Has(std::string_view language) const;
  const TableSection* FindSection(std::string_view language, std::string_view section) const;
  std::optional<std::string> Value(std::string_view language, std::string_view section,
                                   std::string_view key) const;
  std::vector<std::string> Languages() const;

 private:
  std::map<std::string, TableSections, std::less<>> tables_;
};

// LoadLanguageTables: empties `tables` and reads the three tables carried by the program,
// in the order English, Chinese, French.
void LoadLanguageTables(LanguageTables& tables);
// The same over given table texts (tests, or tables read from elsewhere).
void LoadLanguageTables(LanguageTables& tables, const std::vector<std::string_view>& texts);

}  // namespace scanvale
