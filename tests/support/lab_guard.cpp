#include "support/lab_guard.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace scanvale::testing {

bool InsideLab() {
  // The lab script exports its namespace name; the network namespace must also differ from
  // the first process's, or we would be on this machine's own interfaces.
  const char* ns = std::getenv("SCANVALE_LAB_HOST_NS");
  if (!ns || !*ns) return false;
  struct stat self{}, init{};
  if (stat("/proc/self/ns/net", &self) != 0 || stat("/proc/1/ns/net", &init) != 0) return false;
  return self.st_ino != init.st_ino;
}

}  // namespace scanvale::testing
