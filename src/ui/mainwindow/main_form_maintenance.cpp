// The main window's maintenance commands: "Get FW Ver." and the popup's "Restart Device" and
// "Factory Default". The window asks for the credentials, copies what the coordinator needs
// and starts it; results arrive here on the window's thread as each job ends.

#include <QPushButton>
#include <QTableWidgetItem>

#include "dialogs/prompts.h"
#include "dialogs/sign_in_form.h"
#include "language/apply_language.h"
#include "language/language.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "maintenance/fw_version_command.h"
#include "maintenance/restart_command.h"

namespace scanvale {

tCommandRun TMainForm::MaintenanceRun(std::function<void(const tJobOutcome&)> deliver) {
  tCommandRun run;
  run.user = m_JobUser;
  run.password = m_JobPassword;
  run.dispatcher = &dispatcher_;
  run.deliver = std::move(deliver);
  run.prompts = PromptSeam{&dispatcher_, &exchangePrompter_};
  return run;
}

// Commands overlap (a factory default may start while a restart runs): the grid stays
// unsortable and the search and version buttons stay off until the last of them has ended,
// so no search or sort can move rows under a command that is still writing results.
void TMainForm::MaintenanceStarted() {
  ++maintenanceRuns_;
  m_Grid.m_JobBusy = true;
  Button1->setEnabled(false);
  Button2->setEnabled(false);
  Button3->setEnabled(false);
}

void TMainForm::MaintenanceEnded() {
  coordinators_.Reap();
  if (--maintenanceRuns_ > 0) return;
  maintenanceRuns_ = 0;
  m_Grid.m_JobBusy = false;
  Button2->setEnabled(true);
  Button1->setEnabled(true);
  Button3->setEnabled(true);
}

void TMainForm::ShowGridCell(int col, int row) {
  if (row < 1 || row > StringGrid1->rowCount()) return;
  const QString text = QString::fromStdString(m_State.table.grid.Cell(col, row));
  if (QTableWidgetItem* item = StringGrid1->item(row - 1, col))
    item->setText(text);
  else
    StringGrid1->setItem(row - 1, col, new QTableWidgetItem(text));
}

void TMainForm::Button2Click() {
  Button2->setEnabled(false);
  const tSignInAnswer answer = SignInRemembering(this, m_Settings);
  if (!answer.ok) {
    Button2->setText(MsgText(Msg::GetFwVer));
    Button2->setEnabled(true);
    return;
  }
  m_JobUser = answer.fields.id;
  m_JobPassword = answer.fields.password;
  MaintenanceStarted();
  Button2->setText(MsgText(Msg::GettingVer));

  const tCommandRun run = MaintenanceRun([this](const tJobOutcome& outcome) {
    if (WriteFWVerOutcome(m_State.table.grid, outcome)) ShowGridCell(kColFirmware, outcome.row);
  });
  coordinators_.Start(
      [targets = FWVerTargets(m_State.table.grid), run] { RunGetFWVer(targets, run); },
      &dispatcher_, [this] {
        Button2->setText(MsgText(Msg::GetFwVer));
        MaintenanceEnded();
      });
}

void TMainForm::RestartDevice1Click() { StartReset(ResetCommand::kRestart); }
void TMainForm::FactoryDefault1Click() { StartReset(ResetCommand::kFactoryDefault); }

void TMainForm::StartReset(ResetCommand command) {
  const Msg warning = command == ResetCommand::kRestart ? Msg::RebootAfterRestart
                                                        : Msg::RebootAfterFactoryDefault;
  ActivePrompts().Message(this, MsgText(warning), MsgText(Msg::Warning), Prompts::Icon::Warning);
  const tSignInAnswer answer = SignInRemembering(this, m_Settings);
  if (!answer.ok) return;
  m_JobUser = answer.fields.id;
  m_JobPassword = answer.fields.password;
  MaintenanceStarted();

  // The selection as it stands now decides which rows receive results, whatever the user
  // selects while the jobs run.
  std::vector<int> rows;
  for (const tRowSelected& entry : m_Grid.m_SelectedRows) rows.push_back(entry.row);
  const tCommandRun run = MaintenanceRun([this, rows](const tJobOutcome& outcome) {
    if (WriteResetOutcome(m_State.table.grid, rows, outcome) == 0) return;
    for (const int row : rows) ShowGridCell(kColFirmware, row);
  });
  coordinators_.Start(
      [command, targets = ResetTargets(m_State.table, m_Grid.m_SelectedRows), run] {
        RunReset(command, targets, run);
      },
      &dispatcher_, [this] { MaintenanceEnded(); });
}

}  // namespace scanvale
