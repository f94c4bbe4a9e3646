// The main window searching a simulated site inside the lab: the buttons stay disabled while
// the window keeps handling events, the result fills the grid sorted with row 1 selected, and
// a window closed in the middle of a search stops its worker at once.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "dialogs/scripted_prompts.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

using namespace scanvale;

namespace {

// Five devices on three segments, answering both ways; one sits outside its segment's subnet.
const char* kSite = R"({"devices": [
  {"model": "KC-2100", "proj": "IP-Cam", "name": "Lobby", "ip": "198.18.1.10",
   "trigger_port": "80", "netmask": "255.255.255.0", "gateway": "198.18.1.254",
   "dns": "198.18.1.254", "mac": "00:0F:7C:01:00:10", "dev": "cam", "note": "n", "idpw": "1",
   "vendor": "Kestrilon", "link": 0, "reply": "unicast"},
  {"model": "KN-1600", "proj": "NVR", "name": "NVR-16", "ip": "198.18.2.20",
   "trigger_port": "8080", "netmask": "255.255.255.0", "gateway": "198.18.2.254",
   "dns": "198.18.2.254", "mac": "00:0F:7C:01:00:20", "dev": "nvr", "note": "n", "idpw": "1",
   "vendor": "Kestrilon", "link": 1, "reply": "broadcast"},
  {"model": "KA-300", "proj": "IP-Cam", "name": "Gate", "ip": "198.18.3.30",
   "trigger_port": "80", "netmask": "255.255.255.0", "gateway": "198.18.3.254",
   "dns": "198.18.3.254", "mac": "00:0F:7C:01:00:30", "dev": "cam", "note": "n", "idpw": "0",
   "vendor": "Kestrilon", "link": 2, "reply": "unicast"},
  {"model": "KV-400", "proj": "VDS", "name": "Door", "ip": "198.18.4.40",
   "trigger_port": "80", "netmask": "255.255.255.0", "gateway": "198.18.4.254",
   "dns": "198.18.4.254", "mac": "00:0F:7C:01:00:40", "dev": "vds", "note": "n", "idpw": "1",
   "vendor": "Kestrilon", "link": 2, "reply": "broadcast"},
  {"model": "KD-800", "proj": "DVR", "name": "Store", "ip": "192.168.7.8",
   "trigger_port": "81", "netmask": "255.255.255.0", "gateway": "192.168.7.1",
   "dns": "192.168.7.1", "mac": "00:0F:7C:01:00:50", "dev": "dvr", "note": "n", "idpw": "1",
   "vendor": "Kestrilon", "link": 0, "reply": "broadcast"}
]})";

void ChooseAllAdapters(TMainForm& form) {
  const int last = form.ComboBox3->count() - 1;
  form.ComboBox3->setCurrentIndex(last);
  form.ComboBox3->setEditText(form.ComboBox3->itemText(last));
}

}  // namespace

class MainFormLabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void searchFillsTheGridWhileTheWindowStaysResponsive();
  void closingDuringASearchStopsTheWorker();

 private:
  QTemporaryDir appdata_;
};

void MainFormLabTest::initTestCase() {
  if (!testing::InsideLab()) QFAIL("refusing to open sockets outside a lab (scripts/lab run)");
  QVERIFY(appdata_.isValid());
  qputenv("APPDATA", appdata_.path().toLocal8Bit());
}

void MainFormLabTest::searchFillsTheGridWhileTheWindowStaysResponsive() {
  testing::DevSim sim(kSite);
  QVERIFY(sim.running());
  ScriptedPrompts prompts;
  TMainForm form;
  form.FormCreate();
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  ChooseAllAdapters(form);
  QTest::mouseClick(form.Button3, Qt::LeftButton);  // Long
  QTest::mouseClick(form.Button3, Qt::LeftButton);  // Short
  QVERIFY(form.Button3->text().contains("Short"));

  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(50);
  QSignalSpy finished(&form, &TMainForm::searchFinished);
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  QVERIFY(form.SearchRunning());
  QVERIFY(!form.Button1->isEnabled() && !form.Button2->isEnabled() && !form.Button3->isEnabled());
  QVERIFY(form.Button1->text().contains("Searching..."));
  QTest::mouseClick(form.Button1, Qt::LeftButton);  // disabled: no second run
  form.move(40, 30);                                // the window can be moved meanwhile
  QVERIFY(finished.wait(30000));
  QVERIFY2(ticks >= 10, qPrintable(QString("timer ticks during the run: %1").arg(ticks)));
  QVERIFY(clock.elapsed() >= 1500);  // Short, all adapters: at least the protocol's waits

  QCOMPARE(form.StringGrid1->rowCount(), 5);
  QCOMPARE(form.Label1->text(), QString("5 device(s) found!"));
  QVERIFY(form.Button1->isEnabled() && form.Button2->isEnabled() && form.Button3->isEnabled());
  QVERIFY(form.Button1->text().contains("Scanvale"));
  // Sorted by model, ascending, row 1 selected and the grid's focus on it.
  QStringList models;
  for (int r = 0; r < 5; ++r) models << form.StringGrid1->item(r, 0)->text();
  QCOMPARE(models, (QStringList{"KA-300", "KC-2100", "KD-800", "KN-1600", "KV-400"}));
  QCOMPARE(form.m_Grid.m_SelectedRows.size(), std::size_t(1));
  QCOMPARE(form.m_Grid.m_SelectedRows[0].row, 1);
  QCOMPARE(form.m_Grid.m_CurrentRow, 1);
  QVERIFY(!form.m_Grid.m_NoSearchYet);
  QVERIFY(form.m_Grid.m_DevicesFound);
  QCOMPARE(form.StringGrid1->cellPaint(2, 1).look, CellLook::kHighlight);
  QCOMPARE(form.StringGrid1->cellPaint(2, 2).look, CellLook::kDefault);
}

void MainFormLabTest::closingDuringASearchStopsTheWorker() {
  testing::DevSim sim(kSite);
  QVERIFY(sim.running());
  ScriptedPrompts prompts;
  auto form = std::make_unique<TMainForm>();
  form->FormCreate();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  ChooseAllAdapters(*form);
  QTest::mouseClick(form->Button3, Qt::LeftButton);  // Long: twelve seconds without replies
  form->Button1Click();
  QVERIFY(form->SearchRunning());
  QTest::qWait(300);
  QElapsedTimer clock;
  clock.start();
  QVERIFY(form->close());
  QVERIFY(!form->SearchRunning());
  form.reset();
  QVERIFY2(clock.elapsed() < 1500, qPrintable(QString("%1 ms").arg(clock.elapsed())));
  QVERIFY(prompts.messages.empty());
}

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  MainFormLabTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_form_lab_test.moc"
