#pragma once
// The records of a firmware upgrade or configuration upload: the connection record each
// worker uses for its exchanges, the devices of a run, and the modes and paths it can take.

#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/link_context.h"
#include "maintenance/upload_progress.h"

namespace scanvale {

// Upgrade mode sends firmware; configuration mode sends a "config_file*".
enum class UpgradeMode { kFirmware, kConfig };

// API: one POST to an administration CGI. UI: the web page's flow (announce, upload, trigger).
enum class UpgradePath { kApi, kUi };

// Check: which platform and firmware the device has. Before-upgrade: announce the upload.
enum class CheckMode { kCheck, kBeforeUpgrade };

// Check results: bit 1 (kLinkOk) sends the file by the UI path; the PTZ bit (0x10) marks
// firmware new enough for module.bin, switch.bin and main.bin.
inline constexpr std::int32_t kCheckUiPathBit = 0x1;
inline constexpr std::int32_t kCheckPtzBit = 0x10;

inline constexpr std::string_view kMultipartBoundary = "---------------------------7db2a13320374";

// The link context of an upload worker's exchanges.
struct THttpConnect : tLinkContext {
  std::string m_User;
  std::string m_Password;
  bool m_Multi = false;         // several devices are upgraded in this run
  int m_DeviceCount = 1;        // devices of the run; divides every progress step when m_Multi
  UploadProgress* m_Progress = nullptr;  // the progress window; may be null
  std::string m_IdPw;           // m_User + ":" + m_Password
  std::string m_Auth;           // the Basic credentials of m_IdPw
};

// A device of a multi-device run, taken from the device table.
struct tMultiSelectInfo {
  std::string ip;
  std::string port;
  std::int32_t flag = 1;
};

}  // namespace scanvale
