#pragma once
// What a maintenance command hands its coordinator: the credentials confirmed for this run,
// where results go (the window's thread) and where an exchange's message boxes go. Every
// text is a copy taken on the window's thread before the coordinator starts, so the
// coordinator never reads the window's live grid.

#include <chrono>
#include <functional>
#include <string>

#include "maintenance/coordinator.h"
#include "maintenance/exchange_prompter.h"
#include "support/dispatcher.h"

namespace scanvale {

struct tCommandRun {
  std::string user;
  std::string password;
  Dispatcher* dispatcher = nullptr;                  // must be set; the window's queue
  std::function<void(const tJobOutcome&)> deliver;   // runs on the window's thread
  PromptSeam prompts;
  std::chrono::milliseconds poll = kCoordinatorPoll;
};

// A device a command serves, as the grid showed it when the command started.
struct tGridTarget {
  int index = 0;  // the job's m_Row: a grid row, a selection index or a batch grid row
  int row = 0;    // the grid row it came from
  std::string ip;
  std::string port;
  std::string mac;
  std::string proj;
};

}  // namespace scanvale
