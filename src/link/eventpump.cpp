#include "link/eventpump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTimer>

namespace tessaro {

void QtMessagePump::pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtMessagePump::waitForActivity(int maxMs) {
  // A single-shot timer bounds the sleep; data, timers and input wake it earlier.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(maxMs < 1 ? 1 : maxMs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

qint64 SystemWholeSecondClock::nowSeconds() { return QDateTime::currentMSecsSinceEpoch() / 1000; }

int SystemWholeSecondClock::msUntilNextSecond() {
  const qint64 ms = QDateTime::currentMSecsSinceEpoch() % 1000;
  return static_cast<int>(1000 - ms);
}

}  // namespace tessaro
