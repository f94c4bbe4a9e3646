#pragma once
// The octet-wise address rules of the network dialogs: splitting an address text into its
// four octet texts, the netmask forms a device accepts, subnet tests and the numeric order
// of address texts.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace scanvale {

// The four octet texts of an address as "%[^.].%[^.].%[^.].%s" reads them: `count` says how
// many were read; the missing ones are empty. The fourth takes the rest up to a blank, so
// "1.2.3.4.5" gives "4.5" there.
struct OctetTexts {
  std::array<std::string, 4> part;
  int count = 0;
};
OctetTexts SplitOctets(std::string_view text);

// atol's reading of an octet text (leading blanks, sign, digits), held to +-1e9 so that a
// long run of digits cannot overflow.
long OctetNumber(std::string_view text);
std::array<long, 4> OctetNumbers(const OctetTexts& octets);
std::array<long, 4> OctetNumbers(std::string_view address);

// Every one of the four octet texts present and at most 255.
bool NetmaskOctetsComplete(const OctetTexts& octets);

// First octet 255, then only 0, 128, 192, 224, 240, 248, 252, 254 or 255, and nothing
// non-zero after an octet other than 255.
bool IsNetmaskForm(const std::array<long, 4>& octets);

// (address AND netmask) equals (gateway AND netmask) in every octet.
bool SameSubnetByOctets(const std::array<long, 4>& address, const std::array<long, 4>& netmask,
                        const std::array<long, 4>& gateway);

// The numeric value a.b.c.d of the leading "%u.%u.%u.%u" of a text; parts that do not
// parse count as 0.
std::uint32_t AddressKey(std::string_view text);
bool AddressLess(std::string_view a, std::string_view b);

// A dotted address of four decimal octets (at most three digits, at most 255 each) that
// inet_addr reads to something other than its error value, so "255.255.255.255" is refused.
// inet_addr alone would also take the short forms "255.255.0" or "10.1", which a device
// would not read as we do. Such a text always fits the record's 16-byte address fields.
inline constexpr std::size_t kAddressTextMax = 15;
bool IsAcceptedAddress(std::string_view text);

// inet_addr's value in network order (INADDR_NONE for a refused text).
std::uint32_t InetAddrValue(std::string_view text);

}  // namespace scanvale
