#pragma once
// What an exchange reads and writes of the object it works for (a maintenance job, an API
// job, an upload worker's connection record).

#include <cstdint>
#include <string>

#include "maintenance/exchange_prompter.h"

namespace scanvale {

struct tLinkContext {
  // The command kind that picks the reply rules ("GET_Device_CheckA5S",
  // "GET_Firmware_Version_Check", "GET_Before_Upgrade", "POST"); empty for none.
  std::string m_Command;
  // The result code of the last exchange (0 failure, 1 success, 2, 0x10 bit).
  std::int32_t m_LinkResult = 0;
  // The reply text of the last exchange; empty when it ended before receiving, so a job
  // never tests an earlier request's reply in place of the one it just sent.
  std::string m_Reply;
  // Where the exchange's message boxes go.
  PromptSeam m_Prompts;
};

}  // namespace scanvale
