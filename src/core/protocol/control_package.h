#pragma once
// The control package: comma-separated text, complemented byte by byte and Base64-encoded
// on the wire. Queries (flags 0 and 2) and set-network commands (flag 3) are built here;
// device replies (flag 1) are parsed here into tComUnitInfo records.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "protocol/device_record.h"
#include "protocol/device_table.h"

namespace scanvale {

inline constexpr int kDevicePort = 6666;     // devices and relays receive here (UDP, TCP relay)
inline constexpr int kReplyPort = 6667;      // replies reach this program here
inline constexpr std::size_t kPackageBufferSize = 65536;
inline constexpr std::size_t kVendorTokenSize = 32;
inline constexpr const char* kQueryVendor = "Kestrilon";

enum PackageFlag : int { kFlagQuery = 0, kFlagReply = 1, kFlagRelayQuery = 2, kFlagSetNetwork = 3 };

// Builds the package for `flag` and writes its wire form (Base64 text) into `out`.
// Flags 0 and 2 need no record; flags 1 and 3 need one. 0 on success, -1 otherwise.
int MakeControlPkg(int flag, std::string& out, const tComUnitInfo* pInfo);

// The plain text of a package before scrambling, as MakeControlPkg logs it.
std::string ControlPkgText(int flag, const tComUnitInfo* pInfo);

// Complements `count` bytes in place; -1 when given no buffer.
int InvertBytes(unsigned char* buffer, std::size_t count);

// Wire form helpers: text + NUL, complemented, Base64; and back (bytes decoded).
std::string EncodeWire(std::string_view text);
std::string DecodeWire(std::string_view base64, int limit = -1);

// Accepts a MAC text when it holds at least five colons; fills `bytes` when given.
int GetMacFromCString(std::string_view text, unsigned char* bytes = nullptr);

// Parses one package text into a zero-filled record. Returns the flag when it is 0 or 1,
// else -1. `onMacChecked` runs on every MAC check.
int ParsePkgFields(std::string_view text, tComUnitInfo& record,
                   const std::function<void()>& onMacChecked = {});

// Walks decoded packages laid back to back, each ending in NUL, and offers every reply to
// the table. Returns the number of new devices.
int ParserPlainPkg(const unsigned char* buffer, std::size_t length, DeviceTable& table);

// True when `text` is a dotted address that inet_addr accepts without its error value.
bool IsValidInetAddr(std::string_view text);

}  // namespace scanvale
