#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "protocol/diag_log.h"
#include "settings/remembered_credentials.h"
#include "settings/settings_file.h"

namespace scanvale {

void PrintTo(const tSettingsState& s, std::ostream* out) {
  *out << "{broadcast " << s.broadcast << ", relay " << s.relayFirstEntrySelected << " '"
       << s.relayText << "', protocol '" << s.protocolText << "', project '" << s.projectText
       << "', upnp " << s.upnpSearch << ", sort " << s.sortColumn << ", remember "
       << s.rememberMe << " '" << s.rememberID << "' '" << s.rememberPW << "', language "
       << s.language << "}";
}

namespace {

namespace fs = std::filesystem;

const char kFirstRunFile[] =
    "SearchMethod Broadcast\n"
    "IpRelay 192.168.0.0\n"
    "IpRelay 192.168.0.0\n"
    "Protocol TCP\n"
    "ProjectType ALL\n"
    "UPnPSearch Disable\n"
    "CustomSort MODEL\n"
    "ID NULL\n"
    "PW NULL\n"
    "RememberMe Disable\n"
    "MultiLan 0\n";

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "scanvale-settings-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

unsigned Mode(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// What every start ends with, whatever the file says.
tSettingsState AfterStart(tSettingsState state, const std::string& customized = "<Customized>") {
  state.relayFirstEntrySelected = true;
  state.relayText = customized;
  state.protocolText = "TCP";
  state.projectText = "ALL";
  return state;
}

TEST(SettingsFile, FirstRunWritesTheDefaultFileForItsOwnerOnly) {
  for (const bool folderExists : {false, true}) {
    SCOPED_TRACE(folderExists ? "folder without a file" : "no folder");
    TempFolder appdata;
    const fs::path folder = appdata.path() / "Scanvale";
    if (folderExists) fs::create_directory(folder);

    tSettingsState state;  // as the window starts
    state.rememberMe = true;
    state.language = 2;
    CSettingsFile file;
    const tInitCfgResult result = file.InitCfgIn(folder.string(), "setting.xml", state);

    EXPECT_TRUE(result.firstRun);
    EXPECT_FALSE(result.effects.languageRead);
    EXPECT_EQ(file.SettingPath(), (folder / "setting.xml").string());
    EXPECT_EQ(ReadFile(folder / "setting.xml"), kFirstRunFile);
    EXPECT_EQ(Mode(folder / "setting.xml"), 0600u);
    if (!folderExists) {
      EXPECT_EQ(Mode(folder), 0700u);
    }
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"setting.xml"});
    EXPECT_EQ(state, AfterStart(tSettingsState{}));
  }
}

TEST(SettingsFile, InitCfgFindsTheFolderThroughTheEnvironment) {
  TempFolder appdata;
  const char* old = std::getenv("APPDATA");
  const std::string saved = old ? old : "";
  ::setenv("APPDATA", appdata.path().c_str(), 1);
  tSettingsState state;
  CSettingsFile file;
  file.InitCfg("setting.xml", state);
  if (old) ::setenv("APPDATA", saved.c_str(), 1); else ::unsetenv("APPDATA");
  EXPECT_EQ(file.SettingPath(), (appdata.path() / "Scanvale" / "setting.xml").string());
  EXPECT_EQ(ReadFile(appdata.path() / "Scanvale" / "setting.xml"), kFirstRunFile);
}

TEST(SettingsFile, FolderLocationTable) {
  const struct {
    const char* appdata;
    const char* xdg;
    const char* home;
    std::string folder;
  } cases[] = {
      {"/data/app", "/xdg", "/home/u", "/data/app/Scanvale/"},
      {"/data/app/", nullptr, nullptr, "/data/app/Scanvale/"},
      {"", "/xdg", "/home/u", "/xdg/Scanvale/"},
      {nullptr, "/xdg", "/home/u", "/xdg/Scanvale/"},
      {nullptr, "relative/xdg", "/home/u", "/home/u/.config/Scanvale/"},
      {nullptr, "", "/home/u/", "/home/u/.config/Scanvale/"},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SettingsFolderFrom(c.appdata, c.xdg, c.home), c.folder)
        << (c.appdata ? c.appdata : "(unset)") << " / " << (c.xdg ? c.xdg : "(unset)");
}

TEST(SettingsFile, RoundTripKeepsWhatSurvivesARestart) {
  TempFolder appdata;
  const std::string folder = (appdata.path() / "Scanvale").string();
  CSettingsFile file;
  tSettingsState start;
  file.InitCfgIn(folder, "setting.xml", start);

  tSettingsState saved;
  saved.broadcast = false;
  saved.relayFirstEntrySelected = false;
  saved.relayText = "198.18.7.1";
  saved.protocolText = "UDP";
  saved.projectText = "DVR";
  saved.upnpSearch = true;
  saved.sortColumn = 3;
  saved.rememberMe = true;
  saved.rememberID = "operator";
  saved.rememberPW = "pa ss:w\xc3\xb6rd";  // blanks and UTF-8 survive through Base64
  saved.language = 2;
  ASSERT_EQ(file.SetCfg(saved), 0);
  EXPECT_EQ(ReadFile(fs::path(folder) / "setting.xml"),
            "SearchMethod IpRelay\nIpRelay 198.18.7.1\nIpRelay 198.18.7.1\nProtocol UDP\n"
            "ProjectType DVR\nUPnPSearch Available\nCustomSort IP\nID operator\n"
            "PW cGEgc3M6d8O2cmQ=\nRememberMe Available\nMultiLan 2\n");

  tSettingsState loaded;
  const tInitCfgResult result = CSettingsFile().InitCfgIn(folder, "setting.xml", loaded);
  EXPECT_FALSE(result.firstRun);
  EXPECT_TRUE(result.effects.languageRead);
  tSettingsState expected = AfterStart(saved);
  expected.upnpSearch = false;
  EXPECT_EQ(loaded, expected);
}

TEST(SettingsFile, EverySortColumnSurvives) {
  for (int column = 0; column < 8; ++column) {
    tSettingsState saved;
    saved.sortColumn = column;
    tSettingsState loaded;
    ReadSettingsText(FormatSettings(saved), loaded);
    EXPECT_EQ(loaded.sortColumn, column);
  }
}

TEST(SettingsFile, WriterKeepsKeysAndValuesPaired) {
  // A value that is not one word would leave a line with the key alone, and the reader would
  // then take the next key as its value: an empty ID used to swallow the "PW" entry.
  const struct {
    const char* what;
    std::function<void(tSettingsState&)> change;
    const char* line;
  } cases[] = {
      {"empty ID", [](tSettingsState& s) { s.rememberID = ""; }, "ID NULL\n"},
      {"ID with a blank", [](tSettingsState& s) { s.rememberID = "a b"; }, "ID NULL\n"},
      {"empty password", [](tSettingsState& s) { s.rememberPW = ""; }, "PW NULL\n"},
      {"empty relay address", [](tSettingsState& s) { s.relayText = ""; }, "IpRelay NULL\n"},
      {"project with a blank", [](tSettingsState& s) { s.projectText = "IP Cam"; },
       "ProjectType NULL\n"},
      {"remember off hides the ID", [](tSettingsState& s) { s.rememberMe = false; }, "ID NULL\n"},
  };
  for (const auto& c : cases) {
    tSettingsState saved;
    saved.rememberMe = true;
    saved.rememberID = "operator";
    saved.rememberPW = "secret";
    saved.language = 1;
    c.change(saved);
    const std::string text = FormatSettings(saved);
    EXPECT_NE(text.find(c.line), std::string::npos) << c.what << "\n" << text;

    tSettingsState loaded;
    ReadSettingsText(text, loaded);
    EXPECT_EQ(loaded.rememberMe, saved.rememberMe) << c.what;
    EXPECT_EQ(loaded.rememberPW, saved.rememberMe ? saved.rememberPW : "") << c.what;
    EXPECT_EQ(loaded.language, 1) << c.what;
  }
}

TEST(SettingsFile, ReaderCases) {
  const struct {
    const char* what;
    const char* text;
    std::function<void(tSettingsState&)> expect;  // applied to the state before reading
    bool languageRead;
  } cases[] = {
      {"PW NULL is an empty password, not the decoding of NULL", "PW NULL\n",
       [](tSettingsState& s) { s.rememberPW = ""; }, false},
      {"PW is Base64", "PW c2VjcmV0\n", [](tSettingsState& s) { s.rememberPW = "secret"; }, false},
      {"ID NULL is an empty ID", "ID NULL\n", [](tSettingsState& s) { s.rememberID = ""; }, false},
      {"CustomSort IP", "CustomSort IP\n", [](tSettingsState& s) { s.sortColumn = 3; }, false},
      {"an unknown sort word leaves the column", "CustomSort ip\n", [](tSettingsState&) {}, false},
      {"MultiLan -3 counts as English", "MultiLan -3\n", [](tSettingsState& s) { s.language = 0; },
       true},
      {"MultiLan 2 is French", "MultiLan 2\n", [](tSettingsState& s) { s.language = 2; }, true},
      {"a language the box does not have is English", "MultiLan 7\n",
       [](tSettingsState& s) { s.language = 0; }, true},
      {"a MultiLan word that is no number is read as the next key", "MultiLan ID bob\n",
       [](tSettingsState& s) { s.rememberID = "bob"; }, false},
      {"a relay address written empty", "IpRelay\nProtocol TCP\nRememberMe Available\n",
       [](tSettingsState& s) {
         s.relayText = "<Perso>";
         s.relayFirstEntrySelected = false;
         s.rememberMe = true;
       },
       false},
      {"any other search method is IP Relay", "SearchMethod Relay\n",
       [](tSettingsState& s) { s.broadcast = false; }, false},
      {"keys are case-sensitive", "searchmethod Relay\nrememberme Available\n",
       [](tSettingsState&) {}, false},
      {"unknown words are skipped one at a time", "Junk Words SearchMethod IpRelay\n",
       [](tSettingsState& s) { s.broadcast = false; }, false},
      {"the last of a repeated key wins", "RememberMe Available\nID a\nRememberMe Disable\nID b\n",
       [](tSettingsState& s) {
         s.rememberMe = false;
         s.rememberID = "b";
       },
       false},
      {"stored values of unused entries are not taken",
       "Protocol UDP\nProjectType DVR\nUPnPSearch Available\n", [](tSettingsState&) {}, false},
      {"CR LF line breaks and tabs", "SearchMethod\tIpRelay\r\nCustomSort\tMAC\r\n",
       [](tSettingsState& s) {
         s.broadcast = false;
         s.sortColumn = 6;
       },
       false},
      {"a key without a value at the end", "CustomSort PORT\nID", [](tSettingsState& s) {
         s.sortColumn = 4;
       }, false},
      {"empty file", "", [](tSettingsState&) {}, false},
  };
  for (const auto& c : cases) {
    tSettingsState before;
    before.sortColumn = 5;
    before.rememberID = "kept";
    before.rememberPW = "kept";
    before.language = 1;
    before.upnpSearch = true;
    tSettingsState expected = before;
    expected.upnpSearch = std::string(c.text).find("UPnPSearch") == std::string::npos;
    c.expect(expected);
    tSettingsState state = before;
    const tSettingsReadEffects effects = ReadSettingsText(c.text, state, "<Perso>");
    EXPECT_EQ(state, expected) << c.what;
    EXPECT_EQ(effects.languageRead, c.languageRead) << c.what;
  }
}

TEST(SettingsFile, MultiLanLogsTheNumberBeforeItIsTakenAsEnglish) {
  DiagLog::ClearRecent();
  tSettingsState state;
  ReadSettingsText("MultiLan -3\n", state);
  const std::vector<std::string> lines = DiagLog::Recent();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "MultiLan[-3]\n"), lines.end());
}

