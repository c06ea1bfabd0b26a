#include "auth.h"

#include <sodium.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <semaphore>

namespace tessaro::web {

namespace {

// OWASP's Argon2id setting of 19 MiB and two passes: a login costs tens of
// milliseconds of one core. One at a time leaves the other cores to the
// requests of those logged in, and the console's memory small.
constexpr unsigned long long kOpsLimit = 2;
constexpr size_t kMemLimit = 19 * 1024 * 1024;
std::counting_semaphore<1> hashing(1);

struct Hashing {
  Hashing() { hashing.acquire(); }
  ~Hashing() { hashing.release(); }
};

bool Exec(RecordStore& store, QSqlQuery& q, const QString& sql, const QVariantList& binds) {
  q.setForwardOnly(true);
  if (!q.prepare(sql)) return store.failed(q.lastError().text());
  for (const QVariant& b : binds) q.addBindValue(b);
  return q.exec() || store.failed(q.lastError().text());
}

QString Now() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODate); }

// A hash to check unknown and locked names against, so that they take as long as a wrong password.
const QByteArray& DecoyHash() {
  static const QByteArray decoy = HashPassword(NewToken());
  return decoy;
}

}  // namespace

QString RoleName(Role role) {
  switch (role) {
    case Role::Viewer: return QStringLiteral("izleyici");
    case Role::Operator: return QStringLiteral("operatör");
    case Role::Admin: return QStringLiteral("yönetici");
    case Role::None: break;
  }
  return {};
}

std::optional<Role> RoleFromName(const QString& name) {
  for (const Role r : {Role::Viewer, Role::Operator, Role::Admin})
    if (RoleName(r) == name) return r;
  // Typed on a keyboard without Turkish letters.
  if (name == QLatin1String("operator")) return Role::Operator;
  if (name == QLatin1String("yonetici")) return Role::Admin;
  return std::nullopt;
}

QByteArray HashPassword(const QByteArray& password) {
  const Hashing slot;
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(out, password.constData(), password.size(), kOpsLimit, kMemLimit,
                            crypto_pwhash_ALG_ARGON2ID13) != 0)
    return {};
  return QByteArray(out);
}

bool PasswordMatches(const QByteArray& hash, const QByteArray& password) {
  const Hashing slot;
  return !hash.isEmpty() && crypto_pwhash_str_verify(hash.constData(), password.constData(), password.size()) == 0;
}

QByteArray NewToken() {
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes)
      .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString TokenHash(const QByteArray& token) {
  return QString::fromLatin1(QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex());
}

Actor WebActor(const QString& user, const QString& address) {
  return {QStringLiteral("web:") + user, address.isEmpty() ? QSysInfo::machineHostName() : address};
}

bool SetUser(RecordStore& store, const QString& name, Role role, const QByteArray& password, const Actor& actor) {
  const QByteArray hash = HashPassword(password);
  if (hash.isEmpty()) return store.failed(QStringLiteral("Argon2id: out of memory"));
  AccessChanges changes(store, actor);
  if (!changes.begun()) return false;
  QSqlQuery q(store.db());
  if (!Exec(store, q, QStringLiteral("SELECT id, role FROM users WHERE name = ?"), {name})) return false;
  const bool known = q.next();
  const qint64 id = known ? q.value(0).toLongLong() : 0;
  const QString before = known ? q.value(1).toString() : QString();
  q.finish();
  const bool ok =
      known ? Exec(store, q, QStringLiteral("UPDATE users SET role = ?, password = ?, failures = 0, locked_until = 0 WHERE id = ?"),
                   {RoleName(role), QString::fromLatin1(hash), id}) &&
                  Exec(store, q, QStringLiteral("DELETE FROM sessions WHERE user_id = ?"), {id})
            : Exec(store, q, QStringLiteral("INSERT INTO users (name, role, password, created_at) VALUES (?, ?, ?, ?)"),
                   {name, RoleName(role), QString::fromLatin1(hash), Now()});
  return ok &&
         changes.audit(QLatin1String(known ? "user password" : "user add"), name,
                       known ? QJsonObject{{"role", before}} : QJsonObject{}, {{"role", RoleName(role)}}) &&
         changes.commit();
}

QByteArray AddToken(RecordStore& store, const QString& name, Role role, const Actor& actor) {
  const QByteArray token = NewToken();
  AccessChanges changes(store, actor);
  QSqlQuery q(store.db());
  if (!changes.begun() ||
      !Exec(store, q, QStringLiteral("INSERT INTO api_tokens (name, token, role, created_at) VALUES (?, ?, ?, ?)"),
            {name, TokenHash(token), RoleName(role), Now()}) ||
      !changes.audit(QStringLiteral("token add"), name, {}, {{"role", RoleName(role)}}) || !changes.commit())
    return {};
  return token;
}

