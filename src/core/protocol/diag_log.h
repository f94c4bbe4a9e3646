#pragma once
// The diagnostic log: developer lines that the core appends and the main window shows in
// its hidden log. SCANVALE_LOG=1 mirrors every line to stderr. Safe from any thread.

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

namespace scanvale {

class DiagLog {
 public:
  using Sink = std::function<void(const std::string&)>;

  // Appends one line as given; the text keeps its own "\n" where the line has one.
  static void Append(const std::string& text);
  static void Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // Installs the receiver of every line (the window's log); returns an id for RemoveSink.
  static int AddSink(Sink sink);
  static void RemoveSink(int id);

  // Keeps the last lines in memory so tests and the CLI can read what was logged.
  static std::vector<std::string> Recent();
  static void ClearRecent();
};

// Formats like printf into a std::string of any length.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

}  // namespace scanvale
