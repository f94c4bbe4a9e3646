#include "protocol/diag_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

namespace scanvale {

namespace {

constexpr std::size_t kRecentLimit = 4096;
// A line quoting a datagram can be 64 KiB; what a developer needs of it fits well within this,
// and it bounds what the recent list and the window's log can hold.
constexpr std::size_t kEntryLimit = 2048;

struct LogState {
  std::mutex mutex;
  std::map<int, DiagLog::Sink> sinks;
  int nextId = 1;
  std::deque<std::string> recent;
  bool mirror = [] {
    const char* v = std::getenv("SCANVALE_LOG");
    return v && std::strcmp(v, "1") == 0;
  }();
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatV(format, args);
  va_end(args);
  return out;
}

void DiagLog::Append(const std::string& whole) {
  const std::string text = whole.size() > kEntryLimit ? whole.substr(0, kEntryLimit) : whole;
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.mirror) std::fprintf(stderr, "%s%s", text.c_str(), text.ends_with('\n') ? "" : "\n");
  s.recent.push_back(text);
  if (s.recent.size() > kRecentLimit) s.recent.pop_front();
  for (auto& [id, sink] : s.sinks) sink(text);
}

void DiagLog::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  Append(text);
}

int DiagLog::AddSink(Sink sink) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  const int id = s.nextId++;
  s.sinks.emplace(id, std::move(sink));
  return id;
}

void DiagLog::RemoveSink(int id) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  s.sinks.erase(id);
}

std::vector<std::string> DiagLog::Recent() {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  return {s.recent.begin(), s.recent.end()};
}

void DiagLog::ClearRecent() {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  s.recent.clear();
}

}  // namespace scanvale
