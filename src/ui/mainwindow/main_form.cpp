#include "mainwindow/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>

#include "dialogs/prompts.h"
#include "grid/browse_url.h"
#include "grid/column_ratios.h"
#include "grid/popup_rules.h"
#include "language/language.h"
#include "language/language_switch.h"
#include "mainwindow/device_grid_widget.h"
#include "protocol/diag_log.h"
#include "protocol/grid_sort.h"
#include "support/system_description.h"
#include "language/apply_language.h"
#include "discovery/detail_info.h"
#include "discovery/upnp_discovery.h"
#include "netconfig/network_setup_command.h"

namespace scanvale {

namespace {

// The window's design: positions and sizes in pixels, the same as the English table's
// [MainForm] section (the other tables widen them where a translation needs room). The
// window is wider than the controls so that the picture at the top right has its own room.
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 600;
constexpr int kColumnWidths[kGridColumns] = {109, 120, 169, 97, 27, 95, 142, 111};
constexpr int kGridLeft = 8;
constexpr int kGridTop = 112;
constexpr int kMargin = 8;
constexpr int kImageSize = 64;
constexpr int kRowHeight = 22;
constexpr int kLogLines = 5000;
constexpr int kLogBlockChars = 1024;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

template <typename W>
W* Make(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* widget = new W(parent);
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(x, y, w, h);
  return widget;
}

QAction* MakeAction(QMenu* menu, const char* name, const char* caption) {
  auto* action = menu->addAction(QLatin1String(caption));
  action->setObjectName(QLatin1String(name));
  return action;
}

// The picture at the top right: a camera lens drawn in code, so the program carries no file.
QPixmap LogoPixmap() {
  QPixmap pixmap(kImageSize, kImageSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath body;
  body.addRoundedRect(QRectF(4, 14, 56, 38), 8, 8);
  p.fillPath(body, QColor(40, 72, 120));
  p.setBrush(QColor(235, 240, 248));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(32, 33), 14, 14);
  p.setBrush(QColor(24, 40, 70));
  p.drawEllipse(QPointF(32, 33), 9, 9);
  p.setBrush(QColor(120, 190, 255));
  p.drawEllipse(QPointF(29, 30), 3, 3);
  p.setBrush(QColor(40, 72, 120));
  p.drawRect(QRectF(12, 8, 14, 8));
  return pixmap;
}

int GridKeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift: return kGridKeyShift;
    case Qt::Key_Control: return kGridKeyCtrl;
    case Qt::Key_Left: return kGridKeyLeft;
    case Qt::Key_Up: return kGridKeyUp;
    case Qt::Key_Right: return kGridKeyRight;
    case Qt::Key_Down: return kGridKeyDown;
    default: return 0;
  }
}

GridButton GridButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return GridButton::kLeft;
    case Qt::RightButton: return GridButton::kRight;
    default: return GridButton::kMiddle;
  }
}

// Item data of a relay address the user typed, as opposed to an entry of the language table.
const QVariant kTypedRelayEntry(QStringLiteral("typed"));

// The selected entry of an editable box: none when the text was typed over it.
int ChosenIndex(const QComboBox* box) {
  const int index = box->currentIndex();
  if (index < 0 || box->itemText(index) != box->currentText()) return -1;
  return index;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent), dispatcher_(this) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Scanvale"));
  resize(kDesignWidth, kDesignHeight);
  CreateControls();
  CreatePopupMenu();
  logSink_ = DiagLog::AddSink([this](const std::string& line) {
    const QString text = Q(line);
    dispatcher_.Post([this, text] { AppendLog(text); });
  });
  search_ = std::make_unique<SearchRun>(dispatcher_);
  search_->events.onBufferFull = [this](const std::string& text) {
    ActivePrompts().Message(this, Q(text), MsgText(Msg::Warning), Prompts::Icon::Warning);
  };
  search_->events.onFinished = [this](const SearchReport&) { OnSearchFinished(); };
  m_Upnp = std::make_unique<TUpnpDiscovery>(*this);
  ConnectHandlers();
  InitLanguage(Lang(), [this](const std::string& language) { ApplyLanguage(language, this); });
}

