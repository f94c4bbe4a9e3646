#pragma once
// TSoftwareUpgradeForm: sends a firmware file (upgrade mode) or a configuration file
// (configuration mode) to one device or to several. The user chooses the file, confirms the
// credentials, and the progress window lets one suspended worker per device run (batches of
// at most seven); each device's outcome shows in the status list (several devices) or in a
// message box (one device). The work itself is the core's (maintenance/upgrade_run.h).
//
//   TSoftwareUpgradeForm form(parent, UpgradeMode::kFirmware, &settings);
//   form.ShowSingleDevice(ip, port);        // or ShowDevices(list)
//   form.exec();

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "maintenance/exchange_prompter.h"
#include "maintenance/upgrade_run.h"
#include "settings/settings_file.h"
#include "support/qt_dispatcher.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace scanvale {

class TProgressBarForm;

// It is also where the workers' message boxes are shown (on its own thread).
class TSoftwareUpgradeForm : public QDialog, public ExchangePrompter {
  Q_OBJECT

 public:
  // `settings` holds the remembered credentials the sign-in window reads and writes back.
  TSoftwareUpgradeForm(QWidget* parent, UpgradeMode mode, tSettingsState* settings);
  ~TSoftwareUpgradeForm() override;

  // The mode as the caption tells it: upgrade mode while it reads "Software Upgrade".
  UpgradeMode Mode() const;

  // One device: its address in IpLabel (empty when the row has none) and its web port.
  void ShowSingleDevice(const std::string& ip, const std::string& port);
  // Several devices (m_IsMulti): the wide layout with the count line and the status list.
  void ShowDevices(std::vector<tMultiSelectInfo> devices);

  void Button1Click();     // choose the file
  void UpgradeBtnClick();  // run

  // ExchangePrompter: a worker's box, through the active prompts.
  void ShowMessage(const ExchangeMessage& message) override;

  // Clears the main window's selection (after a run, and when the dialog goes).
  std::function<void()> clearMainSelection;
  // Called with the progress window just before it is shown (tests look at it there).
  std::function<void(TProgressBarForm&)> beforeProgress;

  QLabel* Label1;
  QLabel* Label4;
  QPushButton* Button1;
  QLineEdit* File;
  QLabel* FileLabel;  // File's label: the chosen file's name
  QLabel* Label3;
  QLabel* Label6;
  QPushButton* UpgradeBtn;
  QLabel* IpLabel;
  QGroupBox* GroupBox1;
  QLabel* Label8;
  QTableWidget* ValueListEditor1;

  bool m_IsMulti = false;
  std::vector<tMultiSelectInfo> v_MultiSelectInfo;
  std::string m_User;
  std::string m_Password;
  bool m_Uploaded = false;

 private:
  void CreateControls();
  void SetModeTexts(UpgradeMode mode);
  bool FileChosen() const;
  void ClearFile();
  void ShowStatus(const tUpgradeStatus& status);
  void RunUpload(TProgressBarForm& progress);
  std::vector<tMultiSelectInfo> RunDevices() const;

  tSettingsState* settings_;
  std::string singleIp_;
  std::string singlePort_;
  QtDispatcher dispatcher_;
};

}  // namespace scanvale
