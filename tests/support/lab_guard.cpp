#include "support/lab_guard.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace scanvale::testing {

bool InsideLab() {
  // The lab script exports the name of its host-side namespace; this process must be in that
  // very namespace (a lab one, with no road out), not merely carry the variable.
  const char* ns = std::getenv("SCANVALE_LAB_HOST_NS");
  if (!ns || std::strncmp(ns, "svh-", 4) != 0 || std::strchr(ns, '/')) return false;
  struct stat self{}, lab{}, init{};
  if (stat("/proc/self/ns/net", &self) != 0) return false;
  if (stat((std::string("/run/netns/") + ns).c_str(), &lab) != 0) return false;
  if (self.st_ino != lab.st_ino || self.st_dev != lab.st_dev) return false;
  // Where the first process's namespace can be read (it cannot on every machine), it must differ.
  if (stat("/proc/1/ns/net", &init) == 0 && init.st_ino == self.st_ino) return false;
  return true;
}

}  // namespace scanvale::testing
