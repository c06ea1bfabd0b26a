#include "jobstore.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace tessaro {

namespace {

QString Now() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }
QVariant Number(const std::optional<qint64>& n) {
  return n ? QVariant(*n) : QVariant(QMetaType(QMetaType::LongLong));
}
std::optional<qint64> NumberOf(const QVariant& v) {
  return v.isNull() ? std::nullopt : std::optional<qint64>(v.toLongLong());
}

bool Run(RecordStore& store, QSqlQuery& q, const QString& sql, const QVariantList& binds) {
  q.setForwardOnly(true);
  if (!q.prepare(sql)) return store.failed(q.lastError().text());
  for (const QVariant& b : binds) q.addBindValue(b);
  return q.exec() || store.failed(q.lastError().text());
}

const char* kJobColumns =
    "id, line, kind, state, requested_by, requested_at, worker, started_at, finished_at, summary";

LineJob JobOf(const QSqlQuery& q) {
  LineJob j;
  j.id = q.value(0).toLongLong();
  j.line = q.value(1).toString();
  j.kind = JobKindFromName(q.value(2).toString()).value_or(JobKind::Pull);
  j.state = q.value(3).toString();
  j.requestedBy = q.value(4).toString();
  j.requestedAt = q.value(5).toString();
  j.worker = q.value(6).toString();
  j.startedAt = q.value(7).toString();
  j.finishedAt = q.value(8).toString();
  j.summary = q.value(9).toString();
  return j;
}

JobReader ReaderOf(const QSqlQuery& q, int from) {
  return {q.value(from).toInt(), q.value(from + 1).toInt() != 0, q.value(from + 2).toString(),
          NumberOf(q.value(from + 3)), NumberOf(q.value(from + 4)), q.value(from + 5).toString()};
}

}  // namespace

const std::vector<const char*>& ConsoleSchema() {
  static const std::vector<const char*> statements = {
      // Passwords as libsodium's Argon2id strings; five failures in a row lock the name until locked_until.
      "CREATE TABLE users (id %ID, name TEXT NOT NULL UNIQUE, role TEXT NOT NULL, password TEXT NOT NULL, "
      "failures INTEGER NOT NULL DEFAULT 0, locked_until BIGINT NOT NULL DEFAULT 0, created_at TEXT NOT NULL)",
      // Only a hash of each token is kept: a copy of the table opens no session.
      "CREATE TABLE sessions (token TEXT PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users (id), "
      "csrf TEXT NOT NULL, created BIGINT NOT NULL, seen BIGINT NOT NULL)",
      "CREATE INDEX sessions_user ON sessions (user_id)",
      "CREATE TABLE api_tokens (id %ID, name TEXT NOT NULL UNIQUE, token TEXT NOT NULL UNIQUE, role TEXT NOT NULL, "
      "created_at TEXT NOT NULL)",
      "CREATE TABLE jobs (id %ID, line TEXT NOT NULL, kind TEXT NOT NULL, state TEXT NOT NULL, "
      "requested_by TEXT NOT NULL, requested_at TEXT NOT NULL, worker TEXT, started_at TEXT, finished_at TEXT, "
      "summary TEXT)",
      "CREATE INDEX jobs_queue ON jobs (state, line, id)",
      "CREATE TABLE job_readers (job BIGINT NOT NULL REFERENCES jobs (id), address INTEGER NOT NULL, "
      "ok INTEGER NOT NULL, result TEXT NOT NULL, records BIGINT, drift BIGINT, at TEXT NOT NULL, "
      "PRIMARY KEY (job, address))"};
  return statements;
}

QString JobKindName(JobKind kind) {
  switch (kind) {
    case JobKind::Pull: return QStringLiteral("pull");
    case JobKind::Apply: return QStringLiteral("apply");
    case JobKind::Sync: return QStringLiteral("sync");
  }
  return {};
}

std::optional<JobKind> JobKindFromName(const QString& name) {
  for (const JobKind k : {JobKind::Pull, JobKind::Apply, JobKind::Sync})
    if (JobKindName(k) == name) return k;
  return std::nullopt;
}

std::optional<qint64> QueueJob(RecordStore& store, const QString& line, JobKind kind, const QString& requestedBy) {
  QSqlQuery q(store.db());
  if (!Run(store, q,
           QStringLiteral("INSERT INTO jobs (line, kind, state, requested_by, requested_at) VALUES (?, ?, 'queued', ?, ?) "
                          "RETURNING id"),
           {line, JobKindName(kind), requestedBy, Now()}) ||
      !q.next())
    return std::nullopt;
  return q.value(0).toLongLong();
}

