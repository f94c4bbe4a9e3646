#include "support/system_description.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>

namespace scanvale {

namespace {

// PRETTY_NAME="Debian GNU/Linux 12 (bookworm)" -> Debian GNU/Linux 12 (bookworm)
std::string PrettyName(std::string_view osRelease) {
  std::istringstream lines{std::string(osRelease)};
  std::string line;
  while (std::getline(lines, line)) {
    constexpr std::string_view key = "PRETTY_NAME=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value.substr(0, 200);
  }
  return {};
}

std::string ReadSmallFile(const char* path) {
  std::ifstream in(path);
  if (!in) return {};
  std::string text(16 * 1024, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

}  // namespace

std::string ComposeSystemDescription(std::string_view sysname, std::string_view release,
                                     std::string_view machine, std::string_view osRelease) {
  std::string text(sysname);
  for (std::string_view part : {release, machine}) {
    if (part.empty()) continue;
    if (!text.empty()) text += ' ';
    text += part;
  }
  const std::string pretty = PrettyName(osRelease);
  if (!pretty.empty()) text += (text.empty() ? "(" : " (") + pretty + ")";
  return text;
}

std::string SystemDescription() {
  utsname names{};
  if (uname(&names) != 0) return {};
  std::string osRelease = ReadSmallFile("/etc/os-release");
  if (osRelease.empty()) osRelease = ReadSmallFile("/usr/lib/os-release");
  return ComposeSystemDescription(names.sysname, names.release, names.machine, osRelease);
}

}  // namespace scanvale