TMainForm::~TMainForm() {
  // No worker may outlive the window it reports to. Jobs waiting for a message box go on.
  exchangePrompter_.Dismiss();
  search_.reset();
  m_Upnp.reset();
  DiagLog::RemoveSink(logSink_);
  // FormDestroy: the device table is emptied from the back.
  while (!m_State.table.m_DeviceList.empty()) m_State.table.m_DeviceList.pop_back();
}

void TMainForm::CreateControls() {
  Label1 = Make<QLabel>(this, "Label1", 8, 90, 220, 16);
  Label1->setText(QStringLiteral("0 device(s) found!"));
  Image1 = Make<QLabel>(this, "Image1", kDesignWidth - kImageSize - 14, 10, kImageSize, kImageSize);
  Image1->setPixmap(LogoPixmap());

  GroupBox1 = Make<QGroupBox>(this, "GroupBox1", 8, 4, 404, 80);
  GroupBox1->setTitle(QStringLiteral("Search Method"));
  RadioButton1 = Make<QRadioButton>(GroupBox1, "RadioButton1", 10, 22, 130, 20);
  RadioButton1->setText(QStringLiteral("Local Broadcast"));
  RadioButton1->setChecked(true);
  RadioButton2 = Make<QRadioButton>(GroupBox1, "RadioButton2", 10, 50, 130, 20);
  RadioButton2->setText(QStringLiteral("IP Relay"));
  ComboBox3 = Make<QComboBox>(GroupBox1, "ComboBox3", 146, 20, 160, 24);
  ComboBox3->setEditable(true);
  ComboBox3->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1 = Make<QComboBox>(GroupBox1, "ComboBox1", 146, 48, 160, 24);
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->addItem(QStringLiteral("<Customized>"));
  ComboBox1->setEnabled(false);
  ComboBox2 = Make<QComboBox>(GroupBox1, "ComboBox2", 314, 48, 80, 24);
  ComboBox2->setEditable(true);
  ComboBox2->setInsertPolicy(QComboBox::NoInsert);
  ComboBox2->addItem(QStringLiteral("TCP"));
  ComboBox2->setEnabled(false);

  GroupBox2 = Make<QGroupBox>(this, "GroupBox2", 420, 88, 130, 48);
  GroupBox2->setTitle(QStringLiteral("Project Filter"));
  Proj = Make<QComboBox>(GroupBox2, "Proj", 8, 18, 114, 24);
  Proj->setEditable(true);
  Proj->setInsertPolicy(QComboBox::NoInsert);
  Proj->addItems({QStringLiteral("ALL"), QStringLiteral("DVR"), QStringLiteral("NVR/VSS"),
                  QStringLiteral("IP-Cam"), QStringLiteral("VDS"), QStringLiteral("Video-Server")});
  Proj->setEditText(QStringLiteral("ALL"));
  GroupBox2->hide();

  Button1 = Make<QPushButton>(this, "Button1", 420, 12, 100, 30);
  Button1->setText(QStringLiteral("Scanvale"));
  CheckBox1 = Make<QCheckBox>(this, "CheckBox1", 420, 52, 130, 20);
  CheckBox1->setText(QStringLiteral("UPnP Search"));
  Button2 = Make<QPushButton>(this, "Button2", 528, 12, 100, 30);
  Button2->setText(QStringLiteral("Get FW Ver."));
  Button2->setEnabled(false);

  GroupBox3 = Make<QGroupBox>(this, "GroupBox3", 636, 4, 88, 80);
  GroupBox3->setTitle(QStringLiteral("Delay Time"));
  Button3 = Make<QPushButton>(GroupBox3, "Button3", 8, 32, 72, 28);
  Button3->setText(QStringLiteral("Middle"));

  GroupBox4 = Make<QGroupBox>(this, "GroupBox4", 732, 4, 148, 80);
  GroupBox4->setTitle(QStringLiteral("Language"));
  ComboBox4 = Make<QComboBox>(GroupBox4, "ComboBox4", 8, 34, 132, 24);
  ComboBox4->addItems(
      {QStringLiteral("English"), QStringLiteral("Simplified Chinese"), QStringLiteral("French")});

  StringGrid1 = Make<DeviceGridWidget>(this, "StringGrid1", kGridLeft, kGridTop,
                                       kDesignWidth - kGridLeft - kMargin,
                                       kDesignHeight - kGridTop - kMargin);
  StringGrid1->setColumnCount(kGridColumns);
  StringGrid1->setRowCount(1);
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid1->horizontalHeader()->setSectionsClickable(false);
  StringGrid1->horizontalHeader()->setHighlightSections(false);
  StringGrid1->horizontalHeader()->setMinimumSectionSize(8);
  StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StringGrid1->setSelectionMode(QAbstractItemView::NoSelection);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setShowGrid(true);
  StringGrid1->setWordWrap(false);
  StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  QPalette gridPalette = StringGrid1->palette();
  gridPalette.setColor(QPalette::Base, gridPalette.color(QPalette::Button));
  StringGrid1->setPalette(gridPalette);
  for (int c = 0; c < kGridColumns; ++c) {
    StringGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem());
    StringGrid1->setColumnWidth(c, kColumnWidths[c]);
  }

  Memo1 = Make<QPlainTextEdit>(this, "Memo1", 8, kDesignHeight - 110, kDesignWidth - 16, 100);
  Memo1->setReadOnly(true);
  Memo1->setMaximumBlockCount(kLogLines);
  Memo1->hide();
  RefreshGrid();
}

