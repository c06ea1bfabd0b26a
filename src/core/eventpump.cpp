#include "eventpump.h"

#include <QCoreApplication>
#include <QTimer>

namespace tessaro {

void QtMessagePump::waitForActivity(int maxMs) {
  // A single-shot timer bounds the sleep; data, timers and input wake it earlier.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(maxMs < 1 ? 1 : maxMs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace tessaro
