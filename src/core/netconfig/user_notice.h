#pragma once
// A message box that a network dialog shows: its text, its caption and its icon. The core
// decides what is said; the window only shows it.

#include <string>

namespace scanvale {

enum class NoticeIcon { kNone, kInformation, kWarning };

struct UserNotice {
  std::string text;
  std::string caption;
  NoticeIcon icon = NoticeIcon::kNone;
  bool operator==(const UserNotice&) const = default;
};

}  // namespace scanvale
