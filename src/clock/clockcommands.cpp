#include "clock/clockcommands.h"

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {

QByteArray ClockPayload(const QDateTime& time) {
  const QDate d = time.date();
  const QTime t = time.time();
  // QDate counts Monday = 1 … Sunday = 7; the readers count Sunday = 1.
  const int weekday = d.dayOfWeek() % 7 + 1;
  QString s;
  s += PadZerosLeft(d.day(), 2);
  s += PadZerosLeft(d.month(), 2);
  s += PadZerosLeft(d.year(), 4).right(2);
  s += PadZerosLeft(t.hour(), 2);
  s += PadZerosLeft(t.minute(), 2);
  s += PadZerosLeft(t.second(), 2);
  s += PadZerosLeft(weekday, 2);
  return s.toLatin1();
}

int SetClock(ExchangeEnv& env, qint16 deviceId, const std::function<QDateTime()>& now) {
  const CommandParams& row = Cmd::SetClock;
  // The time must be the one at sending, not before thousands of drain passes:
  // drain with the row's counts first, then run the exchange without a drain.
  DrainForCommand(env, row);
  CommandParams noDrain = row;
  noDrain.serialDrain = 0;
  noDrain.tcpDrain = 0;
  noDrain.extraRead = false;
  noDrain.portCheck = false;
  const QByteArray payload = ClockPayload(now());
  return CommandExchange(env, noDrain, deviceId, payload).status(row.convention);
}

int ReadClock(ExchangeEnv& env, qint16 deviceId, QString* deviceTime) {
  const CommandParams& row = Cmd::ReadClock;
  const ExchangeResult r = CommandExchange(env, row, deviceId);
  const int status = r.status(row.convention);
  if (status == StatusOk && deviceTime) *deviceTime = DeviceTimeText(r.received);
  return status;
}

QString DeviceTimeText(QByteArrayView received) {
  const QByteArrayView d = Mid1(received, MarkerPosition(received) + 6);
  auto f = [&](qsizetype at) { return QString::fromLatin1(Mid1(d, at, 2)); };
  return f(1) + u'/' + f(3) + QStringLiteral("/20") + f(5) + u' ' + f(7) + u':' + f(9) + u':' + f(11);
}

namespace {

// The first run of literal characters between two fields of a format such as
// "d.MM.yyyy" or "HH:mm:ss"; quoted text is skipped.
QString firstSeparator(const QString& format) {
  QString sep;
  bool seenField = false;
  bool quoted = false;
  for (QChar c : format) {
    if (c == u'\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (c.isLetter()) {
      if (seenField && !sep.isEmpty()) return sep;
      seenField = true;
      sep.clear();
    } else if (seenField) {
      sep += c;
    }
  }
  return {};
}

bool usable(const QString& sep) {
  if (sep.trimmed().isEmpty()) return false;
  for (QChar c : sep) {
    if (c.isDigit()) return false;
  }
  return true;
}

}  // namespace

ClockSeparators SeparatorsOf(const QLocale& locale) {
  ClockSeparators s;
  const QString date = firstSeparator(locale.dateFormat(QLocale::ShortFormat));
  const QString time = firstSeparator(locale.timeFormat(QLocale::ShortFormat));
  if (usable(date)) s.date = date;
  if (usable(time)) s.time = time;
  return s;
}

QString PcClockText(const QDateTime& time, const ClockSeparators& sep) {
  const QDate d = time.date();
  const QTime t = time.time();
  auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
  return two(d.day()) + sep.date + two(d.month()) + sep.date + QString::number(d.year()).rightJustified(4, u'0') +
         u' ' + two(t.hour()) + sep.time + two(t.minute()) + sep.time + two(t.second());
}

}  // namespace tessaro
