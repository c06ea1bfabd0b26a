#pragma once
// The real message pump and monotonic clock.

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "link.h"

namespace tessaro {

class QtMessagePump : public MessagePump {
 public:
  void waitForActivity(int maxMs) override;

 private:
  // One timer bounds every sleep; made at the first wait, when the
  // application's event loop exists.
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
