#include "protocol/base64.h"

namespace scanvale {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SixBitValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

int Base64Encode(char* out, const unsigned char* in, std::size_t count) {
  std::size_t o = 0;
  std::size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    const unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out[o++] = kAlphabet[(v >> 18) & 63];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = kAlphabet[(v >> 6) & 63];
    out[o++] = kAlphabet[v & 63];
  }
  if (count - i == 1) {
    const unsigned v = in[i] << 16;
    out[o++] = kAlphabet[(v >> 18) & 63];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = '=';
    out[o++] = '=';
  } else if (count - i == 2) {
    const unsigned v = (in[i] << 16) | (in[i + 1] << 8);
    out[o++] = kAlphabet[(v >> 18) & 63];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = kAlphabet[(v >> 6) & 63];
    out[o++] = '=';
  }
  out[o] = '\0';
  return static_cast<int>(o);
}

std::string Base64Encode(std::string_view bytes) {
  std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int n = Base64Encode(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                             bytes.size());
  out.resize(static_cast<std::size_t>(n));
  return out;
}

int Base64Decode(unsigned char* out, std::size_t capacity, std::string_view in, int limit) {
  const std::size_t maxUsed = limit < 0 ? in.size() : static_cast<std::size_t>(limit);
  std::size_t used = 0;
  std::size_t written = 0;
  unsigned bits = 0;
  int bitCount = 0;
  for (std::size_t i = 0; i < in.size() && used < maxUsed; ++i) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '=') break;
    const int v = SixBitValue(c);
    if (v < 0) continue;
    ++used;
    bits = (bits << 6) | static_cast<unsigned>(v);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      if (written >= capacity) break;
      out[written++] = static_cast<unsigned char>((bits >> bitCount) & 0xFF);
    }
  }
  return static_cast<int>(written);
}

}  // namespace scanvale
