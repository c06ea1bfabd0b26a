#include "eventpump.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <time.h>
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
        armedNs_ = 0;
      });
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 nowNs = qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    const qint64 dueNs = nowNs + std::max<qint64>(1, maxUs) * 1000;
    // A wait for one character after another keeps one deadline: the timer
    // already set for it, or up to a millisecond before it (a wake that early
    // only makes the caller wait again), is kept, and no system call is made.
    if (armedNs_ > nowNs && armedNs_ <= dueNs && dueNs - armedNs_ < 1'000'000) return;
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(dueNs / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(dueNs % 1'000'000'000);
    if (::timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &when, nullptr) == 0) {
      armedNs_ = dueNs;
      return;
    }
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

void QtMessagePump::waitForActivity(qint64 maxUs) {
  // The timer bounds the sleep; data, timers and input wake it earlier.
  arm(maxUs);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  // A timer left set wakes a later wait at most once, early: every caller
  // waits again until its own deadline.
}

}  // namespace tessaro
