#include "dialogs/qt_prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace scanvale {

namespace {

Prompts* g_installed = nullptr;

QMessageBox::Icon BoxIcon(Prompts::Icon icon) {
  switch (icon) {
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::Warning: return QMessageBox::Warning;
    case Prompts::Icon::Error: return QMessageBox::Critical;
    case Prompts::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

Prompts& ActivePrompts() {
  static QtPrompts real;
  return g_installed ? *g_installed : real;
}

void SetActivePrompts(Prompts* prompts) { g_installed = prompts; }

Prompts::Answer QtPrompts::Message(QWidget* parent, const QString& text, const QString& caption,
                                   Icon icon, Buttons buttons) {
  QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::NoButton, parent);
  switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
  }
}

QString QtPrompts::OpenFile(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void QtPrompts::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

}  // namespace scanvale