Login LogIn(RecordStore& store, const QString& name, const QByteArray& password, const QString& address, qint64 now) {
  Login login;
  QSqlQuery q(store.db());
  if (!Exec(store, q, QStringLiteral("SELECT id, password, locked_until FROM users WHERE name = ?"), {name}))
    return login;
  const bool known = q.next();
  const qint64 id = known ? q.value(0).toLongLong() : 0;
  const bool locked = known && q.value(2).toLongLong() > now;
  const QByteArray hash = known && !locked ? q.value(1).toString().toLatin1() : DecoyHash();
  q.finish();
  const bool matches = PasswordMatches(hash, password) && known && !locked;
  const Actor actor = WebActor(name, address);
  QString reason;
  if (matches) {
    const QByteArray token = NewToken();
    if (!Exec(store, q, QStringLiteral("UPDATE users SET failures = 0 WHERE id = ?"), {id}) ||
        !Exec(store, q, QStringLiteral("INSERT INTO sessions (token, user_id, csrf, created, seen) VALUES (?, ?, ?, ?, ?)"),
              {TokenHash(token), id, QString::fromLatin1(NewToken()), now, now}))
      return login;
    login = {LoginEnd::Ok, token};
  } else if (locked) {
    login.end = LoginEnd::Locked, reason = QStringLiteral("locked");
  } else {
    login.end = LoginEnd::Wrong, reason = QLatin1String(known ? "wrong password" : "unknown user");
    // The fifth failure in a row locks the name; the count starts again after it.
    if (known && (!Exec(store, q, QStringLiteral("UPDATE users SET failures = failures + 1 WHERE id = ? RETURNING failures"), {id}) ||
                  !q.next()))
      return {};
    if (known && q.value(0).toInt() >= kFailuresToLock) {
      q.finish();
      if (!Exec(store, q, QStringLiteral("UPDATE users SET failures = 0, locked_until = ? WHERE id = ?"), {now + kLockSeconds, id}))
        return {};
      reason = QStringLiteral("wrong password; locked");
    }
  }
  q.finish();
  QJsonObject after{{"ok", matches}};
  if (!matches) after.insert(QStringLiteral("reason"), reason);
  if (!WriteAudit(store, actor, QStringLiteral("login"), name, {}, after)) login.end = LoginEnd::Failed;
  return login;
}

std::optional<Who> SessionOf(RecordStore& store, const QByteArray& token, qint64 now) {
  const QString hash = TokenHash(token);
  QSqlQuery q(store.db());
  if (!Exec(store, q,
            QStringLiteral("SELECT s.user_id, s.csrf, s.seen, u.name, u.role FROM sessions s JOIN users u ON u.id = s.user_id "
                           "WHERE s.token = ?"),
            {hash}) ||
      !q.next())
    return std::nullopt;
  const qint64 seen = q.value(2).toLongLong();
  Who who{RoleFromName(q.value(4).toString()).value_or(Role::None), q.value(0).toLongLong(), q.value(3).toString(), hash,
          q.value(1).toString()};
  q.finish();
  if (now - seen > kIdleSeconds) {
    Exec(store, q, QStringLiteral("DELETE FROM sessions WHERE token = ?"), {hash});
    return std::nullopt;
  }
  // Written at most once a minute: a page of many requests is one write.
  if (now - seen >= 60) Exec(store, q, QStringLiteral("UPDATE sessions SET seen = ? WHERE token = ?"), {now, hash});
  return who;
}

std::optional<Who> TokenOf(RecordStore& store, const QByteArray& token) {
  QSqlQuery q(store.db());
  if (!Exec(store, q, QStringLiteral("SELECT name, role FROM api_tokens WHERE token = ?"), {TokenHash(token)}) || !q.next())
    return std::nullopt;
  return Who{RoleFromName(q.value(1).toString()).value_or(Role::None), 0, QStringLiteral("token:") + q.value(0).toString(),
             {}, {}};
}

bool LogOut(RecordStore& store, const Who& who, const QString& address) {
  QSqlQuery q(store.db());
  return Exec(store, q, QStringLiteral("DELETE FROM sessions WHERE token = ?"), {who.session}) &&
         WriteAudit(store, WebActor(who.name, address), QStringLiteral("logout"), who.name, {}, {});
}

bool ChangePassword(RecordStore& store, const Who& who, const QByteArray& password, const QString& address) {
  const QByteArray hash = HashPassword(password);
  if (hash.isEmpty()) return store.failed(QStringLiteral("Argon2id: out of memory"));
  AccessChanges changes(store, WebActor(who.name, address));
  QSqlQuery q(store.db());
  return changes.begun() &&
         Exec(store, q, QStringLiteral("UPDATE users SET password = ? WHERE id = ?"), {QString::fromLatin1(hash), who.userId}) &&
         Exec(store, q, QStringLiteral("DELETE FROM sessions WHERE user_id = ? AND token <> ?"), {who.userId, who.session}) &&
         changes.audit(QStringLiteral("user password"), who.name, {}, {{"sessions", "others ended"}}) && changes.commit();
}

}  // namespace tessaro::web
