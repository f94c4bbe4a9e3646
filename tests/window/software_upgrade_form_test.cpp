// TSoftwareUpgradeForm without a network: the mode texts, the layout for several devices,
// the file choice with its filters, the confirmation question, the steps of UpgradeBtnClick
// that end before any worker, and a multi-device run with no eligible device.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "dialogs/progress_bar_form.h"
#include "dialogs/scripted_prompts.h"
#include "maintenance/software_upgrade_command.h"
#include "maintenance/software_upgrade_form.h"
#include "language/language.h"
#include "protocol/device_record.h"

using namespace scanvale;

namespace {

tComUnitInfo Record(const std::string& ip, const std::string& mac, const std::string& port = "80") {
  tComUnitInfo r{};
  SetField(r.model, "KC-1");
  SetField(r.proj, "IP-Cam");
  SetField(r.ip, ip);
  SetField(r.trigger_port, port);
  SetField(r.mac, mac);
  return r;
}

// Rows 1..4: two cameras and two UPnP-only rows (MAC "NULL").
DeviceTable Table() {
  DeviceTable table;
  table.AddFoundDevice(Record("198.18.1.10", "00:0F:7C:01:00:10", "8080"));
  table.AddFoundDevice(Record("198.18.1.11", "NULL"));
  table.AddFoundDevice(Record("198.18.1.12", "00:0F:7C:01:00:12"));
  table.AddFoundDevice(Record("198.18.1.13", "NULL"));
  return table;
}

QString Filter(const char* patterns) { return QString(patterns); }

}  // namespace

class SoftwareUpgradeFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void modeTextsAndTheirReadBack();
  void modeTextsFollowTheLanguage();
  void severalDevicesGetTheWideLayoutAndList();
  void fileChoiceFiltersAndRefusesOtherConfigNames();
  void runStopsEarlyWithoutFileOrSignIn();
  void questionCountsEligibleRowsAndCancelOpensNothing();
  void singleRowTakesTheCurrentDevice();
  void multiRunWithoutEligibleDeviceClosesItsProgressWindow();
};

void SoftwareUpgradeFormTest::initTestCase() {
  Lang().LoadTables();
  Lang().SetCurrent(0);
  Lang().LoadMessages(Lang().CurrentName());
}

void SoftwareUpgradeFormTest::modeTextsFollowTheLanguage() {
  Lang().SetCurrent(2);
  Lang().LoadMessages(Lang().CurrentName());
  {
    TSoftwareUpgradeForm upgrade(nullptr, UpgradeMode::kFirmware, nullptr);
    TSoftwareUpgradeForm config(nullptr, UpgradeMode::kConfig, nullptr);
    QCOMPARE(upgrade.windowTitle(), QString::fromUtf8("Mise à jour logicielle"));
    QCOMPARE(config.windowTitle(), QString("Envoi de configuration"));
    QVERIFY(upgrade.Mode() == UpgradeMode::kFirmware);
    QVERIFY(config.Mode() == UpgradeMode::kConfig);
    QCOMPARE(upgrade.Label1->text(), QString::fromUtf8("Étape 1 :  "));  // from the table
  }
  Lang().SetCurrent(0);
  Lang().LoadMessages(Lang().CurrentName());
}

void SoftwareUpgradeFormTest::modeTextsAndTheirReadBack() {
  TSoftwareUpgradeForm upgrade(nullptr, UpgradeMode::kFirmware, nullptr);
  QCOMPARE(upgrade.windowTitle(), QString("Software Upgrade"));
  QCOMPARE(upgrade.UpgradeBtn->text(), QString("Upgrade"));
  QCOMPARE(upgrade.Label4->text(), QString("Upload the binary file"));
  QCOMPARE(upgrade.Label6->text(), QString("Click the upgrade button to start the upgrade process"));
  QCOMPARE(upgrade.FileLabel->text(), QString("No file selected."));
  QCOMPARE(upgrade.FileLabel->buddy(), upgrade.File);
  QVERIFY(upgrade.File->isReadOnly());
  QVERIFY(upgrade.Mode() == UpgradeMode::kFirmware);
  QVERIFY(!upgrade.GroupBox1->isVisibleTo(&upgrade));
  QCOMPARE(upgrade.width(), 370);

  TSoftwareUpgradeForm config(nullptr, UpgradeMode::kConfig, nullptr);
  QCOMPARE(config.windowTitle(), QString("Config Upload"));
  QCOMPARE(config.UpgradeBtn->text(), QString("Upload"));
  QCOMPARE(config.Label4->text(), QString("Upload the config file"));
  QCOMPARE(config.Label6->text(), QString("Click the upload button to start the upgrade process"));
  QVERIFY(config.Mode() == UpgradeMode::kConfig);
  // The mode is what the caption says.
  config.setWindowTitle("Software Upgrade  ");
  QVERIFY(config.Mode() == UpgradeMode::kFirmware);
}

