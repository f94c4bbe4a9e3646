// The main window without a network: start-up, selection by mouse, keys and wheel on the real
// widget, header sorting, the popup menu per device kind, Browse, the search-method boxes,
// the relay entry, the project filter, resizing and the close handler. No socket is opened:
// the adapter table is given, and no search runs here (main_form_lab_test.cpp runs one).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>
#include <sstream>

#include "dialogs/scripted_prompts.h"
#include "mainwindow/device_grid_widget.h"
#include "mainwindow/main_form.h"
#include "protocol/diag_log.h"

using namespace scanvale;

namespace {

void FakeAdapters(NetCardTable& table) {
  AdapterFacts a;
  a.name = "sv0";
  a.hardwareType = 1;
  a.addresses = {{"198.18.1.1", "255.255.255.0"}};
  AdapterFacts b;
  b.name = "sv2";
  b.hardwareType = 1;
  b.addresses = {{"198.18.3.1", "255.255.255.0"}, {"198.18.4.1", "255.255.255.0"}};
  FillNetCardTable(table, {a, b});
}

tComUnitInfo Device(const char* model, const char* proj, const char* name, const char* ip,
                    const char* port, const char* mac, const char* netmask = "255.255.255.0") {
  return MakeRecord({{Field::model, model}, {Field::proj, proj}, {Field::name, name},
                     {Field::ip, ip}, {Field::trigger_port, port}, {Field::netmask, netmask},
                     {Field::mac, mac}});
}

std::vector<int> SelectedRows(const TMainForm& form) {
  std::vector<int> rows;
  for (const auto& entry : form.m_Grid.m_SelectedRows) rows.push_back(entry.row);
  return rows;
}

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void startUpShowsTheDesign();
  void everyControlCarriesItsName();
  void mouseSelectionOnTheGrid();
  void keysAndWheelMoveTheSelection();
  void headerClicksSort();
  void popupRulesPerDeviceKind();
  void browseOpensTheDevicePage();
  void searchMethodRelayEntryAndProjectFilter();
  void resizeKeepsTheColumnRatios();
  void closeIsRefusedDuringUpnpButSavesSettings();

 private:
  std::unique_ptr<TMainForm> MakeForm();
  // Fills the grid as a finished search would and shows the window.
  void LoadDevices(TMainForm& form);
  QPoint CellCenter(TMainForm& form, int col, int row);
  void ClickCell(TMainForm& form, int row, Qt::KeyboardModifiers mods = {});

  std::unique_ptr<QTemporaryDir> appdata_;
  std::unique_ptr<ScriptedPrompts> prompts_;
};

void MainFormTest::init() {
  appdata_ = std::make_unique<QTemporaryDir>();
  qputenv("APPDATA", appdata_->path().toLocal8Bit());
  prompts_ = std::make_unique<ScriptedPrompts>();
}

void MainFormTest::cleanup() {
  prompts_.reset();
  appdata_.reset();
}

std::unique_ptr<TMainForm> MainFormTest::MakeForm() {
  auto form = std::make_unique<TMainForm>();
  form->enumerateAdapters = FakeAdapters;
  form->FormCreate();
  return form;
}

void MainFormTest::LoadDevices(TMainForm& form) {
  DeviceTable& table = form.m_State.table;
  table.AddFoundDevice(Device("KC-2100", "IP-Cam", "Lobby", "198.18.1.10", "80", "00:0F:7C:00:00:10"));
  table.AddFoundDevice(Device("KN-1600", "NVR", "NVR-16", "198.18.1.9", "8080", "00:0F:7C:00:00:09"));
  table.AddFoundDevice(Device("KV-400", "VDS", "Door", "198.18.3.7", "web", "00:0F:7C:00:00:07"));
  table.AddFoundDevice(Device("KD-800", "DVR", "back room", "10.0.0.2", "81", "00:0F:7C:00:00:02"));
  table.AddFoundDevice(Device("KT-1", "TESTER", "Bench", "198.18.4.40", "80", "00:0F:7C:00:00:40"));
  table.AddFoundDevice(Device("Router", "UPnP", "gw", "198.18.1.254", "80", "NULL", "NULL"));
  form.m_Grid.m_NoSearchYet = false;
  form.m_Grid.m_DevicesFound = true;
  form.m_State.sort.m_SortReverse = false;
  form.m_Grid.ResetAfterSearch(table.grid.RowCount());
  form.RefreshGrid();
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
}

QPoint MainFormTest::CellCenter(TMainForm& form, int col, int row) {
  return form.StringGrid1->visualRect(form.StringGrid1->model()->index(row - 1, col)).center();
}

