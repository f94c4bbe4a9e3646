#pragma once
// The batch dialog's logic over plain rows: Assign for IP, Gateway, Netmask and DNS, the
// checks of OK, the DHCP mode, the credentials and the states of its buttons. The window
// shows this state and forwards its events.

#include <array>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "language/messages.h"
#include "netconfig/batch_rows.h"
#include "netconfig/user_notice.h"
#include "settings/remembered_credentials.h"

namespace scanvale {

enum class AssignKind { kIp, kGateway, kNetmask, kDns, kOther };

// ComboBox2's text compared with the current language's "IP", "Gateway", "Netmask", "DNS".
AssignKind AssignKindOf(const MessageTexts& texts, const std::string& comboText);

// The four octet fields hold a start value: all non-empty, digits only, each at most 255.
bool OctetFieldsValid(const std::array<std::string, 4>& edits);

struct BatchButtons {
  bool ok = false;
  bool cancel = true;
  bool assign = true;
  bool staticEnabled = true;
  bool dhcpEnabled = true;
  bool operator==(const BatchButtons&) const = default;
};

// What the window does after OK or after the DHCP radio button.
struct BatchStep {
  enum class Kind { kStay, kClose, kRunStatic, kRunDhcp };
  Kind kind = Kind::kStay;
  std::optional<UserNotice> notice;  // kStay: what to show, if anything
};

// Shows the sign-in window pre-filled with `prefill` and returns its answer.
using BatchCredentialsPrompt = std::function<tSignInAnswer(const tSignInFields& prefill)>;
// Asks the DHCP question; true when the user pressed OK.
using ConfirmPrompt = std::function<bool(const UserNotice& question)>;

class BatchNetworkSetup {
 public:
  BatchNetworkSetup(const MessageTexts& texts, std::vector<BatchRow> rows,
                    std::list<tComUnitInfo> devices);

  // FormShow: static not yet done, sort column 0, rows numbered.
  void Show();

  const std::vector<BatchRow>& Rows() const { return rows_; }
  std::vector<BatchRow>& MutableRows() { return rows_; }
  const std::vector<std::string>& Taken() const { return taken_; }
  std::array<std::string, kBatchVisibleColumns> Headers() const;
  const BatchButtons& Buttons() const { return buttons_; }
  bool DhcpMode() const { return dhcp_; }
  bool StaticDone() const { return staticDone_; }
  int SortColumn() const { return sortCol_; }
  const tSignInFields& GroupCredentials() const { return group_; }
  bool CredentialsEntered() const { return credentialsEntered_; }

  // Radio button "Static IP Allocate": Assign on, column 3 emptied under its static title.
  void ClickStatic();
  // Radio button "DHCP": column 3 emptied under the DHCP title, then the question; on OK,
  // the credentials when a row needs them, and the DHCP run.
  BatchStep ClickDhcp(const ConfirmPrompt& confirm, const BatchCredentialsPrompt& signIn);

  // Assign with the value kind and the four octet fields; the notice when a value is refused.
  std::optional<UserNotice> Assign(AssignKind kind, const std::array<std::string, 4>& edits);

  // OK: address check, then (static mode, not yet sent) blanks, conflicts, credentials.
  BatchStep ClickOk(const BatchCredentialsPrompt& signIn);

  // Header click on `column`: sort ascending on the first click, then alternately.
  void ClickHeader(int column);

  // A run starts: OK, Cancel and the other mode's radio button go off.
  void RunStarted(bool dhcp);
  // Writes one row's outcome into column 3.
  void SetRowOutcome(std::size_t row, const std::string& text);
  // The run ended: OK on again. Returns the closing notice.
  UserNotice RunFinished();

  // The sign-in window's opening values: the last confirmed sign-in of this dialog, else
  // "admin" with the default password.
  tSignInFields SignInPrefill() const;

  // "Send API Cmd" was clicked: OK goes off until the next Assign.
  void ApiCommandClicked() { buttons_.ok = false; }
  // The API command's sign-in: confirmed values are this dialog's memory from now on; a
  // cancelled one keeps only its remember box.
  void RememberApiSignIn(const tSignInAnswer& answer);

 private:
  std::optional<UserNotice> AssignIp(const std::array<std::string, 4>& edits);
  std::optional<UserNotice> AssignGateway(const std::array<std::string, 4>& edits);
  std::optional<UserNotice> AssignNetmask(const std::array<std::string, 4>& edits);
  std::optional<UserNotice> AssignDns(const std::array<std::string, 4>& edits);
  std::optional<UserNotice> CheckRowAddresses() const;
  std::optional<UserNotice> CheckBlanksAndConflicts() const;
  bool AnyRowNeedsCredentials() const;
  // False when the user did not confirm.
  bool TakeCredentials(const BatchCredentialsPrompt& signIn);
  void ClearNewIpColumn();
  UserNotice NoticeText(std::string text, NoticeIcon icon = NoticeIcon::kInformation) const;

  const MessageTexts& texts_;
  std::vector<BatchRow> rows_;
  std::list<tComUnitInfo> devices_;
  std::vector<std::string> taken_;
  tSignInFields group_;
  bool credentialsEntered_ = false;
  bool staticDone_ = false;
  bool dhcp_ = false;
  int sortCol_ = 0;
  int sortFlag_ = 1;
  BatchButtons buttons_;
};

}  // namespace scanvale
