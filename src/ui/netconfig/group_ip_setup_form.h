#pragma once
// TGroupIpSetupForm: the network settings of several devices at once. Thin over
// netconfig/batch_setup.h (Assign, OK, DHCP, sort, button states) and batch_sender.h (the run,
// row by row on a worker, each row's outcome shown as it ends).

#include <QDialog>
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "maintenance/api_command.h"
#include "maintenance/kest_thread.h"
#include "netconfig/batch_sender.h"
#include "netconfig/batch_setup.h"
#include "netconfig/exchange_worker.h"
#include "netconfig/net_form.h"
#include "protocol/device_table.h"
#include "support/qt_dispatcher.h"
#include "support/window_exchange_prompter.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace scanvale {

class TGroupIpSetupForm : public QDialog {
  Q_OBJECT

 public:
  explicit TGroupIpSetupForm(QWidget* parent = nullptr);
  ~TGroupIpSetupForm() override;

  QGroupBox* GroupBox1;  // "Seleted Items"
  QRadioButton* DHCPRadio;
  QRadioButton* StaticRadio;
  QComboBox* ComboBox2;  // "IP", "Gateway", "Netmask", "DNS"
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QLineEdit* Edit4;
  QPushButton* Button1;  // "Assign"
  QTableWidget* StringGrid1;
  QPlainTextEdit* Memo1;  // the addresses already taken
  QLabel* Label1;
  QLabel* Label2;         // the API-command row
  QLineEdit* Edit5;
  QLineEdit* Edit6;
  QComboBox* ComboBox1;   // "NoChange", "Increment", "Decrement"
  QPushButton* Button2;   // "Send API Cmd"
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

  // Filled by the opener before the dialog is shown: the selected devices' rows and the whole
  // device table (the taken addresses, the conflict check; replies are offered to it).
  void Fill(DeviceTable& table, const std::vector<tRowSelected>& selection);
  ControlChannelFactory channelFactory;
  ExchangeTiming timing;

  BatchNetworkSetup* Model() { return model_.get(); }
  bool Running() const { return running_; }
  bool ApiCommandRunning() const { return apiRunning_; }

  // Handlers.
  void FormShow();
  void StaticRadioClick();
  void DHCPRadioClick();
  void Button1Click();
  void OKBtnClick();
  void CancelBtnClick();
  void StringGrid1MouseUp(int column);  // a click on the header row
  void ComboBox2Change();
  void Button2Click();  // the API command: its own command, not part of the network setup

 signals:
  void runFinished();
  void apiCommandFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void CreateControls();
  void ShowModel();
  void ShowButtons();
  void StartRun(const char* networkType);
  void RowDone(BatchRowResult result);
  void RunDone();
  void StartApiCommand(tApiCommand api, const tSignInFields& credentials);
  void ApiCommandDone(const std::string& command);
  void EnableApiButton();
  bool Busy() const { return running_ || apiRunning_; }
  std::array<std::string, 4> Octets() const;
  tSignInAnswer SignIn(const tSignInFields& prefill);

  DeviceTable* table_ = nullptr;
  std::unique_ptr<BatchNetworkSetup> model_;
  bool running_ = false;
  QtDispatcher dispatcher_;
  ExchangeWorker worker_;  // after dispatcher_: it is joined before the dispatcher goes
  bool apiRunning_ = false;
  WindowExchangePrompter exchangePrompter_{this};
  // Last: its destruction joins the API command's coordinator while all the above exists.
  CoordinatorSet coordinators_;
};

}  // namespace scanvale
