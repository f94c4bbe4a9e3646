#pragma once
// TNetForm: the network settings of one device. Thin over netconfig/net_form_apply.h: the
// window shows the device, filters and checks what is typed, and on Apply sends the package
// on a worker while it keeps repainting, then reports and closes.

#include <QDialog>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "netconfig/exchange_worker.h"
#include "netconfig/exit_checks.h"
#include "netconfig/net_form_apply.h"
#include "netconfig/set_network_exchange.h"
#include "protocol/device_table.h"
#include "settings/remembered_credentials.h"
#include "support/qt_dispatcher.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace scanvale {

using ControlChannelFactory = std::function<std::unique_ptr<ControlChannel>()>;

class TNetForm : public QDialog {
  Q_OBJECT

 public:
  explicit TNetForm(QWidget* parent = nullptr);
  ~TNetForm() override;

  QGroupBox* GroupBox1;  // "Device Information"
  QLineEdit* LabeledEditModel;
  QLineEdit* LabeledEditProj;
  QLineEdit* LabeledEditName;
  QLineEdit* LabeledEditMac;
  QGroupBox* GroupBox2;  // "Network Property"
  QRadioButton* RadioButtonDhcp;
  QRadioButton* RadioButtonStatic;
  QRadioButton* RadioButtonOvnet;
  QLineEdit* LabeledEditIP;
  QLineEdit* LabeledEditGateway;
  QLineEdit* LabeledEditNetmask;
  QLineEdit* LabeledEditDNS;
  QLineEdit* LabeledEditDev;
  QLineEdit* LabeledEditPort;
  QPushButton* ButtonApply;
  QPushButton* ButtonClose;

  std::string m_DeviceIP;
  std::string m_VendorToken;
  std::string m_IDPW_flag;

  // Fills the fields and the dialog state from the device's record.
  void ShowDevice(const tComUnitInfo& record);

  // Set by the opener: the device table (conflict check; replies are offered to it), the
  // sign-in window's opening values, and the sockets of the adapter selector's mode.
  DeviceTable* deviceTable = nullptr;
  tSignInFields signInPrefill{kDefaultSignInID, kDefaultSignInPW, false};
  ControlChannelFactory channelFactory;
  ExchangeTiming timing;

  // Handlers.
  void ClickToChangeNetworkType();
  void IpEditExit(QLineEdit* field);
  void LabeledEditModelEnter();
  void BtnApplyClick();
  void ButtonCloseClick();

  bool Sending() const { return sending_; }
  NetFormFields Fields() const;

 signals:
  // Apply has sent and listened; the report follows and the dialog closes.
  void applyFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void CreateControls();
  void FinishApply(const ExchangeResult& result);
  AddressLabels Labels() const;
  AddressField FieldOf(QLineEdit* field) const;

  bool sending_ = false;
  bool checkingExit_ = false;
  QtDispatcher dispatcher_;
  ExchangeWorker worker_;  // after dispatcher_: it is joined before the dispatcher goes
};

}  // namespace scanvale