void SoftwareUpgradeFormTest::severalDevicesGetTheWideLayoutAndList() {
  TSoftwareUpgradeForm form(nullptr, UpgradeMode::kFirmware, nullptr);
  form.ShowDevices({{"198.18.1.10", "80", 1}, {"198.18.1.12", "80", 1}, {"198.18.1.10", "81", 1}});
  QVERIFY(form.m_IsMulti);
  QCOMPARE(form.Label8->text(), QString("3 MegaPixelCameras selected."));
  QVERIFY(form.Label8->isVisibleTo(&form));
  QVERIFY(form.GroupBox1->isVisibleTo(&form));
  QVERIFY(form.ValueListEditor1->isVisibleTo(&form));
  QCOMPARE(form.width(), 590);
  QCOMPARE(form.File->width(), 250);
  QCOMPARE(form.ValueListEditor1->width(), 200);
  QCOMPARE(form.ValueListEditor1->horizontalHeaderItem(0)->text(), QString("IP Address"));
  QCOMPARE(form.ValueListEditor1->horizontalHeaderItem(1)->text(), QString("Update Status"));
  QCOMPARE(form.ValueListEditor1->rowCount(), 3);
  for (int row = 0; row < 3; ++row)
    QCOMPARE(form.ValueListEditor1->item(row, 1)->text(), QString("Available"));
  QCOMPARE(form.ValueListEditor1->item(2, 0)->text(), QString("198.18.1.10"));
}

void SoftwareUpgradeFormTest::fileChoiceFiltersAndRefusesOtherConfigNames() {
  ScriptedPrompts prompts;
  TSoftwareUpgradeForm upgrade(nullptr, UpgradeMode::kFirmware, nullptr);
  prompts.files = {"/data/fw/main.bin"};
  upgrade.Button1Click();
  QCOMPARE(upgrade.File->text(), QString("/data/fw/main.bin"));
  QCOMPARE(upgrade.FileLabel->text(), QString("main.bin"));
  QCOMPARE(prompts.fileFilters.size(), 1);
  const QString filter = prompts.fileFilters[0];
  QVERIFY(filter.startsWith("Upgrade Files (uImage cameraFw userland.jffs2 var* System?Firmware "));
  QVERIFY(filter.endsWith(" V*_FW_* module_firmware*.bin module_param*.bin)"));
  QVERIFY(prompts.messages.empty());
  // A cancelled dialog keeps the choice.
  upgrade.Button1Click();
  QCOMPARE(upgrade.FileLabel->text(), QString("main.bin"));

  TSoftwareUpgradeForm config(nullptr, UpgradeMode::kConfig, nullptr);
  prompts.files = {"/data/cfg/config_file_lobby", "/data/cfg/settings.bin"};
  config.Button1Click();
  QCOMPARE(prompts.fileFilters.last(), Filter("Config Files (config_file*)"));
  QCOMPARE(config.FileLabel->text(), QString("config_file_lobby"));
  config.Button1Click();
  QCOMPARE(prompts.messages.size(), size_t(1));
  QCOMPARE(prompts.messages[0].text, QString("File Error."));
  QCOMPARE(prompts.messages[0].caption, QString("Warning"));
  QVERIFY(prompts.messages[0].icon == Prompts::Icon::Warning);
  QCOMPARE(config.File->text(), QString());
  QCOMPARE(config.FileLabel->text(), QString("No file selected."));
}

void SoftwareUpgradeFormTest::runStopsEarlyWithoutFileOrSignIn() {
  ScriptedPrompts prompts;
  tSettingsState settings;
  settings.rememberMe = false;
  int cleared = 0;
  TSoftwareUpgradeForm form(nullptr, UpgradeMode::kFirmware, &settings);
  form.clearMainSelection = [&] { ++cleared; };
  form.ShowSingleDevice("198.18.1.10", "80");
  form.UpgradeBtnClick();
  QCOMPARE(prompts.messages.size(), size_t(1));
  QCOMPARE(prompts.messages[0].text, QString("No file selected."));
  QCOMPARE(prompts.messages[0].caption, QString("Warning"));
  QVERIFY(prompts.signIns.empty());
  QVERIFY(form.UpgradeBtn->isEnabled());
  QCOMPARE(cleared, 1);

  // A cancelled sign-in runs nothing but keeps the remember box.
  prompts.files = {"/data/fw/uImage"};
  form.Button1Click();
  prompts.signInAnswers.push_back({false, {"admin", "8629", true}});
  form.UpgradeBtnClick();
  QCOMPARE(prompts.signIns.size(), size_t(1));
  QCOMPARE(prompts.signIns[0].serverText, QString("198.18.1.10"));
  QVERIFY(prompts.signIns[0].promptVisible);
  QCOMPARE(prompts.signIns[0].prefill.id, std::string("admin"));
  QCOMPARE(prompts.signIns[0].prefill.password, std::string("8629"));
  QVERIFY(settings.rememberMe);
  QCOMPARE(prompts.messages.size(), size_t(1));  // no reboot notice
  QCOMPARE(cleared, 2);
}

