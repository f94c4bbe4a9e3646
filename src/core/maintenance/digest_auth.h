#pragma once
// Digest authentication (RFC 2617, qop "auth", algorithm MD5) for the recorders' login path.

#include <string>
#include <string_view>

namespace scanvale {

// The values of a device's challenge. Each holds at most kDigestValueLimit characters.
struct tDigestChallenge {
  std::string realm;
  std::string qop;
  std::string nonce;
};

inline constexpr std::size_t kDigestValueLimit = 127;

// Finds the first "realm=", "qop=" and "nonce=" in a reply. A quoted value runs to the next
// double quote, an unquoted one to the next comma, blank or line end. A qop list that offers
// "auth" among others gives "auth"; a single qop value is kept as offered. Returns 0, or -1 when
// one of the three is missing, empty, unterminated or longer than kDigestValueLimit (a
// shortened nonce could never authenticate, so nothing is guessed).
int ParseDigestChallenge(std::string_view reply, tDigestChallenge& out);

// Only the nonce of a later challenge (realm and qop stay those of the first). 0 / -1.
int ParseDigestNonce(std::string_view reply, std::string& nonce);

// A client nonce: MD5 (32 lower-case hex digits) of the current local time text and fresh
// randomness, so two responses in the same second still differ.
std::string MakeCnonce();

// The line "Authorization: Digest username=...,realm=...,nonce=...,uri=...,cnonce=...,
// nc=...,algorithm=MD5,response=...,qop=..." without CR LF. `counter` is the request
// counter (1 for the first authenticated request), written as eight hex digits.
std::string MakeDigestResponse(const tDigestChallenge& challenge, std::string_view user,
                               std::string_view password, std::string_view method,
                               std::string_view uri, unsigned counter, std::string_view cnonce);

// The same with a fresh cnonce.
std::string MakeDigestResponse(const tDigestChallenge& challenge, std::string_view user,
                               std::string_view password, std::string_view method,
                               std::string_view uri, unsigned counter);

}  // namespace scanvale