std::optional<LineJob> ClaimJob(RecordStore& store, const QStringList& lines, const QString& worker) {
  store.failed({});
  if (lines.isEmpty()) return std::nullopt;
  QStringList marks;
  QVariantList binds = {worker, Now()};
  for (const QString& l : lines) marks << QStringLiteral("?"), binds << l;
  // SQLite runs one writer at a time, so the inner SELECT and the UPDATE are
  // one step there; PostgreSQL locks the row it picks and passes over those
  // another worker holds.
  const QString lock = store.engine() == StoreEngine::Postgres ? QStringLiteral(" FOR UPDATE SKIP LOCKED") : QString();
  QSqlQuery q(store.db());
  if (!Run(store, q,
           QStringLiteral("UPDATE jobs SET state = 'running', worker = ?, started_at = ? WHERE id = (SELECT id FROM jobs "
                          "WHERE state = 'queued' AND line IN (%1) ORDER BY id LIMIT 1%2) AND state = 'queued' "
                          "RETURNING %3")
               .arg(marks.join(u','), lock, QLatin1String(kJobColumns)),
           binds) ||
      !q.next())
    return std::nullopt;
  return JobOf(q);
}

bool AddJobReader(RecordStore& store, qint64 job, const JobReader& r) {
  QSqlQuery q(store.db());
  return Run(store, q,
             QStringLiteral("INSERT INTO job_readers (job, address, ok, result, records, drift, at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
             {job, r.address, r.ok ? 1 : 0, r.result, Number(r.records), Number(r.drift), r.at.isEmpty() ? Now() : r.at});
}

bool FinishJob(RecordStore& store, qint64 job, bool ok, const QString& summary) {
  QSqlQuery q(store.db());
  return Run(store, q, QStringLiteral("UPDATE jobs SET state = ?, finished_at = ?, summary = ? WHERE id = ?"),
             {QLatin1String(ok ? "done" : "failed"), Now(), summary, job});
}

std::optional<LineJob> FindJob(RecordStore& store, qint64 id) {
  QSqlQuery q(store.db());
  if (!Run(store, q, QStringLiteral("SELECT %1 FROM jobs WHERE id = ?").arg(QLatin1String(kJobColumns)), {id}))
    return std::nullopt;
  if (!q.next()) return store.failed({}), std::nullopt;
  return JobOf(q);
}

std::optional<std::vector<LineJob>> ListJobs(RecordStore& store, const QString& line, int limit) {
  QSqlQuery q(store.db());
  const QString where = line.isNull() ? QString() : QStringLiteral(" WHERE line = ?");
  QVariantList binds;
  if (!line.isNull()) binds << line;
  if (!Run(store, q, QStringLiteral("SELECT %1 FROM jobs%2 ORDER BY id DESC LIMIT %3").arg(QLatin1String(kJobColumns), where).arg(limit),
           binds))
    return std::nullopt;
  std::vector<LineJob> jobs;
  while (q.next()) jobs.push_back(JobOf(q));
  return jobs;
}

std::optional<std::vector<JobReader>> JobReaders(RecordStore& store, qint64 job) {
  QSqlQuery q(store.db());
  if (!Run(store, q,
           QStringLiteral("SELECT address, ok, result, records, drift, at FROM job_readers WHERE job = ? ORDER BY address"),
           {job}))
    return std::nullopt;
  std::vector<JobReader> readers;
  while (q.next()) readers.push_back(ReaderOf(q, 0));
  return readers;
}

std::optional<std::vector<ReaderStatus>> LineStatus(RecordStore& store, const QString& line) {
  QSqlQuery q(store.db());
  // Each reader's newest result of each kind.
  if (!Run(store, q,
           QStringLiteral("SELECT j.kind, r.address, r.ok, r.result, r.records, r.drift, r.at FROM job_readers r "
                          "JOIN jobs j ON j.id = r.job WHERE j.line = ? AND r.job = (SELECT MAX(r2.job) FROM job_readers r2 "
                          "JOIN jobs j2 ON j2.id = r2.job WHERE j2.line = j.line AND j2.kind = j.kind AND r2.address = "
                          "r.address) ORDER BY r.address"),
           {line}))
    return std::nullopt;
  std::vector<ReaderStatus> status;
  while (q.next()) {
    const int address = q.value(1).toInt();
    if (status.empty() || status.back().address != address) status.push_back({address, {}, {}, {}});
    const std::optional<JobKind> kind = JobKindFromName(q.value(0).toString());
    if (!kind) continue;
    (*kind == JobKind::Pull ? status.back().pull : *kind == JobKind::Sync ? status.back().sync : status.back().apply) =
        ReaderOf(q, 1);
  }
  return status;
}

}  // namespace tessaro
