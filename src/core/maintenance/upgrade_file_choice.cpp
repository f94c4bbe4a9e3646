#include "maintenance/upgrade_file_choice.h"

namespace scanvale {

tUpgradeFileFilter UpgradeFileFilter(UpgradeMode mode) {
  if (mode == UpgradeMode::kConfig) return {"Config Files", {"config_file*"}};
  return {"Upgrade Files",
          {"uImage", "cameraFw", "userland.jffs2", "var*", "System Firmware", "Camera Firmware",
           "Application Firmware", "Camera Details", "uImage_userland*", "Complete Update",
           "userland.img", "mcu*.bin", "switch*.bin", "module*.bin", "main*.bin", "module*.img",
           "*.*.*.*", "ptz*.bin", "V*_FW_*", "module_firmware*.bin", "module_param*.bin"}};
}

bool IsConfigFileName(std::string_view fileName) {
  return fileName.find("config_file") != std::string_view::npos;
}

}  // namespace scanvale