void MainFormTest::ClickCell(TMainForm& form, int row, Qt::KeyboardModifiers mods) {
  QTest::mouseClick(form.StringGrid1->viewport(), Qt::LeftButton, mods, CellCenter(form, 1, row));
}

void MainFormTest::startUpShowsTheDesign() {
  DiagLog::ClearRecent();
  auto form = MakeForm();
  QCOMPARE(form->windowTitle(), QString("Scanvale - 2.0.0.11"));
  const QStringList titles{"Model", "Project", "Name", "IP", "Port", "Netmask", "MAC", "Firmware"};
  for (int c = 0; c < 8; ++c) {
    QCOMPARE(form->StringGrid1->horizontalHeaderItem(c)->text(), titles[c]);
    QCOMPARE(QString::fromStdString(form->m_State.table.grid.Cell(c, 0)), titles[c]);
  }
  QCOMPARE(form->StringGrid1->rowCount(), 1);  // the header and one empty line
  QCOMPARE(form->Label1->text().trimmed(), QString("0 device(s) found!"));
  QVERIFY(form->Button3->text().contains("Middle"));
  QVERIFY(!form->Button2->isEnabled());
  QVERIFY(form->RadioButton1->isChecked());
  QVERIFY(!form->ComboBox1->isEnabled() && !form->ComboBox2->isEnabled());
  QVERIFY(form->ComboBox3->isEnabled());
  QCOMPARE(form->ComboBox3->count(), 4);
  QCOMPARE(form->ComboBox3->itemText(3), QString("All NetCard"));
  QCOMPARE(form->ComboBox3->currentText(), QString("198.18.1.1"));
  QCOMPARE(form->Proj->currentText(), QString("ALL"));
  QCOMPARE(form->ComboBox2->currentText(), QString("TCP"));
  QCOMPARE(form->m_Grid.m_CurrentRow, 1);
  QVERIFY(form->m_Grid.m_NoSearchYet);
  QCOMPARE(form->m_ColRatios.size(), std::size_t(8));
  QCOMPARE(form->m_ColRatios[0], 109.0f / 870.0f);

  const auto log = DiagLog::Recent();
  auto logged = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  QVERIFY(logged("Col[0] - (109, 109)\n"));
  QVERIFY(logged("Col[7] - (111, 870)\n"));
  QVERIFY(logged("AddrCount(3)\n"));
  const auto win = std::find_if(log.begin(), log.end(),
                                [](const std::string& l) { return l.rfind("WinVersion[", 0) == 0; });
  QVERIFY(win != log.end());
  QVERIFY2(win->size() > std::string("WinVersion[]\n").size(), win->c_str());
  QVERIFY(prompts_->messages.empty());  // no warning about the system on start

  // First run: the settings folder and file exist now.
  QVERIFY(QFile::exists(appdata_->path() + "/Scanvale/setting.xml"));
  // The log reaches the hidden memo on the window's thread.
  QTRY_VERIFY(form->Memo1->toPlainText().contains("Col[0] - (109, 109)"));
  QVERIFY(!form->Memo1->isVisible());
}

void MainFormTest::everyControlCarriesItsName() {
  auto form = MakeForm();
  for (const char* name : {"Label1", "Image1", "GroupBox1", "RadioButton1", "RadioButton2",
                           "ComboBox1", "ComboBox2", "ComboBox3", "GroupBox2", "Proj", "Button1",
                           "CheckBox1", "Button2", "GroupBox3", "Button3", "GroupBox4", "ComboBox4",
                           "StringGrid1", "Memo1", "PopupMenu1"})
    QVERIFY2(form->findChild<QWidget*>(name) != nullptr, name);
  const char* items[] = {"Info1", "Browser1", "NetworkSetup1", "SoftwareUpgrade1",
                         "ConfigFileUpload1", "RestartDevice1", "FactoryDefault1"};
  const auto actions = form->PopupMenu1->actions();
  QCOMPARE(actions.size(), 7);
  for (int i = 0; i < 7; ++i) QCOMPARE(actions[i]->objectName(), QString(items[i]));
  QVERIFY(!form->SoftwareUpgrade1->isVisible());
  QVERIFY(form->GroupBox2->isHidden());
  QCOMPARE(form->objectName(), QString("MainForm"));
  const int widths[] = {109, 120, 169, 97, 27, 95, 142, 111};
  auto fresh = std::make_unique<TMainForm>();  // before any resize
  for (int c = 0; c < 8; ++c) QCOMPARE(fresh->StringGrid1->columnWidth(c), widths[c]);
}