void SoftwareUpgradeFormTest::questionCountsEligibleRowsAndCancelOpensNothing() {
  ScriptedPrompts prompts;
  prompts.messageAnswers.push_back(Prompts::Answer::Cancel);
  DeviceTable table = Table();
  SoftwareUpgradeContext context;
  context.mode = UpgradeMode::kConfig;
  context.table = &table;
  context.selectedRows = {{1, 4}, {1, 3}, {1, 2}, {1, 1}};
  int cleared = 0;
  bool shown = false;
  context.clearSelection = [&] { ++cleared; };
  context.beforeForm = [&](TSoftwareUpgradeForm&) { shown = true; };

  // Device-table order, not selection order; UPnP-only rows left out.
  const auto devices = MultiSelectInfo(table, context.selectedRows);
  QCOMPARE(devices.size(), size_t(2));
  QCOMPARE(devices[0].ip, std::string("198.18.1.10"));
  QCOMPARE(devices[0].port, std::string("8080"));
  QCOMPARE(devices[1].ip, std::string("198.18.1.12"));

  RunSoftwareUpgrade(nullptr, context);
  QCOMPARE(prompts.messages.size(), size_t(1));
  QCOMPARE(prompts.messages[0].text,
           QString("2 Cameras are about to be upgraded. Please make sure all of the selected units "
                   "are of the same project before continuing with the upgrade process."));
  QCOMPARE(prompts.messages[0].caption, QString("Warning"));
  QVERIFY(prompts.messages[0].icon == Prompts::Icon::Information);
  QVERIFY(prompts.messages[0].buttons == Prompts::Buttons::OkCancel);
  QVERIFY(!shown);
  QVERIFY(cleared >= 1);
}

void SoftwareUpgradeFormTest::singleRowTakesTheCurrentDevice() {
  ScriptedPrompts prompts;
  DeviceTable table = Table();
  for (const auto& [row, ip] : {std::pair{1, "198.18.1.10"}, std::pair{2, ""}}) {
    SoftwareUpgradeContext context;
    context.table = &table;
    context.selectedRows = {{1, row}};
    context.currentRow = row;
    QString shownIp = "unset";
    context.beforeForm = [&](TSoftwareUpgradeForm& form) {
      shownIp = form.IpLabel->text();
      QVERIFY(!form.m_IsMulti);
      QCOMPARE(form.width(), 370);
      QTimer::singleShot(0, &form, [&form] { form.reject(); });
    };
    RunSoftwareUpgrade(nullptr, context);
    QCOMPARE(shownIp, QString(ip));
  }
  QVERIFY(prompts.messages.empty());  // one device: no question
}

void SoftwareUpgradeFormTest::multiRunWithoutEligibleDeviceClosesItsProgressWindow() {
  ScriptedPrompts prompts;
  prompts.files = {"/data/fw/uImage"};
  prompts.signInAnswers.push_back({true, {"admin", "8629", false}});
  DeviceTable table = Table();
  tSettingsState settings;
  SoftwareUpgradeContext context;
  context.table = &table;
  context.settings = &settings;
  context.selectedRows = {{1, 2}, {1, 4}};  // both UPnP-only
  bool progressShown = false;
  int workers = -1;
  context.beforeForm = [&](TSoftwareUpgradeForm& form) {
    form.beforeProgress = [&](TProgressBarForm& progress) {
      progressShown = true;
      workers = progress.WorkerCount();
    };
    QTimer::singleShot(0, &form, [&form] {
      form.Button1Click();
      form.UpgradeBtnClick();  // returns once the progress window has closed itself
      form.accept();
    });
  };
  QTimer::singleShot(15000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  RunSoftwareUpgrade(nullptr, context);
  QVERIFY(progressShown);
  QCOMPARE(workers, 0);
  QCOMPARE(prompts.signIns.size(), size_t(1));
  QVERIFY(!prompts.signIns[0].promptVisible);  // several rows: the "IP" label is hidden
  // The question ("0 Cameras ..."), and no reboot notice.
  QCOMPARE(prompts.messages.size(), size_t(1));
  QVERIFY(prompts.messages[0].text.startsWith("0 Cameras are about to be upgraded."));
  QCOMPARE(settings.rememberID, std::string("admin"));
}

QTEST_MAIN(SoftwareUpgradeFormTest)
#include "software_upgrade_form_test.moc"
