// The main window's "Get FW Ver.", "Restart Device" and "Factory Default", and the batch
// dialog's "Send API Cmd", against a simulated site: the buttons through each run, the
// results in the grids as the devices answer, the messages the user sees.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <map>

#include "dialogs/scripted_prompts.h"
#include "language/apply_language.h"
#include "language/language.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "netconfig/group_ip_setup_form.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

using namespace scanvale;

namespace {

// Sorted by model after a search: Alpha (row 1), Bravo (row 2), Charlie (row 3).
const char* kSite = R"({"devices": [
  {"model": "A-100", "proj": "IP-Cam", "name": "Alpha", "ip": "198.18.1.60",
   "trigger_port": "80", "netmask": "255.255.255.0", "mac": "00:0F:7C:02:00:60", "idpw": "1",
   "link": 0, "credentials": {"id": "admin", "password": "8629"},
   "web": {"firmware": "V2.1.7",
           "raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 200 OK\r\n\r\nOK\r\n"}}},
  {"model": "B-200", "proj": "DVR", "name": "Bravo", "ip": "198.18.2.61",
   "trigger_port": "8080", "netmask": "255.255.255.0", "mac": "00:0F:7C:02:00:61", "idpw": "1",
   "link": 1, "credentials": {"id": "admin", "password": "8629"},
   "web": {"firmware": "D5.0", "thread_id": "7",
           "raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 200 OK\r\n\r\nOK\r\n"}}},
  {"model": "C-300", "proj": "IP-Cam", "name": "Charlie", "ip": "198.18.1.62",
   "trigger_port": "80", "netmask": "255.255.255.0", "mac": "00:0F:7C:02:00:62", "idpw": "1",
   "link": 0, "credentials": {"id": "admin", "password": "other"},
   "web": {"raw": {"/cgi-bin/admin/setport.cgi": "HTTP/1.1 401 Unauthorized\r\n\r\n"}}}
]})";

tSignInAnswer Confirmed() {
  tSignInAnswer answer;
  answer.ok = true;
  answer.fields = {"admin", "8629", false};
  return answer;
}

QString Cell(QTableWidget* grid, int row, int col) {
  QTableWidgetItem* item = grid->item(row - 1, col);
  return item ? item->text() : QString();
}

// Waits for `done` while the event loop runs; false after `ms`.
template <class Done>
bool WaitFor(Done done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QTest::qWait(20);
  return done();
}

}  // namespace

class MaintenanceCommandsLabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void versionQueryFillsTheFirmwareColumn();
  void restartAndFactoryDefaultOverlapAndBothWrite();
  void batchApiCommandNumbersEachDevice();
  void batchApiCommandRefusalsAndFactoryDefaultNotice();

 private:
  void Search();

  QTemporaryDir appdata_;
  std::unique_ptr<testing::DevSim> sim_;
  std::unique_ptr<ScriptedPrompts> prompts_;
  std::unique_ptr<TMainForm> form_;
};

void MaintenanceCommandsLabTest::initTestCase() {
  if (!testing::InsideLab()) QFAIL("refusing to open sockets outside a lab (scripts/lab run)");
  QVERIFY(appdata_.isValid());
  qputenv("APPDATA", appdata_.path().toLocal8Bit());
  sim_ = std::make_unique<testing::DevSim>(kSite);
  QVERIFY(sim_->running());
}

void MaintenanceCommandsLabTest::init() {
  prompts_ = std::make_unique<ScriptedPrompts>();
  form_ = std::make_unique<TMainForm>();
  form_->FormCreate();
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  Search();
}

void MaintenanceCommandsLabTest::cleanup() {
  form_.reset();
  prompts_.reset();
}

