#include "netconfig/exit_checks.h"

#include "netconfig/address_rules.h"
#include "protocol/diag_log.h"

namespace scanvale {

const std::string& AddressFieldTexts::Of(AddressField field) const {
  switch (field) {
    case AddressField::kIp: return ip;
    case AddressField::kGateway: return gateway;
    case AddressField::kNetmask: return netmask;
    case AddressField::kDns: return dns;
  }
  return ip;
}

std::string InvalidFieldText(const MessageTexts& texts, std::string_view label,
                             std::string_view value) {
  while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
  return Format("%s %s - [%s]", texts.Text(Msg::Invalid).c_str(), std::string(label).c_str(),
                std::string(value).c_str());
}

std::optional<UserNotice> CheckAddressFieldOnExit(const MessageTexts& texts, AddressField field,
                                                  std::string_view label,
                                                  const AddressFieldTexts& values) {
  const std::string& value = values.Of(field);
  if (!IsAcceptedAddress(value))
    return UserNotice{InvalidFieldText(texts, label, value), texts.Text(Msg::Warning),
                      NoticeIcon::kWarning};
  if (field != AddressField::kGateway) return std::nullopt;

  const std::uint32_t ip = InetAddrValue(values.ip);
  const std::uint32_t netmask = InetAddrValue(values.netmask);
  const std::uint32_t gateway = InetAddrValue(value);
  if ((netmask & ip) != (netmask & gateway))
    return UserNotice{Format("Unresonable Gateway - [%s]", value.c_str()),
                      texts.Text(Msg::Warning), NoticeIcon::kWarning};
  return std::nullopt;
}

}  // namespace scanvale
