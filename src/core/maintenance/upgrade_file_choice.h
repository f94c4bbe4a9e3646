#pragma once
// Which files the upgrade dialog offers, and which it takes in configuration mode.

#include <string>
#include <string_view>
#include <vector>

#include "maintenance/upgrade_types.h"

namespace scanvale {

// The file dialog's one filter entry: its title and its name patterns.
struct tUpgradeFileFilter {
  std::string title;                  // "Upgrade Files" or "Config Files"
  std::vector<std::string> patterns;  // e.g. "uImage", "mcu*.bin"; a pattern may hold blanks
};
tUpgradeFileFilter UpgradeFileFilter(UpgradeMode mode);

// Configuration mode takes only a name that contains "config_file".
bool IsConfigFileName(std::string_view fileName);

}  // namespace scanvale
