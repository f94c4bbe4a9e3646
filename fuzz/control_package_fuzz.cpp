// Untrusted datagrams through the decoding path: Base64, complement, package walk.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/base64.h"
#include "protocol/control_package.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace scanvale;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The one-adapter store path: a 512-byte slot, 511 alphabet characters at most.
  std::vector<unsigned char> slot(512, 0);
  const int cut = Base64Decode(slot.data(), slot.size() - 1, text, 511);
  InvertBytes(slot.data(), static_cast<std::size_t>(cut));
  DeviceTable table;
  ParserPlainPkg(slot.data(), 511, table);

  // The whole-datagram path, and the raw bytes read directly as decoded packages.
  std::vector<unsigned char> whole(65536, 0);
  const int n = Base64Decode(whole.data(), whole.size(), text);
  InvertBytes(whole.data(), static_cast<std::size_t>(n));
  ParserPlainPkg(whole.data(), static_cast<std::size_t>(n), table);
  ParserPlainPkg(data, size, table);
  return 0;
}