TEST(SettingsFile, StartValuesOverrideTheFile) {
  TempFolder appdata;
  const fs::path folder = appdata.path() / "Scanvale";
  fs::create_directory(folder);
  WriteFile(folder / "setting.xml",
            "SearchMethod IpRelay\nIpRelay 10.1.1.1\nProtocol UDP\nProjectType DVR\n"
            "UPnPSearch Available\nCustomSort NAME\nMultiLan 1\n");
  tSettingsState state;
  state.upnpSearch = true;
  const tInitCfgResult result =
      CSettingsFile().InitCfgIn(folder.string(), "setting.xml", state, "<Perso>");
  EXPECT_FALSE(result.firstRun);
  EXPECT_TRUE(result.effects.searchMethodRead);
  EXPECT_FALSE(state.broadcast);
  EXPECT_TRUE(state.relayFirstEntrySelected);
  EXPECT_EQ(state.relayText, "<Perso>");
  EXPECT_EQ(state.protocolText, "TCP");
  EXPECT_EQ(state.projectText, "ALL");
  EXPECT_FALSE(state.upnpSearch);
  EXPECT_EQ(state.sortColumn, 2);
  EXPECT_EQ(state.language, 1);
}

TEST(SettingsFile, ReplacingTightensTheModeOfAnOldFile) {
  TempFolder appdata;
  const fs::path path = appdata.path() / "setting.xml";
  WriteFile(path, "old");
  ::chmod(path.c_str(), 0644);
  const mode_t oldMask = ::umask(0);
  EXPECT_EQ(ReplaceFileAtomically(path.string(), "new"), 0);
  ::umask(oldMask);
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(Mode(path), 0600u);
}

