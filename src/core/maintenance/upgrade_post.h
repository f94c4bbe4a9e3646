#pragma once
// Post: sends a file to a device as multipart/form-data, by the API path (one POST to
// firmwareupgrade.cgi, or for a "config_file*" to restore.cgi / restore_config.cgi after a
// version query) or by the UI path (upload.cgi, then doupgrade.cgi when the upload was taken).
//
// The file is streamed from disk in pieces while it is sent; it is never held in memory, so
// many parallel uploads of a big file cost a few KiB each. A file that cannot be opened, or
// that cannot be read to its end, fails the upload (result 0); so does a name that cannot
// stand in a request line (empty, or with control characters).
//
// First moves the progress bar by 10 and shows "Uploading...". Returns the record's
// m_LinkResult: non-zero when the device took the file.

#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/upgrade_types.h"

namespace scanvale {

std::int32_t Post(THttpConnect& record, std::string_view ip, std::string_view port,
                  const std::string& filePath, std::string_view fileName, UpgradePath path);

}  // namespace scanvale
