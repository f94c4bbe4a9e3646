#pragma once
// What a worker asks a device before it uploads.
//
// Check mode: getplatform.cgi tells the platform. An A5S device (answer "A5S55", "A5S66" or
// "A5S88") is asked param.cgi for its build date and PTZ value: 1 for firmware built on
// 2011-09-30 or earlier (it takes the UI path), 0x10 for firmware of June 2012 or later with
// PTZ "P/T/Z" (it may take module.bin, switch.bin and main.bin), 0 otherwise. A device
// that answers "Unkown type" gives 1; any other answer 0.
//
// Before-upgrade mode announces the upload on the chosen path (beforeupgrade.cgi or
// begintoupgrade.cgi): 1 when the device answered "OK", else 0.
//
// Both first move the progress bar by 10 and show "Verifying...". The result is also in
// the record's m_LinkResult.

#include <cstdint>
#include <string_view>

#include "maintenance/upgrade_types.h"

namespace scanvale {

std::int32_t CheckDevice(THttpConnect& record, std::string_view ip, std::string_view port,
                         std::string_view user, std::string_view password, CheckMode mode,
                         UpgradePath path = UpgradePath::kApi);

}  // namespace scanvale