void TMainForm::CreatePopupMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Info1 = MakeAction(PopupMenu1, "Info1", "Detail Info.");
  Browser1 = MakeAction(PopupMenu1, "Browser1", "Browse");
  NetworkSetup1 = MakeAction(PopupMenu1, "NetworkSetup1", "Network Setup");
  SoftwareUpgrade1 = MakeAction(PopupMenu1, "SoftwareUpgrade1", "Software Upgrade");
  SoftwareUpgrade1->setVisible(false);
  ConfigFileUpload1 = MakeAction(PopupMenu1, "ConfigFileUpload1", "Config File Upload");
  RestartDevice1 = MakeAction(PopupMenu1, "RestartDevice1", "Restart Device");
  FactoryDefault1 = MakeAction(PopupMenu1, "FactoryDefault1", "Factory Default");
}

void TMainForm::ConnectHandlers() {
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  // A click on the radio button that is already checked changes nothing.
  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RadioButton1Click();
  });
  connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RadioButton2Click();
  });
  connect(Proj, &QComboBox::currentTextChanged, this, [this] { ProjChange(); });
  connect(ComboBox4, &QComboBox::activated, this, [this] { LanChangeFromBox(); });
  for (QComboBox* box : {ComboBox1, ComboBox3}) {
    box->installEventFilter(this);
    if (box->lineEdit()) box->lineEdit()->installEventFilter(this);
  }
  connect(Info1, &QAction::triggered, this, [this] { Info1Click(); });
  connect(Browser1, &QAction::triggered, this, [this] { Browser1Click(); });
  connect(NetworkSetup1, &QAction::triggered, this, [this] { NetworkSetup1Click(); });
  connect(SoftwareUpgrade1, &QAction::triggered, this, [this] { SoftwareUpgrade1Click(); });
  connect(ConfigFileUpload1, &QAction::triggered, this, [this] { ConfigFileUpload1Click(); });
  connect(RestartDevice1, &QAction::triggered, this, [this] { RestartDevice1Click(); });
  connect(FactoryDefault1, &QAction::triggered, this, [this] { FactoryDefault1Click(); });
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });

  StringGrid1->cellPaint = [this](int col, int row) {
    return DecideCellPaint(m_Grid, m_State.sort.m_SortColumn, m_State.table.grid, col, row);
  };
  StringGrid1->onMouseDown = [this](QMouseEvent* e, int c, int r) { GridMouseDown(e, c, r); };
  StringGrid1->onMouseUp = [this](QMouseEvent* e, int c, int r) { GridMouseUp(e, c, r); };
  StringGrid1->onMouseMove = [this](QMouseEvent* e, int c, int r) { GridMouseMove(e, c, r); };
  StringGrid1->onWheel = [this](bool down) { GridWheel(down); };
  StringGrid1->onDoubleClick = [this] { Browser1Click(); };
  StringGrid1->onKeyDown = [this](QKeyEvent* e) { FormKeyDown(e); };
  StringGrid1->onKeyUp = [this](QKeyEvent* e) { FormKeyUp(e); };
  // The focus cell of the widget is never the header; an invalid one (a press below the last
  // row) leaves the focus where it was, as in a grid whose focus cannot leave its cells.
  connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) GridSelectCell(col, row + 1);
  });
  connect(StringGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { GridContextMenu(pos); });
}

