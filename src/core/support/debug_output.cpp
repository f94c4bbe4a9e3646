#include "support/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace scanvale {

namespace {
bool Enabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("SCANVALE_DEBUG");
    return v && std::strcmp(v, "1") == 0;
  }();
  return enabled;
}
}  // namespace

void DebugOutput(const char* format, ...) {
  if (!Enabled()) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

}  // namespace scanvale
