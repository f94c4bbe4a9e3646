#pragma once
// CLocker: the one lock the upload workers share. It serialises their updates of the shared
// progress window (a bar step, the status line): taken for one update, released at once,
// never nested.

#include <mutex>

namespace scanvale {

class CLocker {
 public:
  void Enter() { m_Section.lock(); }
  void Leave() { m_Section.unlock(); }

  // Enter on construction, Leave on destruction.
  class Scope {
   public:
    explicit Scope(CLocker& locker) : locker_(locker) { locker_.Enter(); }
    ~Scope() { locker_.Leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    CLocker& locker_;
  };

  // The instance every upload worker uses; lives until the program ends.
  static CLocker& Shared();

 private:
  std::mutex m_Section;
};

}  // namespace scanvale
