#include "netconfig/group_ip_setup_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "language/apply_language.h"
#include "language/language.h"
#include "netconfig/input_filter.h"
#include "netconfig/netconfig_widgets.h"
#include "protocol/control_package.h"
#include "support/guarded_call.h"

namespace scanvale {

namespace {

constexpr int kColumnWidths[kBatchVisibleColumns] = {34, 170, 173, 164, 186, 154, 109};

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width,
                    int maxLength) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, width, 24);
  if (maxLength > 0) edit->setMaxLength(maxLength);
  return edit;
}

}  // namespace

TGroupIpSetupForm::TGroupIpSetupForm(QWidget* parent) : QDialog(parent), dispatcher_(this) {
  setObjectName("GroupIpSetupForm");
  setWindowTitle(MsgText(Msg::BatchNetworkSetup));
  setModal(true);
  resize(1194, 501);
  CreateControls();
  ApplyLanguage(Lang().CurrentName(), this);
  ComboBox1->setCurrentText(MsgText(Msg::NoChange));
  ComboBox2->setCurrentText(MsgText(Msg::Ip));
  // FormCreate: the headers; a static allocation is what the dialog starts with.
  model_ = std::make_unique<BatchNetworkSetup>(Messages(), std::vector<BatchRow>{},
                                               std::list<tComUnitInfo>{});
  ShowModel();
}

TGroupIpSetupForm::~TGroupIpSetupForm() {
  exchangePrompter_.Dismiss();  // jobs waiting for a message box go on at once
  worker_.StopAndJoin();
}

