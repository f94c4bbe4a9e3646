// Network Setup from the main window against a simulated site: one device gets a new address
// through the dialog and the next search shows it; wrong credentials are reported; a batch gets
// serial addresses with an outcome in every row.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "dialogs/scripted_prompts.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "netconfig/group_ip_setup_form.h"
#include "netconfig/net_form.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

using namespace scanvale;

namespace {

std::string Device(int n, const char* credentials) {
  const std::string k = std::to_string(n);
  return R"({"model": "KC-)" + k + R"(", "proj": "IP-Cam", "name": "Cam)" + k +
         R"(", "ip": "198.18.1.)" + k + R"(", "trigger_port": "80", "netmask": "255.255.255.0",
          "gateway": "198.18.1.254", "dns": "198.18.1.254", "mac": "00:0F:7C:01:00:)" + k +
         R"(", "dev": "cam", "note": "n", "idpw": "1", "vendor": "Kestrilon", "link": 0,
          "credentials": )" + credentials + "}";
}

std::string Site() {
  std::string site = R"({"devices": [)";
  for (int n = 10; n < 13; ++n)
    site += (n > 10 ? "," : "") + Device(n, R"({"id": "admin", "password": "8629"})");
  return site + "]}";
}

bool Search(TMainForm& form) {
  QSignalSpy finished(&form, &TMainForm::searchFinished);
  form.Button1Click();
  return finished.wait(30000);
}

int RowOf(TMainForm& form, const QString& ip) {
  for (int r = 1; r < form.m_State.table.grid.RowCount(); ++r)
    if (QString::fromStdString(form.m_State.table.grid.Cell(kColIp, r)) == ip) return r;
  return -1;
}

// Runs `drive` on the modal dialog that the command opens, once it is up.
template <typename Dialog, typename Drive>
void WhenShown(Drive drive) {
  QTimer::singleShot(50, [drive] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(0, [drive] { WhenShown<Dialog>(drive); });
      return;
    }
    drive(*dialog);
  });
}

}  // namespace

class NetworkSetupLabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void oneDeviceGetsANewAddress();
  void aBatchGetsSerialAddresses();

 private:
  QTemporaryDir appdata_;
};

void NetworkSetupLabTest::initTestCase() {
  if (!testing::InsideLab()) QFAIL("refusing to open sockets outside a lab (scripts/lab run)");
  QVERIFY(appdata_.isValid());
  qputenv("APPDATA", appdata_.path().toLocal8Bit());
}

void NetworkSetupLabTest::oneDeviceGetsANewAddress() {
  testing::DevSim sim(Site());
  QVERIFY(sim.running());
  ScriptedPrompts prompts;
  prompts.signInAnswers.push_back({true, {"admin", "wrong", false}});
  prompts.signInAnswers.push_back({true, {"admin", "8629", false}});
  TMainForm form;
  form.FormCreate();
  form.show();
  form.ComboBox3->setCurrentIndex(form.ComboBox3->findText("198.18.1.1"));
  QVERIFY(Search(form));
  const int row = RowOf(form, "198.18.1.11");
  QVERIFY(row > 0);
  form.m_Grid.m_SelectedRows = {{1, row}};
  form.m_Grid.m_CurrentRow = row;

  for (const char* attempt : {"wrong", "right"}) {
    bool driven = false;
    WhenShown<TNetForm>([&](TNetForm& dialog) {
      driven = true;
      dialog.RadioButtonStatic->click();
      dialog.LabeledEditIP->setText("198.18.1.111");
      dialog.BtnApplyClick();
    });
    form.NetworkSetup1Click();  // returns when the dialog has reported and closed
    QVERIFY2(driven, attempt);
  }
  QCOMPARE(prompts.messages.size(), std::size_t(2));
  QCOMPARE(prompts.messages[0].text,
           QString("Username or password Error.\nPlease check username & password."));
  QCOMPARE(prompts.messages[1].text,
           QString("Control package sent.\nPlease try to re-search the device after one minute."));

  QVERIFY(Search(form));
  QVERIFY(RowOf(form, "198.18.1.111") > 0);
  QCOMPARE(RowOf(form, "198.18.1.11"), -1);
}

void NetworkSetupLabTest::aBatchGetsSerialAddresses() {
  testing::DevSim sim(Site());
  QVERIFY(sim.running());
  ScriptedPrompts prompts;
  prompts.signInAnswers.push_back({true, {"admin", "8629", false}});
  TMainForm form;
  form.FormCreate();
  form.show();
  form.ComboBox3->setCurrentIndex(form.ComboBox3->findText("198.18.1.1"));
  QVERIFY(Search(form));
  form.m_Grid.m_SelectedRows = {{1, 1}, {1, 2}, {1, 3}};

  QStringList outcomes;
  WhenShown<TGroupIpSetupForm>([&](TGroupIpSetupForm& dialog) {
    dialog.Edit1->setText("198");
    dialog.Edit2->setText("18");
    dialog.Edit3->setText("1");
    dialog.Edit4->setText("50");
    dialog.Button1->click();
    QObject::connect(&dialog, &TGroupIpSetupForm::runFinished, &dialog, [&dialog, &outcomes] {
      for (int r = 0; r < dialog.StringGrid1->rowCount(); ++r)
        outcomes << dialog.StringGrid1->item(r, 3)->text();
      QTimer::singleShot(0, &dialog, [&dialog] { dialog.OKBtn->click(); });
    });
    dialog.OKBtn->click();
  });
  form.NetworkSetup1Click();
  QCOMPARE(outcomes, QStringList(3, "Successfully allocated."));
  QVERIFY(Search(form));
  for (const char* ip : {"198.18.1.50", "198.18.1.51", "198.18.1.52"}) QVERIFY2(RowOf(form, ip) > 0, ip);
}

QTEST_MAIN(NetworkSetupLabTest)
#include "network_setup_lab_test.moc"
