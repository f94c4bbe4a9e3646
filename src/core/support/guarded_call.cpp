#include "support/guarded_call.h"

#include <exception>

#include "protocol/diag_log.h"

namespace scanvale {

bool RunGuarded(const char* where, const std::function<void()>& body) noexcept {
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    try {
      DiagLog::Printf("%s ended by an error: %s\n", where, e.what());
    } catch (...) {  // not even the log line could be made; the caller still goes on
    }
  } catch (...) {
    try {
      DiagLog::Printf("%s ended by an error\n", where);
    } catch (...) {
    }
  }
  return false;
}

}  // namespace scanvale
