#pragma once
// A one-line description of the operating system for the start-up log, in place of the
// Windows version text: kernel name, release and machine, and the distribution's name.

#include <string>
#include <string_view>

namespace scanvale {

// From uname(2) and the PRETTY_NAME of /etc/os-release (or /usr/lib/os-release).
std::string SystemDescription();

// The pieces put together: "Linux 6.1.0-18-amd64 x86_64 (Debian GNU/Linux 12 (bookworm))";
// the part in brackets is left out when `osRelease` names nothing.
std::string ComposeSystemDescription(std::string_view sysname, std::string_view release,
                                     std::string_view machine, std::string_view osRelease);

}  // namespace scanvale
