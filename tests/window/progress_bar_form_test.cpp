// The progress window: batches of at most seven suspended workers, each after the previous
// batch has ended, and the window closing itself at the tick after the last worker ended.
// Most tests call the tick handler directly instead of waiting for real seconds.

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>

#include "dialogs/progress_bar_form.h"
#include "maintenance/suspended_worker.h"
#include "support/stand_in_worker.h"

using namespace scanvale;
using namespace std::chrono_literals;
using scanvale::testing::StandInWorkers;

class ProgressBarFormTest : public QObject {
  Q_OBJECT

 private slots:
  void sixteenWorkersRunAsSevenSevenTwo();
  void singleWorkerClosesAtTheTickAfterItEnded();
  void noWorkersClosesAtTheFirstTick();
  void userCannotCloseItWhileWorkersRun();
  void workersReportFromTheirThreads();
  void timerDrivesTheModalWindowToItsEnd();
};

void ProgressBarFormTest::sixteenWorkersRunAsSevenSevenTwo() {
  StandInWorkers workers(16);
  TProgressBarForm form(nullptr, 0ms);
  form.SetWorkers(workers.Pointers());
  form.show();
  QVERIFY(form.Timer1->isActive());
  QCOMPARE(form.Timer1->interval(), 1000);
  QCOMPARE(workers.StartedCount(), 0);  // nothing runs before the first tick

  // Started workers after each tick; between ticks every started worker but one ends first,
  // then the last one, so a batch is seen to end only once all of it has ended.
  const int startedAfterTick[] = {7, 7, 7, 14, 14, 14, 16, 16, 16};
  const int doneAfterTick[] = {0, 0, 7, 7, 7, 14, 14, 14, 16};
  for (int tick = 0; tick < 9; ++tick) {
    QVERIFY2(form.isVisible(), qPrintable(QString("closed before tick %1").arg(tick + 1)));
    form.Timer1Timer();
    QCOMPARE(workers.StartedCount(), startedAfterTick[tick]);
    QCOMPARE(form.WorkersDone(), doneAfterTick[tick]);
    if (tick % 3 == 0) {
      for (int i = 0; i + 1 < workers.StartedCount(); ++i) workers[i].End();
    } else {
      workers.EndStarted();
    }
  }
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(form.ProgressBar1->value(), 100);
  QVERIFY(!form.Timer1->isActive());
  for (int i = 0; i < 16; ++i) QCOMPARE(workers[i].Starts(), 1);
}

void ProgressBarFormTest::singleWorkerClosesAtTheTickAfterItEnded() {
  StandInWorkers workers(1);
  TProgressBarForm form(nullptr, 0ms);
  form.SetWorker(workers.Pointers()[0]);
  QVERIFY(!form.MultiWorkers());
  form.show();
  form.Timer1Timer();
  QVERIFY(workers[0].Started());
  form.Timer1Timer();
  QVERIFY(form.isVisible());
  workers[0].End();
  form.Timer1Timer();
  QVERIFY(!form.isVisible());
  QCOMPARE(form.ProgressBar1->value(), 100);
}

void ProgressBarFormTest::noWorkersClosesAtTheFirstTick() {
  TProgressBarForm form(nullptr, 0ms);
  form.SetWorkers({});
  form.show();
  form.Timer1Timer();
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
}

void ProgressBarFormTest::userCannotCloseItWhileWorkersRun() {
  StandInWorkers workers(2);
  TProgressBarForm form(nullptr, 0ms);
  form.SetWorkers(workers.Pointers());
  QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
  QVERIFY(!(form.windowFlags() & Qt::WindowSystemMenuHint));
  QCOMPARE(form.windowTitle(), QString("Upload File"));
  form.show();
  form.Timer1Timer();
  QVERIFY(!form.close());
  QTest::keyClick(&form, Qt::Key_Escape);
  QVERIFY(form.isVisible());
  workers.EndStarted();
  form.Timer1Timer();
  QVERIFY(!form.isVisible());
}

void ProgressBarFormTest::workersReportFromTheirThreads() {
  TProgressBarForm form;
  CSuspendedThread worker([&] {
    form.AdvanceBy(30);
    form.SetStatusText("Uploading...");
    form.AdvanceBy(90);  // the bar stops at its maximum
  });
  form.SetWorker(&worker);
  form.show();
  form.Timer1Timer();
  QVERIFY(worker.WaitFinished(5s));
  QCoreApplication::processEvents();
  QCOMPARE(form.ProgressBar1->value(), 100);
  QCOMPARE(form.MsgLbl->text(), QString("Uploading..."));
  form.Timer1Timer();
  QVERIFY(!form.isVisible());
}

void ProgressBarFormTest::timerDrivesTheModalWindowToItsEnd() {
  StandInWorkers workers(16, /*endWhenStarted=*/true);
  TProgressBarForm form(nullptr, 0ms);
  form.SetWorkers(workers.Pointers());
  form.Timer1->setInterval(5);
  QTimer::singleShot(10000, &form, [&] { form.done(QDialog::Rejected); });  // never hang
  QCOMPARE(form.exec(), int(QDialog::Accepted));
  QCOMPARE(workers.StartedCount(), 16);
  QCOMPARE(form.WorkersDone(), 16);
}

QTEST_MAIN(ProgressBarFormTest)
#include "progress_bar_form_test.moc"
