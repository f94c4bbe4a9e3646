#pragma once
// One job per device: CKestThread_this (maintenance: version, restart, Digest reboot,
// factory default) and CKestThread_api (the batch dialog's API command). A job starts its
// thread in its constructor, after every field is set, runs its job function once and sets
// its done flag as its last act. Its coordinator reads the result fields only after Done().
//
// The frame around every job function: m_IdPw = m_User + ":" + m_Password before it; after
// it m_Result is cut to kJobResultLimit characters and m_Reply is emptied.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "maintenance/job_thread.h"
#include "maintenance/link_context.h"

namespace scanvale {

inline constexpr std::size_t kJobResultLimit = 127;

enum class JobKind : int { kGetFWVer = 0, kRestart = 1, kDigestReboot = 2, kFactoryDefault = 3 };

// The device a job serves and the credentials it uses.
struct tJobTarget {
  std::int32_t row = 0;  // meaning fixed by the coordinator (grid row, selection index)
  std::string ip;
  std::string port;
  std::string mac;       // not used by the API job
  std::string user;
  std::string password;
};

class CKestThread_this final : public tLinkContext {
 public:
  using Function = std::function<void(CKestThread_this& job)>;

  CKestThread_this(const tJobTarget& target, JobKind kind, Function function,
                   PromptSeam prompts = {});
  CKestThread_this(const CKestThread_this&) = delete;
  CKestThread_this& operator=(const CKestThread_this&) = delete;

  bool Done() const { return m_hThread.Done(); }
  JobKind Kind() const { return m_Kind; }

  // For the job function, on the job's thread:
  std::string BasicAuth() const;                                      // of m_User, m_Password
  std::string RequestA(std::string_view requestLine) const;           // header set A
  std::string RequestC(std::string_view requestLine,
                       std::string_view authorizationLine = {}) const;  // header set C
  std::int32_t Exchange(std::string_view request);                    // CreateLink
  bool ReplyHas(std::string_view word) const { return m_Reply.find(word) != std::string::npos; }

  const std::int32_t m_Row;
  const std::string m_IP;
  const std::string m_Port;
  const std::string m_MAC;
  const std::string m_User;
  const std::string m_Password;
  std::string m_Result;
  std::string m_IdPw;

 private:
  const JobKind m_Kind;
  JobThread m_hThread;  // last member: joined while the fields above still exist
};

class CKestThread_api final : public tLinkContext {
 public:
  using Function = std::function<void(CKestThread_api& job)>;

  // `command` is the request path the user typed; it also stands in m_Command, where the
  // exchange reads its command kind.
  CKestThread_api(const tJobTarget& target, std::string command, Function function,
                  PromptSeam prompts = {});
  CKestThread_api(const CKestThread_api&) = delete;
  CKestThread_api& operator=(const CKestThread_api&) = delete;

  bool Done() const { return m_hThread.Done(); }

  std::string BasicAuth() const;
  std::string RequestB(std::string_view requestLine) const;  // header set B
  std::int32_t Exchange(std::string_view request);           // CreateLinkAPI
  bool ReplyHas(std::string_view word) const { return m_Reply.find(word) != std::string::npos; }

  const std::int32_t m_Row;
  const std::string m_IP;
  const std::string m_Port;
  const std::string m_User;
  const std::string m_Password;
  std::string m_Result;
  std::string m_IdPw;

 private:
  JobThread m_hThread;  // last member
};

}  // namespace scanvale
