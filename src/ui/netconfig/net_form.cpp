#include "netconfig/net_form.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "language/apply_language.h"
#include "language/language.h"
#include "netconfig/input_filter.h"
#include "netconfig/netconfig_widgets.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"
#include "support/guarded_call.h"

namespace scanvale {

TNetForm::TNetForm(QWidget* parent) : QDialog(parent), dispatcher_(this) {
  setObjectName("NetForm");
  setWindowTitle(MsgText(Msg::NetworkSetup));
  setModal(true);
  resize(344, 435);
  CreateControls();
  ApplyLanguage(Lang().CurrentName(), this);
  ClickToChangeNetworkType();  // OnCreate: no type chosen, the address fields are off
}

TNetForm::~TNetForm() { worker_.StopAndJoin(); }

void TNetForm::CreateControls() {
  GroupBox1 = new QGroupBox("Device Information", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(8, 8, 328, 140);
  LabeledEditModel = MakeLabeledEdit(GroupBox1, "LabeledEditModel", "Model", 12, 44);
  LabeledEditProj = MakeLabeledEdit(GroupBox1, "LabeledEditProj", "Project", 170, 44);
  LabeledEditName = MakeLabeledEdit(GroupBox1, "LabeledEditName", "Name", 12, 100);
  LabeledEditMac = MakeLabeledEdit(GroupBox1, "LabeledEditMac", "MAC", 170, 100);

  GroupBox2 = new QGroupBox("Network Property", this);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox2->setGeometry(8, 156, 328, 228);
  RadioButtonDhcp = new QRadioButton("DHCP", GroupBox2);
  RadioButtonDhcp->setObjectName("RadioButtonDhcp");
  RadioButtonDhcp->setGeometry(12, 24, 90, 20);
  RadioButtonStatic = new QRadioButton("Static IP", GroupBox2);
  RadioButtonStatic->setObjectName("RadioButtonStatic");
  RadioButtonStatic->setGeometry(110, 24, 120, 20);
  RadioButtonOvnet = new QRadioButton("OVNet", GroupBox2);
  RadioButtonOvnet->setObjectName("RadioButtonOvnet");
  RadioButtonOvnet->setGeometry(236, 24, 80, 20);
  RadioButtonOvnet->setVisible(false);  // a third type that no one can choose
  LabeledEditIP = MakeLabeledEdit(GroupBox2, "LabeledEditIP", "IP Address", 12, 76);
  LabeledEditGateway = MakeLabeledEdit(GroupBox2, "LabeledEditGateway", "Gateway", 170, 76);
  LabeledEditNetmask = MakeLabeledEdit(GroupBox2, "LabeledEditNetmask", "Netmask", 12, 132);
  LabeledEditDNS = MakeLabeledEdit(GroupBox2, "LabeledEditDNS", "DNS", 170, 132);
  LabeledEditDev = MakeLabeledEdit(GroupBox2, "LabeledEditDev", "Dev", 12, 188);
  LabeledEditPort = MakeLabeledEdit(GroupBox2, "LabeledEditPort", "Port", 170, 188);
  for (QLineEdit* hidden : {LabeledEditDev, LabeledEditPort}) {
    hidden->setVisible(false);
    hidden->setEnabled(false);
    if (QLabel* label = LabelOf(hidden)) label->setVisible(false);
  }

  ButtonApply = new QPushButton("Apply", this);
  ButtonApply->setObjectName("ButtonApply");
  ButtonApply->setGeometry(148, 396, 90, 28);
  ButtonApply->setAutoDefault(false);
  ButtonClose = new QPushButton("Close", this);
  ButtonClose->setObjectName("ButtonClose");
  ButtonClose->setGeometry(246, 396, 90, 28);
  ButtonClose->setAutoDefault(false);

  // Model, Name and MAC read grey; the identity fields are for reading only.
  for (QLineEdit* grey : {LabeledEditModel, LabeledEditName, LabeledEditMac}) {
    QPalette palette = grey->palette();
    palette.setColor(QPalette::Text, Qt::gray);
    grey->setPalette(palette);
  }
  for (QLineEdit* identity : {LabeledEditModel, LabeledEditProj, LabeledEditName, LabeledEditMac}) {
    InstallInputFilter(identity, KeepsIdentityChar);
    identity->installEventFilter(this);
  }
  for (QLineEdit* address : {LabeledEditIP, LabeledEditGateway, LabeledEditNetmask, LabeledEditDNS}) {
    InstallInputFilter(address, KeepsAddressChar);
    address->installEventFilter(this);
  }
  for (QLineEdit* hidden : {LabeledEditDev, LabeledEditPort}) hidden->installEventFilter(this);

  for (QRadioButton* radio : {RadioButtonDhcp, RadioButtonStatic, RadioButtonOvnet})
    connect(radio, &QRadioButton::clicked, this, [this] { ClickToChangeNetworkType(); });
  connect(ButtonApply, &QPushButton::clicked, this, [this] { BtnApplyClick(); });
  connect(ButtonClose, &QPushButton::clicked, this, [this] { ButtonCloseClick(); });
}

void TNetForm::ShowDevice(const tComUnitInfo& r) {
  LabeledEditModel->setText(ToQ(std::string(FieldText(r.model))));
  LabeledEditProj->setText(ToQ(std::string(FieldText(r.proj))));
  LabeledEditName->setText(ToQ(std::string(FieldText(r.name))));
  LabeledEditMac->setText(ToQ(std::string(FieldText(r.mac))));
  LabeledEditIP->setText(ToQ(std::string(FieldText(r.ip))));
  LabeledEditNetmask->setText(ToQ(std::string(FieldText(r.netmask))));
  LabeledEditGateway->setText(ToQ(std::string(FieldText(r.gateway))));
  LabeledEditDNS->setText(ToQ(std::string(FieldText(r.dns))));
  LabeledEditDev->setText(ToQ(std::string(FieldText(r.dev))));
  LabeledEditPort->setText(ToQ(std::string(FieldText(r.trigger_port))));
  m_DeviceIP = FieldText(r.ip);
  m_VendorToken = FieldText(r.vendor);
  m_IDPW_flag = FieldText(r.idpw);
}

void TNetForm::ClickToChangeNetworkType() {
  const bool editable = RadioButtonStatic->isChecked() || RadioButtonOvnet->isChecked();
  for (QLineEdit* address : {LabeledEditIP, LabeledEditGateway, LabeledEditNetmask, LabeledEditDNS})
    address->setEnabled(editable);
}

NetFormFields TNetForm::Fields() const {
  NetFormFields f;
  f.model = FromQ(LabeledEditModel->text());
  f.proj = FromQ(LabeledEditProj->text());
  f.name = FromQ(LabeledEditName->text());
  f.mac = FromQ(LabeledEditMac->text());
  f.ip = FromQ(LabeledEditIP->text());
  f.gateway = FromQ(LabeledEditGateway->text());
  f.netmask = FromQ(LabeledEditNetmask->text());
  f.dns = FromQ(LabeledEditDNS->text());
  f.dev = FromQ(LabeledEditDev->text());
  f.port = FromQ(LabeledEditPort->text());
  f.type = RadioButtonStatic->isChecked() ? NetworkType::kStatic
           : RadioButtonDhcp->isChecked() ? NetworkType::kDhcp
           : RadioButtonOvnet->isChecked() ? NetworkType::kOvnet
                                            : NetworkType::kNone;
  return f;
}

AddressLabels TNetForm::Labels() const {
  auto text = [](QLineEdit* edit) {
    const QLabel* label = LabelOf(edit);
    return label ? FromQ(label->text().trimmed()) : std::string();
  };
  return {text(LabeledEditIP), text(LabeledEditGateway), text(LabeledEditNetmask),
          text(LabeledEditDNS)};
}

AddressField TNetForm::FieldOf(QLineEdit* field) const {
  if (field == LabeledEditGateway) return AddressField::kGateway;
  if (field == LabeledEditNetmask) return AddressField::kNetmask;
  if (field == LabeledEditDNS) return AddressField::kDns;
  return AddressField::kIp;
}

void TNetForm::IpEditExit(QLineEdit* field) {
  if (checkingExit_ || sending_) return;
  const AddressField which = FieldOf(field);
  const AddressLabels labels = Labels();
  const std::string& label = which == AddressField::kIp        ? labels.ip
                             : which == AddressField::kGateway ? labels.gateway
                             : which == AddressField::kNetmask ? labels.netmask
                                                               : labels.dns;
  const AddressFieldTexts values{FromQ(LabeledEditIP->text()), FromQ(LabeledEditGateway->text()),
                                 FromQ(LabeledEditNetmask->text()), FromQ(LabeledEditDNS->text())};
  const auto refused = CheckAddressFieldOnExit(Messages(), which, label, values);
  if (!refused) return;
  checkingExit_ = true;
  ShowNotice(this, *refused);
  field->setFocus(Qt::OtherFocusReason);
  checkingExit_ = false;
}

void TNetForm::LabeledEditModelEnter() { ButtonClose->setFocus(Qt::OtherFocusReason); }

bool TNetForm::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::FocusIn &&
      (edit == LabeledEditModel || edit == LabeledEditProj || edit == LabeledEditName ||
       edit == LabeledEditMac || edit == LabeledEditDev || edit == LabeledEditPort)) {
    LabeledEditModelEnter();
    return false;
  }
  if (edit && event->type() == QEvent::FocusOut &&
      (edit == LabeledEditIP || edit == LabeledEditGateway || edit == LabeledEditNetmask ||
       edit == LabeledEditDNS)) {
    // Leaving the field for another control counts; the window losing the focus to a
    // message box or another window does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible())
      IpEditExit(edit);
  }
  return QDialog::eventFilter(watched, event);
}