void MaintenanceCommandsLabTest::Search() {
  const int last = form_->ComboBox3->count() - 1;  // all adapters
  form_->ComboBox3->setCurrentIndex(last);
  form_->ComboBox3->setEditText(form_->ComboBox3->itemText(last));
  QTest::mouseClick(form_->Button3, Qt::LeftButton);  // Long
  QTest::mouseClick(form_->Button3, Qt::LeftButton);  // Short
  QSignalSpy finished(form_.get(), &TMainForm::searchFinished);
  form_->Button1Click();
  QVERIFY(finished.wait(30000));
  QCOMPARE(form_->StringGrid1->rowCount(), 3);
  QCOMPARE(Cell(form_->StringGrid1, 1, kColName), QString("Alpha"));
}

void MaintenanceCommandsLabTest::versionQueryFillsTheFirmwareColumn() {
  prompts_->signInAnswers.push_back(Confirmed());
  QTest::mouseClick(form_->Button2, Qt::LeftButton);
  QCOMPARE(prompts_->signIns.size(), std::size_t(1));
  QCOMPARE(prompts_->signIns[0].prefill.id, std::string("admin"));
  QCOMPARE(form_->Button2->text().trimmed(), MsgText(Msg::GettingVer));
  QVERIFY(!form_->Button1->isEnabled() && !form_->Button2->isEnabled() &&
          !form_->Button3->isEnabled());
  QVERIFY(form_->m_Grid.m_JobBusy);
  QVERIFY(WaitFor([&] { return form_->Button2->isEnabled(); }, 20000));
  QCOMPARE(form_->Button2->text().trimmed(), MsgText(Msg::GetFwVer));
  QVERIFY(form_->Button1->isEnabled() && form_->Button3->isEnabled());
  QVERIFY(!form_->m_Grid.m_JobBusy);
  QCOMPARE(Cell(form_->StringGrid1, 1, kColFirmware), QString("V2.1.7\r\n"));
  QCOMPARE(Cell(form_->StringGrid1, 2, kColFirmware), QString("D5.0\r\n"));
  QCOMPARE(Cell(form_->StringGrid1, 3, kColFirmware), QString("Unauthorized"));
  QVERIFY(prompts_->messages.empty());  // a failed device raises no box
}

void MaintenanceCommandsLabTest::restartAndFactoryDefaultOverlapAndBothWrite() {
  // A restart of rows 2 (DVR: Digest) and 3 (refused), and meanwhile a factory default of
  // row 1.
  form_->m_Grid.m_SelectedRows = {{0, 2}, {0, 3}};
  prompts_->signInAnswers.push_back(Confirmed());
  form_->RestartDevice1Click();
  QCOMPARE(prompts_->messages.size(), std::size_t(1));
  QCOMPARE(prompts_->messages[0].text, MsgText(Msg::RebootAfterRestart));
  QCOMPARE(prompts_->messages[0].caption, MsgText(Msg::Warning));
  form_->m_Grid.m_SelectedRows = {{0, 1}};
  prompts_->signInAnswers.push_back(Confirmed());
  form_->FactoryDefault1Click();
  QCOMPARE(prompts_->messages.back().text, MsgText(Msg::RebootAfterFactoryDefault));
  QVERIFY(!form_->Button1->isEnabled());

  QVERIFY(WaitFor([&] { return form_->Button1->isEnabled(); }, 20000));
  QVERIFY(form_->Button2->isEnabled() && form_->Button3->isEnabled());
  QCOMPARE(Cell(form_->StringGrid1, 1, kColFirmware), QString("Default OK"));
  QCOMPARE(Cell(form_->StringGrid1, 2, kColFirmware), QString("Reboot OK"));
  QCOMPARE(Cell(form_->StringGrid1, 3, kColFirmware), QString("Unauthorized"));

  // A cancelled sign-in starts nothing.
  form_->m_Grid.m_SelectedRows = {{0, 1}};
  form_->RestartDevice1Click();
  QVERIFY(form_->Button1->isEnabled());
  QCOMPARE(Cell(form_->StringGrid1, 1, kColFirmware), QString("Default OK"));
}