// Lowers the file-size limit so that every write beyond `bytes` fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
  TempFolder appdata;
  const std::string folder = (appdata.path() / "Scanvale").string();
  CSettingsFile file;
  tSettingsState state;
  file.InitCfgIn(folder, "setting.xml", state);
  const std::string before = ReadFile(file.SettingPath());

  tSettingsState changed;
  changed.rememberMe = true;
  changed.rememberID = "operator";
  changed.rememberPW = "secret";
  {
    FileSizeLimit diskFull(16);
    EXPECT_EQ(file.SetCfg(changed), -1);
  }
  EXPECT_EQ(ReadFile(file.SettingPath()), before);
  EXPECT_EQ(Entries(folder), std::vector<std::string>{"setting.xml"});

  if (::geteuid() != 0) {  // the owner of everything writes into read-only folders too
    ::chmod(folder.c_str(), 0500);
    EXPECT_EQ(file.SetCfg(changed), -1);
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(ReadFile(file.SettingPath()), before);
  }

  EXPECT_EQ(file.SetCfg(changed), 0);
  EXPECT_NE(ReadFile(file.SettingPath()).find("ID operator\n"), std::string::npos);
}

TEST(SignInRules, PrefillAndAnswer) {
  tSettingsState state;
  state.rememberID = "operator";
  state.rememberPW = "secret";
  EXPECT_EQ(SignInPrefill(state), (tSignInFields{"admin", "8629", false}));
  state.rememberMe = true;
  EXPECT_EQ(SignInPrefill(state), (tSignInFields{"operator", "secret", true}));

  // A cancelled window still hands over its remember box, but never its texts.
  tSettingsState off;
  TakeSignInAnswer({false, {"x", "y", true}}, off);
  EXPECT_TRUE(off.rememberMe);
  EXPECT_EQ(off.rememberID, "");
  TakeSignInAnswer({true, {"root", "", false}}, off);
  EXPECT_FALSE(off.rememberMe);
  EXPECT_EQ(off.rememberID, "root");
  EXPECT_EQ(off.rememberPW, "");
}

}  // namespace
}  // namespace scanvale
