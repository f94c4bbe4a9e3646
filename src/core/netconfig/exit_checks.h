#pragma once
// The check made when the user leaves an address field of the single-device dialog.

#include <optional>
#include <string>
#include <string_view>

#include "language/messages.h"
#include "netconfig/user_notice.h"

namespace scanvale {

enum class AddressField { kIp, kGateway, kNetmask, kDns };

struct AddressFieldTexts {
  std::string ip, gateway, netmask, dns;
  const std::string& Of(AddressField field) const;
};

// "%s %s - [%s]" with "Invalid", the field's label (its trailing blanks dropped) and the text.
std::string InvalidFieldText(const MessageTexts& texts, std::string_view label,
                             std::string_view value);

// Nothing when the field may be left; otherwise the warning to show (and the focus goes back
// to the field). A text that inet_addr refuses, or one longer than an address field holds,
// is invalid; leaving Gateway also needs the gateway inside the subnet of IP and Netmask.
std::optional<UserNotice> CheckAddressFieldOnExit(const MessageTexts& texts, AddressField field,
                                                  std::string_view label,
                                                  const AddressFieldTexts& values);

}  // namespace scanvale