void TNetForm::BtnApplyClick() {
  if (sending_) return;
  const std::list<tComUnitInfo> none;
  const std::list<tComUnitInfo>& devices = deviceTable ? deviceTable->m_DeviceList : none;
  const auto askCredentials = [this](const tSignInFields& prefill) {
    SignInRequest request;
    request.prefill = prefill;
    request.promptCaption = MsgText(Msg::InsertIdPw);
    return ActivePrompts().SignIn(this, request);
  };
  const NetFormFields fields = Fields();
  NetFormPlan plan = PrepareNetFormApply(
      Messages(), fields, {m_DeviceIP, m_VendorToken, m_IDPW_flag}, devices, signInPrefill,
      askCredentials, Labels());
  if (plan.step == NetFormPlan::Step::kStop) {
    if (plan.notice) ShowNotice(this, *plan.notice);
    return;
  }
  if (plan.step == NetFormPlan::Step::kCancelled) return;

  std::shared_ptr<ControlChannel> channel(channelFactory ? channelFactory() : nullptr);
  if (!channel) {
    FinishApply(ExchangeResult{});
    return;
  }
  sending_ = true;
  ButtonApply->setEnabled(false);
  ButtonClose->setEnabled(false);
  const ReplyMatch device{m_DeviceIP, fields.mac};
  worker_.Start([this, channel, wire = plan.wire, device, timing = timing](
                    const std::atomic<bool>& stop) {
    ExchangeResult result;  // a failed send unless the exchange ends
    RunGuarded("set-network exchange",
               [&] { result = RunSetNetworkExchange(*channel, wire, device, &stop, timing); });
    dispatcher_.Post([this, result = std::move(result)] { FinishApply(result); });
  });
}

void TNetForm::FinishApply(const ExchangeResult& result) {
  if (deviceTable)
    for (const std::string& reply : result.replies)
      ParserPlainPkg(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(),
                     *deviceTable);
  sending_ = false;
  emit applyFinished();
  ShowNotice(this, NetFormReport(Messages(), result.outcome));
  accept();
}

void TNetForm::ButtonCloseClick() {
  if (!sending_) QDialog::reject();
}

void TNetForm::closeEvent(QCloseEvent* event) {
  if (sending_) {
    event->ignore();  // the answer is still being listened for
    return;
  }
  QDialog::closeEvent(event);
}

void TNetForm::reject() {
  if (!sending_) QDialog::reject();
}

}  // namespace scanvale
