#pragma once
// The relay host's device page: fetch it over HTTP, strip the table markup from the front
// of its lines, and read each remaining line's "<td>" cells as one device.
//
//   std::vector<std::string> lines;
//   GetRelayPage(relay, RelayPagePath(filter), lines);   // blocks up to 20 s: not on the
//   CleanHtml(lines);                                     // window's thread
//   PhaseItem(lines, table);

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/device_table.h"

namespace scanvale {

inline constexpr std::size_t kRelayPageMaxBytes = 1048576;
inline constexpr std::chrono::seconds kRelayPageTimeout{20};

// "/device.get?DeviceType=" + the project filter text.
std::string RelayPagePath(std::string_view projFilter);

struct RelayFetchOptions {
  std::chrono::milliseconds timeout = kRelayPageTimeout;
  std::size_t maxBytes = kRelayPageMaxBytes;
  // Set from another thread to end the fetch early (the window closing).
  const std::atomic<bool>* cancel = nullptr;
};

// GETs "http://" + relay + requestPath (redirects followed, proxies never used) and
// replaces `lines` with the page split at line breaks, cut at the size limit and at its
// first NUL. Whatever arrived before a failure or the time limit is kept, as a browser
// keeps a half-loaded page. A short page (4 lines or fewer) that says "No available items"
// gives no lines. Returns 0 when the transfer completed, -1 otherwise.
int GetRelayPage(std::string_view relay, std::string_view requestPath,
                 std::vector<std::string>& lines, const RelayFetchOptions& options = {});

// Splits a page at CR LF, LF or CR; a break at the very end makes no empty last line.
std::vector<std::string> SplitPageLines(std::string_view page);

// Empties a short page that says it has no devices.
void ApplyNoItemsRule(std::vector<std::string>& lines);

// Strips leading tags whose upper-cased text contains BODY, HTML, TABLE, TITLE or TR from
// every line, then drops lines left empty. Linear in the line length.
void CleanHtml(std::vector<std::string>& lines);
void CleanHtmlLine(std::string& line);

// Reads the cleaned lines: line 0 is the header; every later line's cells go to model,
// project, name, IP, port, netmask and MAC of one record (values cut to their fields),
// written into grid row r and appended to the table without the duplicate test. A line
// used up by its cells leaves the list, so the next line is read under the same row.
// A line without any cell describes no device: it adds no record and no row (an error
// page must not turn into a list of empty devices).
void PhaseItem(std::vector<std::string>& lines, DeviceTable& table);

// The whole relay path into `table`: fetch, clean, read. Returns GetRelayPage's result.
int RunHttpRelaySearch(std::string_view relay, std::string_view projFilter, DeviceTable& table,
                       const RelayFetchOptions& options = {});

}  // namespace scanvale