// ---- start-up -----------------------------------------------------------------------------

void TMainForm::FormCreate() {
  m_Grid.m_NoSearchYet = true;
  m_Grid.m_CurrentRow = 1;
  SetGridHeader(MainGridHeaderTexts(Messages()));
  SetSearchMethodBoxes();
  setWindowTitle(windowTitle() + QStringLiteral(" - ") + QStringLiteral(SCANVALE_VERSION));

  std::vector<int> widths;
  for (int c = 0; c < kGridColumns; ++c) widths.push_back(StringGrid1->columnWidth(c));
  m_ColRatios = ComputeColumnRatios(widths);

  m_Settings = CollectSettings();
  const tInitCfgResult settings =
      m_SettingsFile.InitCfg("setting.xml", m_Settings, Messages().Text(Msg::Customized));
  ApplySettingsRead(settings);

  DiagLog::Printf("WinVersion[%s]\n", SystemDescription().c_str());

  m_NetCards = NetCardTable{};
  if (enumerateAdapters) enumerateAdapters(m_NetCards);
  const NetCardSelector selector =
      FillNetCardSelector(m_NetCards, Messages().Text(Msg::AllNetCard));
  {
    QSignalBlocker block(ComboBox3);
    ComboBox3->clear();
    for (const auto& item : selector.items) ComboBox3->addItem(Q(item));
    ComboBox3->setCurrentIndex(selector.itemIndex);
    AdapterBoxSetText(selector.text);
    ComboBox3->setVisible(selector.visible);
  }
  LayoutToWindow();
  RefreshGrid();
}

void TMainForm::ApplySettingsRead(const tInitCfgResult& result) {
  const tSettingsState& s = m_Settings;
  if (result.effects.searchMethodRead) {
    // Checking a radio button acts like the user's click on it.
    (s.broadcast ? RadioButton1 : RadioButton2)->setChecked(true);
    SetSearchMethodBoxes();
  }
  ComboBox1->setEditText(Q(s.relayText));
  ComboBox2->setEditText(Q(s.protocolText));
  CheckBox1->setChecked(s.upnpSearch);
  m_State.sort.m_SortColumn = s.sortColumn;
  if (result.effects.languageRead) {
    {
      QSignalBlocker block(ComboBox4);
      ComboBox4->setCurrentIndex(s.language >= 0 && s.language < ComboBox4->count() ? s.language
                                                                                    : 0);
    }
    LanChange(Lang(), *this, LanChangeSender::None);
  }
  // Whatever the file says, every start shows these.
  Proj->setEditText(QStringLiteral("ALL"));
  if (ComboBox1->count() > 0) {
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setEditText(ComboBox1->itemText(0));
  }
  if (ComboBox2->count() > 0) {
    ComboBox2->setCurrentIndex(0);
    ComboBox2->setEditText(ComboBox2->itemText(0));
  }
}

