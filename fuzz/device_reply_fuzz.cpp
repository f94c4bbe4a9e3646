// The parts of the HTTP maintenance that read a device's reply: the classification rules of
// every exchange variant and command kind, the build date and PTZ scans, the Digest challenge.
// A device may send anything; none of it may crash, overflow or read out of bounds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "maintenance/digest_auth.h"
#include "maintenance/reply_classifier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace scanvale;
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  static constexpr std::string_view kKinds[] = {"", kKindCheckA5S, kKindFirmwareCheck,
                                                kKindBeforeUpgrade, kKindPost};
  for (LinkVariant variant : {LinkVariant::kLink, LinkVariant::kApi, LinkVariant::kUpload})
    for (std::string_view kind : kKinds) ClassifyReply(variant, kind, reply, size % 2 == 0, "ip");
  std::string month;
  ParseBuildDate(reply, &month);
  if (month.size() > 31) __builtin_trap();
  if (ParsePtzValue(reply).size() > 15) __builtin_trap();

  tDigestChallenge challenge;
  if (ParseDigestChallenge(reply, challenge) == 0) {
    if (challenge.realm.size() > kDigestValueLimit || challenge.nonce.size() > kDigestValueLimit)
      __builtin_trap();
    MakeDigestResponse(challenge, "admin", "8629", "GET", "/auth/login", 1, "cnonce");
  }
  std::string nonce;
  ParseDigestNonce(reply, nonce);
  return 0;
}
