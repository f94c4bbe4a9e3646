#include "language/apply_language.h"

#include <algorithm>
#include <optional>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QWidget>

namespace scanvale {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QTabWidget* TabWidgetOfPage(QWidget* widget) {
  auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
  if (stack == nullptr) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs != nullptr && tabs->indexOf(widget) >= 0 ? tabs : nullptr;
}

// The kind of the table whose rules a widget follows; subclasses before their bases.
ControlKind KindOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    return label->pixmap().isNull() ? ControlKind::Label : ControlKind::Image;
  }
  if (qobject_cast<QRadioButton*>(widget)) return ControlKind::RadioButton;
  if (qobject_cast<QCheckBox*>(widget)) return ControlKind::CheckBox;
  if (qobject_cast<QToolButton*>(widget)) return ControlKind::SpeedButton;
  if (qobject_cast<QPushButton*>(widget)) return ControlKind::Button;
  if (qobject_cast<QGroupBox*>(widget)) return ControlKind::GroupBox;
  if (qobject_cast<QComboBox*>(widget)) return ControlKind::ComboBox;
  if (qobject_cast<QLineEdit*>(widget)) return ControlKind::LabeledEdit;
  if (qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QTextEdit*>(widget)) {
    return ControlKind::Memo;
  }
  if (qobject_cast<QSlider*>(widget)) return ControlKind::TrackBar;
  if (qobject_cast<QTableView*>(widget)) return ControlKind::StringGrid;
  if (TabWidgetOfPage(widget) != nullptr) return ControlKind::TabSheet;
  return ControlKind::Other;
}

bool LayoutHolds(const QLayout* layout, const QWidget* widget) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget) return true;
    if (item->layout() != nullptr && LayoutHolds(item->layout(), widget)) return true;
  }
  return false;
}

// A layout owns the geometry of the widgets it places; a table position would only fight it.
bool PlacedByLayout(const QWidget* widget) {
  const QWidget* parent = widget->parentWidget();
  return parent != nullptr && parent->layout() != nullptr &&
         LayoutHolds(parent->layout(), widget);
}

void ApplyPosition(QWidget* widget, const ControlPosition& position) {
  if (!position.Any() || PlacedByLayout(widget)) return;
  QRect geometry = widget->geometry();
  if (position.left) geometry.moveLeft(*position.left);
  if (position.top) geometry.moveTop(*position.top);
  if (position.width) geometry.setWidth(*position.width);
  if (position.height) geometry.setHeight(*position.height);
  // Table labels size themselves to their text, so a longer caption is never cut.
  if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->wordWrap()) {
    const QSize hint = label->sizeHint();
    geometry.setWidth(std::max(geometry.width(), hint.width()));
    geometry.setHeight(std::max(geometry.height(), hint.height()));
  }
  widget->setGeometry(geometry);
}

QLabel* LabelOfEdit(QWidget* window, QLineEdit* edit) {
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (label->buddy() == edit) return label;
  }
  return nullptr;
}

void ApplyComboBox(QComboBox* combo, const ControlEntry& entry) {
  const int selected = combo->currentIndex();
  const QString shown = combo->currentText();
  if (entry.text) {
    if (combo->isEditable()) {
      combo->setEditText(Q(*entry.text));
    } else {
      combo->setCurrentIndex(combo->findText(Q(*entry.text)));
    }
  }
  if (entry.items) {
    combo->clear();
    for (const std::string& item : *entry.items) combo->addItem(Q(item));
  }
  if (selected >= 0 && selected < combo->count()) {
    combo->setCurrentIndex(selected);
    return;
  }
  combo->setCurrentIndex(-1);
  // Text the user typed into an editable box is a value (a relay address), not a caption:
  // a language change must not wipe it. An empty box takes the table's text.
  if (combo->isEditable()) {
    combo->setEditText(!shown.isEmpty() || !entry.text ? shown : Q(*entry.text));
  }
}

