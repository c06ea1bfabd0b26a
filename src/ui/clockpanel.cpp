#include "clockpanel.h"

#include <QLabel>
#include <QPushButton>

#include "clock.h"
#include "texts.h"

namespace tessaro {

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
  return !sep.trimmed().isEmpty() && std::none_of(sep.begin(), sep.end(), [](QChar c) { return c.isDigit(); });
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

ClockPanel::ClockPanel(ClockControls& controls, Session& session)
    : c_(controls), session_(session), separators_(SeparatorsOf(QLocale::system())) {
  connect(c_.cmdSendRTC, &QPushButton::clicked, this, &ClockPanel::sendClock);
  connect(c_.cmdReceiveRTC, &QPushButton::clicked, this, &ClockPanel::receiveClock);
}

void ClockPanel::sendClock() {
  if (!session_.prompts().confirm(text::kSendClockQuestion)) return;
  // The serial port stays open for the next clock or record command.
  Session::Operation op = session_.begin(Session::Port::KeepOpen);
  if (!op) return;
  // Not range-checked: "300" goes out as "300".
  const Outcome outcome = SetClock(op.env(), session_.deviceId(), [this] { return session_.localNow(); });
  op.endBusy();
  session_.prompts().message(outcome == Outcome::Ok ? text::kClockSent : text::kClockNotSent);
}

void ClockPanel::receiveClock() {
  Session::Operation op = session_.begin(Session::Port::KeepOpen);
  if (!op) return;
  // Only a good reply changes the label; failures are silent.
  const ClockRead read = ReadClock(op.env(), session_.deviceId());
  if (read.outcome == Outcome::Ok) c_.lblDeviceRTC->setText(read.deviceTime);
}

void ClockPanel::tick() { c_.lblPCRTC->setText(PcClockText(session_.localNow(), separators_)); }

}  // namespace tessaro