void TGroupIpSetupForm::CreateControls() {
  GroupBox1 = new QGroupBox("Seleted Items", this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(8, 8, 1178, 486);
  QWidget* box = GroupBox1;

  DHCPRadio = new QRadioButton("DHCP", box);
  DHCPRadio->setObjectName("DHCPRadio");
  DHCPRadio->setGeometry(16, 24, 80, 20);
  StaticRadio = new QRadioButton("Static IP Allocate", box);
  StaticRadio->setObjectName("StaticRadio");
  StaticRadio->setGeometry(104, 24, 170, 20);
  StaticRadio->setChecked(true);
  StaticRadio->setToolTip(
      "Please assign manually IP address in the column of \"" + MsgText(Msg::StaticIpAllocation) +
      "\" and avoid repeating with the occupied IP addresses displayed on the right window.");

  ComboBox2 = new QComboBox(box);
  ComboBox2->setObjectName("ComboBox2");
  ComboBox2->setGeometry(284, 22, 110, 24);
  ComboBox2->addItems({MsgText(Msg::Ip), MsgText(Msg::Gateway), MsgText(Msg::Netmask),
                       MsgText(Msg::Dns)});
  Edit1 = MakeEdit(box, "Edit1", 404, 22, 40, 3);
  Edit2 = MakeEdit(box, "Edit2", 454, 22, 40, 3);
  Edit3 = MakeEdit(box, "Edit3", 504, 22, 40, 3);
  Edit4 = MakeEdit(box, "Edit4", 554, 22, 40, 3);
  for (int i = 0; i < 3; ++i) {
    auto* dot = new QLabel(".", box);
    dot->setGeometry(446 + 50 * i, 26, 6, 16);
  }
  Button1 = new QPushButton("Assign", box);
  Button1->setObjectName("Button1");
  Button1->setGeometry(608, 20, 96, 28);

  StringGrid1 = new QTableWidget(1, kBatchColumns, box);
  StringGrid1->setObjectName("StringGrid1");
  StringGrid1->setGeometry(16, 56, 980, 376);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->verticalHeader()->setVisible(false);
  StringGrid1->horizontalHeader()->setSectionsClickable(true);
  StringGrid1->horizontalHeader()->setHighlightSections(false);
  for (int c = 0; c < kBatchColumns; ++c) {
    if (c < kBatchVisibleColumns)
      StringGrid1->setColumnWidth(c, kColumnWidths[c]);
    else
      StringGrid1->setColumnHidden(c, true);  // the rest of each record, carried, not shown
  }

  Memo1 = new QPlainTextEdit(box);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(1006, 20, 164, 380);
  Memo1->setReadOnly(true);
  Label1 = new QLabel("IP address listed above is already taken.", box);
  Label1->setObjectName("Label1");
  Label1->setGeometry(1006, 404, 164, 32);
  Label1->setWordWrap(true);

  Label2 = new QLabel("API Command: http://(ip)/", box);
  Label2->setObjectName("Label2");
  Label2->setGeometry(16, 446, 180, 16);
  Edit5 = MakeEdit(box, "Edit5", 200, 442, 380, 0);
  Edit6 = MakeEdit(box, "Edit6", 590, 442, 60, 0);
  ComboBox1 = new QComboBox(box);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setGeometry(660, 442, 120, 24);
  ComboBox1->addItems({MsgText(Msg::NoChange), "Increment", "Decrement"});
  Button2 = new QPushButton(MsgText(Msg::SendApiCmd), box);
  Button2->setObjectName("Button2");
  Button2->setGeometry(788, 440, 130, 28);

  OKBtn = new QPushButton("OK", box);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(1006, 444, 80, 28);
  OKBtn->setAutoDefault(false);
  CancelBtn = new QPushButton("Cancel", box);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(1090, 444, 80, 28);
  CancelBtn->setAutoDefault(false);

  for (QLineEdit* octet : {Edit1, Edit2, Edit3, Edit4, Edit6}) {
    InstallInputFilter(octet, KeepsDigitChar);
    MoveOnAtDot(octet);
  }
  connect(StaticRadio, &QRadioButton::clicked, this, [this] { StaticRadioClick(); });
  connect(DHCPRadio, &QRadioButton::clicked, this, [this] { DHCPRadioClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(ComboBox2, &QComboBox::currentTextChanged, this, [this] { ComboBox2Change(); });
  connect(StringGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { StringGrid1MouseUp(column); });
}

void TGroupIpSetupForm::Fill(DeviceTable& table, const std::vector<tRowSelected>& selection) {
  table_ = &table;
  Edit5->clear();
  model_ = std::make_unique<BatchNetworkSetup>(
      Messages(), BatchRowsForSelection(table, selection), table.m_DeviceList);
  ShowModel();
}

void TGroupIpSetupForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TGroupIpSetupForm::FormShow() {
  model_->Show();
  Memo1->clear();
  QStringList taken;
  for (const std::string& ip : model_->Taken()) taken << ToQ(ip);
  Memo1->setPlainText(taken.join('\n'));
  ShowModel();
}

void TGroupIpSetupForm::ShowModel() {
  const auto headers = model_->Headers();
  QStringList titles;
  for (const std::string& h : headers) titles << ToQ(h);
  for (int c = kBatchVisibleColumns; c < kBatchColumns; ++c) titles << QString();
  StringGrid1->setHorizontalHeaderLabels(titles);
  // The sorted column's title stands out, as its header cell is painted apart.
  for (int c = 0; c < kBatchVisibleColumns; ++c) {
    QTableWidgetItem* item = StringGrid1->horizontalHeaderItem(c);
    if (!item) continue;
    item->setBackground(c == model_->SortColumn() ? palette().color(QPalette::Inactive,
                                                                     QPalette::Highlight)
                                                  : QBrush());
    item->setForeground(Qt::black);
  }
  const auto& rows = model_->Rows();
  StringGrid1->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < kBatchColumns; ++c) {
      QTableWidgetItem* item = StringGrid1->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        StringGrid1->setItem(r, c, item);
      }
      item->setText(ToQ(rows[r][c]));
    }
  ShowButtons();
}

void TGroupIpSetupForm::ShowButtons() {
  const BatchButtons& b = model_->Buttons();
  OKBtn->setEnabled(b.ok);
  CancelBtn->setEnabled(b.cancel && !apiRunning_);  // the dialog stays until all have answered
  // API results are written by row: the rows keep their order and contents until they are in.
  Button1->setEnabled(b.assign && !apiRunning_);
  StaticRadio->setEnabled(b.staticEnabled);
  DHCPRadio->setEnabled(b.dhcpEnabled);
}

std::array<std::string, 4> TGroupIpSetupForm::Octets() const {
  return {FromQ(Edit1->text()), FromQ(Edit2->text()), FromQ(Edit3->text()), FromQ(Edit4->text())};
}

tSignInAnswer TGroupIpSetupForm::SignIn(const tSignInFields& prefill) {
  SignInRequest request;
  request.prefill = prefill;
  request.promptCaption = MsgText(Msg::InsertIdPw);
  return ActivePrompts().SignIn(this, request);
}

void TGroupIpSetupForm::StaticRadioClick() {
  if (Busy()) return;
  model_->ClickStatic();
  ShowModel();
}

void TGroupIpSetupForm::DHCPRadioClick() {
  if (Busy()) return;
  const auto confirm = [this](const UserNotice& question) {
    ShowModel();  // the emptied column and its new title are on screen while asking
    return ActivePrompts().Message(this, ToQ(question.text), ToQ(question.caption),
                                   PromptIcon(question.icon), Prompts::Buttons::OkCancel) ==
           Prompts::Answer::Ok;
  };
  const BatchStep step =
      model_->ClickDhcp(confirm, [this](const tSignInFields& p) { return SignIn(p); });
  ShowModel();
  if (step.kind == BatchStep::Kind::kRunDhcp) StartRun("dhcp");
}

void TGroupIpSetupForm::Button1Click() {
  if (Busy()) return;
  const auto notice =
      model_->Assign(AssignKindOf(Messages(), FromQ(ComboBox2->currentText())), Octets());
  ShowModel();
  if (notice) ShowNotice(this, *notice);
}

void TGroupIpSetupForm::OKBtnClick() {
  if (Busy()) return;
  const BatchStep step = model_->ClickOk([this](const tSignInFields& p) { return SignIn(p); });
  ShowModel();
  switch (step.kind) {
    case BatchStep::Kind::kStay:
      if (step.notice) ShowNotice(this, *step.notice);
      break;
    case BatchStep::Kind::kClose:
      accept();
      break;
    case BatchStep::Kind::kRunStatic:
      StartRun("static");
      break;
    case BatchStep::Kind::kRunDhcp:
      StartRun("dhcp");
      break;
  }
}

void TGroupIpSetupForm::CancelBtnClick() {
  if (!Busy()) QDialog::reject();
}

void TGroupIpSetupForm::StringGrid1MouseUp(int column) {
  if (Busy()) return;  // rows keep their order while their outcomes come in
  model_->ClickHeader(column);
  ShowModel();
}

void TGroupIpSetupForm::ComboBox2Change() {
  for (QLineEdit* octet : {Edit1, Edit2, Edit3, Edit4}) octet->clear();
}

void TGroupIpSetupForm::EnableApiButton() {
  Button2->setText(MsgText(Msg::SendApiCmd));
  Button2->setEnabled(true);
}

void TGroupIpSetupForm::Button2Click() {
  if (Busy()) return;
  Button2->setEnabled(false);
  model_->ApiCommandClicked();
  ShowButtons();

  tApiCommand api{CleanApiCommand(FromQ(Edit5->text())), ApiNumberingOf(ComboBox1->currentIndex()),
                  FromQ(Edit6->text())};
  const int devices = static_cast<int>(model_->Rows().size());
  if (const std::optional<Msg> refused =
          CheckApiCommand(api.command, api.numberText, api.mode, devices)) {
    ShowNotice(this, UserNotice{Messages().Text(*refused), Messages().Text(Msg::Notice),
                                NoticeIcon::kInformation});
    EnableApiButton();
    return;
  }
  const tSignInAnswer answer = SignIn(model_->SignInPrefill());
  model_->RememberApiSignIn(answer);
  if (!answer.ok) {
    EnableApiButton();
    return;
  }
  Button2->setText(MsgText(Msg::SendingCmd));
  StartApiCommand(std::move(api), answer.fields);
}

void TGroupIpSetupForm::StartApiCommand(tApiCommand api, const tSignInFields& credentials) {
  apiRunning_ = true;
  ShowButtons();
  std::vector<tGridTarget> targets;
  const auto& rows = model_->Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    targets.push_back({row, row, rows[i][kBatchIp], rows[i][kBatchPort], {}, {}});
  }
  tCommandRun run;
  run.user = credentials.id;
  run.password = credentials.password;
  run.dispatcher = &dispatcher_;
  run.deliver = [this](const tJobOutcome& outcome) {
    model_->SetRowOutcome(static_cast<std::size_t>(outcome.row - 1), outcome.result);
    ShowModel();
  };
  run.prompts = PromptSeam{&dispatcher_, &exchangePrompter_};
  const std::string command = api.command;
  coordinators_.Start(
      [targets = std::move(targets), api = std::move(api), run] {
        RunSendAPICmd(targets, api, run);
      },
      &dispatcher_, [this, command] { ApiCommandDone(command); });
}