tSettingsState TMainForm::CollectSettings() const {
  tSettingsState s = m_Settings;
  s.broadcast = RadioButton1->isChecked();
  s.relayFirstEntrySelected =
      ChosenIndex(ComboBox1) == 0 && ComboBox1->itemData(0) != kTypedRelayEntry;
  s.relayText = S(ComboBox1->currentText());
  s.protocolText = S(ComboBox2->currentText());
  s.projectText = S(Proj->currentText());
  s.upnpSearch = CheckBox1->isChecked();
  s.sortColumn = m_State.sort.m_SortColumn;
  s.language = ComboBox4->currentIndex();
  return s;
}

void TMainForm::SetCfg() {
  m_Settings = CollectSettings();
  m_SettingsFile.SetCfg(m_Settings);
}

// ---- search -------------------------------------------------------------------------------

SearchTexts TMainForm::CurrentSearchTexts() const {
  const MessageTexts& m = Messages();
  SearchTexts t;
  t.searching = m.Text(Msg::Searching);
  t.zeroFound = m.Text(Msg::ZeroDevicesFound);
  t.devicesFound = m.Text(Msg::DevicesFound);
  t.shortText = m.Text(Msg::Short);
  t.longText = m.Text(Msg::Long);
  t.middleText = m.Text(Msg::Middle);
  t.scanvale = m.Text(Msg::AppName);
  t.allNetCard = m.Text(Msg::AllNetCard);
  t.bufferFull = m.Text(Msg::ReceiveBufferFull);
  return t;
}

SearchSettings TMainForm::CollectSearchSettings() const {
  SearchSettings s;
  s.ipRelay = RadioButton2->isChecked();
  s.relayAddress = S(ComboBox1->currentText());
  s.relayProtocol = S(ComboBox2->currentText());
  s.netCards = m_NetCards;
  s.adapterItemIndex = ChosenIndex(ComboBox3);
  s.adapterText = S(ComboBox3->currentText());
  s.delayCaption = S(Button3->text());
  s.upnpSearch = CheckBox1->isChecked();
  return s;
}

bool TMainForm::SearchRunning() const { return search_ && search_->Running(); }

void TMainForm::Button1Click() {
  if (SearchRunning()) return;
  m_State.table.projFilter = S(Proj->currentText());
  m_State.button3.caption = S(Button3->text());
  search_->texts = CurrentSearchTexts();
  search_->hooks = searchHooks;
  if (!search_->Start(m_State, CollectSearchSettings())) return;
  m_Grid.m_NoSearchYet = m_State.m_NoSearchYet;
  ShowRunState();
  RefreshGrid();
}

void TMainForm::ShowRunState() {
  Button1->setEnabled(m_State.button1.enabled);
  Button1->setText(Q(m_State.button1.caption));
  Button2->setEnabled(m_State.button2.enabled);
  Button3->setEnabled(m_State.button3.enabled);
  Label1->setText(Q(m_State.label1));
}

void TMainForm::OnSearchFinished() {
  ShowRunState();
  m_Grid.m_NoSearchYet = m_State.m_NoSearchYet;
  m_Grid.m_DevicesFound = m_State.m_DevicesFound;
  m_Grid.ResetAfterSearch(m_State.table.grid.RowCount());
  RefreshGrid();
  // The grid's own focus goes to the first device row, column 1.
  StringGrid1->setCurrentCell(0, 1);
  StringGrid1->setFocus();
  emit searchFinished();
}

void TMainForm::Button3Click() {
  Button3->setText(Q(NextDelayCaption(S(Button3->text()), CurrentSearchTexts())));
}

// ---- grid -----------------------------------------------------------------------------------

