#pragma once
// The reader's real-time clock: %DR sets it from the PC clock, %UR reads it.
// Also the text of the PC clock label. No widgets here.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

#include "link/exchange.h"

namespace tessaro {

// DDMMYYhhmmssWW: fourteen digits, weekday Sunday = 01 … Saturday = 07.
QByteArray ClockPayload(const QDateTime& time);

// Sets the reader's clock to `now()`, read after the input drain, right before
// the request goes out. Status convention NoReplyMinusOne.
int SetClock(ExchangeEnv& env, qint16 deviceId, const std::function<QDateTime()>& now);

// Reads the reader's clock. On StatusOk *deviceTime gets the label text
// (see DeviceTimeText); on any other result it is left as it was.
int ReadClock(ExchangeEnv& env, qint16 deviceId, QString* deviceTime);

// "dd/mm/20yy hh:mm:ss" from the payload after the first "$" of a %UR reply.
// The characters are shown as they came; a short reply gives empty fields.
QString DeviceTimeText(QByteArrayView received);

// The separators the system uses between date fields and between time fields,
// taken from the locale's short formats; "/" and ":" when none can be found.
struct ClockSeparators {
  QString date = QStringLiteral("/");
  QString time = QStringLiteral(":");
};
ClockSeparators SeparatorsOf(const QLocale& locale);

// The PC clock label: dd, mm, yyyy joined by the date separator, a blank,
// then hh (00-23), mm, ss joined by the time separator.
QString PcClockText(const QDateTime& time, const ClockSeparators& separators);

}  // namespace tessaro
