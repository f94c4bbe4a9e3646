#pragma once
// MD5 message digest (RFC 1321).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scanvale {

class Md5 {
 public:
  Md5();
  void Update(const void* data, std::size_t size);
  void Update(std::string_view text) { Update(text.data(), text.size()); }
  std::array<std::uint8_t, 16> Finish();

 private:
  void Transform(const std::uint8_t block[64]);

  std::uint32_t state_[4];
  std::uint64_t bitCount_ = 0;
  std::uint8_t buffer_[64];
};

// The digest of `text` written as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view text);

}  // namespace scanvale
