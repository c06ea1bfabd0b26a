// site load, access import, access export, access plan, access apply: the
// access data in and out of the store, and each door's list brought to its
// reader, every line at once.

#include <QFile>
#include <QSaveFile>
#include <mutex>

#include "access.h"
#include "accesscsv.h"
#include "job.h"

namespace tessaro::cli {

namespace {

int Refuse(Job& job, const QString& why) {
  job.console.err << "tessaro-cli: " << why << Qt::endl;
  return kUsage;
}

QString StoreRefused(Job& job) {
  return QStringLiteral("the store %1 refused: %2").arg(job.store->address().shown(), job.store->lastError());
}

QString SiteProblemText(const QString& path, const SiteProblem& p) {
  QString where = path;
  if (!p.part.isEmpty() && p.index >= 0) where += QStringLiteral(", %1[%2]").arg(p.part).arg(p.index);
  if (!p.field.isEmpty()) where += QStringLiteral(", field %1").arg(p.field);
  const QString v = p.value;
  QString what;
  using K = SiteProblem::Kind;
  switch (p.kind) {
    case K::NotJson: what = QStringLiteral("not JSON (at character %1)").arg(v); break;
    case K::NotSiteFile: what = QStringLiteral("not a site file"); break;
    case K::UnknownFormat: what = QStringLiteral("unknown format '%1'").arg(v); break;
    case K::UnknownField: what = QStringLiteral("not a field of this entry"); break;
    case K::BadName:
      what = QStringLiteral("'%1' is no name (1-100 characters, no comma, semicolon or control character)").arg(v);
      break;
    case K::BadLink:
      what = QStringLiteral("'%1' is no link (tcp HOST[:PORT] or serial DEVICE [BAUD [odd|even|none]])").arg(v);
      break;
    case K::LinkTwice:
      what = QStringLiteral("'%1' is the link of another line; two lines would share one bus").arg(v);
      break;
    case K::BadAddress: what = QStringLiteral("'%1' is not a reader address from 1 to 255").arg(v); break;
    case K::NotOneModel: what = QStringLiteral("'%1' is not one model (%2)").arg(v, ModelChoices()); break;
    case K::Twice: what = QStringLiteral("'%1' is given twice").arg(v); break;
    case K::NameTaken: what = QStringLiteral("'%1' is the name of another door of the store").arg(v); break;
    case K::UnknownLine: what = QStringLiteral("no line %1 in the file or the store").arg(v); break;
    case K::UnknownDoor: what = QStringLiteral("no door %1 in the file or the store").arg(v); break;
  }
  return QStringLiteral("%1: %2").arg(where, what);
}

QString ImportProblemText(const AccessCsvProblem& p) {
  using W = AccessCsvProblem;
  const QString& v = p.value;
  switch (p.what) {
    case W::None:
    case W::Unreadable: break;
    case W::NotUtf8: return QStringLiteral("is not UTF-8 text");
    case W::NoHeading:
      return QStringLiteral(
          "is no heading naming the columns (name, cards, groups, doors, valid_from, valid_until, enabled, note)");
    case W::UnknownColumn: return QStringLiteral("names the column '%1', which there is not").arg(v);
    case W::BadName: return QStringLiteral("has no name, or '%1' (1-100 characters, no control character)").arg(v);
    case W::NameTwice: return QStringLiteral("names %1, as line %2 does").arg(v, p.other);
    case W::BadCard: return QStringLiteral("has '%1', not a card number from 0 to 4294967295").arg(v);
    case W::CardTwice: return QStringLiteral("has card %1, as line %2 does").arg(v, p.other);
    case W::CardHeld: return QStringLiteral("has card %1, held by %2, who is not in the file").arg(v, p.other);
    case W::UnknownGroup: return QStringLiteral("names the group %1, which there is not (group add makes it)").arg(v);
    case W::UnknownDoor: return QStringLiteral("names the door %1, which there is not").arg(v);
    case W::BadDate: return QStringLiteral("has '%1', not a date such as 2026-12-31").arg(v);
    case W::DatesReversed: return QStringLiteral("is valid from a day after it is valid until");
    case W::BadEnabled: return QStringLiteral("has enabled '%1', not yes or no").arg(v);
  }
  return {};
}

// --line LIST: the lines named; empty for every line.
QStringList LinesOption(const Job& job) {
  QStringList lines;
  for (const QString& l : job.option("--line").split(u',', Qt::SkipEmptyParts)) lines << l.trimmed();
  return lines;
}

bool PrepareAccess(Job& job, QString* why) {
  if (job.has("--gap")) {
    const std::optional<int> gap = GapFromText(job.option("--gap"));
    if (!gap) return *why = QStringLiteral("--gap: give whole milliseconds from 0 to %1").arg(kMaxGapMs), false;
  }
  job.access = LoadAccess(*job.store);
  if (!job.access) return *why = StoreRefused(job), false;
  for (const QString& line : LinesOption(job)) {
    if (job.access->line(line)) continue;
    QStringList known;
    for (const AccessLine& l : job.access->lines) known << l.name;
    *why = QStringLiteral("--line: no line named %1; the lines: %2")
               .arg(line, known.isEmpty() ? QStringLiteral("none yet (site load FILE adds them)")
                                          : known.join(QStringLiteral(", ")));
    return false;
  }
  return true;
}

ReaderRow DoorRow(const LineOutcome& line, const DoorOutcome& d, bool applying) {
  const AccessDoor& door = d.plan.door;
  const ReaderPlan& plan = d.plan.reader;
  const QString model = QLatin1String(Facts(door.model).name);
  const auto failed = [&](const QString& status, const QString& why) {
    return ReaderRow{door.address, status, QStringLiteral("door %1: %2").arg(door.shown(), why)};
  };
  ReaderRow r{door.address};
  if (line.end == LineEnd::NoLink)
    r = failed(QStringLiteral("no link"),
               QStringLiteral("the link of line %1 (%2) could not be opened").arg(line.line.name, line.line.link));
  else if (line.end == LineEnd::StoreFailed)
    r = failed(QStringLiteral("store error"),
               QStringLiteral("the line's lock could not be had from the store: %1").arg(line.storeError));
  else if (!d.planned)
    r = failed(QStringLiteral("stopped"), line.end == LineEnd::LockLost
                                              ? QStringLiteral("not read: another program took the line's lock")
                                              : QStringLiteral("not read: stopped by the user"));
  else if (d.plan.overLimit())
    r = failed(QStringLiteral("too many cards"),
               QStringLiteral("%1 cards, more than the %2 holds (%3); nothing is sent")
                   .arg(d.plan.wanted.cards.size())
                   .arg(model)
                   .arg(d.plan.wanted.limit));
  else if (plan.read == Why::OtherModel)
    r = failed(QStringLiteral("other model"), QStringLiteral("it answered as one of %1, not as the door's %2")
                                                  .arg(ModelNames(plan.answeredAs.candidates()), model));
  else if (!plan.answered()) r = failed(Status(plan.read), QStringLiteral("not read (%1)").arg(Status(plan.read)));
  else if (!applying || !d.plan.writes())
    r.status = d.plan.nothingToDo() ? QStringLiteral("ok") : QStringLiteral("differs");
  else if (!d.applied)
    r = failed(QStringLiteral("stopped"),
               line.end == LineEnd::Declined   ? QStringLiteral("not written: the plan was declined")
               : line.end == LineEnd::LockLost ? QStringLiteral("not written: another program took the line's lock")
                                               : QStringLiteral("not written: stopped by the user"));
  else if (!d.applied->ok())
    r = d.applied->after && d.applied->after->answered()
            ? failed(QStringLiteral("differs"),
                     QStringLiteral("read back unlike its list: %1").arg(Differences(*d.applied->after)))
            : failed(Status(d.applied->why), QStringLiteral("not applied (%1)").arg(Status(d.applied->why)));
  r.set("line", line.line.name).set("door", door.name).set("model", model);
  if (d.planned && plan.answered() && !d.plan.overLimit()) {
    r.set("cards", CardsText(plan)).set("add", static_cast<int>(plan.add.size()));
    r.set("remove", static_cast<int>(plan.remove.size()));
  }
  if (d.applied) r.set("cards_erased", d.applied->cardsErased).set("cards_sent", d.applied->cardsSent);
  return r;
}

std::vector<ReaderRow> Rows(const std::vector<LineOutcome>& lines, bool applying) {
  std::vector<ReaderRow> rows;
  for (const LineOutcome& l : lines)
    for (const DoorOutcome& d : l.doors) rows.push_back(DoorRow(l, d, applying));
  return rows;
}

int RunAccess(Job& job, bool apply) {
  const std::vector<LineWork> work = SiteWork(*job.access, job.console.now().date(), LinesOption(job));
  std::mutex said;  // the lines' threads write to stderr one at a time
  SiteOptions o;
  o.store = job.store->address();
  o.actor = Actor::OfThisProcess();
  o.gapMs = GapFromText(job.option("--gap", QString::number(kDefaultGapMs))).value_or(kDefaultGapMs);
  o.sendUnreadable = job.has("--send-unreadable-cards");
  o.apply = apply;
  o.stopped = [&job] { return job.interrupted(); };
  o.waiting = [&](const QString& line, const LockHolder& h) {
    const std::lock_guard<std::mutex> lk(said);
    job.console.err << QStringLiteral(
                           "tessaro-cli: line %1 is being worked by %2 (process %3) since %4; waiting for it\n")
                           .arg(line, h.host)
                           .arg(h.pid)
                           .arg(h.since)
                    << Qt::flush;
  };
  if (job.console.progress)
    o.progress = [&](const QString& line, const AccessDoor& door, bool writing) {
      const std::lock_guard<std::mutex> lk(said);
      job.console.err
          << QStringLiteral("line %1: %2 %3\n").arg(line, QLatin1String(writing ? "writing" : "reading"), door.shown())
          << Qt::flush;
    };
  if (apply && !job.has("--yes"))
    o.confirm = [&job](const std::vector<LineOutcome>& lines) {
      const std::vector<ReaderRow> rows = Rows(lines, false);
      WriteRows(job.console.err, Format::Table, QStringLiteral("access plan"), rows);
      const auto n = std::count_if(rows.begin(), rows.end(),
                                   [](const ReaderRow& r) { return r.status == QLatin1String("differs"); });
      return job.console.confirm(QStringLiteral("Write this plan to %1 door(s)?").arg(n));
    };
  const std::vector<LineOutcome> lines = RunSite(work, o);
  const std::vector<ReaderRow> rows = Rows(lines, apply);
  for (const ReaderRow& r : rows)
    if (!r.error.isEmpty()) job.console.err << "tessaro-cli: " << r.error << Qt::endl;
  WriteRows(job.console.out, job.options.format, QLatin1String(apply ? "access apply" : "access plan"), rows);
  job.console.out.flush();
  if (rows.empty())
    job.console.err << "tessaro-cli: no door on the lines (door add or site load adds them)" << Qt::endl;
  const bool noLink = !lines.empty() && std::all_of(lines.begin(), lines.end(),
                                                    [](const LineOutcome& l) { return l.end == LineEnd::NoLink; });
  const bool anyFailed = std::any_of(rows.begin(), rows.end(), [](const ReaderRow& r) { return r.failed(); });
  return noLink ? kNoLink : anyFailed ? kSomeFailed : kDone;
}

}  // namespace

bool PrepareSiteLoad(Job& job, QString* why) {
  const QString path = job.options.operands.value(0);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return *why = QStringLiteral("cannot read %1: %2").arg(path, f.errorString()), false;
  auto parsed = ParseSiteFile(f.readAll());
  if (const auto* p = std::get_if<SiteProblem>(&parsed)) return *why = SiteProblemText(path, *p), false;
  job.site = std::get<SiteFile>(std::move(parsed));
  return true;
}

int RunSiteLoad(Job& job) {
  const SiteLoad load = LoadSite(*job.store, *job.site, Actor::OfThisProcess());
  if (load.problem)
    return Refuse(
        job, SiteProblemText(job.options.operands.value(0), *load.problem) + QStringLiteral("; nothing was loaded"));
  if (!load.stored) return Refuse(job, StoreRefused(job) + QStringLiteral("; nothing was loaded"));
  job.console.out
      << QStringLiteral("site loaded: %1 line(s), door(s) and group(s) added or changed\n").arg(load.changed);
  return kDone;
}

int RunAccessImport(Job& job) {
  const QString path = job.options.operands.value(0);
  const AccessImport done = ImportAccess(*job.store, path, Actor::OfThisProcess());
  if (done.problem.what == AccessCsvProblem::Unreadable) return Refuse(job, QStringLiteral("cannot read %1").arg(path));
  if (done.problem.what != AccessCsvProblem::None)
    return Refuse(job, QStringLiteral("%1 line %2 %3; nothing was imported")
                           .arg(path)
                           .arg(done.problem.line)
                           .arg(ImportProblemText(done.problem)));
  if (!done.stored) return Refuse(job, StoreRefused(job) + QStringLiteral("; nothing was imported"));
  job.console.out << QStringLiteral("imported: %1 added, %2 changed, %3 unchanged\n")
                         .arg(done.added)
                         .arg(done.changed)
                         .arg(done.unchanged);
  return kDone;
}

int RunAccessExport(Job& job) {
  const QString path = job.options.operands.value(0);
  const std::optional<AccessData> data = LoadAccess(*job.store);
  if (!data) return Refuse(job, StoreRefused(job));
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(AccessCsv(*data)) < 0 || !f.commit())
    return Refuse(job, QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
  job.console.out << QStringLiteral("exported %1 holder(s) to %2\n").arg(data->holders.size()).arg(path);
  return kDone;
}

bool PrepareAccessPlan(Job& job, QString* why) { return PrepareAccess(job, why); }

bool PrepareAccessApply(Job& job, QString* why) {
  if (!job.has("--yes") && !job.console.confirm)
    return *why = QStringLiteral("access apply asks before it writes; without a terminal give --yes"), false;
  return PrepareAccess(job, why);
}

int RunAccessPlan(Job& job) { return RunAccess(job, false); }
int RunAccessApply(Job& job) { return RunAccess(job, true); }

}  // namespace tessaro::cli