void MainFormTest::mouseSelectionOnTheGrid() {
  auto form = MakeForm();
  LoadDevices(*form);
  QCOMPARE(SelectedRows(*form), std::vector<int>{1});

  ClickCell(*form, 3);
  QCOMPARE(SelectedRows(*form), std::vector<int>{3});
  QCOMPARE(form->m_Grid.m_CurrentRow, 3);  // the grid's own focus follows the click

  // Ctrl: add 2, 4 and 6 to row 3, then take 4 away again; it is drawn plain although
  // the grid's focus is on it.
  QTest::keyPress(form->StringGrid1, Qt::Key_Control);
  ClickCell(*form, 2, Qt::ControlModifier);
  ClickCell(*form, 4, Qt::ControlModifier);
  ClickCell(*form, 6, Qt::ControlModifier);
  QCOMPARE(SelectedRows(*form), (std::vector<int>{3, 2, 4, 6}));
  ClickCell(*form, 4, Qt::ControlModifier);
  QCOMPARE(SelectedRows(*form), (std::vector<int>{3, 2, 6}));
  QCOMPARE(form->m_Grid.m_CurrentRow, 4);
  QCOMPARE(form->StringGrid1->cellPaint(1, 4).look, CellLook::kPlain);
  QTest::keyRelease(form->StringGrid1, Qt::Key_Control);
  ClickCell(*form, 3);
  QCOMPARE(SelectedRows(*form), std::vector<int>{3});

  // Shift from the anchor row 5 up to row 2.
  ClickCell(*form, 5);
  QTest::keyPress(form->StringGrid1, Qt::Key_Shift);
  ClickCell(*form, 2, Qt::ShiftModifier);
  QCOMPARE(SelectedRows(*form), (std::vector<int>{5, 4, 3, 2}));
  QTest::keyRelease(form->StringGrid1, Qt::Key_Shift);
  QCOMPARE(form->StringGrid1->cellPaint(0, 4).look, CellLook::kHighlight);

  // Below the last row: the press changes nothing, the release moves DRow to the last row.
  ClickCell(*form, 1);
  const QPoint below(10, form->StringGrid1->viewport()->height() - 3);
  QTest::mouseClick(form->StringGrid1->viewport(), Qt::LeftButton, {}, below);
  QCOMPARE(SelectedRows(*form), std::vector<int>{1});
  QCOMPARE(form->m_Grid.DRow, 6);
  QCOMPARE(form->m_Grid.m_LastClick, (tRowSelected{1, 6}));
}

void MainFormTest::keysAndWheelMoveTheSelection() {
  auto form = MakeForm();
  LoadDevices(*form);
  form->StringGrid1->setFocus();
  ClickCell(*form, 1);
  QTest::keyClick(form->StringGrid1, Qt::Key_Up);
  QCOMPARE(SelectedRows(*form), std::vector<int>{1});
  QTest::keyClick(form->StringGrid1, Qt::Key_Down);
  QTest::keyClick(form->StringGrid1, Qt::Key_Right);
  QCOMPARE(SelectedRows(*form), std::vector<int>{3});
  QTest::keyClick(form->StringGrid1, Qt::Key_Down, Qt::ControlModifier);
  QCOMPARE(SelectedRows(*form), std::vector<int>{3});
  for (int i = 0; i < 5; ++i) QTest::keyClick(form->StringGrid1, Qt::Key_Down);
  QCOMPARE(SelectedRows(*form), std::vector<int>{6});  // the last row stays

  auto wheel = [&](int delta) {
    const QPoint pos = CellCenter(*form, 1, 2);
    QWheelEvent event(pos, form->StringGrid1->viewport()->mapToGlobal(pos), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->StringGrid1->viewport(), &event);
  };
  wheel(120);
  QCOMPARE(SelectedRows(*form), std::vector<int>{5});
  QCOMPARE(form->m_Grid.m_CurrentRow, 5);  // the commands act on the highlighted row
  wheel(-120);
  wheel(-120);
  QCOMPARE(SelectedRows(*form), std::vector<int>{6});
  QCOMPARE(form->m_Grid.m_CurrentRow, 6);
}

