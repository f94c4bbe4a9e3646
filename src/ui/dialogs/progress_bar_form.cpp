#include "dialogs/progress_bar_form.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>

namespace scanvale {
namespace {
constexpr int kClientWidth = 310;
constexpr int kClientHeight = 55;
constexpr int kBarHeight = 33;
}  // namespace

TProgressBarForm::TProgressBarForm(QWidget* parent, std::chrono::milliseconds tickWait)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_Starter({}, tickWait) {
  setObjectName("ProgressBarForm");
  setWindowTitle("Upload File");
  // 326 x 94 with a frame and title bar; the client area is what Qt sizes.
  setFixedSize(kClientWidth, kClientHeight);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(0, 0, kClientWidth, kBarHeight);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);

  MsgLbl = new QLabel(this);
  MsgLbl->setObjectName("MsgLbl");
  MsgLbl->setGeometry(0, kBarHeight, kClientWidth, kClientHeight - kBarHeight);
  MsgLbl->setAlignment(Qt::AlignCenter);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TProgressBarForm::Timer1Timer);
}

void TProgressBarForm::SetWorkers(std::vector<SuspendedWorker*> workers) {
  m_MultiWorkers = true;
  m_Starter.SetWorkers(std::move(workers));
}

void TProgressBarForm::SetWorker(SuspendedWorker* worker) {
  m_MultiWorkers = false;
  m_Starter.SetWorkers({worker});
}

void TProgressBarForm::AdvanceBy(int step) {
  QMetaObject::invokeMethod(this, [this, step] {
    ProgressBar1->setValue(std::min(ProgressBar1->maximum(), ProgressBar1->value() + step));
  }, Qt::QueuedConnection);
}

void TProgressBarForm::SetStatusText(const std::string& text) {
  QMetaObject::invokeMethod(this, [this, status = QString::fromStdString(text)] {
    MsgLbl->setText(status);
  }, Qt::QueuedConnection);
}

void TProgressBarForm::Timer1Timer() {
  if (m_Ended || m_Starter.Tick() != BatchTick::kAllEnded) return;
  m_Ended = true;
  Timer1->stop();
  ProgressBar1->setValue(std::min(ProgressBar1->maximum(), ProgressBar1->value() + 100));
  accept();
}

void TProgressBarForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!m_Ended) Timer1->start();
}

void TProgressBarForm::hideEvent(QHideEvent* event) {
  Timer1->stop();
  QDialog::hideEvent(event);
}

void TProgressBarForm::closeEvent(QCloseEvent* event) {
  if (m_Ended) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

void TProgressBarForm::reject() {
  if (m_Ended) QDialog::reject();
}

}  // namespace scanvale
