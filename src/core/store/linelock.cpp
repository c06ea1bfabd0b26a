#include "linelock.h"

#include <signal.h>
#include <unistd.h>

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <cerrno>

namespace tessaro {

namespace {

// The database's clock, in whole seconds: the PCs' own clocks may differ.
QString Now(const RecordStore& store) {
  return store.engine() == StoreEngine::Sqlite
             ? QStringLiteral("CAST(strftime('%s', 'now') AS INTEGER)")
             : QStringLiteral("CAST(EXTRACT(EPOCH FROM CURRENT_TIMESTAMP) AS BIGINT)");
}

bool Alive(qint64 pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

}  // namespace

LineLock::LineLock(RecordStore& store, QString line)
    : store_(store), line_(std::move(line)), owner_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

LineLock::~LineLock() { release(); }

LineLock::Try LineLock::tryTake(LockHolder* holder) {
  const QString host = QSysInfo::machineHostName();
  const qint64 pid = ::getpid();
  const QString since = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  QSqlQuery q(store_.db());
  auto fail = [&] {
    store_.failed(q.lastError().text());
    return Try::Failed;
  };
  // Inserted, or taken over from a holder gone; a row removed meanwhile is tried once more.
  for (int attempt = 0; attempt < 2; ++attempt) {
    q.prepare(QStringLiteral("INSERT INTO line_locks (line, owner, host, pid, since, beat) VALUES (?, ?, ?, ?, ?, %1) "
                             "ON CONFLICT (line) DO NOTHING")
                  .arg(Now(store_)));
    q.addBindValue(line_), q.addBindValue(owner_), q.addBindValue(host), q.addBindValue(pid), q.addBindValue(since);
    if (!q.exec()) return fail();
    if (q.numRowsAffected() == 1) return held_ = true, Try::Taken;
    q.prepare(
        QStringLiteral("SELECT owner, host, pid, since, %1 - beat FROM line_locks WHERE line = ?").arg(Now(store_)));
    q.addBindValue(line_);
    if (!q.exec()) return fail();
    if (!q.next()) continue;
    const QString owner = q.value(0).toString();
    const LockHolder found{q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString()};
    const bool gone =
        q.value(4).toLongLong() > kLockLeaseS || (found.host == host && found.pid != pid && !Alive(found.pid));
    q.finish();
    if (!gone) {
      if (holder) *holder = found;
      return Try::Held;
    }
    q.prepare(QStringLiteral("UPDATE line_locks SET owner = ?, host = ?, pid = ?, since = ?, beat = %1 "
                             "WHERE line = ? AND owner = ?")
                  .arg(Now(store_)));
    q.addBindValue(owner_), q.addBindValue(host), q.addBindValue(pid), q.addBindValue(since);
    q.addBindValue(line_), q.addBindValue(owner);
    if (!q.exec()) return fail();
    if (q.numRowsAffected() == 1) return held_ = true, Try::Taken;
  }
  if (holder) *holder = {};
  return Try::Held;
}

bool LineLock::refresh() {
  if (!held_) return false;
  QSqlQuery q(store_.db());
  q.prepare(QStringLiteral("UPDATE line_locks SET beat = %1 WHERE line = ? AND owner = ?").arg(Now(store_)));
  q.addBindValue(line_), q.addBindValue(owner_);
  if (!q.exec()) return store_.failed(q.lastError().text());
  held_ = q.numRowsAffected() == 1;
  return held_;
}

void LineLock::release() {
  if (!held_) return;
  QSqlQuery q(store_.db());
  q.prepare(QStringLiteral("DELETE FROM line_locks WHERE line = ? AND owner = ?"));
  q.addBindValue(line_), q.addBindValue(owner_);
  q.exec();  // a lock left behind by a failed delete goes stale on its own
  held_ = false;
}

}  // namespace tessaro