void MainFormTest::headerClicksSort() {
  auto form = MakeForm();
  LoadDevices(*form);
  QHeaderView* header = form->StringGrid1->horizontalHeader();
  auto clickHeader = [&](int col) {
    const QPoint pos(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                     header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pos);
  };
  auto column = [&](int col) {
    QStringList cells;
    for (int r = 0; r < form->StringGrid1->rowCount(); ++r)
      cells << form->StringGrid1->item(r, col)->text();
    return cells;
  };
  // The first header click after a search sorts descending, the next ascending.
  clickHeader(kColIp);
  QCOMPARE(column(kColIp), (QStringList{"198.18.4.40", "198.18.3.7", "198.18.1.254", "198.18.1.10",
                                        "198.18.1.9", "10.0.0.2"}));
  QVERIFY(SelectedRows(*form).empty());  // a header press empties the selection
  clickHeader(kColPort);
  QCOMPARE(column(kColPort).mid(0, 4), (QStringList{"web", "80", "80", "80"}));
  QCOMPARE(column(kColPort).mid(4), (QStringList{"81", "8080"}));
  QCOMPARE(form->m_State.sort.m_SortColumn, int(kColPort));
  clickHeader(kColName);
  QCOMPARE(column(kColName), (QStringList{"NVR-16", "Lobby", "gw", "Door", "Bench", "back room"}));
  // The sort column's header cell carries the mark; the grid model follows the widget.
  QCOMPARE(form->StringGrid1->cellPaint(kColName, 0).look, CellLook::kSortHeader);
  QCOMPARE(form->StringGrid1->cellPaint(kColIp, 0).look, CellLook::kDefault);
  QCOMPARE(QString::fromStdString(form->m_State.table.grid.Cell(kColName, 1)), QString("NVR-16"));

  form->m_Grid.m_JobBusy = true;  // a running job fills the grid: no sorting
  clickHeader(kColModel);
  QCOMPARE(form->m_State.sort.m_SortColumn, int(kColName));
}

void MainFormTest::popupRulesPerDeviceKind() {
  auto form = MakeForm();
  LoadDevices(*form);
  struct Case {
    int row;
    bool upgrade, factoryDefault, restart, networkSetup;
  };
  // Rows as loaded: camera, NVR by name, VDS, DVR by project, tester, UPnP-only.
  const Case cases[] = {{1, true, true, true, true},    {2, false, false, true, true},
                        {3, false, false, false, true}, {4, false, false, true, true},
                        {5, false, false, false, true}, {6, false, false, false, false}};
  for (const Case& c : cases) {
    ClickCell(*form, c.row);
    QCOMPARE(form->m_Grid.m_CurrentRow, c.row);
    form->PopupMenu1Popup();
    QCOMPARE(form->SoftwareUpgrade1->isVisible(), c.upgrade);
    QCOMPARE(form->ConfigFileUpload1->isVisible(), c.upgrade);
    QCOMPARE(form->FactoryDefault1->isVisible(), c.factoryDefault);
    QCOMPARE(form->RestartDevice1->isVisible(), c.restart);
    QCOMPARE(form->NetworkSetup1->isEnabled(), c.networkSetup);
    QVERIFY(form->NetworkSetup1->text().contains("Network Setup"));
    QVERIFY(!form->NetworkSetup1->text().contains("Batch"));
  }
  ClickCell(*form, 1);
  QTest::keyPress(form->StringGrid1, Qt::Key_Control);
  ClickCell(*form, 2, Qt::ControlModifier);
  QTest::keyRelease(form->StringGrid1, Qt::Key_Control);
  form->PopupMenu1Popup();
  QVERIFY(form->NetworkSetup1->text().contains("Batch Network Setup"));
  QVERIFY(!form->Browser1->isEnabled());
  QVERIFY(!form->Info1->isEnabled());

  // The menu opens on a right click only once it is attached.
  auto fresh = MakeForm();
  QVERIFY(!fresh->m_Grid.m_PopupAttached);
  QVERIFY(form->m_Grid.m_PopupAttached);
}

void MainFormTest::browseOpensTheDevicePage() {
  auto form = MakeForm();
  form->Browser1Click();  // nothing released on the grid yet
  QVERIFY(prompts_->urls.isEmpty());
  LoadDevices(*form);
  QTest::mouseDClick(form->StringGrid1->viewport(), Qt::LeftButton, {}, CellCenter(*form, 3, 2));
  QCOMPARE(prompts_->urls, QStringList{"http://198.18.1.9:8080"});
  ClickCell(*form, 3);  // port "web"
  form->Browser1->trigger();
  QCOMPARE(prompts_->urls.last(), QString("http://198.18.3.7:80"));
}

