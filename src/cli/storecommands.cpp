// The passage store from the command line: opening it, records query,
// records import, holders import.

#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimeZone>

#include "accesslog.h"
#include "job.h"

namespace tessaro::cli {

namespace {

void Complain(Job& job, const QString& why) { job.console.err << "tessaro-cli: " << why << Qt::endl; }

QString Direction(int type) {
  return type == 1 ? QStringLiteral("entry") : type == 2 ? QStringLiteral("exit") : QStringLiteral("unknown");
}

}  // namespace

bool OpenStore(Job& job, QString* why) {
  const QString env = qEnvironmentVariable("TESSARO_DB");
  const QString given = !job.options.db.isEmpty() ? job.options.db
                        : !env.isEmpty()          ? env
                                                  : DefaultStoreFile(UserDataFolder());
  AddressFault fault = AddressFault::None;
  const std::optional<StoreAddress> address = ParseStoreAddress(given, &fault);
  if (!address) {
    static const char* const parts[] = {"its scheme (postgresql:// or postgres://)", "its host", "its port",
                                        "its database name"};
    *why = QStringLiteral(
               "--db: '%1' is no store address: %2 is wrong (give a file or "
               "postgresql://user@host[:port]/dbname)")
               .arg(given, QLatin1String(parts[static_cast<int>(fault) - 1]));
    return false;
  }
  const Command& command = *job.options.command;
  StoreOpen opened = RecordStore::open(*address, kStoreSchemaVersion,
                                       command.makesStore ? StoreMaking::Create : StoreMaking::ExistingOnly);
  const QString where = address->shown();
  switch (opened.error) {
    case StoreError::None: job.store = std::move(opened.store); return true;
    case StoreError::NoDriver:
      *why = QStringLiteral("cannot open the store %1: Qt has no %2 driver (a package is missing)")
                 .arg(where, opened.detail);
      break;
    case StoreError::Unreachable:
      *why = QStringLiteral("cannot reach the store %1: %2").arg(where, opened.detail);
      break;
    case StoreError::NewerSchema:
      *why = QStringLiteral("the store %1 is of version %2, newer than this program's %3; it is left as it is")
                 .arg(where)
                 .arg(opened.foundVersion)
                 .arg(kStoreSchemaVersion);
      break;
    case StoreError::Failed: *why = QStringLiteral("cannot open the store %1: %2").arg(where, opened.detail); break;
    case StoreError::Missing:
      *why = QStringLiteral("no store at %1: %2 makes none (a records pull or the window does); check --db")
                 .arg(where, QLatin1String(command.name));
      break;
  }
  return false;
}

bool PrepareRecordsQuery(Job& job, QString* why) {
  PassageFilter& f = job.filter;
  for (const bool last : {false, true}) {
    const char* name = last ? "--to" : "--from";
    if (!job.has(name)) continue;
    const std::optional<When> when = ParseWhen(job.option(name));
    if (!when) {
      *why = NoWhen(QLatin1String(name), job.option(name));
      return false;
    }
    // The end of the day or minute given. The readers' times carry no zone, so
    // neither does this: UTC only keeps a daylight-saving gap from making a
    // valid time invalid.
    const int span = !last ? 0 : when->given == When::Day ? 86399 : when->given == When::Minute ? 59 : 0;
    (last ? f.to : f.from) = QDateTime(when->date, when->time, QTimeZone::utc()).addSecs(span);
  }
  if (job.has("--id")) {
    const std::optional<std::vector<int>> ids = ParseAddressList(job.option("--id"));
    if (!ids) {
      *why =
          QStringLiteral("--id: '%1' is not a list of addresses from 1 to 255 (5 or 1,3,7-9)").arg(job.option("--id"));
      return false;
    }
    f.addresses = *ids;
  }
  if (job.has("--card")) {
    bool ok = false;
    const qint64 card = job.option("--card").toLongLong(&ok);
    if (!ok || card < 0 || card > 0xFFFFFFFFLL) {
      *why = QStringLiteral("--card: '%1' is not a card number from 0 to 4294967295").arg(job.option("--card"));
      return false;
    }
    f.card = card;
  }
  return true;
}

int RunRecordsQuery(Job& job) {
  static const QStringList columns = {"time", "line", "reader", "card", "direction", "holder"};
  const Format format = job.options.format;
  QTextStream& out = job.console.out;
  QList<QStringList> cells;  // the table's widths need every row first
  bool first = true;
  if (format == Format::Json) out << "{\"command\": \"records query\", \"passages\": [";
  if (format == Format::Csv) out << columns.join(u',') << '\n';
  const bool read = ForEachPassage(*job.store, job.filter, [&](const Passage& p) {
    const QStringList row = {p.stamp,           p.line,  QString::number(p.address), QString::number(p.card),
                             Direction(p.type), p.holder};
    if (format == Format::Table) return cells.append(row);
    if (format == Format::Csv) return WriteCsvLine(out, row);
    QJsonObject o{{"time", p.stamp}, {"line", p.line}, {"reader", p.address}, {"card", p.card}, {"direction", row[4]}};
    if (!p.holder.isEmpty()) o["holder"] = p.holder;
    out << (first ? "\n  " : ",\n  ") << QJsonDocument(o).toJson(QJsonDocument::Compact);
    first = false;
  });
  if (format == Format::Json) out << (first ? "]}\n" : "\n]}\n");
  if (format == Format::Table) WriteTable(out, QString(columns.join(u' ')).toUpper().split(u' '), cells);
  out.flush();  // what was read comes before the store's complaint
  if (read) return kDone;
  Complain(
      job,
      QStringLiteral("the store %1 refused the query: %2").arg(job.store->address().shown(), job.store->lastError()));
  return kUsage;
}

bool PrepareRecordsImport(Job& job, QString* why) {
  // Kept under any other name, passages pulled before would be stored a second time.
  job.line = job.option("--line", qEnvironmentVariable("TESSARO_LINE")).trimmed();
  if (!job.line.isEmpty()) return true;
  *why = QStringLiteral(
      "records import needs the line the log came from: give --line (the link of its pulls, such as "
      "10.0.0.20:5600) or TESSARO_LINE");
  return false;
}

int RunRecordsImport(Job& job) {
  const QString path = job.options.operands.value(0);
  const LogImport done = ImportAccessLog(*job.store, path, job.line, QSysInfo::machineHostName());
  if (!done.opened) return Complain(job, QStringLiteral("cannot read %1").arg(path)), kUsage;
  if (!done.stored) {
    Complain(job, QStringLiteral("the store %1 refused the records, none was imported: %2")
                      .arg(job.store->address().shown(), job.store->lastError()));
    return kUsage;
  }
  for (const auto& [number, text] : done.badLines)
    Complain(
        job,
        QStringLiteral("%1 line %2 is no log line, skipped: %3").arg(path).arg(number).arg(QString::fromLatin1(text)));
  job.console.out << QStringLiteral("imported %1, already there %2, unreadable %3\n")
                         .arg(done.imported)
                         .arg(done.duplicates)
                         .arg(done.badLines.size());
  return done.badLines.empty() ? kDone : kSomeFailed;
}

int RunHoldersImport(Job& job) {
  const QString path = job.options.operands.value(0);
  const HolderImport done = ImportHolders(*job.store, path);
  static const char* const problems[] = {"", "cannot be read", "is not UTF-8 text",
                                         "has no card number from 0 to 4294967295", "has no name"};
  if (done.problem.what == HolderProblem::Unreadable)
    return Complain(job, QStringLiteral("cannot read %1").arg(path)), kUsage;
  if (done.problem.what != HolderProblem::None) {
    Complain(job, QStringLiteral("%1 line %2 %3; nothing was imported")
                      .arg(path)
                      .arg(done.problem.line)
                      .arg(QLatin1String(problems[done.problem.what])));
    return kUsage;
  }
  if (!done.stored) {
    Complain(job, QStringLiteral("the store %1 refused the card holders, none was imported: %2")
                      .arg(job.store->address().shown(), job.store->lastError()));
    return kUsage;
  }
  job.console.out << QStringLiteral("imported %1 card holders\n").arg(done.holders);
  return kDone;
}

}  // namespace tessaro::cli
