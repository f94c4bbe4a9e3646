#include "support/guarded_application.h"

#include <exception>

#include "dialogs/prompts.h"

namespace scanvale {

namespace {

void ShowEscaped(const QString& text) {
  ActivePrompts().Message(QApplication::activeWindow(), text, QApplication::applicationName(),
                          Prompts::Icon::Error);
}

}  // namespace

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowEscaped(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    ShowEscaped(QString());
  }
  return false;
}

}  // namespace scanvale
