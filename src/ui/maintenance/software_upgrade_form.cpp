#include "maintenance/software_upgrade_form.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>

#include "dialogs/progress_bar_form.h"
#include "dialogs/prompts.h"
#include "language/apply_language.h"
#include "language/language.h"
#include "maintenance/upgrade_file_choice.h"
#include "protocol/diag_log.h"
#include "settings/remembered_credentials.h"

namespace scanvale {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kSingleWidth = 370;
constexpr int kMultiWidth = 590;
constexpr int kHeight = 270;

template <typename W>
W* Make(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* widget = new W(parent);
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(x, y, w, h);
  return widget;
}

// A Qt name filter separates patterns by blanks; a blank inside a pattern ("System Firmware")
// becomes the one-character wildcard, which matches the blank.
QString QtNameFilter(const tUpgradeFileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) patterns << Q(pattern).replace(' ', '?');
  return Q(filter.title) + " (" + patterns.join(' ') + ")";
}

}  // namespace

TSoftwareUpgradeForm::TSoftwareUpgradeForm(QWidget* parent, UpgradeMode mode,
                                           tSettingsState* settings)
    : QDialog(parent), settings_(settings), dispatcher_(this) {
  setObjectName("SoftwareUpgradeForm");
  setModal(true);
  resize(kSingleWidth, kHeight);
  CreateControls();
  ApplyLanguage(Lang().CurrentName(), this);
  SetModeTexts(mode);
}

// Runs never outlive the form (they end inside UpgradeBtnClick), so no worker waits on a box
// after it has gone.
TSoftwareUpgradeForm::~TSoftwareUpgradeForm() {
  // FormDestroy
  if (clearMainSelection) clearMainSelection();
}

void TSoftwareUpgradeForm::CreateControls() {
  Label1 = Make<QLabel>(this, "Label1", 16, 16, 60, 16);
  Label1->setText("Step 1 :");
  Label4 = Make<QLabel>(this, "Label4", 84, 16, 250, 16);
  Button1 = Make<QPushButton>(this, "Button1", 16, 42, 110, 28);
  Button1->setText("Choose file");
  Button1->setAutoDefault(false);
  FileLabel = Make<QLabel>(this, "FileLabel", 16, 80, 300, 16);
  File = Make<QLineEdit>(this, "File", 16, 100, 320, 24);
  File->setReadOnly(true);
  FileLabel->setBuddy(File);
  Label3 = Make<QLabel>(this, "Label3", 16, 140, 60, 16);
  Label3->setText("Step 2 :");
  Label6 = Make<QLabel>(this, "Label6", 16, 164, 330, 16);
  UpgradeBtn = Make<QPushButton>(this, "UpgradeBtn", 16, 190, 110, 28);
  UpgradeBtn->setAutoDefault(false);
  IpLabel = Make<QLabel>(this, "IpLabel", 140, 196, 190, 16);

  GroupBox1 = Make<QGroupBox>(this, "GroupBox1", 362, 8, 212, 214);
  GroupBox1->setTitle("Selected List");
  GroupBox1->setVisible(false);
  Label8 = Make<QLabel>(GroupBox1, "Label8", 8, 20, 196, 16);
  Label8->setVisible(false);
  ValueListEditor1 = Make<QTableWidget>(GroupBox1, "ValueListEditor1", 6, 40, 200, 168);
  ValueListEditor1->setColumnCount(2);
  ValueListEditor1->setHorizontalHeaderLabels({MsgText(Msg::IpAddress), MsgText(Msg::UpdateStatus)});
  ValueListEditor1->verticalHeader()->setVisible(false);
  ValueListEditor1->horizontalHeader()->setStretchLastSection(true);
  ValueListEditor1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ValueListEditor1->setVisible(false);

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(UpgradeBtn, &QPushButton::clicked, this, [this] { UpgradeBtnClick(); });
}

void TSoftwareUpgradeForm::SetModeTexts(UpgradeMode mode) {
  const bool upgrade = mode == UpgradeMode::kFirmware;
  setWindowTitle(MsgText(upgrade ? Msg::SoftwareUpgrade : Msg::ConfigUpload));
  UpgradeBtn->setText(MsgText(upgrade ? Msg::Upgrade : Msg::Upload));
  Label4->setText(MsgText(upgrade ? Msg::UploadBinaryFile : Msg::UploadConfigFile));
  Label6->setText(MsgText(upgrade ? Msg::ClickUpgradeToStart : Msg::ClickUploadToStart));
  // No table names this label's caption: it is the message text.
  FileLabel->setText(MsgText(Msg::NoFileSelected));
}

UpgradeMode TSoftwareUpgradeForm::Mode() const {
  return CaptionContains(windowTitle(), Msg::SoftwareUpgrade) ? UpgradeMode::kFirmware
                                                              : UpgradeMode::kConfig;
}

void TSoftwareUpgradeForm::ShowSingleDevice(const std::string& ip, const std::string& port) {
  m_IsMulti = false;
  singleIp_ = ip;
  singlePort_ = port;
  IpLabel->setText(Q(ip));
  resize(kSingleWidth, height());
}

