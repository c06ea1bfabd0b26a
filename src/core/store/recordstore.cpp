#include "recordstore.h"

#include <algorithm>

#include <QAtomicInt>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QUrl>
#include <QUrlQuery>

#include "jobstore.h"

namespace tessaro {

namespace {

// Everything the two engines do not say alike. The rest of the store's SQL
// ("INSERT … ON CONFLICT", row values, LIMIT) reads the same in both.
struct Dialect {
  const char* driver;
  const char* autoId;  // an id column that numbers new rows itself
};

const Dialect& DialectOf(StoreEngine engine) {
  static const Dialect sqlite{"QSQLITE", "INTEGER PRIMARY KEY"};
  static const Dialect postgres{"QPSQL", "BIGSERIAL PRIMARY KEY"};
  return engine == StoreEngine::Sqlite ? sqlite : postgres;
}

// Each version's statements, in order; "%ID" is the dialect's id column. A
// store is brought from the version it has to the newest, one step at a time.
struct Migration {
  int version;
  std::vector<const char*> statements;
};

const std::vector<Migration>& Migrations() {
  static const std::vector<Migration> all = {
      {1,
       {"CREATE TABLE store_meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
        "INSERT INTO store_meta (name, value) VALUES ('schema', '0')",
        // A record pulled twice is stored once: the key is what the reader said of the passage.
        "CREATE TABLE passages (id %ID, line TEXT NOT NULL, address INTEGER NOT NULL, card BIGINT NOT NULL, "
        "stamp TEXT NOT NULL, type INTEGER NOT NULL, frame TEXT, collected_at TEXT NOT NULL, host TEXT NOT NULL, "
        "UNIQUE (line, address, card, stamp, type))",
        // The viewer and the queries read by time, or by card and time.
        "CREATE INDEX passages_stamp ON passages (stamp, id)",
        "CREATE INDEX passages_card ON passages (card, stamp, id)",
        // The log lines of a pull whose records are stored but not yet known to be in its log.
        "CREATE TABLE pull_journal (id %ID, host TEXT NOT NULL, log TEXT NOT NULL, log_offset BIGINT NOT NULL, "
        "lines TEXT NOT NULL)"}},
      {2, {"CREATE TABLE holders (card BIGINT PRIMARY KEY, name TEXT NOT NULL)"}},
      // Who may pass: holders with their cards, doors on lines, groups, grants, and the audit of every
      // change. The names of version 2 become holders, one a name, keeping every card.
      {3,
       {// Copied aside, not renamed: PostgreSQL would keep the old key's index name.
        "CREATE TEMPORARY TABLE holders_v2 AS SELECT card, name FROM holders", "DROP TABLE holders",
        "CREATE TABLE holders (id %ID, name TEXT NOT NULL UNIQUE, note TEXT NOT NULL DEFAULT '', "
        "enabled INTEGER NOT NULL DEFAULT 1, valid_from TEXT, valid_until TEXT)",
        "INSERT INTO holders (name) SELECT name FROM holders_v2 GROUP BY name ORDER BY MIN(card)",
        "CREATE TABLE cards (number BIGINT PRIMARY KEY, holder BIGINT NOT NULL REFERENCES holders (id))",
        "INSERT INTO cards (number, holder) SELECT o.card, h.id FROM holders_v2 o JOIN holders h ON h.name = o.name",
        "DROP TABLE holders_v2", "CREATE INDEX cards_holder ON cards (holder)",
        "CREATE TABLE lines (name TEXT PRIMARY KEY, link TEXT NOT NULL)",
        "CREATE TABLE doors (id %ID, line TEXT NOT NULL REFERENCES lines (name), address INTEGER NOT NULL, "
        "name TEXT NOT NULL UNIQUE, model TEXT NOT NULL, UNIQUE (line, address))",
        "CREATE TABLE groups (id %ID, name TEXT NOT NULL UNIQUE)",
        "CREATE TABLE group_doors (grp BIGINT NOT NULL REFERENCES groups (id), "
        "door BIGINT NOT NULL REFERENCES doors (id), PRIMARY KEY (grp, door))",
        "CREATE TABLE memberships (holder BIGINT NOT NULL REFERENCES holders (id), "
        "grp BIGINT NOT NULL REFERENCES groups (id), PRIMARY KEY (holder, grp))",
        "CREATE TABLE grants (holder BIGINT NOT NULL REFERENCES holders (id), "
        "door BIGINT NOT NULL REFERENCES doors (id), PRIMARY KEY (holder, door))",
        "CREATE TABLE audit (id %ID, at TEXT NOT NULL, os_user TEXT NOT NULL, host TEXT NOT NULL, what TEXT NOT NULL, "
        "subject TEXT NOT NULL, before_value TEXT, after_value TEXT)",
        // One program at a time works a line: the owner keeps its row fresh while it does.
        "CREATE TABLE line_locks (line TEXT PRIMARY KEY, owner TEXT NOT NULL, host TEXT NOT NULL, pid BIGINT NOT NULL, "
        "since TEXT NOT NULL, beat BIGINT NOT NULL)"}},
      // The web console's users, sessions and tokens, and the jobs it asks of the lines' workers.
      {4, ConsoleSchema()},
  };
  return all;
}

QString NextConnectionName() {
  static QAtomicInt counter;
  return QStringLiteral("tessaro-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

}  // namespace

QString StoreAddress::shown() const {
  if (engine == StoreEngine::Sqlite) return file;
  QString text = QStringLiteral("postgresql://");
  if (!user.isEmpty()) text += user + u'@';
  text += host.startsWith(u'/') ? QString() : host;
  if (port) text += QStringLiteral(":%1").arg(port);
  text += u'/' + database;
  if (host.startsWith(u'/')) text += QStringLiteral("?host=") + host;
  return text;
}

std::optional<StoreAddress> ParseStoreAddress(const QString& text, AddressFault* fault) {
  auto fail = [fault](AddressFault f) {
    if (fault) *fault = f;
    return std::nullopt;
  };
  if (fault) *fault = AddressFault::None;
  const QString trimmed = text.trimmed();
  const qsizetype scheme = trimmed.indexOf(QStringLiteral("://"));
  StoreAddress a;
  if (scheme < 0) {
    if (trimmed.isEmpty()) return fail(AddressFault::Database);
    // "postgresql:/…", "Postgres:…": one slash short, or none, is a mistyped address.
    static const QRegularExpression mistyped(QStringLiteral("^(?:[A-Za-z][A-Za-z0-9+.-]+:/|postgres(?:ql)?:)"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (mistyped.match(trimmed).hasMatch()) return fail(AddressFault::Scheme);
    a.file = QFileInfo(trimmed).absoluteFilePath();
    return a;
  }
  const QString name = trimmed.left(scheme).toLower();
  if (name != QLatin1String("postgresql") && name != QLatin1String("postgres")) return fail(AddressFault::Scheme);
  a.engine = StoreEngine::Postgres;
  auto decoded = [](const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); };
  // user:password@host:port/database?host=/socket/folder
  QString rest = trimmed.mid(scheme + 3);
  const qsizetype question = rest.indexOf(u'?');
  const QUrlQuery query(question < 0 ? QString() : rest.mid(question + 1));
  rest.truncate(question < 0 ? rest.size() : question);
  const qsizetype slash = rest.indexOf(u'/');
  if (slash < 0) return fail(AddressFault::Database);
  const QString authority = rest.left(slash);
  a.database = decoded(rest.mid(slash + 1));
  const qsizetype at = authority.lastIndexOf(u'@');
  const QString user = at < 0 ? QString() : authority.left(at);
  QString hostPort = authority.mid(at + 1);
  a.user = decoded(user.section(u':', 0, 0));
  a.password = user.contains(u':') ? decoded(user.section(u':', 1)) : QString();
  const qsizetype close = hostPort.lastIndexOf(u']');
  const qsizetype colon = hostPort.lastIndexOf(u':');
  if (colon > close) {
    const QString port = hostPort.mid(colon + 1);
    bool ok = false;
    a.port = port.toInt(&ok);
    if (!ok || a.port < 1 || a.port > 65535 || !port.front().isDigit()) return fail(AddressFault::Port);
    hostPort.truncate(colon);
  }
  a.host =
      decoded(hostPort.startsWith(u'[') && hostPort.endsWith(u']') ? hostPort.mid(1, hostPort.size() - 2) : hostPort);
  if (query.hasQueryItem(QStringLiteral("host")))
    a.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
  if (a.host.isEmpty() || (!a.host.startsWith(u'/') && a.host.contains(u'/'))) return fail(AddressFault::Host);
  if (a.database.isEmpty() || a.database.contains(u'/')) return fail(AddressFault::Database);
  return a;
}

QString DefaultStoreFile(const QString& dataFolder) {
  return QDir(dataFolder).absoluteFilePath(QStringLiteral("records.sqlite"));
}

StoreOpen RecordStore::open(const StoreAddress& address, int upToVersion, StoreMaking making) {
  StoreOpen result;
  const Dialect& dialect = DialectOf(address.engine);
  if (!QSqlDatabase::isDriverAvailable(QLatin1String(dialect.driver))) {
    result.error = StoreError::NoDriver;
    result.detail = QLatin1String(dialect.driver);
    return result;
  }
  std::unique_ptr<RecordStore> store(
      new RecordStore(address, QSqlDatabase::addDatabase(QLatin1String(dialect.driver), NextConnectionName())));
  QSqlDatabase& db = store->db_;
  const bool existingOnly = making == StoreMaking::ExistingOnly;
  if (address.engine == StoreEngine::Sqlite) {
    // Opening a SQLite file makes it: one that must exist is looked for first.
    if (existingOnly && !QFileInfo(address.file).isFile()) {
      result.error = StoreError::Missing;
      return result;
    }
    QDir().mkpath(QFileInfo(address.file).absolutePath());
    db.setDatabaseName(address.file);
    // A viewer reading the store waits for a pull's commit rather than failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
  } else {
    db.setHostName(address.host);
    if (address.port) db.setPort(address.port);
    db.setUserName(address.user);
    db.setPassword(address.password);
    db.setDatabaseName(address.database);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
  }
  if (!store->db_.open()) {
    result.error = StoreError::Unreachable;
    result.detail = store->db_.lastError().text();
    return result;
  }
  // A database without the store's tables (an empty file, a new PostgreSQL database) holds no store.
  if (existingOnly && store->readVersion() == 0) {
    result.error = StoreError::Missing;
    return result;
  }
  if (address.engine == StoreEngine::Sqlite) {
    // Readers and one writer at once; a commit is on disk when it returns.
    QSqlQuery q(store->db_);
    // A page cache that holds the indexes of a large import (64 MiB at most).
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=FULL")) ||
        !q.exec(QStringLiteral("PRAGMA cache_size=-65536"))) {
      result.error = StoreError::Failed;
      result.detail = q.lastError().text();
      return result;
    }
  }
  // Two PCs creating one new database at once: the one that lost finds it made.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (store->migrate(upToVersion, result)) {
      result.store = std::move(store);
      return result;
    }
    if (result.error == StoreError::NewerSchema) return result;
  }
  return result;
}

RecordStore::~RecordStore() {
  const QString name = db_.connectionName();
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name);
}

