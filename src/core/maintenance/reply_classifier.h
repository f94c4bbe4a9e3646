#pragma once
// How an exchange turns a device's reply into its result code. The command kind of the link
// context picks the rules; every test is a case-sensitive substring test on the whole reply.

#include <cstdint>
#include <string>
#include <string_view>

namespace scanvale {

// The three exchange routines differ in a few rules of the table.
enum class LinkVariant { kLink, kApi, kUpload };

// Command kinds (the link context's m_Command).
inline constexpr std::string_view kKindCheckA5S = "GET_Device_CheckA5S";
inline constexpr std::string_view kKindFirmwareCheck = "GET_Firmware_Version_Check";
inline constexpr std::string_view kKindBeforeUpgrade = "GET_Before_Upgrade";
inline constexpr std::string_view kKindPost = "POST";

// Result codes.
inline constexpr std::int32_t kLinkFailed = 0;
inline constexpr std::int32_t kLinkOk = 1;
inline constexpr std::int32_t kLinkUnknownType = 2;  // "Unkown type" to the platform check
inline constexpr std::int32_t kLinkPtzBit = 0x10;

struct tClassification {
  std::int32_t code = kLinkFailed;
  bool invalidFile = false;  // the "Invalid file!" box is due
};

// `peerClosed`: the receive phase ended because the device closed the connection.
// `ip` only prefixes the log lines of the plain variant.
tClassification ClassifyReply(LinkVariant variant, std::string_view command,
                              std::string_view reply, bool peerClosed, std::string_view ip);

// The build date found after the first "root.Properties.Firmware.BuildDate" as
// year * 10000 + month * 100 + day; parts that cannot be read count 0 ("Oct 12 2011" gives
// 20111012, a lower-case month word gives month 0). Numbers are read with saturation, so
// no reply can overflow them.
std::int64_t ParseBuildDate(std::string_view reply, std::string* monthWord = nullptr);

// The value after the first "root.Properties.PTZ.PTZ=" (at most 15 characters), or empty.
std::string ParsePtzValue(std::string_view reply);

// "Jan" .. "Dec" (exact) to 1 .. 12; any other word 0.
int MonthNumber(std::string_view word);

}  // namespace scanvale
