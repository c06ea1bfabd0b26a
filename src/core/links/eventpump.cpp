#include "eventpump.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace tessaro {

QtMessagePump::QtMessagePump() {
#ifdef Q_OS_LINUX
  timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
#endif
}

QtMessagePump::~QtMessagePump() {
  notifier_.reset();
#ifdef Q_OS_LINUX
  if (timerFd_ >= 0) ::close(timerFd_);
#endif
}

void QtMessagePump::arm(qint64 maxUs) {
#ifdef Q_OS_LINUX
  if (timerFd_ >= 0) {
    if (!notifier_) {
      notifier_ = std::make_unique<QSocketNotifier>(timerFd_, QSocketNotifier::Read);
      // Reading takes the expiry away, so the timer wakes one sleep only.
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        quint64 expiries = 0;
        [[maybe_unused]] const ssize_t n = ::read(timerFd_, &expiries, sizeof expiries);
      });
    }
    itimerspec when{};
    const qint64 us = std::max<qint64>(1, maxUs);
    when.it_value.tv_sec = static_cast<time_t>(us / 1'000'000);
    when.it_value.tv_nsec = static_cast<long>(us % 1'000'000) * 1000;
    if (::timerfd_settime(timerFd_, 0, &when, nullptr) == 0) return;
  }
#endif
  if (!wake_) {
    wake_ = std::make_unique<QTimer>();
    wake_->setSingleShot(true);
    wake_->setTimerType(Qt::PreciseTimer);
  }
  // Whole milliseconds, rounded up, so the sleep never ends early.
  wake_->start(static_cast<int>(std::clamp<qint64>((maxUs + 999) / 1000, 1, 24 * 3600 * 1000)));
}

void QtMessagePump::disarm() {
#ifdef Q_OS_LINUX
  if (notifier_) {
    const itimerspec never{};
    ::timerfd_settime(timerFd_, 0, &never, nullptr);
    quint64 expiries = 0;
    [[maybe_unused]] const ssize_t n = ::read(timerFd_, &expiries, sizeof expiries);
  }
#endif
}

void QtMessagePump::waitForActivity(qint64 maxUs) {
  // The timer bounds the sleep; data, timers and input wake it earlier.
  arm(maxUs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  // An expiry left over would cut the next sleep short.
  disarm();
}

}  // namespace tessaro
