#include "maintenance/digest_auth.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <random>

#include "protocol/md5.h"

namespace scanvale {

namespace {

// 0 with the value of the first `name` (e.g. "realm="), -1 when absent or unusable.
int FindValue(std::string_view reply, std::string_view name, std::string& value) {
  const std::size_t at = reply.find(name);
  if (at == std::string_view::npos) return -1;
  std::size_t begin = at + name.size();
  std::size_t end;
  if (begin < reply.size() && reply[begin] == '"') {
    ++begin;
    end = reply.find('"', begin);
    if (end == std::string_view::npos) return -1;
  } else {
    end = reply.find_first_of(", \t\r\n", begin);
    if (end == std::string_view::npos) end = reply.size();
  }
  if (end == begin || end - begin > kDigestValueLimit) return -1;
  const std::string_view found = reply.substr(begin, end - begin);
  // The value goes back to the device inside the next request's header: a line break in it
  // would let the device's text end that header and start lines of its own.
  for (const char c : found)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return -1;
  value.assign(found);
  return 0;
}

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string out;
  bool first = true;
  for (std::string_view part : parts) {
    if (!first) out.push_back(':');
    out.append(part);
    first = false;
  }
  return out;
}

// A device that offers several protections ("auth,auth-int") expects the client to name
// one; echoing the whole list would make every response wrong. A single value stays as is.
std::string ChooseQop(const std::string& offered) {
  if (offered.find(',') == std::string::npos) return offered;
  std::size_t begin = 0;
  while (begin <= offered.size()) {
    std::size_t end = offered.find(',', begin);
    if (end == std::string::npos) end = offered.size();
    std::string_view token(offered.data() + begin, end - begin);
    while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
    while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
    if (token == "auth") return "auth";
    begin = end + 1;
  }
  return offered;
}

}  // namespace

int ParseDigestChallenge(std::string_view reply, tDigestChallenge& out) {
  tDigestChallenge parsed;
  if (FindValue(reply, "realm=", parsed.realm) != 0) return -1;
  if (FindValue(reply, "qop=", parsed.qop) != 0) return -1;
  parsed.qop = ChooseQop(parsed.qop);
  if (FindValue(reply, "nonce=", parsed.nonce) != 0) return -1;
  out = std::move(parsed);
  return 0;
}

int ParseDigestNonce(std::string_view reply, std::string& nonce) {
  return FindValue(reply, "nonce=", nonce);
}

std::string MakeCnonce() {
  static std::atomic<unsigned long long> sequence{0};
  const std::time_t now = std::time(nullptr);
  char timeText[64] = {};
  ::ctime_r(&now, timeText);  // ctime's 24 characters and a line feed, thread-safe
  std::random_device random;
  char extra[64];
  std::snprintf(extra, sizeof extra, "%08x%08x%llu", random(), random(),
                sequence.fetch_add(1, std::memory_order_relaxed));
  return Md5Hex(std::string(timeText) + extra);
}

std::string MakeDigestResponse(const tDigestChallenge& challenge, std::string_view user,
                               std::string_view password, std::string_view method,
                               std::string_view uri, unsigned counter, std::string_view cnonce) {
  char nc[16];
  std::snprintf(nc, sizeof nc, "%08x", counter);
  const std::string ha1 = Md5Hex(Join({user, challenge.realm, password}));
  const std::string ha2 = Md5Hex(Join({method, uri}));
  const std::string response =
      Md5Hex(Join({ha1, challenge.nonce, nc, cnonce, challenge.qop, ha2}));

  std::string line = "Authorization: Digest ";
  auto quoted = [&line](std::string_view name, std::string_view value, bool comma = true) {
    line.append(name).append("=\"").append(value).append("\"");
    if (comma) line.push_back(',');
  };
  quoted("username", user);
  quoted("realm", challenge.realm);
  quoted("nonce", challenge.nonce);
  quoted("uri", uri);
  quoted("cnonce", cnonce);
  line.append("nc=").append(nc).append(",algorithm=MD5,");
  quoted("response", response);
  quoted("qop", challenge.qop, false);
  return line;
}

std::string MakeDigestResponse(const tDigestChallenge& challenge, std::string_view user,
                               std::string_view password, std::string_view method,
                               std::string_view uri, unsigned counter) {
  return MakeDigestResponse(challenge, user, password, method, uri, counter, MakeCnonce());
}

}  // namespace scanvale
