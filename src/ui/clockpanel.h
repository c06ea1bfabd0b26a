#pragma once
// "Gerçek Zaman Saati": set and read the reader's clock, and the PC clock
// label refreshed by ClockTimer.

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>

#include "controls.h"
#include "session.h"

namespace tessaro {

// The separators the system uses between date fields and between time
// fields, taken from the locale's short formats; "/" and ":" when none can
// be found.
struct ClockSeparators {
  QString date = QStringLiteral("/");
  QString time = QStringLiteral(":");
};
ClockSeparators SeparatorsOf(const QLocale& locale);

// The PC clock label: dd, mm, yyyy joined by the date separator, a blank,
// then hh (00-23), mm, ss joined by the time separator.
QString PcClockText(const QDateTime& time, const ClockSeparators& separators);

class ClockPanel : public QObject {
  Q_OBJECT
 public:
  ClockPanel(ClockControls& controls, Session& session);
  void tick();  // ClockTimer

 private:
  void sendClock();     // cmdSendRTC
  void receiveClock();  // cmdReceiveRTC

  ClockControls& c_;
  Session& session_;
  ClockSeparators separators_;
};

}  // namespace tessaro
