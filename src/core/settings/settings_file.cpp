#include "settings/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "protocol/base64.h"
#include "protocol/diag_log.h"

namespace scanvale {
namespace {

// The file is a few hundred bytes; anything beyond this is not ours to read.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr int kLanguageEntries = 3;

// Index = m_SortColumn. The Firmware column has no keyword among the seven the file has always
// known; "FIRMWARE" keeps that choice too, and older readers skip it as an unknown word.
constexpr std::array<const char*, 8> kSortKeywords = {"MODEL", "PROJ",    "NAME", "IP",
                                                      "PORT",  "NETMASK", "MAC",  "FIRMWARE"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsOneWord(std::string_view value) {
  return !value.empty() && std::none_of(value.begin(), value.end(), IsBlank);
}

std::string Word(std::string_view value) { return IsOneWord(value) ? std::string(value) : "NULL"; }

void AppendEntry(std::string& out, std::string_view key, std::string_view value) {
  out.append(key);
  out.push_back(' ');
  out.append(value);
  out.push_back('\n');
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

std::string DecodePassword(std::string_view word) {
  std::string plain(word.size() / 4 * 3 + 3, '\0');
  const int length = Base64Decode(reinterpret_cast<unsigned char*>(plain.data()), plain.size(), word);
  plain.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  // The password is text: it ends at the first NUL, as it always did.
  plain.resize(std::strlen(plain.c_str()));
  return plain;
}

// A whole word as a signed decimal number; false when the word is not one.
bool ParseNumber(std::string_view word, long long& number) {
  const char* first = word.data();
  const char* last = word.data() + word.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, number);
  return error == std::errc() && end == last;
}

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates every missing level; the last one, which holds the password, for its owner only.
int MakeFolders(const std::string& folder) {
  std::string path;
  std::size_t pos = 0;
  while (pos < folder.size()) {
    const std::size_t next = folder.find('/', pos + 1);
    path = folder.substr(0, next == std::string::npos ? folder.size() : next);
    pos = next == std::string::npos ? folder.size() : next;
    const bool last = pos + 1 >= folder.size();
    if (path.empty() || IsDirectory(path)) continue;
    if (::mkdir(path.c_str(), last ? 0700 : 0755) != 0 && errno != EEXIST) return -1;
  }
  return IsDirectory(folder) ? 0 : -1;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

enum class ReadOutcome { kRead, kMissing, kFailed };

ReadOutcome ReadSmallFile(const std::string& path, std::string& contents) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadOutcome::kMissing : ReadOutcome::kFailed;
  contents.clear();
  char buffer[4096];
  bool failed = false;
  while (contents.size() < kMaxFileBytes) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed = true;
    if (got <= 0) break;
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (contents.size() > kMaxFileBytes) contents.resize(kMaxFileBytes);
  return failed ? ReadOutcome::kFailed : ReadOutcome::kRead;
}

}  // namespace

std::string FormatSettings(const tSettingsState& state) {
  std::string out;
  AppendEntry(out, "SearchMethod", state.broadcast ? "Broadcast" : "IpRelay");
  AppendEntry(out, "IpRelay", state.relayFirstEntrySelected ? "<Customized>" : Word(state.relayText));
  AppendEntry(out, "IpRelay", Word(state.relayText));
  AppendEntry(out, "Protocol", Word(state.protocolText));
  AppendEntry(out, "ProjectType", Word(state.projectText));
  AppendEntry(out, "UPnPSearch", state.upnpSearch ? "Available" : "Disable");
  const bool knownColumn = state.sortColumn >= 0 && state.sortColumn < int(kSortKeywords.size());
  AppendEntry(out, "CustomSort", knownColumn ? kSortKeywords[state.sortColumn] : "MODEL");
  AppendEntry(out, "ID", state.rememberMe ? Word(state.rememberID) : "NULL");
  AppendEntry(out, "PW", state.rememberMe && !state.rememberPW.empty()
                             ? Base64Encode(state.rememberPW) : "NULL");
  AppendEntry(out, "RememberMe", state.rememberMe ? "Available" : "Disable");
  AppendEntry(out, "MultiLan", std::to_string(state.language));
  return out;
}

tSettingsReadEffects ReadSettingsText(std::string_view text, tSettingsState& state,
                                      std::string_view customizedText) {
  tSettingsReadEffects effects;
  const std::vector<std::string_view> words = SplitWords(text);
  std::size_t i = 0;
  // A key with no word after it at the end of the file has nothing to read and is dropped.
  const auto nextValue = [&](std::string_view& value) {
    if (i >= words.size()) return false;
    value = words[i++];
    return true;
  };
  while (i < words.size()) {
    const std::string_view key = words[i++];
    std::string_view value;
    if (key == "SearchMethod") {
      if (!nextValue(value)) break;
      state.broadcast = value == "Broadcast";
      effects.searchMethodRead = true;
    } else if (key == "IpRelay") {
      if (!nextValue(value)) break;
      state.relayFirstEntrySelected = false;
      state.relayText = value == "Protocol" ? std::string(customizedText) : std::string(value);
    } else if (key == "Protocol") {
      if (!nextValue(value)) break;
      state.protocolText = "TCP";
    } else if (key == "ProjectType") {
      if (!nextValue(value)) break;
      state.projectText = "ALL";
    } else if (key == "UPnPSearch") {
      if (!nextValue(value)) break;
      state.upnpSearch = false;
    } else if (key == "CustomSort") {
      if (!nextValue(value)) break;
      for (std::size_t column = 0; column < kSortKeywords.size(); ++column)
        if (value == kSortKeywords[column]) state.sortColumn = int(column);
    } else if (key == "ID") {
      if (!nextValue(value)) break;
      state.rememberID = value == "NULL" ? std::string() : std::string(value);
    } else if (key == "PW") {
      if (!nextValue(value)) break;
      state.rememberPW = value == "NULL" ? std::string() : DecodePassword(value);
    } else if (key == "RememberMe") {
      if (!nextValue(value)) break;
      state.rememberMe = value == "Available";
    } else if (key == "MultiLan") {
      long long number = 0;
      // A word that is no number is not consumed: it is read as the next key.
      if (i >= words.size() || !ParseNumber(words[i], number)) continue;
      ++i;
      DiagLog::Printf("MultiLan[%d]\n", ClampToInt(number));
      // Negative counts as English; so does any index the language box does not have,
      // which the language switch would treat as English anyway.
      state.language = number > 0 && number < kLanguageEntries ? int(number) : 0;
      effects.languageRead = true;
    }
  }
  return effects;
}

std::string SettingsFolderFrom(const char* appdata, const char* xdgConfigHome, const char* home) {
  std::string base;
  if (appdata && *appdata) {
    base = appdata;
  } else if (xdgConfigHome && xdgConfigHome[0] == '/') {
    base = xdgConfigHome;
  } else if (home && *home) {
    base = WithSlash(home) + ".config";
  } else {
    return {};
  }
  return WithSlash(base) + "Scanvale/";
}

std::string SettingsFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = ::getpwuid(::getuid());
    home = user ? user->pw_dir : nullptr;
  }
  return SettingsFolderFrom(std::getenv("APPDATA"), std::getenv("XDG_CONFIG_HOME"), home);
}

int ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string temp = path + ".XXXXXX";
  // mkstemp creates the file with mode 0600 whatever the umask says.
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return -1;
  }
  SyncFolder(folder);
  return 0;
}

tInitCfgResult CSettingsFile::InitCfg(const std::string& fileName, tSettingsState& state,
                                      std::string_view customizedText) {
  return InitCfgIn(SettingsFolder(), fileName, state, customizedText);
}

tInitCfgResult CSettingsFile::InitCfgIn(const std::string& folder, const std::string& fileName,
                                        tSettingsState& state, std::string_view customizedText) {
  tInitCfgResult result;
  const std::string folderPath = WithSlash(folder);
  state.language = 0;
  m_SettingPath = folderPath.empty() ? std::string() : folderPath + fileName;

  std::string contents;
  ReadOutcome outcome = ReadOutcome::kFailed;
  if (!folderPath.empty()) {
    if (!IsDirectory(folderPath) && MakeFolders(folderPath) != 0)
      DiagLog::Printf("InitCfg: cannot create %s (%s)\n", folderPath.c_str(), std::strerror(errno));
    outcome = ReadSmallFile(m_SettingPath, contents);
  }

  if (outcome == ReadOutcome::kRead) {
    result.effects = ReadSettingsText(contents, state, customizedText);
  } else if (outcome == ReadOutcome::kMissing) {
    // A folder without a file is a first run as much as no folder at all.
    result.firstRun = true;
    state.relayFirstEntrySelected = false;
    state.relayText = "192.168.0.0";
    state.rememberMe = false;
    SetCfg(state);
  } else {
    // Unreadable: start from the window's values and leave the file to the next close.
    DiagLog::Printf("InitCfg: cannot read %s\n", m_SettingPath.c_str());
  }

  state.projectText = "ALL";
  state.relayFirstEntrySelected = true;
  state.relayText = std::string(customizedText);
  state.protocolText = "TCP";
  return result;
}

int CSettingsFile::SetCfg(const tSettingsState& state) const {
  if (m_SettingPath.empty()) return -1;
  if (ReplaceFileAtomically(m_SettingPath, FormatSettings(state)) != 0) {
    DiagLog::Printf("SetCfg: cannot write %s (%s)\n", m_SettingPath.c_str(), std::strerror(errno));
    return -1;
  }
  return 0;
}

}  // namespace scanvale
