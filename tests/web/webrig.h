#pragma once
// The console served in-process on a free port of 127.0.0.1 from a store of
// its own (a SQLite file, or the PostgreSQL database given), with a user of
// each role, a line with a door, a group, a holder and passages to show.

#include <httplib.h>

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <thread>

#include "console.h"

namespace tessaro::test {

struct WebRig {
  explicit WebRig(const QString& db = {});
  ~WebRig();
  struct Session {
    std::string cookie, csrf;
  };
  // A session of the role's user, made in the store; `idleS` seconds since it was last used.
  Session session(web::Role role, qint64 idleS = 0);
  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port); }
  httplib::Headers headers(const Session* s, bool sameOrigin = true) const;
  httplib::Result get(const std::string& path, const Session* s = nullptr);
  // A form (or, for /api/, JSON) with the session's token and the console's origin.
  httplib::Result post(const std::string& path, const Session* s, std::string body = {});
  // The names of the rig's users by role; every one has the password "parola-123".
  static QString user(web::Role role);

  QTemporaryDir dir;
  std::unique_ptr<RecordStore> store;
  std::unique_ptr<web::Console> console;
  std::thread serving;
  int port = -1;
  std::unique_ptr<httplib::Client> client;
};

}  // namespace tessaro::test
