#include "maintenance/upgrade_progress_step.h"

#include <string>

#include "language/language.h"
#include "maintenance/http_request.h"
#include "maintenance/locker.h"

namespace scanvale {

int ProgressStep(const THttpConnect& record, int step) {
  if (record.m_Multi && record.m_DeviceCount > 0) return step / record.m_DeviceCount;
  return step;
}

void AdvanceWithStatus(const THttpConnect& record, int step, Msg status) {
  UploadProgress* progress = record.m_Progress;
  if (!progress) return;
  const std::string text = Messages().Text(status);
  CLocker::Scope lock(CLocker::Shared());
  progress->AdvanceBy(ProgressStep(record, step));
  progress->SetStatusText(text);
}

tUploadProgress UploadProgressOf(const THttpConnect& record) {
  tUploadProgress out;
  out.multi = record.m_Multi;
  out.deviceCount = record.m_DeviceCount;
  if (UploadProgress* progress = record.m_Progress)
    out.advance = [progress](int step) { progress->AdvanceBy(step); };
  return out;
}

void SetCredentials(THttpConnect& record, std::string_view user, std::string_view password) {
  record.m_User = std::string(user);
  record.m_Password = std::string(password);
  record.m_IdPw = record.m_User + ":" + record.m_Password;
  record.m_Auth = MakeBasicAuth(record.m_User, record.m_Password);
}

}  // namespace scanvale
