#include "eventpump.h"

#include <QCoreApplication>

namespace tessaro {

void QtMessagePump::waitForActivity(int maxMs) {
  // The timer bounds the sleep; data, timers and input wake it earlier.
  if (!wake_) {
    wake_ = std::make_unique<QTimer>();
    wake_->setSingleShot(true);
    wake_->setTimerType(Qt::PreciseTimer);
  }
  wake_->start(maxMs < 1 ? 1 : maxMs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace tessaro
