#pragma once
// A worker thread's body that lets an exception escape ends the whole program (std::terminate).
// Bodies run through RunGuarded instead: the exception is written to the diagnostic log and the
// caller goes on as after a failed body, so a window waiting for the worker still hears from it.

#include <functional>

namespace scanvale {

// Runs `body`; false when an exception escaped it (the exception is logged with `where`).
bool RunGuarded(const char* where, const std::function<void()>& body) noexcept;

}  // namespace scanvale