void TMainForm::RefreshGrid() {
  const DeviceGrid& grid = m_State.table.grid;
  const int rows = grid.RowCount() - 1;
  StringGrid1->setUpdatesEnabled(false);
  {
    QSignalBlocker block(StringGrid1);
    if (StringGrid1->rowCount() != rows) StringGrid1->setRowCount(rows);
    for (int r = 1; r <= rows; ++r) {
      for (int c = 0; c < kGridColumns; ++c) {
        const QString text = Q(grid.Cell(c, r));
        QTableWidgetItem* item = StringGrid1->item(r - 1, c);
        if (!item) {
          StringGrid1->setItem(r - 1, c, new QTableWidgetItem(text));
        } else if (item->text() != text) {
          item->setText(text);
        }
      }
    }
  }
  StringGrid1->PaintHeader();
  StringGrid1->setUpdatesEnabled(true);
  StringGrid1->viewport()->update();
}

void TMainForm::SortGrid(int column) {
  ::scanvale::SortGrid(m_State.table.grid, column, m_State.sort);
  RefreshGrid();
}

void TMainForm::GridMouseDown(QMouseEvent* event, int col, int row) {
  const bool held = (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) != 0;
  const MouseDownResult result = m_Grid.MouseDown(GridButtonOf(event->button()), {col, row}, held);
  if (result.repaint) StringGrid1->viewport()->update();
}

void TMainForm::GridMouseUp(QMouseEvent* event, int col, int row) {
  const MouseUpResult result =
      m_Grid.MouseUp(GridButtonOf(event->button()), {col, row}, m_State.table.grid.RowCount());
  if (result.sort) {
    m_State.sort.m_SortReverse = !m_State.sort.m_SortReverse;
    SortGrid(result.sortColumn);
  }
}

void TMainForm::GridMouseMove(QMouseEvent* event, int col, int row) {
  const MouseMoveResult result =
      m_Grid.MouseMove({col, row}, (event->buttons() & Qt::LeftButton) != 0);
  StringGrid1->viewport()->setCursor(result.handCursor ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (result.repaint) StringGrid1->viewport()->update();
}

void TMainForm::GridWheel(bool down) {
  const int rows = m_State.table.grid.RowCount();
  if (down ? m_Grid.WheelDown(rows) : m_Grid.WheelUp(rows)) StringGrid1->viewport()->update();
}

void TMainForm::GridSelectCell(int col, int row) {
  m_Grid.SelectCell(col, row, m_State.table.grid.Cell(kColIp, row));
}

void TMainForm::GridContextMenu(const QPoint& pos) {
  if (!m_Grid.m_PopupAttached) return;
  PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(pos));
}

void TMainForm::FormKeyDown(QKeyEvent* event) {
  const int key = GridKeyOf(event->key());
  if (key == 0) return;
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  if (m_Grid.KeyDown(key, ctrl, m_State.table.grid.RowCount())) StringGrid1->viewport()->update();
}

void TMainForm::FormKeyUp(QKeyEvent* event) {
  const int key = GridKeyOf(event->key());
  if (key != 0 && !event->isAutoRepeat()) m_Grid.KeyUp(key);
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  FormKeyDown(event);
  QWidget::keyPressEvent(event);
}

void TMainForm::keyReleaseEvent(QKeyEvent* event) {
  FormKeyUp(event);
  QWidget::keyReleaseEvent(event);
}

// ---- popup menu and commands ----------------------------------------------------------------

void TMainForm::PopupMenu1Popup() {
  const PopupMenuState p =
      PopupRulesFor(m_State.table, m_Grid.m_CurrentRow, m_Grid.m_SelectedRows.size());
  SoftwareUpgrade1->setVisible(p.softwareUpgradeVisible);
  ConfigFileUpload1->setVisible(p.configFileUploadVisible);
  FactoryDefault1->setVisible(p.factoryDefaultVisible);
  RestartDevice1->setVisible(p.restartDeviceVisible);
  NetworkSetup1->setEnabled(p.networkSetupEnabled);
  NetworkSetup1->setText(MsgText(p.batchNetworkSetup ? Msg::BatchNetworkSetup : Msg::NetworkSetup));
  Browser1->setEnabled(p.browseEnabled);
  Info1->setEnabled(p.detailInfoEnabled);
}