void TSoftwareUpgradeForm::ShowDevices(std::vector<tMultiSelectInfo> devices) {
  m_IsMulti = true;
  v_MultiSelectInfo = std::move(devices);
  Label8->setText(QString::number(v_MultiSelectInfo.size()) + " " + MsgText(Msg::CamerasSelected));
  Label8->adjustSize();
  Label8->setVisible(true);
  File->resize(250, File->height());
  resize(kMultiWidth, height());
  ValueListEditor1->resize(200, ValueListEditor1->height());
  GroupBox1->setVisible(true);
  ValueListEditor1->setVisible(true);
  ValueListEditor1->setRowCount(static_cast<int>(v_MultiSelectInfo.size()));
  for (int row = 0; row < static_cast<int>(v_MultiSelectInfo.size()); ++row) {
    ValueListEditor1->setItem(row, 0, new QTableWidgetItem(Q(v_MultiSelectInfo[row].ip)));
    ValueListEditor1->setItem(row, 1, new QTableWidgetItem(MsgText(Msg::Available)));
  }
}

bool TSoftwareUpgradeForm::FileChosen() const {
  return !File->text().isEmpty() && FileLabel->text() != MsgText(Msg::NoFileSelected);
}

void TSoftwareUpgradeForm::ClearFile() {
  File->clear();
  FileLabel->setText(MsgText(Msg::NoFileSelected));
}

void TSoftwareUpgradeForm::Button1Click() {
  const UpgradeMode mode = Mode();
  const QString path = ActivePrompts().OpenFile(this, QString(), QtNameFilter(UpgradeFileFilter(mode)));
  if (path.isEmpty()) return;
  const QString name = QFileInfo(path).fileName();
  File->setText(path);
  FileLabel->setText(name);
  FileLabel->adjustSize();
  if (mode == UpgradeMode::kConfig && !IsConfigFileName(name.toStdString())) {
    ActivePrompts().Message(this, MsgText(Msg::FileError), MsgText(Msg::Warning),
                            Prompts::Icon::Warning);
    ClearFile();
  }
}

void TSoftwareUpgradeForm::UpgradeBtnClick() {
  UpgradeBtn->setEnabled(false);
  TProgressBarForm progress(this);
  if (!FileChosen()) {
    ActivePrompts().Message(this, MsgText(Msg::NoFileSelected), MsgText(Msg::Warning),
                            Prompts::Icon::Warning);
  } else {
    SignInRequest request;
    request.serverText = IpLabel->text();
    request.promptVisible = !m_IsMulti;
    tSettingsState fallback;
    tSettingsState& state = settings_ ? *settings_ : fallback;
    request.prefill = SignInPrefill(state);
    const tSignInAnswer answer = ActivePrompts().SignIn(this, request);
    TakeSignInAnswer(answer, state);
    if (answer.ok) {
      m_User = answer.fields.id;
      m_Password = answer.fields.password;
      m_Uploaded = false;
      RunUpload(progress);
      if (m_Uploaded)
        ActivePrompts().Message(this, MsgText(Msg::RebootAfterUpgrade), MsgText(Msg::Warning),
                                Prompts::Icon::Information);
    }
  }
  UpgradeBtn->setEnabled(true);
  if (clearMainSelection) clearMainSelection();
}

std::vector<tMultiSelectInfo> TSoftwareUpgradeForm::RunDevices() const {
  if (m_IsMulti) return v_MultiSelectInfo;
  return {tMultiSelectInfo{singleIp_, singlePort_, 1}};
}

void TSoftwareUpgradeForm::RunUpload(TProgressBarForm& progress) {
  tUpgradeSettings settings;
  settings.mode = Mode();
  settings.filePath = File->text().toStdString();
  settings.fileName = FileLabel->text().toStdString();
  settings.user = m_User;
  settings.password = m_Password;
  settings.progress = &progress;
  settings.prompts = {&dispatcher_, this};
  settings.showStatus = [this](const tUpgradeStatus& status) { ShowStatus(status); };
  CUpgradeRun run(std::move(settings), RunDevices(), m_IsMulti);
  if (m_IsMulti)
    progress.SetWorkers(run.Workers());
  else
    progress.SetWorker(run.Workers().front());
  if (beforeProgress) beforeProgress(progress);
  progress.exec();
  // The last workers' statuses may still wait in the queue: they belong to this run, before
  // the notice that follows it.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  m_Uploaded = run.Uploaded();
}

void TSoftwareUpgradeForm::ShowMessage(const ExchangeMessage& message) {
  const Prompts::Icon icon = message.icon == ExchangeMessage::Icon::kInformation
                                 ? Prompts::Icon::Information
                                 : Prompts::Icon::None;
  ActivePrompts().Message(this, Q(message.Text()), Q(message.Caption()), icon);
}

void TSoftwareUpgradeForm::ShowStatus(const tUpgradeStatus& status) {
  for (int row = 0; row < ValueListEditor1->rowCount(); ++row) {
    QTableWidgetItem* key = ValueListEditor1->item(row, 0);
    const bool match = status.everyRowOfIp ? key && key->text() == Q(status.ip)
                                           : row == status.index;
    if (!match) continue;
    if (QTableWidgetItem* value = ValueListEditor1->item(row, 1))
      value->setText(Q(status.text));
  }
}

}  // namespace scanvale
