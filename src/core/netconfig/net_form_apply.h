#pragma once
// Apply of the single-device network dialog as plain data: the checks of the address
// fields, the network type, the credentials, the record for the package, the conflict check
// and the final report.

#include <functional>
#include <list>
#include <optional>
#include <string>

#include "language/messages.h"
#include "netconfig/set_network_exchange.h"
#include "netconfig/user_notice.h"
#include "protocol/device_record.h"
#include "settings/remembered_credentials.h"

namespace scanvale {

enum class NetworkType { kNone, kStatic, kDhcp, kOvnet };

// "static", "dhcp", "ovnet"; empty for kNone.
const char* NetworkTypeKeyword(NetworkType type);

// The dialog's fields as the user left them.
struct NetFormFields {
  std::string model, proj, name, mac;
  std::string ip, gateway, netmask, dns;
  std::string dev, port;
  NetworkType type = NetworkType::kNone;
};

// What the dialog was opened with.
struct NetFormDevice {
  std::string deviceIp;     // m_DeviceIP: the address as found, for conflicts and replies
  std::string vendorToken;  // m_VendorToken
  std::string idpwFlag;     // m_IDPW_flag
};

// Labels of the four address fields as the window shows them (for the messages).
struct AddressLabels {
  std::string ip = "IP Address", gateway = "Gateway", netmask = "Netmask", dns = "DNS";
};

// Only the exact text "1" asks for an ID and password.
bool RequiresCredentials(std::string_view idpwFlag);

// Shows the sign-in window pre-filled with `prefill` and returns its answer.
using CredentialsPrompt = std::function<tSignInAnswer(const tSignInFields& prefill)>;

struct NetFormPlan {
  enum class Step { kStop, kCancelled, kSend };
  Step step = Step::kStop;
  std::optional<UserNotice> notice;  // kStop: what to show
  bool credentialsAsked = false;
  tComUnitInfo record{};
  std::string wire;  // empty when the package could not be built (reported as a send failure)
};

// The checks run on the texts of the address fields whatever the type and whether the
// fields are enabled or not. An enabled field (Static, OVNet) must also hold an address that
// inet_addr accepts, so a value the user never left the field with is not sent unchecked.
std::optional<UserNotice> CheckNetFormFields(const MessageTexts& texts, const NetFormFields& f,
                                             const AddressLabels& labels = {});

// Fills the record for the package: every field cut to its width, and no comma, line break
// or NUL in any of them, since those would split the package's fields.
tComUnitInfo NetFormRecord(const NetFormFields& f, const NetFormDevice& device,
                           const std::string& id, const std::string& password);

// The new address belongs to another device of the table.
bool HasAddressConflict(const std::list<tComUnitInfo>& devices, std::string_view newIp,
                        std::string_view deviceIp);

// Everything Apply does before it sends: checks, credentials (only for the flag "1"; the
// window opens with `prefill`), the record, the conflict check and the package.
NetFormPlan PrepareNetFormApply(const MessageTexts& texts, const NetFormFields& fields,
                                const NetFormDevice& device,
                                const std::list<tComUnitInfo>& devices,
                                const tSignInFields& prefill,
                                const CredentialsPrompt& askCredentials,
                                const AddressLabels& labels = {});

// The report after sending, captioned "Notice".
UserNotice NetFormReport(const MessageTexts& texts, SetNetworkOutcome outcome);

// Strips what must never reach a package field.
std::string PackageFieldText(std::string_view text);

}  // namespace scanvale
