#include "console.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <thread>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QTranslator>
#include <map>

#include "webtexts.h"

// The style sheet and the script live in this static library's resources,
// which nothing else references: they are registered by hand.
static void InitAssets() { Q_INIT_RESOURCE(assets); }

namespace tessaro::web {

namespace {

// The browser may run this page's own script and style only; nothing frames it.
const char* kPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

const QTranslator& English() {
  static QTranslator* translator = [] {
    auto* t = new QTranslator;
    (void)t->load(QStringLiteral(":/i18n/tessaro_web_en.qm"));
    return t;
  }();
  return *translator;
}

}  // namespace

// Each pool thread keeps its own connection to each store it serves.
RecordStore* StoreOfThread(const StoreAddress& address, QString* why) {
  thread_local std::map<QString, std::unique_ptr<RecordStore>> stores;
  const QString key = address.shown() + u'\n' + address.password;
  auto it = stores.find(key);
  if (it != stores.end() && it->second->db().isOpen()) return it->second.get();
  StoreOpen opened = RecordStore::open(address);
  if (!opened.store) {
    *why = opened.detail;
    return nullptr;
  }
  // A page reads little: a small cache a connection keeps the console small (the file stays in the OS's cache).
  if (address.engine == StoreEngine::Sqlite) QSqlQuery(opened.store->db()).exec(QStringLiteral("PRAGMA cache_size=-1024"));
  return (stores[key] = std::move(opened.store)).get();
}

namespace {

QByteArray CookieValue(const httplib::Request& req, const char* name) {
  const QByteArray header = QByteArray::fromStdString(req.get_header_value("Cookie"));
  for (const QByteArray& part : header.split(';')) {
    const QByteArray p = part.trimmed();
    const qsizetype eq = p.indexOf('=');
    if (eq > 0 && p.left(eq) == name) return p.mid(eq + 1);
  }
  return {};
}

// A change must come from a page of the console itself: its Origin (or,
// where a browser sends none, its Referer) names the host the request was sent to.
bool SameOrigin(const httplib::Request& req, bool tls) {
  const std::string own = std::string(tls ? "https://" : "http://") + req.get_header_value("Host");
  if (req.has_header("Origin")) return req.get_header_value("Origin") == own;
  const std::string referer = req.get_header_value("Referer");
  return !referer.empty() && referer.rfind(own + "/", 0) == 0;
}

Lang LangOf(const httplib::Request& req) {
  const std::string asked = req.has_param("lang") ? req.get_param_value("lang") : CookieValue(req, "lang").toStdString();
  if (asked == "en") return Lang::En;
  if (asked == "tr") return Lang::Tr;
  // The browser's first language of the two.
  for (const QByteArray& part : QByteArray::fromStdString(req.get_header_value("Accept-Language")).split(',')) {
    const QByteArray tag = part.split(';').first().trimmed().toLower();
    if (tag.startsWith("tr")) return Lang::Tr;
    if (tag.startsWith("en")) return Lang::En;
  }
  return Lang::Tr;
}

}  // namespace

bool Route::api() const { return QByteArray(path).startsWith("/api/"); }

QString Call::tr(const char* source) const {
  if (lang == Lang::En) {
    const QString english = English().translate("web", source);
    if (!english.isEmpty()) return english;
  }
  return QString::fromUtf8(source);
}

QString Call::param(const char* name) const { return QString::fromStdString(req.get_param_value(name)); }

QStringList Call::params(const char* name) const {
  QStringList values;
  const size_t n = req.get_param_value_count(name);
  for (size_t i = 0; i < n; ++i) values << QString::fromStdString(req.get_param_value(name, i));
  return values;
}

bool Call::has(const char* name) const { return req.has_param(name); }

QString Call::match(int i) const {
  return i < static_cast<int>(req.matches.size()) ? QString::fromStdString(req.matches[i].str()) : QString();
}

void Call::html(int status, const QString& page) {
  res.status = status;
  res.set_content(page.toStdString(), "text/html; charset=utf-8");
}

void Call::json(int status, const QJsonValue& value) {
  res.status = status;
  const QByteArray text = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                          : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
  res.set_content(text.toStdString(), "application/json");
}

void Call::redirect(const QString& to) {
  res.status = 303;
  res.set_header("Location", to.toStdString());
}

QString ErrorPage(Call& call, const QString& message);  // pages.cpp

void Call::fail(int status, const char* text) {
  if (api) return json(status, QJsonObject{{"error", tr(text)}});
  html(status, ErrorPage(*this, tr(text)));
}

Console::Console(ConsoleOptions options) : options_(std::move(options)) {
  InitAssets();
  server_ = tls() ? std::make_unique<httplib::SSLServer>(options_.cert.toLocal8Bit().constData(),
                                                         options_.key.toLocal8Bit().constData())
                  : std::make_unique<httplib::Server>();
  // A thread a connection: a connection closes after its request, so a client
  // between two requests holds no thread, and a login waiting for its hash
  // leaves the others threads enough.
  server_->new_task_queue = [] { return new httplib::ThreadPool(48); };
  server_->set_payload_max_length(kMaxBody);
  server_->set_read_timeout(10, 0);
  server_->set_write_timeout(10, 0);
  server_->set_keep_alive_max_count(1);
  httplib::Headers headers = {{"Content-Security-Policy", kPolicy},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "same-origin"},
                              {"X-Frame-Options", "DENY"},
                              {"Cache-Control", "no-store"}};
  if (tls()) headers.emplace("Strict-Transport-Security", "max-age=31536000");
  server_->set_default_headers(headers);
  // Whatever went wrong, a short word and no crash.
  server_->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("internal error\n", "text/plain");
  });
  server_->set_error_handler([](const httplib::Request&, httplib::Response& res) {
    static const std::map<int, const char*> words = {
        {400, "bad request"}, {404, "not found"}, {405, "method not allowed"}, {413, "request too large"}, {414, "URI too long"}};
    const auto it = words.find(res.status);
    if (res.body.empty()) res.set_content(std::to_string(res.status) + " " + (it != words.end() ? it->second : "error") + "\n", "text/plain");
  });
  for (const Route& r : Routes()) {
    const auto h = [this, &r](const httplib::Request& req, httplib::Response& res) { handle(r, req, res); };
    if (QByteArray(r.method) == "GET") server_->Get(r.path, h);
    else server_->Post(r.path, h);
  }
}

