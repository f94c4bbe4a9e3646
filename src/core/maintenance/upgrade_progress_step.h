#pragma once
// How an upload worker moves the shared progress window: every step is divided by the number
// of devices first when several are upgraded (whole numbers, so with more than ten devices a
// step of 10 adds nothing), and every update happens inside CLocker.

#include <string_view>

#include "language/messages.h"
#include "maintenance/http_exchange.h"
#include "maintenance/upgrade_types.h"

namespace scanvale {

// `step`, or step / m_DeviceCount when the record belongs to a multi-device run.
int ProgressStep(const THttpConnect& record, int step);

// Inside CLocker: advances the bar by ProgressStep(record, step) and sets the status line
// to the current language's `status`. Nothing happens without a progress window.
void AdvanceWithStatus(const THttpConnect& record, int step, Msg status);

// What CreateUploadLink needs to move the bar while a POST body goes out.
tUploadProgress UploadProgressOf(const THttpConnect& record);

// m_User, m_Password, m_IdPw and the Basic credentials m_Auth.
void SetCredentials(THttpConnect& record, std::string_view user, std::string_view password);

}  // namespace scanvale
