#include "maintenance/upgrade_post.h"

#include "maintenance/body_source.h"
#include "maintenance/http_exchange.h"
#include "maintenance/reply_classifier.h"
#include "maintenance/upgrade_progress_step.h"
#include "maintenance/upgrade_requests.h"
#include "support/debug_output.h"

namespace scanvale {

namespace {

std::int32_t Fail(THttpConnect& record) {
  record.m_Reply.clear();
  record.m_LinkResult = kLinkFailed;
  return kLinkFailed;
}

// The multipart body: the framing kept in memory, the file read as it is sent.
int FrameBody(SegmentedBody& body, UpgradePath path, const std::string& filePath,
              std::string_view fileName) {
  body.AddBytes(MultipartHead(path, fileName));
  if (body.AddFile(filePath) != 0) return -1;
  body.AddBytes(MultipartTail());
  return 0;
}

std::string ApiTarget(THttpConnect& record, std::string_view ip, std::string_view port,
                      std::string_view fileName) {
  if (fileName.find("config_file") == std::string_view::npos)
    return FirmwareUpgradeTarget(fileName);
  // Older firmware has no admin restore CGI: its answer to the version query tells.
  // The query's own result is not used, so no reply rule of a command kind applies.
  record.m_Command.clear();
  CreateUploadLink(record, ip, port, MakeConfigVersionRequest(ip, record.m_Auth), nullptr);
  DebugOutput("Reply:%s, In Post\r\n", record.m_Reply.c_str());
  return ConfigRestoreTarget(record.m_Reply, fileName);
}

}  // namespace

std::int32_t Post(THttpConnect& record, std::string_view ip, std::string_view port,
                  const std::string& filePath, std::string_view fileName, UpgradePath path) {
  AdvanceWithStatus(record, 10, Msg::Uploading);
  SetCredentials(record, record.m_User, record.m_Password);
  DebugOutput("ID_PW = %s", record.m_IdPw.c_str());
  DebugOutput("sAuth = %s", record.m_Auth.c_str());

  if (!IsSendableFileName(fileName)) {
    DebugOutput("file name cannot be sent: \"%.*s\"", static_cast<int>(fileName.size()),
                fileName.data());
    return Fail(record);
  }
  SegmentedBody body;
  if (FrameBody(body, path, filePath, fileName) != 0) {
    DebugOutput("cannot open %s", filePath.c_str());
    return Fail(record);
  }

  if (path == UpgradePath::kApi) {
    const std::string target = ApiTarget(record, ip, port, fileName);
    record.m_Command = std::string(kKindPost);
    return CreateUploadLink(record, ip, port,
                            MakeApiPostRequest(target, ip, record.m_Auth, body.Size()), &body,
                            UploadProgressOf(record));
  }
  record.m_Command = std::string(kKindPost);
  if (CreateUploadLink(record, ip, port, MakeUiUploadRequest(ip, record.m_Auth, body.Size()),
                       &body, UploadProgressOf(record)) == kLinkFailed)
    return record.m_LinkResult;
  return CreateUploadLink(record, ip, port, MakeDoUpgradeRequest(ip, record.m_Auth), nullptr,
                          UploadProgressOf(record));
}

}  // namespace scanvale
