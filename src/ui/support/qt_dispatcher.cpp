#include "support/qt_dispatcher.h"

#include <QMetaObject>

namespace scanvale {

void QtDispatcher::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(target_, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

}  // namespace scanvale
