#pragma once
// The window program's application object. An exception that escapes an event handler would
// end the program with the user's work in it; here it is shown in a message box instead, and
// the event loop goes on. Anything thrown that is not a std::exception shows an empty message.

#include <QApplication>

namespace scanvale {

class GuardedApplication final : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace scanvale
