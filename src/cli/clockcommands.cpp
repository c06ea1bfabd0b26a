// clock get, clock set, clock sync.

#include "clock.h"
#include "job.h"
#include "readers.h"

namespace tessaro::cli {

namespace {

QString Iso(const QDateTime& t) { return t.toString(Qt::ISODate); }

std::optional<ReaderRow> Drift(Job& job, ExchangeEnv& env, int id, bool sync) {
  const ClockSync result =
      sync ? SyncClock(env, id, job.maxDrift, job.console.now) : ClockSync{ReadDrift(env, id, job.console.now)};
  if (!result.before.ok())
    return Failed(id, Status(result.before.why()),
                  QStringLiteral("clock not read (%1)").arg(Status(result.before.why())));
  ReaderRow r{id};
  r.set("reader_time", Iso(result.before.readerTime)).set("drift_s", static_cast<double>(result.before.seconds));
  if (!sync) return r;
  r.set("set", result.set);
  // A check read that failed tells nothing of the clock now.
  if (result.after)
    r.set("drift_after_s", result.after->ok() ? QJsonValue(static_cast<double>(result.after->seconds)) : QJsonValue());
  if (!result.ok()) {
    r.status = Status(result.why());
    r.error = QStringLiteral("reader %1: its clock did not take the time").arg(id);
  }
  return r;
}

}  // namespace

bool PrepareClockSet(Job& job, QString* why) {
  const QString time = job.option("--time", QStringLiteral("now"));
  if (time == QLatin1String("now")) return true;
  const std::optional<When> when = ParseWhen(time);
  if (!when || when->given == When::Day) {
    *why =
        when ? QStringLiteral("--time: '%1' gives no time of day").arg(time) : NoWhen(QStringLiteral("--time"), time);
    return false;
  }
  job.time = QDateTime(when->date, when->time);
  return true;
}

bool PrepareClockSync(Job& job, QString* why) {
  const std::optional<int> drift = IntegerIn(job.option("--max-drift", QString::number(job.maxDrift)), 0, 86400);
  if (!drift) {
    *why = QStringLiteral("--max-drift: give whole seconds from 0 to 86400");
    return false;
  }
  job.maxDrift = *drift;
  return true;
}

std::optional<ReaderRow> RunClockGet(Job& job, ExchangeEnv& env, int address) {
  return Drift(job, env, address, false);
}

std::optional<ReaderRow> RunClockSync(Job& job, ExchangeEnv& env, int address) {
  return Drift(job, env, address, true);
}

std::optional<ReaderRow> RunClockSet(Job& job, ExchangeEnv& env, int address) {
  QDateTime sent;
  const Outcome outcome = SetClock(env, address, [&] { return sent = job.time ? *job.time : job.console.now(); });
  if (outcome != Outcome::Ok)
    return Failed(address, Reason(outcome), QStringLiteral("clock not set (%1)").arg(Reason(outcome)));
  return ReaderRow{address}.set("set_to", Iso(sent));
}

}  // namespace tessaro::cli