void MaintenanceCommandsLabTest::batchApiCommandNumbersEachDevice() {
  const double since = testing::SteadySeconds();
  TGroupIpSetupForm dialog(form_.get());
  dialog.Fill(form_->m_State.table, {{0, 1}, {0, 2}, {0, 3}});
  dialog.show();
  dialog.Edit5->setText("cgi-bin/admin/setport.cgi?http=%d");
  dialog.Edit6->setText("8000");
  dialog.ComboBox1->setCurrentIndex(1);  // Increment
  prompts_->signInAnswers.push_back(Confirmed());
  QSignalSpy finished(&dialog, &TGroupIpSetupForm::apiCommandFinished);
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  QCOMPARE(dialog.Button2->text().trimmed(), MsgText(Msg::SendingCmd));
  QVERIFY(!dialog.Button2->isEnabled() && !dialog.OKBtn->isEnabled());
  QVERIFY(!dialog.CancelBtn->isEnabled());
  QVERIFY(!dialog.Button1->isEnabled());  // rows keep their order while results come in by row
  QVERIFY(finished.wait(20000));
  QVERIFY(dialog.Button2->isEnabled() && dialog.Button1->isEnabled());
  QVERIFY(!dialog.OKBtn->isEnabled());  // until the next Assign
  QCOMPARE(Cell(dialog.StringGrid1, 1, 3), QString("Send API Cmd OK"));
  QCOMPARE(Cell(dialog.StringGrid1, 2, 3), QString("Send API Cmd OK"));
  QCOMPARE(Cell(dialog.StringGrid1, 3, 3), QString("Unauthorized"));
  QVERIFY(prompts_->messages.empty());

  std::map<std::string, std::string> lines;  // device -> request line
  for (const testing::DevSimRecord& r : sim_->Records())
    if (r.proto == "http" && r.t >= since) lines[r.dst] = r.bytes.substr(0, r.bytes.find("\r\n"));
  QCOMPARE(lines["198.18.1.60:80"], std::string("GET /cgi-bin/admin/setport.cgi?http=8000 HTTP/1.1"));
  QCOMPARE(lines["198.18.2.61:8080"], std::string("GET /cgi-bin/admin/setport.cgi?http=8001 HTTP/1.1"));
  QCOMPARE(lines["198.18.1.62:80"], std::string("GET /cgi-bin/admin/setport.cgi?http=8002 HTTP/1.1"));
}

void MaintenanceCommandsLabTest::batchApiCommandRefusalsAndFactoryDefaultNotice() {
  TGroupIpSetupForm dialog(form_.get());
  dialog.Fill(form_->m_State.table, {{0, 1}, {0, 2}});
  dialog.show();
  dialog.Edit5->setText("a.cgi?x=%d&y=%d");
  dialog.Button2Click();
  QCOMPARE(prompts_->messages.size(), std::size_t(1));
  QCOMPARE(prompts_->messages[0].text, MsgText(Msg::OnlyOnePercentD));
  QCOMPARE(prompts_->messages[0].caption, MsgText(Msg::Notice));
  QVERIFY(prompts_->signIns.empty());  // refused before the sign-in
  QVERIFY(dialog.Button2->isEnabled());

  dialog.Edit5->setText("cgi-bin/kesttest/default_test.cgi");  // the devices hang up at once
  prompts_->signInAnswers.push_back(Confirmed());
  QSignalSpy finished(&dialog, &TGroupIpSetupForm::apiCommandFinished);
  dialog.Button2Click();
  QVERIFY(finished.wait(20000));
  QCOMPARE(Cell(dialog.StringGrid1, 1, 3), QString("Send API Cmd OK"));
  QCOMPARE(Cell(dialog.StringGrid1, 2, 3), QString("Send API Cmd OK"));
  QCOMPARE(prompts_->messages.size(), std::size_t(2));
  QCOMPARE(prompts_->messages[1].text, MsgText(Msg::FactoryDefaultWait));
}

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  MaintenanceCommandsLabTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "maintenance_commands_lab_test.moc"
