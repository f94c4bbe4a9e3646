#include "maintenance/kest_jobs.h"

#include "maintenance/http_exchange.h"
#include "maintenance/http_request.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

// The construction line names the device and the user; the password stays out of the log.
void LogStart(const tJobTarget& target, const char* where) {
  DiagLog::Printf("IP:%s, Username:%s, PW:%s, In %s\r\n", target.ip.c_str(), target.user.c_str(),
                  target.password.empty() ? "" : "***", where);
}

template <class Job, class Function>
void RunFramed(Job& job, const Function& function) {
  job.m_IdPw = job.m_User + ":" + job.m_Password;
  function(job);
  if (job.m_Result.size() > kJobResultLimit) job.m_Result.resize(kJobResultLimit);
  job.m_Reply.clear();
}

}  // namespace

CKestThread_this::CKestThread_this(const tJobTarget& target, JobKind kind, Function function,
                                   PromptSeam prompts)
    : m_Row(target.row),
      m_IP(target.ip),
      m_Port(target.port),
      m_MAC(target.mac),
      m_User(target.user),
      m_Password(target.password),
      m_Kind(kind) {
  m_Prompts = prompts;
  LogStart(target, "CKestThread_this");
  m_hThread.Start([this, function = std::move(function)] { RunFramed(*this, function); });
}

std::string CKestThread_this::BasicAuth() const { return MakeBasicAuth(m_User, m_Password); }

std::string CKestThread_this::RequestA(std::string_view requestLine) const {
  return MakeRequestSetA(requestLine, m_IP, BasicAuth());
}

std::string CKestThread_this::RequestC(std::string_view requestLine,
                                       std::string_view authorizationLine) const {
  return MakeRequestSetC(requestLine, m_IP, authorizationLine);
}

std::int32_t CKestThread_this::Exchange(std::string_view request) {
  return CreateLink(*this, m_IP, m_Port, request);
}

CKestThread_api::CKestThread_api(const tJobTarget& target, std::string command,
                                 Function function, PromptSeam prompts)
    : m_Row(target.row),
      m_IP(target.ip),
      m_Port(target.port),
      m_User(target.user),
      m_Password(target.password) {
  m_Command = std::move(command);
  m_Prompts = prompts;
  LogStart(target, "CKestThread_this");
  m_hThread.Start([this, function = std::move(function)] { RunFramed(*this, function); });
}

std::string CKestThread_api::BasicAuth() const { return MakeBasicAuth(m_User, m_Password); }

std::string CKestThread_api::RequestB(std::string_view requestLine) const {
  return MakeRequestSetB(requestLine, m_IP, BasicAuth());
}

std::int32_t CKestThread_api::Exchange(std::string_view request) {
  return CreateLinkAPI(*this, m_IP, m_Port, request);
}

}  // namespace scanvale
