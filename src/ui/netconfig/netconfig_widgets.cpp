#include "netconfig/netconfig_widgets.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "netconfig/input_filter.h"

namespace scanvale {

namespace {

class DotMovesOn final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Period && key->key() != Qt::Key_Comma) return false;
    if (key->key() == Qt::Key_Comma && !(key->modifiers() & Qt::KeypadModifier)) return false;
    // A Tab press in its place moves the focus to the next field.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(watched, &tab);
    return true;  // the dot itself is not typed
  }
};

}  // namespace

Prompts::Icon PromptIcon(NoticeIcon icon) {
  switch (icon) {
    case NoticeIcon::kInformation: return Prompts::Icon::Information;
    case NoticeIcon::kWarning: return Prompts::Icon::Warning;
    case NoticeIcon::kNone: break;
  }
  return Prompts::Icon::None;
}

void ShowNotice(QWidget* parent, const UserNotice& notice) {
  ActivePrompts().Message(parent, ToQ(notice.text), ToQ(notice.caption), PromptIcon(notice.icon));
}

void InstallInputFilter(QLineEdit* edit, bool (*keeps)(char32_t)) {
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, keeps](const QString& text) {
    QString kept;
    kept.reserve(text.size());
    int removed = 0;
    for (QChar c : text) {
      if (keeps(c.unicode()))
        kept.append(c);
      else
        ++removed;
    }
    if (removed == 0) return;
    const int caret = edit->cursorPosition();
    const QSignalBlocker quiet(edit);  // the field's own change handler stays out meanwhile
    edit->setText(kept);
    edit->setCursorPosition(CaretAfterFilter(caret, removed, static_cast<int>(kept.size())));
  });
}

void MoveOnAtDot(QLineEdit* edit) { edit->installEventFilter(new DotMovesOn(edit)); }

QLineEdit* MakeLabeledEdit(QWidget* parent, const char* name, const QString& caption, int left,
                           int top, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, width, 24);
  auto* label = new QLabel(caption, parent);
  label->setBuddy(edit);
  label->setGeometry(left, top - 18, width, 16);
  return edit;
}

QLabel* LabelOf(QLineEdit* edit) {
  if (!edit || !edit->parentWidget()) return nullptr;
  for (QLabel* label : edit->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
    if (label->buddy() == edit) return label;
  return nullptr;
}

}  // namespace scanvale
