#pragma once
// Developer lines that some handlers write beside the diagnostic log, meant for a debugger's
// output window. They reach stderr only when SCANVALE_DEBUG=1; otherwise they are dropped.

namespace scanvale {

void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace scanvale