void TMainForm::Browser1Click() {
  const auto url = BrowseUrl(m_State.table, m_Grid.m_CurrentRow, m_Grid.DRow);
  if (url) ActivePrompts().OpenUrl(Q(*url));
}

void TMainForm::ShowNotAvailable(const char* command) {
  DiagLog::Printf("%s: not available yet\n", command);
}

void TMainForm::Info1Click() {
  ShowDetailInfo(this, m_State.table, m_Grid.m_CurrentRow, m_Upnp->m_UpnpEngine.Results());
}
void TMainForm::NetworkSetup1Click() {
  NetworkSetupContext context;
  context.table = &m_State.table;
  context.selectedRows = m_Grid.m_SelectedRows;
  context.currentRow = m_Grid.m_CurrentRow;
  context.gridRowCount = m_State.table.grid.RowCount();
  context.settings = m_Settings;
  const SearchSettings s = CollectSearchSettings();
  context.channel = {s.netCards, s.adapterItemIndex, s.adapterText, {s.ipRelay, s.relayAddress}};
  RunNetworkSetup(this, context);
  RefreshGrid();  // replies heard by the dialogs may have added devices
}

// ---- search method, relay box, project filter, language ------------------------------------

void TMainForm::SetSearchMethodBoxes() {
  const bool relay = RadioButton2->isChecked();
  ComboBox1->setEnabled(relay);
  ComboBox2->setEnabled(relay);
  ComboBox3->setEnabled(!relay);
}

void TMainForm::RadioButton1Click() { SetSearchMethodBoxes(); }
void TMainForm::RadioButton2Click() { SetSearchMethodBoxes(); }

void TMainForm::ComboBox1Exit() {
  const QString text = ComboBox1->currentText();
  if (text == QStringLiteral("0") || ChosenIndex(ComboBox1) >= 0) return;
  // The list is kept sorted; the typed address takes its sorted place and becomes the
  // selected entry, so leaving the box again does not add it a second time. It is marked as
  // typed: an address sorts before "<Customized>", and the settings file must keep it rather
  // than write the placeholder that a chosen entry 0 otherwise stands for.
  int at = 0;
  while (at < ComboBox1->count() &&
         QString::compare(ComboBox1->itemText(at), text, Qt::CaseInsensitive) <= 0)
    ++at;
  QSignalBlocker block(ComboBox1);
  ComboBox1->insertItem(at, text, kTypedRelayEntry);
  ComboBox1->setCurrentIndex(at);
}

void TMainForm::ProjChange() {
  CheckBox1->setVisible(Proj->currentText().compare(QStringLiteral("ALL"), Qt::CaseInsensitive) ==
                        0);
}

void TMainForm::LanChangeFromBox() { LanChange(Lang(), *this, LanChangeSender::LanguageBox); }

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const bool relayBox = watched == ComboBox1 || watched == ComboBox1->lineEdit();
    const bool adapterBox = watched == ComboBox3 || watched == ComboBox3->lineEdit();
    if (relayBox || adapterBox) ComboBox1Exit();
  }
  return QWidget::eventFilter(watched, event);
}

// ---- close and resize -----------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
  const bool refuse = upnpBusy && upnpBusy();
  if (refuse)
    ActivePrompts().Message(this, MsgText(Msg::SearchingUpnpPleaseWait), MsgText(Msg::Warning),
                            Prompts::Icon::Warning);
  SetCfg();
  if (refuse) {
    event->ignore();
    return;
  }
  // Leaving during a search: the worker is stopped and joined before the window goes.
  if (search_) search_->Cancel();
  event->accept();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutToWindow();
}

