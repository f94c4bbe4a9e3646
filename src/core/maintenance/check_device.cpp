#include "maintenance/check_device.h"

#include <string>

#include "maintenance/http_exchange.h"
#include "maintenance/reply_classifier.h"
#include "maintenance/upgrade_progress_step.h"
#include "maintenance/upgrade_requests.h"

namespace scanvale {

namespace {

std::int32_t Exchange(THttpConnect& record, std::string_view ip, std::string_view port,
                      std::string_view kind, const std::string& request) {
  record.m_Command = std::string(kind);
  return CreateUploadLink(record, ip, port, request, nullptr);
}

std::int32_t CheckPlatform(THttpConnect& record, std::string_view ip, std::string_view port) {
  const std::int32_t platform =
      Exchange(record, ip, port, kKindCheckA5S, MakePlatformCheckRequest(ip, record.m_Auth));
  if (platform == kLinkOk)
    return Exchange(record, ip, port, kKindFirmwareCheck,
                    MakeBuildDateRequest(ip, record.m_Auth));
  record.m_LinkResult = platform == kLinkUnknownType ? kLinkOk : kLinkFailed;
  return record.m_LinkResult;
}

}  // namespace

std::int32_t CheckDevice(THttpConnect& record, std::string_view ip, std::string_view port,
                         std::string_view user, std::string_view password, CheckMode mode,
                         UpgradePath path) {
  SetCredentials(record, user, password);
  AdvanceWithStatus(record, 10, Msg::Verifying);
  if (mode == CheckMode::kCheck) return CheckPlatform(record, ip, port);
  return Exchange(record, ip, port, kKindBeforeUpgrade,
                  MakeBeforeUpgradeRequest(path, ip, record.m_Auth));
}

}  // namespace scanvale
