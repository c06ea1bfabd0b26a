#pragma once
// Who may use the console: users with a role and an Argon2id password,
// sessions of 256 random bits kept only as their hash, API tokens the same
// way. Every login, failed or not, and every change of a user is an audit
// row whose os_user is "web:NAME": the audit table stays the one every
// program writes, and a console user is told from an OS user by the prefix.

#include <QByteArray>
#include <QString>
#include <optional>

#include "accessstore.h"
#include "recordstore.h"

namespace tessaro::web {

// Ordered: a role may do what the roles below it may.
enum class Role { None = 0, Viewer = 1, Operator = 2, Admin = 3 };
// "izleyici", "operatör", "yönetici"
QString RoleName(Role role);
std::optional<Role> RoleFromName(const QString& name);

inline constexpr qint64 kIdleSeconds = 30 * 60;  // a session unused this long has ended
inline constexpr int kFailuresToLock = 5;
inline constexpr qint64 kLockSeconds = 15 * 60;

// libsodium's Argon2id string of the password; empty when the machine lacks the memory.
QByteArray HashPassword(const QByteArray& password);
bool PasswordMatches(const QByteArray& hash, const QByteArray& password);
// 256 random bits as URL-safe base64, and the SHA-256 hex that the store keeps of it.
QByteArray NewToken();
QString TokenHash(const QByteArray& token);

// The actor of the audit rows of a console user.
Actor WebActor(const QString& user, const QString& address);

// Adds the user, or gives an existing one a new password and role and ends its
// sessions (a forgotten password is reset so); false when the store refused.
bool SetUser(RecordStore& store, const QString& name, Role role, const QByteArray& password, const Actor& actor);
// Adds an API token of the role; the token itself, shown once, or empty when refused.
QByteArray AddToken(RecordStore& store, const QString& name, Role role, const Actor& actor);

struct Who {
  Role role = Role::None;
  qint64 userId = 0;  // 0 for a token
  QString name;
  QString session;    // the session's hash; empty for a token
  QString csrf;       // the session's token for changes
};

enum class LoginEnd { Ok, Wrong, Locked, Failed };
struct Login {
  LoginEnd end = LoginEnd::Failed;
  QByteArray token;  // with Ok: the session cookie's value
};
// Checks the password (a locked or unknown name as slowly as a wrong one),
// counts failures, opens a session and writes the audit row.
Login LogIn(RecordStore& store, const QString& name, const QByteArray& password, const QString& address, qint64 now);
// The session of a cookie, unexpired; it is refreshed.
std::optional<Who> SessionOf(RecordStore& store, const QByteArray& token, qint64 now);
std::optional<Who> TokenOf(RecordStore& store, const QByteArray& token);
bool LogOut(RecordStore& store, const Who& who, const QString& address);
// Changes the user's own password and ends its other sessions.
bool ChangePassword(RecordStore& store, const Who& who, const QByteArray& password, const QString& address);

}  // namespace tessaro::web
