#pragma once
// The console's HTTP side: one table of routes, each with the least role it
// needs, and one way in for every request that checks, in this order, who
// asks (a session cookie or an API token), the role, and for a change the
// session's token and the console's own origin, before any handler runs.
// Each request is served on a thread of the server's pool with that thread's
// own connection to the store.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "auth.h"
#include "recordstore.h"

namespace httplib {
struct Request;
struct Response;
class Server;
}  // namespace httplib

namespace tessaro::web {

enum class Lang { Tr, En };

// One request as a handler sees it.
struct Call {
  const httplib::Request& req;
  httplib::Response& res;
  RecordStore& store;
  std::optional<Who> who;
  Lang lang = Lang::Tr;
  bool api = false;
  bool tls = false;
  QString client;    // the peer's address, for the audit
  QJsonObject body;  // an API change's JSON

  QString tr(const char* source) const;
  QString param(const char* name) const;  // a query or form field, UTF-8
  QStringList params(const char* name) const;
  bool has(const char* name) const;
  QString match(int i) const;  // a part of the path the route's pattern takes
  Role role() const { return who ? who->role : Role::None; }
  Actor actor() const { return WebActor(who ? who->name : QString(), client); }
  void html(int status, const QString& page);
  void json(int status, const QJsonValue& value);
  void redirect(const QString& to);
  // A short refusal: a JSON error for the API, a page otherwise.
  void fail(int status, const char* text);
};

using Handler = void (*)(Call&);
struct Route {
  const char* method;  // GET or POST
  const char* path;    // a pattern: "/holders/(\\d+)"
  Role need;           // None: anyone, also without a session
  Handler handler;
  bool api() const;
};
// Every route of the console, pages and API.
const std::vector<Route>& Routes();

// This thread's own connection to the store, opened on its first use; nullptr with *why.
RecordStore* StoreOfThread(const StoreAddress& address, QString* why);

inline constexpr size_t kMaxBody = 64 * 1024;  // a larger request is refused with 413

struct ConsoleOptions {
  StoreAddress store;
  QString cert, key;  // TLS when both are given
};

class Console {
 public:
  explicit Console(ConsoleOptions options);
  ~Console();
  bool tls() const { return !options_.cert.isEmpty(); }
  bool valid() const;  // TLS asked for and its certificate or key unreadable: false
  // The port bound (a free one for 0), or -1.
  int bind(const QString& host, int port);
  // Serves until stop().
  void serve();
  // Waits (sleeping) until serve() has begun to listen, for at most `ms`: a stop before it would be lost.
  bool waitUntilServing(int ms) const;
  void stop();

 private:
  void handle(const Route& route, const httplib::Request& req, httplib::Response& res);
  ConsoleOptions options_;
  std::unique_ptr<httplib::Server> server_;
};

}  // namespace tessaro::web
