#pragma once
// The real message pump and wall clock.

#include "link/link.h"

namespace tessaro {

class QtMessagePump : public MessagePump {
 public:
  void pump() override;
  void waitForActivity(int maxMs) override;
};

class SystemWholeSecondClock : public WholeSecondClock {
 public:
  qint64 nowSeconds() override;
  int msUntilNextSecond() override;
};

}  // namespace tessaro