void TMainForm::LayoutToWindow() {
  const int w = width();
  const int h = height();
  const int logHeight = Memo1->isVisible() ? Memo1->height() + kMargin : 0;
  if (Memo1->isVisible())
    Memo1->setGeometry(Memo1->x(), h - Memo1->height() - kMargin, w - Memo1->x() - kMargin,
                       Memo1->height());
  Image1->move(w - Image1->width() - 14, Image1->y());
  const int gridTop = StringGrid1->y();
  StringGrid1->setGeometry(StringGrid1->x(), gridTop, w - StringGrid1->x() - kMargin,
                           h - gridTop - logHeight - kMargin);
  if (m_ColRatios.empty()) return;
  // The room the columns share: inside the frame, beside the vertical scroll bar.
  const int usable = StringGrid1->width() - 2 * StringGrid1->frameWidth() -
                     StringGrid1->verticalScrollBar()->sizeHint().width();
  std::vector<int> widths;
  for (int c = 0; c < kGridColumns; ++c) widths.push_back(StringGrid1->columnWidth(c));
  widths = ResizedColumnWidths(m_ColRatios, widths, usable, 0);
  for (int c = 0; c < kGridColumns; ++c) StringGrid1->setColumnWidth(c, widths[c]);
}

// ---- language view --------------------------------------------------------------------------

int TMainForm::LanguageBoxIndex() const { return ComboBox4->currentIndex(); }
std::string TMainForm::DelayButtonCaption() const { return S(Button3->text()); }
void TMainForm::SetDelayButtonCaption(const std::string& caption) { Button3->setText(Q(caption)); }
void TMainForm::ApplyLanguageToWindow(const std::string& language) {
  ApplyLanguage(language, this);
}

void TMainForm::SetGridHeader(const std::vector<std::string>& titles) {
  m_HeaderTexts = titles;
  for (int c = 0; c < kGridColumns && c < static_cast<int>(titles.size()); ++c) {
    m_State.table.grid.SetCell(c, 0, titles[static_cast<std::size_t>(c)]);
    if (QTableWidgetItem* item = StringGrid1->horizontalHeaderItem(c))
      item->setText(Q(titles[static_cast<std::size_t>(c)]));
  }
  StringGrid1->PaintHeader();
}

void TMainForm::SetProjectFilterText(const std::string& text) { Proj->setEditText(Q(text)); }
int TMainForm::GridRowCount() const { return m_State.table.grid.RowCount(); }
std::string TMainForm::GridLastRowIp() const {
  return m_State.table.grid.Cell(kColIp, m_State.table.grid.RowCount() - 1);
}
void TMainForm::SetDeviceCountText(const std::string& text) { Label1->setText(Q(text)); }
void TMainForm::SetWindowCaption(const std::string& caption) { setWindowTitle(Q(caption)); }
int TMainForm::AdapterBoxIndex() const { return ComboBox3->currentIndex(); }
int TMainForm::AdapterBoxCount() const { return ComboBox3->count(); }
int TMainForm::AllNetCardPosition() const { return m_NetCards.m_NetCardNum; }
std::string TMainForm::AdapterBoxItem(int index) const { return S(ComboBox3->itemText(index)); }
void TMainForm::AdapterBoxDelete(int index) {
  QSignalBlocker block(ComboBox3);
  ComboBox3->removeItem(index);
}
void TMainForm::AdapterBoxAppend(const std::string& text) {
  QSignalBlocker block(ComboBox3);
  ComboBox3->addItem(Q(text));
}
void TMainForm::AdapterBoxSetText(const std::string& text) {
  ComboBox3->setEditText(Q(text));
  // Show the start of a text longer than the box, not its end.
  if (ComboBox3->lineEdit()) ComboBox3->lineEdit()->setCursorPosition(0);
}
void TMainForm::AdapterBoxSelect(int index) {
  QSignalBlocker block(ComboBox3);
  ComboBox3->setCurrentIndex(index);
}

void TMainForm::AppendLog(const QString& text) {
  QTextCursor cursor = Memo1->textCursor();
  cursor.movePosition(QTextCursor::End);
  // Lines without a line end join the one before; a long block is closed first, so that the
  // log's cap on lines also caps its size.
  if (cursor.block().length() > kLogBlockChars) cursor.insertText(QStringLiteral("\n"));
  cursor.insertText(text);
}

}  // namespace scanvale
