#include "storedpull.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace tessaro {

namespace {

// The raw frame as text both engines keep: printable characters as they
// came, any other byte as \xHH.
QString FrameText(const QByteArray& frame) {
  QString text;
  text.reserve(frame.size());
  for (const char c : frame) {
    if (c >= ' ' && c <= '~' && c != '\\') text += QLatin1Char(c);
    else text += QStringLiteral("\\x%1").arg(static_cast<uchar>(c), 2, 16, QLatin1Char('0'));
  }
  return text;
}

// What of `lines` the log lacks after `offset`, where they were to start.
QByteArray MissingLines(const AccessLog& log, qint64 offset, const QByteArray& lines) {
  const qint64 size = log.size();
  // A log moved away or cut back since: every line again.
  if (size < offset) return lines;
  const QByteArray tail = log.readFrom(offset);
  if (lines.startsWith(tail)) return lines.mid(tail.size());
  // Another program appended meanwhile: the whole lines not found.
  QByteArray missing;
  for (const QByteArray& line : lines.split('\n')) {
    if (!line.isEmpty() && !tail.contains(line + '\n')) missing += line + '\n';
  }
  return missing;
}

}  // namespace

Keeping FinishPendingLogs(const StoreTarget& target, AccessLog& log) {
  RecordStore& store = *target.store;
  QSqlQuery q(store.db());
  q.prepare(QStringLiteral("SELECT id, log_offset, lines FROM pull_journal WHERE host = ? AND log = ? ORDER BY id"));
  q.addBindValue(target.host);
  q.addBindValue(log.path());
  if (!q.exec()) return store.failed(q.lastError().text()), Keeping::StoreFailed;
  std::vector<NewRecords> pending;
  while (q.next())
    pending.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString().toLatin1(), 0});
  q.finish();
  for (const NewRecords& p : pending) {
    const QByteArray missing = MissingLines(log, p.logOffset, p.lines);
    if (!missing.isEmpty() && !log.appendBytes(missing)) return Keeping::LogFailed;
    if (!log.flush()) return Keeping::LogFailed;
    if (!ConfirmLogged(target, p)) return Keeping::StoreFailed;
  }
  return Keeping::Done;
}

std::optional<NewRecords> StoreNewRecords(const StoreTarget& target, const AccessLog& log, DeviceId deviceId,
                                          const std::vector<OfflineRecord>& records, qint16 recordType) {
  RecordStore& store = *target.store;
  RecordStore::Transaction tx(store);
  if (!tx.begun()) return std::nullopt;
  QSqlQuery q(store.db());
  if (!q.prepare(QStringLiteral("INSERT INTO passages (line, address, card, stamp, type, frame, collected_at, host) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING")))
    return store.failed(q.lastError().text()), std::nullopt;
  const QString collectedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  NewRecords fresh;
  fresh.logOffset = log.size();
  for (const OfflineRecord& record : records) {
    const QByteArray line = FormatAccessLogLine(deviceId, record, recordType);
    const QVariant values[] = {target.line,    deviceId.value(), qint64(record.cardNumber),
                               StampKey(line), recordType,       FrameText(record.frame),
                               collectedAt,    target.host};
    for (int i = 0; i < 8; ++i) q.bindValue(i, values[i]);
    if (!q.exec()) return store.failed(q.lastError().text()), std::nullopt;
    if (q.numRowsAffected() > 0) {
      fresh.lines += line + "\r\n";
      ++fresh.count;
    }
  }
  if (fresh.count > 0) {
    QSqlQuery j(store.db());
    j.prepare(
        QStringLiteral("INSERT INTO pull_journal (host, log, log_offset, lines) VALUES (?, ?, ?, ?) RETURNING id"));
    for (const QVariant& v : {QVariant(target.host), QVariant(log.path()), QVariant(fresh.logOffset),
                              QVariant(QString::fromLatin1(fresh.lines))})
      j.addBindValue(v);
    if (!j.exec() || !j.next()) return store.failed(j.lastError().text()), std::nullopt;
    fresh.journal = j.value(0).toLongLong();
  }
  if (!tx.commit()) return std::nullopt;
  return fresh;
}

bool LogNewRecords(AccessLog& log, const NewRecords& fresh) {
  if (fresh.journal < 0) return true;
  return log.appendBytes(fresh.lines) && log.flush();
}

bool ConfirmLogged(const StoreTarget& target, const NewRecords& fresh) {
  if (fresh.journal < 0) return true;
  QSqlQuery q(target.store->db());
  q.prepare(QStringLiteral("DELETE FROM pull_journal WHERE id = ?"));
  q.addBindValue(fresh.journal);
  return q.exec() || target.store->failed(q.lastError().text());
}

}  // namespace tessaro
