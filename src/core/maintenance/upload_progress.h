#pragma once
// Where upload workers report their progress: the progress window's bar and status line.
// Workers call it from their own threads; the window applies each call on its own thread.

#include <string>

namespace scanvale {

class UploadProgress {
 public:
  virtual ~UploadProgress() = default;
  virtual void AdvanceBy(int step) = 0;                     // the bar stops at its maximum
  virtual void SetStatusText(const std::string& text) = 0;  // UTF-8
};

}  // namespace scanvale
