#pragma once
// The per-user settings file "setting.xml": plain text despite its name, one entry per line,
// a key word, a blank and a value word. The main window fills a tSettingsState from its
// controls before writing and applies the state to its controls after reading.

#include <string>
#include <string_view>

namespace scanvale {

// What the file keeps, in the terms of the main window's controls and members.
struct tSettingsState {
  bool broadcast = true;                 // "Local Broadcast" (RadioButton1), else "IP Relay"
  bool relayFirstEntrySelected = false;  // ComboBox1 has its list entry 0 selected
  std::string relayText;                 // ComboBox1's text
  std::string protocolText = "TCP";      // ComboBox2's text
  std::string projectText = "ALL";       // Proj's text
  bool upnpSearch = false;               // CheckBox1
  int sortColumn = 0;                    // m_SortColumn, 0 to 7
  bool rememberMe = false;               // m_RememberMe
  std::string rememberID;                // m_RememberID
  std::string rememberPW;                // m_RememberPW, plain in memory, Base64 in the file
  int language = 0;                      // ComboBox4's index: 0 English, 1 Chinese, 2 French

  friend bool operator==(const tSettingsState&, const tSettingsState&) = default;
};

// The eleven entries in their order, each line ended by "\n". A value that is not one word
// (empty, or holding white space) is written as "NULL", because the reader pairs keys and
// values by counting words and one missing word would shift every later entry.
std::string FormatSettings(const tSettingsState& state);

// What reading did besides changing the state.
struct tSettingsReadEffects {
  bool languageRead = false;      // a "MultiLan" entry chose state.language: run LanChange
  bool searchMethodRead = false;  // a "SearchMethod" entry checked one of the radio buttons
};

// Reads entries from `text` into `state` with the file's rules: keys compared exactly,
// unknown words skipped one at a time, the last of a repeated key wins. `customizedText` is
// the current language's "<Customized>" text, which replaces a relay address read as
// "Protocol" (the mark of a relay address written empty).
tSettingsReadEffects ReadSettingsText(std::string_view text, tSettingsState& state,
                                      std::string_view customizedText = "<Customized>");

// The settings folder with its trailing "/": APPDATA when set, else XDG_CONFIG_HOME (when it
// is an absolute path), else HOME + "/.config", each followed by "/Scanvale/". Empty when
// none of them is usable.
std::string SettingsFolderFrom(const char* appdata, const char* xdgConfigHome, const char* home);
std::string SettingsFolder();  // from the process environment

// Replaces `path` with `contents` so that the old file stays whole until the new one is
// complete on disk: a temporary file in the same folder, written, synced, then renamed over
// it. The new file is readable and writable by its owner only. Returns 0 or -1.
int ReplaceFileAtomically(const std::string& path, std::string_view contents);

struct tInitCfgResult {
  bool firstRun = false;          // no file was found; the first-run file was written
  tSettingsReadEffects effects;   // what the file chose, when one was read
};

// Owns m_SettingPath for the run. InitCfg runs once at start; SetCfg on every close request.
class CSettingsFile {
 public:
  // Builds m_SettingPath from SettingsFolder() and `fileName`. When the folder or the file is
  // missing, creates them (first run) from `state` as the window starts with; else reads the
  // file into `state`. Either way ends with the start values that no file overrides.
  tInitCfgResult InitCfg(const std::string& fileName, tSettingsState& state,
                         std::string_view customizedText = "<Customized>");
  // The same below an explicit folder (with or without a trailing "/").
  tInitCfgResult InitCfgIn(const std::string& folder, const std::string& fileName,
                           tSettingsState& state,
                           std::string_view customizedText = "<Customized>");

  // Writes the eleven entries to m_SettingPath, replacing the old file atomically. The state
  // is not changed. Returns 0 or -1 (callers may ignore it; a failure is logged).
  int SetCfg(const tSettingsState& state) const;

  const std::string& SettingPath() const { return m_SettingPath; }

 private:
  std::string m_SettingPath;
};

}  // namespace scanvale
