#pragma once
// TProgressBarForm: stays on screen while upload workers run and closes itself when they have
// all ended. Its one-second timer lets the suspended workers run in batches of at most seven
// (CBatchStarter); the workers report through UploadProgress from their own threads.
//
//   TProgressBarForm progress(this);
//   progress.SetWorkers(workers);   // created suspended, one per device (or SetWorker)
//   progress.exec();                // returns once every worker has ended
//
// The user cannot close it: there is no close box, and Escape and close requests are refused
// until the workers have ended.

#include <QDialog>
#include <chrono>
#include <string>
#include <vector>

#include "maintenance/batch_starter.h"
#include "maintenance/upload_progress.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace scanvale {

class TProgressBarForm : public QDialog, public UploadProgress {
  Q_OBJECT

 public:
  explicit TProgressBarForm(QWidget* parent = nullptr,
                            std::chrono::milliseconds tickWait = CBatchStarter::kTickWait);

  // One worker per device (m_MultiWorkers on); none makes the window close at its first tick.
  void SetWorkers(std::vector<SuspendedWorker*> workers);
  // A single worker (m_MultiWorkers off).
  void SetWorker(SuspendedWorker* worker);

  bool MultiWorkers() const { return m_MultiWorkers; }
  int WorkerCount() const { return m_Starter.WorkerCount(); }
  int WorkersDone() const { return m_Starter.WorkersDone(); }  // m_WorkersDone

  // From any thread; applied on the window's thread.
  void AdvanceBy(int step) override;
  void SetStatusText(const std::string& text) override;

  QProgressBar* ProgressBar1;
  QLabel* MsgLbl;
  QTimer* Timer1;  // runs while the window is shown

 public slots:
  void Timer1Timer();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  CBatchStarter m_Starter;
  bool m_MultiWorkers = false;
  bool m_Ended = false;
};

}  // namespace scanvale