bool RecordStore::failed(const QString& what) {
  lastError_ = what;
  return false;
}

int RecordStore::readVersion() {
  if (!db_.tables().contains(QStringLiteral("store_meta"))) return 0;
  QSqlQuery q(db_);
  if (!q.exec(QStringLiteral("SELECT value FROM store_meta WHERE name = 'schema'")) || !q.next()) return -1;
  return q.value(0).toInt();
}

bool RecordStore::migrate(int upToVersion, StoreOpen& result) {
  auto refuse = [&](StoreError error, const QString& detail) {
    result.error = error;
    result.detail = detail;
    return false;
  };
  const int found = readVersion();
  if (found < 0) return refuse(StoreError::Failed, db_.lastError().text());
  const int newest = Migrations().back().version;
  if (found > newest) {
    result.foundVersion = found;
    return refuse(StoreError::NewerSchema, QString::number(found));
  }
  version_ = found;
  if (found >= upToVersion) return true;
  Transaction tx(*this);
  if (!tx.begun()) return refuse(StoreError::Failed, lastError_);
  QSqlQuery q(db_);
  const QString autoId = QLatin1String(DialectOf(address_.engine).autoId);
  int reached = found;
  for (const Migration& m : Migrations()) {
    if (m.version <= found || m.version > upToVersion) continue;
    for (const char* statement : m.statements) {
      if (!q.exec(QString::fromLatin1(statement).replace(QLatin1String("%ID"), autoId)))
        return refuse(StoreError::Failed, q.lastError().text());
    }
    reached = m.version;
  }
  q.prepare(QStringLiteral("UPDATE store_meta SET value = ? WHERE name = 'schema'"));
  q.addBindValue(QString::number(reached));
  if (!q.exec()) return refuse(StoreError::Failed, q.lastError().text());
  if (!tx.commit()) return refuse(StoreError::Failed, lastError_);
  version_ = reached;
  return true;
}

