// An exception thrown by an event handler is shown to the user and the program goes on.

#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <stdexcept>

#include "dialogs/scripted_prompts.h"
#include "support/guarded_application.h"

using namespace scanvale;

class GuardedApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void escapedExceptionsAreShownAndTheLoopGoesOn() {
    ScriptedPrompts prompts;
    QTimer::singleShot(0, [] { throw std::runtime_error("grid row out of range"); });
    QTimer::singleShot(0, [] { throw 42; });
    bool after = false;
    QTimer::singleShot(10, [&after] { after = true; });
    QTRY_VERIFY(after);
    QCOMPARE(prompts.messages.size(), std::size_t(2));
    QCOMPARE(prompts.messages[0].text, QString("grid row out of range"));
    QCOMPARE(prompts.messages[0].icon, Prompts::Icon::Error);
    QCOMPARE(prompts.messages[1].text, QString());
  }
};

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  GuardedApplication app(argc, argv);
  GuardedApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "guarded_application_test.moc"
