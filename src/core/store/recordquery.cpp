#include "recordquery.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include "accessstore.h"
#include "csvtable.h"

namespace tessaro {

namespace {

QString Key(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

// The filter as SQL conditions on passages "p", with the values they bind.
QString Where(const PassageFilter& f, QVariantList& binds) {
  QStringList parts;
  // Both ends whenever one is given, so a stamp that is no date ("?…") is out.
  if (f.from || f.to) {
    parts << QStringLiteral("p.stamp >= ? AND p.stamp <= ?");
    binds << (f.from ? Key(*f.from) : QStringLiteral("0000")) << (f.to ? Key(*f.to) : QStringLiteral("9999"));
  }
  if (!f.addresses.empty()) {
    QStringList list;
    for (const int a : f.addresses) list << QString::number(a);
    parts << QStringLiteral("p.address IN (%1)").arg(list.join(u','));
  }
  if (f.card) {
    parts << QStringLiteral("p.card = ?");
    binds << *f.card;
  }
  if (f.afterId) parts << QStringLiteral("p.id > ?"), binds << *f.afterId;
  if (f.upToId) parts << QStringLiteral("p.id <= ?"), binds << *f.upToId;
  return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

bool Run(RecordStore& store, QSqlQuery& q, const QString& sql, const QVariantList& binds) {
  q.setForwardOnly(true);
  if (!q.prepare(sql)) return store.failed(q.lastError().text());
  for (const QVariant& v : binds) q.addBindValue(v);
  return q.exec() || store.failed(q.lastError().text());
}

bool AllDigits(QStringView text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

std::optional<qint64> CountPassages(RecordStore& store, const PassageFilter& filter) {
  QVariantList binds;
  const QString where = Where(filter, binds);
  QSqlQuery q(store.db());
  if (!Run(store, q, QStringLiteral("SELECT COUNT(*) FROM passages p") + where, binds) || !q.next())
    return std::nullopt;
  return q.value(0).toLongLong();
}

std::optional<std::vector<Passage>> PassagePage(RecordStore& store, const PassageFilter& filter, const Passage* after,
                                                int limit) {
  QVariantList binds;
  QString where = Where(filter, binds);
  const char* order = filter.newestFirst ? "DESC" : "ASC";
  // Keyset paging: the next page starts after the last row shown, found in
  // the index, however far the user has scrolled.
  if (after) {
    where += where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    where +=
        filter.newestFirst ? QStringLiteral("(p.stamp, p.id) < (?, ?)") : QStringLiteral("(p.stamp, p.id) > (?, ?)");
    binds << after->stamp << after->id;
  }
  const QString sql =
      QStringLiteral(
          "SELECT p.id, p.line, p.address, p.card, p.stamp, p.type, h.name, p.collected_at, p.host "
          "FROM passages p LEFT JOIN cards c ON c.number = p.card LEFT JOIN holders h ON h.id = c.holder%1 "
          "ORDER BY p.stamp %2, p.id %2 LIMIT %3")
          .arg(where, QLatin1String(order))
          .arg(limit);
  QSqlQuery q(store.db());
  if (!Run(store, q, sql, binds)) return std::nullopt;
  std::vector<Passage> page;
  while (q.next()) {
    page.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toLongLong(),
                    q.value(4).toString(), q.value(5).toInt(), q.value(6).toString(), q.value(7).toString(),
                    q.value(8).toString()});
  }
  return page;
}

std::optional<std::vector<std::pair<QString, qint64>>> PassageBuckets(RecordStore& store, const PassageFilter& filter,
                                                                      int keyChars) {
  QVariantList binds;
  const QString where = Where(filter, binds);
  QSqlQuery q(store.db());
  if (!Run(store, q,
           QStringLiteral("SELECT substr(p.stamp, 1, %1) AS k, COUNT(*) FROM passages p%2 GROUP BY k ORDER BY k").arg(keyChars).arg(where),
           binds))
    return std::nullopt;
  std::vector<std::pair<QString, qint64>> buckets;
  while (q.next()) buckets.emplace_back(q.value(0).toString(), q.value(1).toLongLong());
  return buckets;
}

bool ForEachPassage(RecordStore& store, const PassageFilter& filter, const std::function<void(const Passage&)>& each) {
  constexpr int kPage = 5000;
  std::optional<Passage> last;
  for (;;) {
    const std::optional<std::vector<Passage>> page = PassagePage(store, filter, last ? &*last : nullptr, kPage);
    if (!page) return false;
    for (const Passage& p : *page) each(p);
    if (static_cast<int>(page->size()) < kPage) return true;
    last = page->back();
  }
}

std::optional<std::vector<int>> ParseAddressList(const QString& text) {
  std::vector<int> ids;
  for (const QString& part : text.split(u',')) {
    const QStringList range = part.trimmed().split(u'-');
    if (range.size() > 2 ||
        !std::all_of(range.begin(), range.end(), [](const QString& r) { return AllDigits(r.trimmed()); }))
      return std::nullopt;
    const int first = range[0].trimmed().toInt(), last = range.back().trimmed().toInt();
    if (first < 1 || last > 255 || last < first) return std::nullopt;
    for (int id = first; id <= last; ++id) ids.push_back(id);
  }
  return ids;
}

LogImport ImportAccessLog(RecordStore& store, const QString& path, const QString& line, const QString& host) {
  LogImport result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return result;
  result.opened = true;
  // The lines go into a table of the import's own first and from there into the passages in key order:
  // the indexes then grow page after page instead of at random places, which a large log feels most.
  // Many rows a statement: the engine's work, not the round trips, sets the pace.
  constexpr int kRows = 100;
  auto statement = [](int rows) {
    QStringList values;
    for (int i = 0; i < rows; ++i) values << QStringLiteral("(?, ?, ?, ?)");
    return QStringLiteral("INSERT INTO import_rows (address, card, stamp, type) VALUES ") + values.join(u',');
  };
  RecordStore::Transaction tx(store);
  if (!tx.begun()) return result;
  QSqlQuery full(store.db());
  if (!full.exec(QStringLiteral(
          "CREATE TEMPORARY TABLE import_rows (address INTEGER NOT NULL, card BIGINT NOT NULL, stamp TEXT NOT NULL, "
          "type INTEGER NOT NULL)")) ||
      !full.prepare(statement(kRows)))
    return store.failed(full.lastError().text()), result;
  std::vector<LoggedPassage> batch;
  batch.reserve(kRows);
  auto flush = [&]() {
    if (batch.empty()) return true;
    QSqlQuery part(store.db());
    QSqlQuery& q = static_cast<int>(batch.size()) == kRows ? full : part;
    if (&q == &part && !part.prepare(statement(static_cast<int>(batch.size()))))
      return store.failed(part.lastError().text());
    int i = 0;
    for (const LoggedPassage& p : batch) {
      q.bindValue(i++, p.address);
      q.bindValue(i++, p.card);
      q.bindValue(i++, p.stamp);
      q.bindValue(i++, p.type);
    }
    batch.clear();
    return q.exec() || store.failed(q.lastError().text());
  };
  while (!file.atEnd()) {
    QByteArray text = file.readLine();
    ++result.lines;
    while (text.endsWith('\n') || text.endsWith('\r')) text.chop(1);
    if (std::optional<LoggedPassage> p = ReadLogLine(text)) batch.push_back(std::move(*p));
    else result.badLines.emplace_back(result.lines, text);
    if (static_cast<int>(batch.size()) == kRows && !flush()) return result;
  }
  if (!flush()) return result;
  QSqlQuery move(store.db());
  // "WHERE true" keeps SQLite from reading ON CONFLICT as a join's ON.
  if (!move.prepare(QStringLiteral(
          "INSERT INTO passages (line, address, card, stamp, type, collected_at, host) SELECT ?, address, card, stamp, "
          "type, ?, ? FROM import_rows WHERE true ORDER BY address, card, stamp, type ON CONFLICT DO NOTHING")))
    return store.failed(move.lastError().text()), result;
  move.bindValue(0, line);
  move.bindValue(1, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
  move.bindValue(2, host);
  if (!move.exec()) return store.failed(move.lastError().text()), result;
  result.imported = move.numRowsAffected();
  if (!move.exec(QStringLiteral("DROP TABLE import_rows"))) return store.failed(move.lastError().text()), result;
  if (!tx.commit()) return result;
  result.stored = true;
  result.duplicates = result.lines - qint64(result.badLines.size()) - result.imported;
  return result;
}

HolderImport ImportHolders(RecordStore& store, const QString& path) {
  HolderImport result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return result.problem.what = HolderProblem::Unreadable, result;
  const CsvTable csv = ReadCsv(file.readAll());
  if (!csv.utf8) return result.problem = {HolderProblem::NotUtf8, csv.badLine}, result;
  std::vector<std::pair<quint32, QString>> holders;
  for (const CsvRecord& r : csv.records) {
    const QString& card = r.fields[0];
    const QString name = r.fields.value(1);
    if (&r == &csv.records.front() && !std::any_of(card.begin(), card.end(), [](QChar c) { return c.isDigit(); }))
      continue;
    if (!AllDigits(card) || card.size() > 10 || card.toLongLong() > 0xFFFFFFFFLL)
      return result.problem = {HolderProblem::NoCard, r.line}, result;
    if (name.isEmpty()) return result.problem = {HolderProblem::NoName, r.line}, result;
    holders.emplace_back(static_cast<quint32>(card.toLongLong()), name);
  }
  if (!NameCards(store, Actor::OfThisProcess(), holders)) return result;
  result.stored = true;
  result.holders = qint64(holders.size());
  return result;
}

}  // namespace tessaro
