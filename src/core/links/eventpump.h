#pragma once
// The real message pump and monotonic clock.

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "link.h"

class QSocketNotifier;

namespace tessaro {

class QtMessagePump : public MessagePump {
 public:
  QtMessagePump();
  ~QtMessagePump() override;
  void waitForActivity(qint64 maxUs) override;

 private:
  void arm(qint64 maxUs);

  // A gap of a few milliseconds between a reply and the next request is
  // worth keeping to the microsecond; Qt's timers count whole milliseconds,
  // so where the system offers a finer timer (Linux: a timerfd) it bounds the
  // sleep instead. Both are made at the first wait, when the event loop exists.
  int timerFd_ = -1;
  qint64 armedNs_ = 0;  // when the timer is set to expire (CLOCK_MONOTONIC), 0: not set
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QTimer> wake_;
};

class SteadyClock : public MonotonicClock {
 public:
  SteadyClock() { timer_.start(); }
  qint64 nowUs() override { return timer_.nsecsElapsed() / 1000; }

 private:
  QElapsedTimer timer_;
};

}  // namespace tessaro