Console::~Console() { stop(); }

bool Console::valid() const { return server_->is_valid(); }

int Console::bind(const QString& host, int port) {
  const std::string h = host.toStdString();
  const int bound = port == 0 ? server_->bind_to_any_port(h) : server_->bind_to_port(h, port) ? port : -1;
  // Debian's cpp-httplib 0.11 listens with a queue of 5 connections: a burst
  // of browsers overflows it, and the kernel then resets some of them. The
  // listening socket (this process's one on the bound port) gets the system's
  // longest queue instead.
  for (int fd = 0; bound > 0 && fd < 1024; ++fd) {
    int listening = 0;
    socklen_t size = sizeof listening;
    sockaddr_storage at{};
    socklen_t atSize = sizeof at;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&at), &atSize) != 0)
      continue;
    const int atPort = at.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&at)->sin6_port)
                                                : ntohs(reinterpret_cast<sockaddr_in*>(&at)->sin_port);
    if (atPort == bound) ::listen(fd, SOMAXCONN);
  }
  return bound;
}

void Console::serve() { server_->listen_after_bind(); }

bool Console::waitUntilServing(int ms) const {
  const QDeadlineTimer deadline(ms);
  while (!server_->is_running())
    if (deadline.hasExpired()) return false;
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void Console::stop() {
  if (server_->is_running()) server_->stop();
}

void Console::handle(const Route& route, const httplib::Request& req, httplib::Response& res) {
  QString why;
  RecordStore* store = StoreOfThread(options_.store, &why);
  if (!store) {
    res.status = 503;
    res.set_content("store unavailable\n", "text/plain");
    return;
  }
  Call call{req, res, *store, std::nullopt, LangOf(req), route.api(), tls(), QString::fromStdString(req.remote_addr), {}};
  if (req.has_param("lang") && (req.get_param_value("lang") == "en" || req.get_param_value("lang") == "tr"))
    res.set_header("Set-Cookie", "lang=" + req.get_param_value("lang") + "; Path=/; SameSite=Strict");
  const std::string auth = req.get_header_value("Authorization");
  const bool bearer = auth.rfind("Bearer ", 0) == 0;
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  if (bearer) call.who = TokenOf(*store, QByteArray::fromStdString(auth.substr(7)).trimmed());
  else if (const QByteArray cookie = CookieValue(req, "tsid"); !cookie.isEmpty()) call.who = SessionOf(*store, cookie, now);
  if (route.need != Role::None) {
    if (!call.who) {
      if (call.api) return call.json(401, QJsonObject{{"error", "no session or token"}});
      return call.redirect(QStringLiteral("/login"));
    }
    if (call.who->role < route.need) return call.fail(403, text::kForbidden);
  }
  if (req.method == "POST") {
    if (call.api) {
      QJsonParseError error{};
      const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &error);
      if (error.error != QJsonParseError::NoError || !doc.isObject())
        return call.json(400, QJsonObject{{"error", "the body is no JSON object"}});
      call.body = doc.object();
    }
    // A cookie comes with every request the browser sends, also one another
    // site makes it send: a change needs the page's own origin and the session's token.
    if (!bearer) {
      if (!SameOrigin(req, tls())) return call.fail(403, text::kForbidden);
      if (call.who) {
        QString token = call.param("csrf");
        if (req.has_header("X-CSRF-Token")) token = QString::fromStdString(req.get_header_value("X-CSRF-Token"));
        if (call.api && call.body.contains(QLatin1String("csrf"))) token = call.body.value(QLatin1String("csrf")).toString();
        if (token.isEmpty() || token != call.who->csrf) return call.fail(403, text::kForbidden);
      }
    }
  }
  route.handler(call);
}

}  // namespace tessaro::web
