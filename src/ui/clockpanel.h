#pragma once
#include <QObject>

#include "app/appcontext.h"
#include "clock/clockcommands.h"

namespace tessaro {

// "Gerçek Zaman Saati": set and read the reader's clock, and the PC clock
// label refreshed by ClockTimer.
class ClockPanel : public QObject {
  Q_OBJECT
 public:
  explicit ClockPanel(AppContext& ctx);

  void sendClock();     // cmdSendRTC
  void receiveClock();  // cmdReceiveRTC
  void tick();          // ClockTimer

 private:
  AppContext& ctx_;
  ClockSeparators separators_;
};

}  // namespace tessaro
