#include "maintenance/locker.h"

namespace scanvale {

CLocker& CLocker::Shared() {
  static CLocker locker;
  return locker;
}

}  // namespace scanvale
