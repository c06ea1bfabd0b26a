#pragma once
// The real message pump and monotonic clock.

#include <QElapsedTimer>

#include "link.h"

namespace tessaro {

class QtMessagePump : public MessagePump {
 public:
  void waitForActivity(int maxMs) override;
};

class SteadyClock : public MonotonicClock {
 public:
  SteadyClock() { timer_.start(); }
  qint64 nowMs() override { return timer_.elapsed(); }

 private:
  QElapsedTimer timer_;
};

}  // namespace tessaro
