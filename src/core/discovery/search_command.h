#pragma once
// `scanvale-cli search`: its options and its three output formats. The command itself (in
// src/cli) runs the same SearchRun as the window; what is here needs no sockets.

#include <iosfwd>
#include <string>
#include <vector>

#include "discovery/search_run.h"

namespace scanvale {

enum class OutputFormat { kTable, kCsv, kJson };

struct SearchCommandOptions {
  bool help = false;
  bool allAdapters = true;
  std::string adapter;         // the one adapter's address when !allAdapters
  std::string relay;           // empty: Local Broadcast
  std::string protocol = "udp";
  std::string delay = "middle";
  std::string filter = "ALL";
  int sortColumn = 0;
  OutputFormat format = OutputFormat::kTable;
};

// Parses the words after "search". False with `error` set for anything it does not accept.
bool ParseSearchOptions(const std::vector<std::string>& args, SearchCommandOptions& options,
                        std::string& error);

const char* SearchUsage();

// The run's settings for these options over the given adapter table.
SearchSettings SettingsFor(const SearchCommandOptions& options, const NetCardTable& netCards,
                           const SearchTexts& texts);

// The grid's header texts of columns 0 to 6.
std::vector<std::string> GridHeaderTexts();

void WriteTable(std::ostream& out, const DeviceTable& table);
void WriteCsv(std::ostream& out, const DeviceTable& table);
// One object per grid row, in grid order, keyed by the thirteen field names.
void WriteJson(std::ostream& out, const DeviceTable& table);

// A JSON string literal for 8-bit text: valid UTF-8 passes through, every other byte is read
// as Latin-1, control characters are escaped.
std::string JsonString(std::string_view text);

}  // namespace scanvale
