#pragma once
// The reader's real-time clock: "%DR" sets it from the PC clock, "%UR" reads it.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <functional>

#include "exchange.h"

namespace tessaro {

// DDMMYYhhmmssWW: fourteen digits, weekday Sunday = 01 … Saturday = 07.
QByteArray ClockPayload(const QDateTime& time);

// Sets the reader's clock to `now()`, read after the input drain, right
// before the request goes out.
Outcome SetClock(ExchangeEnv& env, DeviceId deviceId, const std::function<QDateTime()>& now);

struct ClockRead {
  Outcome outcome = Outcome::NoReply;
  QString deviceTime;  // on Ok: see DeviceTimeText
  QDateTime time;      // the same as a time; invalid when the digits form none
};
ClockRead ReadClock(ExchangeEnv& env, DeviceId deviceId);

// "dd/mm/20yy hh:mm:ss" from the payload after the first "$" of a "%UR"
// reply. The characters are shown as they came; a short reply gives empty fields.
QString DeviceTimeText(QByteArrayView received);

}  // namespace tessaro
