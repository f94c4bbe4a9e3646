#pragma once
// The main window: the search controls, the device grid with its popup menu, and the hidden
// diagnostic log. It shows core state and forwards events; the rules live in the core
// (grid/, discovery/search_run.h, language/, settings/).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discovery/search_run.h"
#include "grid/grid_selection.h"
#include "maintenance/kest_thread.h"
#include "maintenance/restart_command.h"
#include "language/language_switch.h"
#include "protocol/net_adapters.h"
#include "settings/settings_file.h"
#include "support/qt_dispatcher.h"
#include "support/window_exchange_prompter.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace scanvale {

class DeviceGridWidget;
class TUpnpDiscovery;

class TMainForm : public QWidget, public MainWindowLanguageView {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // Controls, named as the language tables name them.
  QLabel* Label1 = nullptr;
  QLabel* Image1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QComboBox* Proj = nullptr;
  QPushButton* Button1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button2 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QPushButton* Button3 = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QComboBox* ComboBox4 = nullptr;
  DeviceGridWidget* StringGrid1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Info1 = nullptr;
  QAction* Browser1 = nullptr;
  QAction* NetworkSetup1 = nullptr;
  QAction* SoftwareUpgrade1 = nullptr;
  QAction* ConfigFileUpload1 = nullptr;
  QAction* RestartDevice1 = nullptr;
  QAction* FactoryDefault1 = nullptr;

  // The creation handler: header, caption, column ratios, settings, system line, adapters.
  void FormCreate();

  // Plain state behind the controls. m_State owns the device table m_DeviceList and its
  // grid, the sort state and the button states a search run writes.
  SearchWindowState m_State;
  GridSelection m_Grid;
  NetCardTable m_NetCards;
  std::vector<std::string> m_HeaderTexts;
  std::vector<float> m_ColRatios;
  tSettingsState m_Settings;  // m_RememberMe, m_RememberID, m_RememberPW, m_SortColumn
  CSettingsFile m_SettingsFile;
  // A UPnP search is under way: the window refuses to close. Set by the UPnP engine.
  std::function<bool()> upnpBusy;
  // Hooks of the search run that later features fill (HTTP relay page, UPnP).
  SearchHooks searchHooks;
  // The UPnP engine and the relay page: fills searchHooks and upnpBusy.
  std::unique_ptr<TUpnpDiscovery> m_Upnp;
  // Fills the adapter table at start (GetNetCardAddrs; tests give a table of their own).
  std::function<void(NetCardTable&)> enumerateAdapters = GetNetCardAddrs;

  // Handlers, named after the control and the event.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void ComboBox1Exit();
  void ProjChange();
  void PopupMenu1Popup();
  void Browser1Click();
  void Info1Click();
  void NetworkSetup1Click();
  void SoftwareUpgrade1Click();
  void ConfigFileUpload1Click();
  void RestartDevice1Click();
  void FactoryDefault1Click();
  void SortGrid(int column);

  bool SearchRunning() const;
  // The ID and password confirmed for the running maintenance command (main_form_maintenance.cpp).
  std::string m_JobUser;
  std::string m_JobPassword;
  // A firmware-version, restart or factory-default run has not ended yet.
  bool MaintenanceRunning() const { return maintenanceRuns_ > 0; }
  // Copies the core grid into the widget and repaints it.
  void RefreshGrid();

 signals:
  // A search run has applied its finish (the grid shows its result).
  void searchFinished();

 public:
  // MainWindowLanguageView (the language switch works through these).
  int LanguageBoxIndex() const override;
  std::string DelayButtonCaption() const override;
  void SetDelayButtonCaption(const std::string& caption) override;
  void ApplyLanguageToWindow(const std::string& language) override;
  void SetGridHeader(const std::vector<std::string>& titles) override;
  void SetProjectFilterText(const std::string& text) override;
  int GridRowCount() const override;
  std::string GridLastRowIp() const override;
  void SetDeviceCountText(const std::string& text) override;
  void SetWindowCaption(const std::string& caption) override;
  int AdapterBoxIndex() const override;
  int AdapterBoxCount() const override;
  int AllNetCardPosition() const override;
  std::string AdapterBoxItem(int index) const override;
  void AdapterBoxDelete(int index) override;
  void AdapterBoxAppend(const std::string& text) override;
  void AdapterBoxSetText(const std::string& text) override;
  void AdapterBoxSelect(int index) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreatePopupMenu();
  void ConnectHandlers();
  void FormKeyDown(QKeyEvent* event);
  void FormKeyUp(QKeyEvent* event);
  void GridMouseDown(QMouseEvent* event, int col, int row);
  void GridMouseUp(QMouseEvent* event, int col, int row);
  void GridMouseMove(QMouseEvent* event, int col, int row);
  void GridWheel(bool down);
  void GridSelectCell(int col, int row);
  void GridContextMenu(const QPoint& pos);
  void LanChangeFromBox();
  void ApplySettingsRead(const tInitCfgResult& result);
  tSettingsState CollectSettings() const;
  void SetCfg();
  SearchSettings CollectSearchSettings() const;
  SearchTexts CurrentSearchTexts() const;
  void ShowRunState();
  void OnSearchFinished();
  void SetSearchMethodBoxes();
  void ShowNotAvailable(const char* command);
  void StartReset(ResetCommand command);
  tCommandRun MaintenanceRun(std::function<void(const tJobOutcome&)> deliver);
  void MaintenanceStarted();
  void MaintenanceEnded();
  void ShowGridCell(int col, int row);
  void LayoutToWindow();
  void AppendLog(const QString& text);

  QtDispatcher dispatcher_;
  std::unique_ptr<SearchRun> search_;
  int logSink_ = 0;
  int maintenanceRuns_ = 0;
  WindowExchangePrompter exchangePrompter_{this};
  // Last: its destruction joins every maintenance coordinator while all the above exists.
  CoordinatorSet coordinators_;
};

}  // namespace scanvale
