#include "clock.h"

#include "frame.h"
#include "textformat.h"

namespace tessaro {

QByteArray ClockPayload(const QDateTime& time) {
  const QDate d = time.date();
  const QTime t = time.time();
  // QDate counts Monday = 1 … Sunday = 7; the readers count Sunday = 1.
  const int weekday = d.dayOfWeek() % 7 + 1;
  const QString s = PadZerosLeft(d.day(), 2) + PadZerosLeft(d.month(), 2) + PadZerosLeft(d.year(), 4).right(2) +
                    PadZerosLeft(t.hour(), 2) + PadZerosLeft(t.minute(), 2) + PadZerosLeft(t.second(), 2) +
                    PadZerosLeft(weekday, 2);
  return s.toLatin1();
}

Outcome SetClock(ExchangeEnv& env, DeviceId deviceId, const std::function<QDateTime()>& now) {
  // The time must be the one at sending, not the one before the drain.
  return CommandExchange(env, Cmd::SetClock,
                         {.deviceId = deviceId, .payloadAtSending = [&] { return ClockPayload(now()); }})
      .outcome;
}

ClockRead ReadClock(ExchangeEnv& env, DeviceId deviceId) {
  const ExchangeResult r = CommandExchange(env, Cmd::ReadClock, {.deviceId = deviceId});
  ClockRead read{r.outcome, {}};
  if (r.outcome == Outcome::Ok) {
    read.deviceTime = DeviceTimeText(r.received);
    read.time = ReaderStamp(Mid1(r.received, MarkerPosition(r.received) + 6, 12));
  }
  return read;
}

QString DeviceTimeText(QByteArrayView received) {
  const QByteArrayView d = Mid1(received, MarkerPosition(received) + 6);
  auto f = [&](qsizetype at) { return QString::fromLatin1(Mid1(d, at, 2)); };
  return f(1) + u'/' + f(3) + QStringLiteral("/20") + f(5) + u' ' + f(7) + u':' + f(9) + u':' + f(11);
}

}  // namespace tessaro
