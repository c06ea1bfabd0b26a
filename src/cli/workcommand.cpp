// work: the jobs the web console queues for this PC's lines, claimed one at a
// time and done with the same operations as the commands of their own: the
// records pull with its erase guarantees, the access apply, the clock sync.
// Each reader's result is written back as it comes, so the console shows it.

#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include "access.h"
#include "devicelinks.h"
#include "eventpump.h"
#include "job.h"
#include "jobstore.h"
#include "readers.h"

namespace tessaro::cli {

namespace {

constexpr int kLockBeatMs = 15000;  // well within the lock's lease
constexpr qint64 kSyncDriftS = 2;   // as clock sync's default

QString Now() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

// A pull or a clock sync over the line's own link, under the line's lock.
QString RunOnReaders(Job& job, const LineJob& work, const AccessData& data, const AccessLine& line, int* ok, int* all) {
  QtMessagePump pump;
  SteadyClock clock;
  LineLock lock(*job.store, line.name);
  for (bool told = false;;) {
    LockHolder holder;
    const LineLock::Try t = lock.tryTake(&holder);
    if (t == LineLock::Try::Taken) break;
    if (t == LineLock::Try::Failed) return QStringLiteral("store refused the line's lock: ") + job.store->lastError();
    if (job.interrupted()) return QStringLiteral("stopped");
    if (!told)
      job.say(QStringLiteral("line %1 is being worked by %2 (process %3); waiting for it")
                  .arg(line.name, holder.host)
                  .arg(holder.pid));
    told = true;
    Pause(pump, clock, 1000);
  }
  DeviceLinks links(pump, clock);
  const std::optional<LineLink> link = ParseLinkText(line.link);
  if (link && !link->device.isEmpty()) links.serial().setPortResolver([d = link->device](int) { return d; });
  Link* opened = link ? links.open(link->settings) : nullptr;
  if (!opened) return QStringLiteral("cannot open the line's link ") + line.link;
  ExchangeEnv env = links.env(*opened);
  qint64 beat = clock.nowMs();
  bool lost = false;
  const auto stopped = [&] {
    if (clock.nowMs() - beat >= kLockBeatMs) beat = clock.nowMs(), lost = lost || !lock.refresh();
    return lost || job.interrupted();
  };
  const StoreTarget target{job.store.get(), line.name, QSysInfo::machineHostName()};
  for (const AccessDoor& door : data.doors) {
    if (door.line != line.name) continue;
    if (stopped()) break;
    ++*all;
    JobReader r{door.address, false, {}, std::nullopt, std::nullopt, {}};
    if (!Can(door.model, Ability::ClockAndRecords)) {
      // The door's model keeps no records and no clock: nothing is asked of it.
      r.result = QStringLiteral("no clock or records on ") + ModelNames({door.model});
    } else if (work.kind == JobKind::Pull) {
      const ReaderPull p =
          PullReaderRecords(env, door.address, door.model, *job.log, true,
                            PullWatch{.stopped = stopped, .cut = [&job] { return job.interruptions() > 1; }}, &target);
      r.ok = p.ok();
      r.result = Status(p.why());
      r.records = p.pull.records;
    } else {
      const ClockSync s = SyncClock(env, door.address, kSyncDriftS, [] { return QDateTime::currentDateTime(); });
      r.ok = s.ok();
      r.result = Status(s.why());
      if (s.before.ok()) r.drift = s.before.seconds;
    }
    r.at = Now();
    *ok += r.ok;
    job.say(QStringLiteral("job %1: reader %2 %3").arg(work.id).arg(door.address).arg(r.result));
    if (!AddJobReader(*job.store, work.id, r)) return QStringLiteral("store refused: ") + job.store->lastError();
  }
  links.closeSerial();
  return lost ? QStringLiteral("another program took the line's lock") : QString();
}

QString RunApply(Job& job, const LineJob& work, const AccessData& data, int* ok, int* all) {
  SiteOptions o;
  o.store = job.store->address();
  o.actor = Actor::OfThisProcess();
  o.actor.user += QStringLiteral(" for ") + work.requestedBy;
  o.apply = true;
  o.stopped = [&job] { return job.interrupted(); };
  const std::vector<LineOutcome> lines = RunSite(SiteWork(data, QDate::currentDate(), {work.line}), o);
  for (const LineOutcome& l : lines) {
    if (l.end == LineEnd::NoLink) return QStringLiteral("cannot open the line's link ") + l.line.link;
    if (l.end == LineEnd::StoreFailed) return QStringLiteral("store refused the line's lock: ") + l.storeError;
    for (const DoorOutcome& d : l.doors) {
      ++*all;
      JobReader r{d.plan.door.address, false, {}, std::nullopt, std::nullopt, Now()};
      if (d.plan.overLimit()) r.result = QStringLiteral("over-limit");
      else if (!d.planned) r.result = QStringLiteral("not done");
      else if (d.applied) r.ok = d.applied->ok(), r.result = Status(d.applied->why);
      else r.ok = d.plan.nothingToDo(), r.result = r.ok ? Status(Why::Done) : Status(d.plan.reader.read);
      *ok += r.ok;
      if (!AddJobReader(*job.store, work.id, r)) return QStringLiteral("store refused: ") + job.store->lastError();
    }
    if (l.end == LineEnd::LockLost) return QStringLiteral("another program took the line's lock");
  }
  return {};
}

void RunLineJob(Job& job, const LineJob& work) {
  job.say(QStringLiteral("job %1: %2 on line %3, asked by %4")
              .arg(work.id)
              .arg(JobKindName(work.kind), work.line, work.requestedBy));
  int ok = 0, all = 0;
  QString trouble;
  const std::optional<AccessData> data = LoadAccess(*job.store);
  const AccessLine* line = data ? data->line(work.line) : nullptr;
  if (!data) trouble = QStringLiteral("store refused: ") + job.store->lastError();
  else if (!line) trouble = QStringLiteral("no such line");
  else if (work.kind == JobKind::Apply) trouble = RunApply(job, work, *data, &ok, &all);
  else trouble = RunOnReaders(job, work, *data, *line, &ok, &all);
  const QString summary = trouble.isEmpty() ? QStringLiteral("%1/%2").arg(ok).arg(all) : trouble;
  job.console.out << QStringLiteral("job %1 %2 %3: %4\n").arg(work.id).arg(JobKindName(work.kind), work.line, summary)
                  << Qt::flush;
  if (!FinishJob(*job.store, work.id, trouble.isEmpty() && ok == all, summary))
    job.console.err << "tessaro-cli: the store refused the job's end: " << job.store->lastError() << Qt::endl;
}

}  // namespace

bool PrepareWork(Job& job, QString* why) {
  const QStringList lines = job.option("--line").split(u',', Qt::SkipEmptyParts);
  if (lines.isEmpty()) return *why = QStringLiteral("work needs --line NAME (or A,B): the lines this PC owns"), false;
  const std::optional<AccessData> data = LoadAccess(*job.store);
  if (!data) return *why = QStringLiteral("the store refused: ") + job.store->lastError(), false;
  for (const QString& l : lines)
    if (!data->line(l)) return *why = QStringLiteral("no line %1 in the store (site load adds lines)").arg(l), false;
  const QString path = job.option("--log", QStringLiteral("AccessFile.txt"));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
    return *why = QStringLiteral("cannot write the log %1").arg(path), false;
  job.log = std::make_unique<AccessLog>(QFileInfo(f).absoluteFilePath());
  bool ok = false;
  const int poll = job.option("--poll", QStringLiteral("2")).toInt(&ok);
  if (!ok || poll < 1 || poll > 3600) return *why = QStringLiteral("--poll takes 1-3600 seconds"), false;
  return true;
}

int RunWork(Job& job) {
  const QStringList lines = job.option("--line").split(u',', Qt::SkipEmptyParts);
  const QString worker = QStringLiteral("%1:%2").arg(QSysInfo::machineHostName()).arg(getpid());
  const int pollMs = job.option("--poll", QStringLiteral("2")).toInt() * 1000;
  while (!job.interrupted()) {
    const std::optional<LineJob> work = ClaimJob(*job.store, lines, worker);
    if (work) {
      RunLineJob(job, *work);
      continue;
    }
    if (!job.store->lastError().isEmpty()) {
      job.console.err << "tessaro-cli: the store refused: " << job.store->lastError() << Qt::endl;
      return kSomeFailed;
    }
    if (job.has("--once")) break;
    // Asleep until the next look at the queue; a stop request is seen within a quarter second.
    const QDeadlineTimer next(pollMs);
    while (!next.hasExpired() && !job.interrupted()) QThread::msleep(std::min<qint64>(250, next.remainingTime()));
  }
  return kDone;
}

}  // namespace tessaro::cli