void ApplyMemo(QWidget* memo, const ControlEntry& entry) {
  std::optional<QString> text;
  if (entry.text) text = Q(*entry.text);
  if (entry.items) {
    QStringList lines;
    for (const std::string& line : *entry.items) lines << Q(line);
    text = lines.join('\n');
  }
  if (!text) return;
  if (auto* plain = qobject_cast<QPlainTextEdit*>(memo)) plain->setPlainText(*text);
  if (auto* rich = qobject_cast<QTextEdit*>(memo)) rich->setPlainText(*text);
}

void ApplyToWidget(QWidget* window, QWidget* widget, const TableSection& section) {
  const ControlKind kind = KindOf(widget);
  if (kind == ControlKind::Other) return;
  const ControlEntry entry = ControlEntryFor(section, kind, widget->objectName().toStdString());
  const QSignalBlocker blocker(widget);
  if (entry.hint) widget->setToolTip(Q(*entry.hint));

  if (entry.caption) {
    const QString caption = Q(*entry.caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(caption);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      const bool checked = button->isChecked();
      button->setText(caption);
      if (entry.keepChecked && button->isChecked() != checked) button->setChecked(checked);
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(caption);
    if (QTabWidget* tabs = TabWidgetOfPage(widget)) {
      tabs->setTabText(tabs->indexOf(widget), caption);
    }
  }

  if (auto* combo = qobject_cast<QComboBox*>(widget)) ApplyComboBox(combo, entry);
  if (kind == ControlKind::Memo) ApplyMemo(widget, entry);

  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QLabel* label = LabelOfEdit(window, edit);
    if (label != nullptr && entry.caption) label->setText(Q(*entry.caption));
    const QPoint before = edit->pos();
    ApplyPosition(edit, entry.position);
    // The label travels with its edit, as a labelled edit's label does.
    if (label != nullptr && edit->pos() != before && !PlacedByLayout(label)) {
      label->move(label->pos() + (edit->pos() - before));
    }
    return;
  }
  ApplyPosition(widget, entry.position);
}

void ApplyToAction(QAction* action, const TableSection& section) {
  const ControlEntry entry =
      ControlEntryFor(section, ControlKind::MenuItem, action->objectName().toStdString());
  if (entry.caption) action->setText(Q(*entry.caption));
}

}  // namespace

void ApplyLanguage(const LanguageTables& tables, const std::string& language, QWidget* window,
                   std::string_view section) {
  if (window == nullptr) return;
  const std::string sectionName =
      section.empty() ? window->objectName().toStdString() : std::string(section);
  const TableSection* entries = tables.FindSection(language, sectionName);
  if (entries == nullptr) return;
  if (const auto caption = WindowCaptionFor(*entries)) window->setWindowTitle(Q(*caption));

  const QList<QWidget*> widgets = window->findChildren<QWidget*>();
  for (auto it = widgets.rbegin(); it != widgets.rend(); ++it) {
    if (!(*it)->objectName().isEmpty()) ApplyToWidget(window, *it, *entries);
  }
  for (QAction* action : window->findChildren<QAction*>()) {
    if (!action->objectName().isEmpty()) ApplyToAction(action, *entries);
  }
}

void ApplyLanguage(const std::string& language, QWidget* window) {
  ApplyLanguage(Lang().Tables(), language, window);
}

QString MsgText(Msg msg) { return Q(Messages().Text(msg)); }

bool CaptionContains(const QString& caption, const QString& text) {
  return !text.isEmpty() && caption.contains(text);
}

bool CaptionContains(const QString& caption, Msg msg) {
  return CaptionContains(caption, MsgText(msg));
}

QString TableCaption(Msg msg) { return MsgText(msg) + QString::fromLatin1(kCaptionBlanks.data(), static_cast<qsizetype>(kCaptionBlanks.size())); }

}  // namespace scanvale