RecordStore::Transaction::Transaction(RecordStore& store) : store_(store) {
  begun_ = store_.db_.transaction();
  if (!begun_) store_.failed(store_.db_.lastError().text());
}

RecordStore::Transaction::~Transaction() {
  if (begun_ && !done_) store_.db_.rollback();
}

bool RecordStore::Transaction::commit() {
  if (!begun_) return false;
  done_ = true;
  if (store_.db_.commit()) return true;
  store_.failed(store_.db_.lastError().text());
  store_.db_.rollback();
  return false;
}

QString StampKey(QByteArrayView line) {
  const QByteArrayView day = line.sliced(17, 10), time = line.sliced(28, 8);
  // Read digit by digit: a log of a million lines goes through here once a line.
  const auto number = [line](qsizetype at, qsizetype digits) {
    int v = 0;
    for (qsizetype i = at; i < at + digits; ++i) {
      if (line[i] < '0' || line[i] > '9') return -1;
      v = v * 10 + (line[i] - '0');
    }
    return v;
  };
  const int year = number(17, 4), month = number(22, 2), date = number(25, 2);
  const int hour = number(28, 2), minute = number(31, 2), second = number(34, 2);
  if (std::min({year, month, date, hour, minute, second}) >= 0 && QDate::isValid(year, month, date) &&
      QTime::isValid(hour, minute, second)) {
    QByteArray key = day.toByteArray() + ' ' + time.toByteArray();
    key[4] = key[7] = '-';
    return QString::fromLatin1(key);
  }
  return u'?' + QString::fromLatin1(day) + u' ' + QString::fromLatin1(time);
}

std::optional<LoggedPassage> ReadLogLine(QByteArrayView line) {
  // "005,0012345678,1,2026/12/05,14:03:09": digits everywhere but the separators;
  // a date or time the reader garbled shows "?" in its digits.
  static const char shape[] = "ddd,dddddddddd,d,tttt/tt/tt,tt:tt:tt";
  if (line.size() != qsizetype(sizeof shape - 1)) return std::nullopt;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const char c = line[i], s = shape[i];
    const bool digit = c >= '0' && c <= '9';
    if (s == 'd' ? !digit : s == 't' ? !(digit || c == '?') : c != s) return std::nullopt;
  }
  LoggedPassage p;
  p.address = line.sliced(0, 3).toInt();
  p.card = line.sliced(4, 10).toLongLong();
  p.type = line[15] - '0';
  p.stamp = StampKey(line);
  return p;
}

}  // namespace tessaro