void TGroupIpSetupForm::ApiCommandDone(const std::string& command) {
  coordinators_.Reap();
  apiRunning_ = false;
  ShowButtons();
  if (WantsFactoryDefaultNotice(command))
    ShowNotice(this, UserNotice{Messages().Text(Msg::FactoryDefaultWait),
                                Messages().Text(Msg::Notice), NoticeIcon::kInformation});
  EnableApiButton();
  emit apiCommandFinished();
}

void TGroupIpSetupForm::StartRun(const char* networkType) {
  running_ = true;
  ShowButtons();
  // A run used to hold the whole window; an API command started meanwhile would race the run
  // for the outcome column.
  Button2->setEnabled(false);
  auto rows = model_->Rows();
  const bool credentials = model_->CredentialsEntered();
  worker_.Start([this, rows = std::move(rows), type = std::string(networkType), credentials,
                 factory = channelFactory, timing = timing](const std::atomic<bool>& stop) {
    RunGuarded("batch network setup", [&] {
      SendSetUpNetwork(
          rows, type, credentials, factory,
          [this](BatchRowResult r) {
            dispatcher_.Post([this, r = std::move(r)]() mutable { RowDone(std::move(r)); });
          },
          &stop, timing);
    });
    dispatcher_.Post([this] { RunDone(); });  // the buttons come back whatever happened
  });
}

void TGroupIpSetupForm::RowDone(BatchRowResult result) {
  if (table_)
    for (const std::string& reply : result.replies)
      ParserPlainPkg(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(), *table_);
  model_->SetRowOutcome(result.row, BatchOutcomeText(Messages(), result.outcome));
  ShowModel();
}

void TGroupIpSetupForm::RunDone() {
  running_ = false;
  if (!apiRunning_) Button2->setEnabled(true);
  const UserNotice notice = model_->RunFinished();
  ShowModel();
  emit runFinished();
  ShowNotice(this, notice);
}

void TGroupIpSetupForm::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    event->ignore();  // the devices are still being told
    return;
  }
  QDialog::closeEvent(event);
}

void TGroupIpSetupForm::reject() {
  if (!Busy()) QDialog::reject();
}

}  // namespace scanvale
