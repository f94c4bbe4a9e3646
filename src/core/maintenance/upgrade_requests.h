#pragma once
// The request texts of an upgrade: the device checks, the announcement before the upload,
// the uploads themselves with their multipart framing, and the trigger of the UI path.
// `auth` is MakeBasicAuth's result; every request ends with its empty line.

#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/upgrade_types.h"

namespace scanvale {

// getplatform.cgi and param.cgi (group Properties), with absolute request targets.
std::string MakePlatformCheckRequest(std::string_view ip, std::string_view auth);
std::string MakeBuildDateRequest(std::string_view ip, std::string_view auth);

// beforeupgrade.cgi (API path) or begintoupgrade.cgi (UI path).
std::string MakeBeforeUpgradeRequest(UpgradePath path, std::string_view ip,
                                     std::string_view auth);

// The version query a configuration upload sends first (header set A).
std::string MakeConfigVersionRequest(std::string_view ip, std::string_view auth);

// Where a configuration file goes: restore_config.cgi when the version query was answered
// "503 Service Unavailable", else admin/restore.cgi. The name stands in the query unescaped.
std::string ConfigRestoreTarget(std::string_view versionReply, std::string_view fileName);
std::string FirmwareUpgradeTarget(std::string_view fileName);

// The POST head of the API path (to `target`) and of the UI path (upload.cgi), announcing
// `bodyLength` bytes of multipart body.
std::string MakeApiPostRequest(std::string_view target, std::string_view ip,
                               std::string_view auth, std::uint64_t bodyLength);
std::string MakeUiUploadRequest(std::string_view ip, std::string_view auth,
                                std::uint64_t bodyLength);
// doupgrade.cgi: the UI path's trigger after the upload, no body.
std::string MakeDoUpgradeRequest(std::string_view ip, std::string_view auth);

// The multipart framing around the file: part name "dummy" (API) or "filename" (UI).
std::string MultipartHead(UpgradePath path, std::string_view fileName);
std::string MultipartTail();
// The head and tail together: 193 + name length (API) or 196 + name length (UI).
std::uint64_t MultipartOverhead(UpgradePath path, std::string_view fileName);

// A name that can go into a request line and a header as it stands: not empty, and no
// control character (a CR or LF in it would end the line and smuggle in headers of its own).
bool IsSendableFileName(std::string_view fileName);

}  // namespace scanvale