void MainFormTest::searchMethodRelayEntryAndProjectFilter() {
  auto form = MakeForm();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  QTest::mouseClick(form->RadioButton2, Qt::LeftButton);
  QVERIFY(form->ComboBox1->isEnabled() && form->ComboBox2->isEnabled());
  QVERIFY(!form->ComboBox3->isEnabled());
  QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
  QVERIFY(!form->ComboBox1->isEnabled() && form->ComboBox3->isEnabled());
  QTest::mouseClick(form->RadioButton2, Qt::LeftButton);

  // The UPnP box shows only for the filter ALL, in any case.
  form->Proj->setEditText("DVR");
  QVERIFY(!form->CheckBox1->isVisible());
  form->Proj->setEditText("all");
  QVERIFY(form->CheckBox1->isVisible());

  // The delay button cycles Middle, Long, Short.
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  QVERIFY(form->Button3->text().contains("Long"));
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  QVERIFY(form->Button3->text().contains("Short"));
  QTest::mouseClick(form->Button3, Qt::LeftButton);
  QVERIFY(form->Button3->text().contains("Middle"));

  // A typed relay address joins the sorted list when the box loses the focus, once.
  form->ComboBox1->setFocus();
  form->ComboBox1->setEditText("198.18.9.9");
  form->Button3->setFocus();
  QCOMPARE(form->ComboBox1->count(), 2);
  QCOMPARE(form->ComboBox1->itemText(0), QString("198.18.9.9"));
  form->ComboBox1->setFocus();
  form->Button3->setFocus();
  QCOMPARE(form->ComboBox1->count(), 2);
  form->ComboBox1->setFocus();
  form->ComboBox1->setEditText("0");
  form->Button3->setFocus();
  QCOMPARE(form->ComboBox1->count(), 2);
  form->ComboBox1->setFocus();
  form->ComboBox1->setEditText("198.18.9.9");
  form->Button3->setFocus();
  QCOMPARE(form->ComboBox1->count(), 2);
  // Closing saves the typed address, not the "<Customized>" of a chosen entry 0.
  QVERIFY(form->close());
  const std::string saved = ReadFile(appdata_->path() + "/Scanvale/setting.xml");
  QVERIFY2(saved.find("IpRelay 198.18.9.9\nIpRelay 198.18.9.9\n") != std::string::npos, saved.c_str());
}

void MainFormTest::resizeKeepsTheColumnRatios() {
  auto form = MakeForm();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  form->StringGrid1->setColumnWidth(2, 300);  // a dragged border
  form->resize(1600, 700);
  QTRY_COMPARE(form->width(), 1600);
  std::vector<int> widths;
  int sum = 0;
  for (int c = 0; c < 8; ++c) {
    widths.push_back(form->StringGrid1->columnWidth(c));
    sum += widths.back();
  }
  QCOMPARE(*std::min_element(widths.begin(), widths.end()), widths[4]);  // Port narrowest
  QVERIFY(widths[2] > widths[1] && widths[2] < 2 * widths[1]);  // reset to its share
  QVERIFY(sum <= form->StringGrid1->viewport()->width());
  QVERIFY(sum >= form->StringGrid1->viewport()->width() - 8);
  QCOMPARE(form->StringGrid1->height(), 700 - form->StringGrid1->y() - 8);
  QVERIFY(form->Image1->geometry().right() < 1600);
  QVERIFY(form->Image1->x() > form->GroupBox4->geometry().right());
}

void MainFormTest::closeIsRefusedDuringUpnpButSavesSettings() {
  auto form = MakeForm();
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  const QString file = appdata_->path() + "/Scanvale/setting.xml";
  QFile::remove(file);
  form->m_State.sort.m_SortColumn = kColIp;
  bool upnp = true;
  form->upnpBusy = [&] { return upnp; };
  QVERIFY(!form->close());
  QVERIFY(form->isVisible());
  QCOMPARE(prompts_->messages.size(), std::size_t(1));
  QCOMPARE(prompts_->messages[0].text, QString("Searching Upnp Devices! Please wait."));
  QCOMPARE(prompts_->messages[0].caption, QString("Warning"));
  QCOMPARE(prompts_->messages[0].icon, Prompts::Icon::Warning);
  QVERIFY(ReadFile(file).find("CustomSort IP") != std::string::npos);

  upnp = false;
  QFile::remove(file);
  QVERIFY(form->close());
  QVERIFY(QFile::exists(file));
  QCOMPARE(prompts_->messages.size(), std::size_t(1));

  // The next start reads the sort column back.
  auto again = MakeForm();
  QCOMPARE(again->m_State.sort.m_SortColumn, int(kColIp));
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
