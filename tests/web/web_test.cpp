// The console's promises over real HTTP: every route for every role, the
// session's cookie and token, the lock after five failures, the headers, and
// input that tries to break out of its field.

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include "auth.h"
#include "support/pgserver.h"
#include "webrig.h"

namespace tessaro {
namespace {

using test::WebRig;
using web::Role;

// Each route's pattern made a path of the rig's data: holder 1, job 1.
std::string ExamplePath(const char* pattern) {
  QString p = QString::fromLatin1(pattern);
  p.replace(QStringLiteral("(\\d+)"), QStringLiteral("1")).replace(QStringLiteral("(style\\.css|app\\.js)"), QStringLiteral("style.css"));
  return p.replace(QStringLiteral("\\."), QStringLiteral(".")).toStdString();
}

TEST(WebRoutes, EveryRouteForEveryRoleOnBothEngines) {
  const QString pg = test::PgServer::instance().newDatabase();
  ASSERT_FALSE(pg.isEmpty()) << test::PgServer::instance().why().toStdString();
  for (const QString& db : {QString(), pg}) {
  WebRig rig(db);
  enum Caller { Nobody, Expired, Viewer, Operator, Admin };
  for (const web::Route& r : web::Routes()) {
    for (const Caller c : {Nobody, Expired, Viewer, Operator, Admin}) {
      const Role role = c <= Expired ? Role::None : static_cast<Role>(c - Expired);
      std::optional<WebRig::Session> s;
      if (c != Nobody) s = rig.session(c == Expired ? Role::Admin : role, c == Expired ? web::kIdleSeconds + 1 : 0);
      const std::string path = ExamplePath(r.path);
      const auto res = QByteArray(r.method) == "GET" ? rig.get(path, s ? &*s : nullptr) : rig.post(path, s ? &*s : nullptr);
      ASSERT_TRUE(res) << path;
      const std::string cell = std::string(r.method) + " " + path + " as " + std::to_string(c);
      if (r.need == Role::None || role >= r.need) {
        EXPECT_LT(res->status, 500) << cell;
        EXPECT_NE(res->status, 403) << cell;
        EXPECT_NE(res->get_header_value("Location"), "/login") << cell;
      } else if (c <= Expired) {
        EXPECT_EQ(res->status, r.api() ? 401 : 303) << cell;
        if (!r.api()) EXPECT_EQ(res->get_header_value("Location"), "/login") << cell;
      } else {
        EXPECT_EQ(res->status, 403) << cell;
      }
    }
  }
  }
}

TEST(WebSecurity, ChangesNeedTheSessionsTokenAndTheConsolesOrigin) {
  WebRig rig;
  const WebRig::Session op = rig.session(Role::Operator), other = rig.session(Role::Operator);
  const std::string form = "name=Ali&cards=9";
  const auto send = [&](const WebRig::Session& cookie, const std::string& csrf, const std::string& origin) {
    httplib::Headers h{{"Cookie", "tsid=" + cookie.cookie}};
    if (!origin.empty()) h.emplace("Origin", origin);
    return rig.client->Post("/holders", h, form + "&csrf=" + csrf, "application/x-www-form-urlencoded")->status;
  };
  EXPECT_EQ(send(op, "", rig.origin()), 403);
  EXPECT_EQ(send(op, other.csrf, rig.origin()), 403);  // a token of another session
  EXPECT_EQ(send(op, op.csrf, "http://evil.example"), 403);
  EXPECT_EQ(send(op, op.csrf, ""), 403);  // neither Origin nor Referer
  EXPECT_EQ(send(op, op.csrf, rig.origin()), 303);
  // An API token is no cookie a browser sends by itself: it needs neither.
  const QByteArray token = web::AddToken(*rig.store, "script", Role::Operator, {"t", "t"});
  QSqlQuery q(rig.store->db());
  ASSERT_TRUE(q.exec("SELECT token FROM api_tokens") && q.next());
  EXPECT_EQ(q.value(0).toString(), web::TokenHash(token));
  const httplib::Headers bearer{{"Authorization", "Bearer " + token.toStdString()}};
  EXPECT_EQ(rig.client->Post("/api/v1/jobs", bearer, R"({"line":"A","kind":"sync"})", "application/json")->status, 202);
  EXPECT_EQ(rig.client->Get("/api/v1/jobs", {{"Authorization", "Bearer x" + token.toStdString()}})->status, 401);
}

TEST(WebSecurity, LoginCookieLockLogoutAndPasswordChange) {
  WebRig rig;
  const auto login = [&](const char* password) {
    return rig.client->Post("/login", rig.headers(nullptr), std::string("name=oya&password=") + password,
                            "application/x-www-form-urlencoded");
  };
  const auto ok = login("parola-123");
  EXPECT_EQ(ok->status, 303);
  const std::string cookie = ok->get_header_value("Set-Cookie");
  EXPECT_TRUE(QRegularExpression("^tsid=[A-Za-z0-9_-]{43}; HttpOnly; SameSite=Strict; Path=/$").match(QString::fromStdString(cookie)).hasMatch()) << cookie;
  const WebRig::Session mine{cookie.substr(5, 43), ""}, other = rig.session(Role::Operator);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(login("yanlis")->status, 401);
  const auto locked = login("parola-123");
  EXPECT_EQ(locked->status, 401);
  EXPECT_NE(locked->body.find("15 dakika kilitli"), std::string::npos);
  QSqlQuery q(rig.store->db());
  ASSERT_TRUE(q.exec("SELECT os_user, after_value FROM audit WHERE what = 'login' ORDER BY id"));
  QStringList rows;
  while (q.next()) rows << q.value(0).toString() + ' ' + q.value(1).toString();
  EXPECT_EQ(rows.size(), 7);
  EXPECT_EQ(rows.first(), "web:oya {\"ok\":true}");
  EXPECT_EQ(rows.at(5), "web:oya {\"ok\":false,\"reason\":\"wrong password; locked\"}");
  EXPECT_EQ(rows.last(), "web:oya {\"ok\":false,\"reason\":\"locked\"}");
  // A changed password ends the other sessions, not this one; logout ends this one on the server.
  const WebRig::Session third = rig.session(Role::Operator);
  EXPECT_EQ(rig.post("/account", &third, "current=parola-123&password=yeni-parola&password2=yeni-parola")->status, 200);
  EXPECT_EQ(rig.get("/holders", &other)->status, 303);
  EXPECT_EQ(rig.get("/holders", &mine)->status, 303);
  EXPECT_EQ(rig.get("/holders", &third)->status, 200);
  EXPECT_EQ(rig.post("/logout", &third)->status, 303);
  EXPECT_EQ(rig.get("/holders", &third)->status, 303);
}

TEST(WebSecurity, HeadersOfEveryResponseAndTheSecureCookieUnderTls) {
  WebRig rig;
  for (const auto& [path, status] : {std::pair{"/login", 200}, {"/nothing-here", 404}, {"/static/app.js", 200}}) {
    const auto res = rig.get(path);
    EXPECT_EQ(res->status, status) << path;
    EXPECT_EQ(res->get_header_value("Content-Security-Policy").rfind("default-src 'none'; script-src 'self';", 0), 0u) << path;
    EXPECT_EQ(res->get_header_value("Content-Security-Policy").find("unsafe"), std::string::npos);
    EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(res->get_header_value("Referrer-Policy"), "same-origin");
  }
  const QString cert = rig.dir.filePath("c.pem"), key = rig.dir.filePath("k.pem");
  ASSERT_EQ(QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-subj",
                                          "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out", cert}),
            0);
  web::Console tls({rig.store->address(), cert, key});
  const int port = tls.bind("127.0.0.1", 0);
  std::thread serving([&] { tls.serve(); });
  httplib::SSLClient client("127.0.0.1", port);
  client.enable_server_certificate_verification(false);
  const auto res = client.Post("/login", {{"Origin", "https://127.0.0.1:" + std::to_string(port)}}, "name=oya&password=parola-123",
                               "application/x-www-form-urlencoded");
  tls.stop();
  serving.join();
  ASSERT_TRUE(res);
  EXPECT_TRUE(res->get_header_value("Set-Cookie").ends_with("; Path=/; Secure")) << res->get_header_value("Set-Cookie");
}

TEST(WebInput, MetacharactersOversizedAndBrokenBodies) {
  WebRig rig;
  const WebRig::Session op = rig.session(Role::Operator);
  const std::string evil = "%3Cscript%3Ealert(1)%3C%2Fscript%3E%27%22%3B%20DROP%20TABLE%20passages%3B--";
  const std::string shown = "&lt;script&gt;alert(1)&lt;/script&gt;&#39;&quot;; DROP TABLE passages;--";
  const auto added = rig.post("/holders", &op, "name=" + evil + "&note=" + evil + "&cards=5");
  ASSERT_EQ(added->status, 303);
  const auto page = rig.get(added->get_header_value("Location"), &op);
  EXPECT_EQ(page->body.find("<script>alert"), std::string::npos);
  EXPECT_NE(page->body.find("<h1>" + shown + "</h1>"), std::string::npos);
  EXPECT_NE(page->body.find("value=\"" + shown + "\""), std::string::npos);
  // Every field of the filters and of the holder form that does not take the text says so, escaped.
  for (const std::string field : {"from", "to", "readers", "card"}) {
    const auto res = rig.get("/passages?" + field + "=" + evil, &op);
    EXPECT_EQ(res->status, 400) << field;
    EXPECT_NE(res->body.find(shown), std::string::npos) << field;
  }
  for (const std::string field : {"cards", "from", "until", "groups"}) {
    const auto res = rig.post("/holders", &op, "name=Veli&" + field + "=" + evil);
    EXPECT_EQ(res->status, 400) << field;
    EXPECT_NE(res->body.find(shown), std::string::npos) << field;
  }
  EXPECT_EQ(rig.get("/passages?card=4242", &op)->body.find("1 geçiş"), std::string::npos);  // the table is still there: 2
  EXPECT_NE(rig.get("/passages?card=4242", &op)->body.find("2 geçiş"), std::string::npos);
  EXPECT_EQ(rig.post("/holders", &op, std::string(web::kMaxBody + 1, 'a'))->status, 413);
  EXPECT_EQ(rig.post("/api/v1/holders", &op, "{\"name\": \"Can\"")->status, 400);
  EXPECT_EQ(rig.post("/api/v1/holders", &op, R"({"name": "Can", "cards": "7"})")->status, 400);
  QTcpSocket raw;
  raw.connectToHost("127.0.0.1", rig.port);
  ASSERT_TRUE(raw.waitForConnected(5000));
  raw.write("GET /\x01\x02 HTTP/7\r\nHost\r\n\r\n");
  ASSERT_TRUE(raw.waitForReadyRead(5000));
  EXPECT_TRUE(raw.readAll().startsWith("HTTP/1.1 400"));
  const auto bad = rig.client->Get("/passages?card=%ZZ%00", rig.headers(&op));
  EXPECT_EQ(bad->status, 400);
  EXPECT_EQ(rig.get("/login")->status, 200);
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

TEST(WebPages, TheCountAndTheChartFollowNewPassages) {
  test::WebRig rig;
  const test::WebRig::Session viewer = rig.session(web::Role::Viewer);
  const auto shows = [&](const std::string& count, const std::string& bar) {
    const std::string page = rig.get("/passages?card=4242", &viewer)->body;
    return page.find("<p id=\"count\">" + count + " geçiş") != std::string::npos && page.find("<title>" + bar + "</title>") != std::string::npos;
  };
  EXPECT_TRUE(shows("2", "2025-01-05: 2"));
  QSqlQuery q(rig.store->db());
  const auto pass = [&](const char* stamp) {
    return q.exec(QStringLiteral("INSERT INTO passages (line, address, card, stamp, type, collected_at, host) VALUES "
                                 "('A', 3, 4242, '%1', 1, 'now', 'pc')").arg(QLatin1String(stamp)));
  };
  ASSERT_TRUE(pass("2025-01-05 10:00:00"));
  EXPECT_TRUE(shows("3", "2025-01-05: 3"));
  EXPECT_TRUE(shows("3", "2024-12-06: 0"));  // the first of the 31 days
  ASSERT_TRUE(pass("2025-01-20 07:00:00") && pass("?2025/13/01 25:00:00"));
  EXPECT_TRUE(shows("5", "2025-01-20: 1"));
  EXPECT_TRUE(shows("5", "2024-12-21: 0"));
  // Two days are drawn by the hour, three by the day.
  EXPECT_NE(rig.get("/passages?from=05/01/2025&to=06/01/2025", &viewer)->body.find("<title>2025-01-05 09:00: 1</title>"), std::string::npos);
  EXPECT_NE(rig.get("/passages?from=05/01/2025&to=07/01/2025", &viewer)->body.find("<title>2025-01-05: 3</title>"), std::string::npos);
  EXPECT_NE(rig.get("/passages?from=2025-01-05T00:00:00&to=2025-01-07T00:00:00", &viewer)->body.find("Saat başına"), std::string::npos);
  EXPECT_NE(rig.get("/passages?from=2025-01-05T00:00:00&to=2025-01-07T00:00:01", &viewer)->body.find("Gün başına"), std::string::npos);
  // Fifty a page: the next page goes on after the last one shown, and leads back to the first.
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(pass(qPrintable(QStringLiteral("2025-02-01 08:%1:00").arg(i, 2, 10, QLatin1Char('0')))));
  const std::string first = rig.get("/passages?card=4242", &viewer)->body;
  EXPECT_EQ(first.find("id=\"first-page\""), std::string::npos);
  const size_t next = first.find("<a href=\"/passages?card=4242&amp;after_stamp=2025-02-01%2008%3A01%3A00&amp;after_id=");
  ASSERT_NE(next, std::string::npos);
  const std::string link = QString::fromStdString(first.substr(next + 9, first.find('"', next + 9) - next - 9)).replace("&amp;", "&").toStdString();
  const std::string second = rig.get(link, &viewer)->body;
  EXPECT_NE(second.find("<a href=\"/passages?card=4242\" id=\"first-page\">"), std::string::npos);
  EXPECT_NE(second.find("<tr><td>2025-02-01 08:00:00</td>"), std::string::npos);
  EXPECT_EQ(second.find("2025-02-01 08:01:00"), std::string::npos);
  EXPECT_EQ(first.find("2025-02-01 08:00:00"), std::string::npos);
}

TEST(WebPages, HoldersLinesAndTheApiAsTheirUsersSeeThem) {
  test::WebRig rig;
  const test::WebRig::Session op = rig.session(web::Role::Operator), admin = rig.session(web::Role::Admin);
  const auto has = [](const httplib::Result& r, const std::string& text) { return r->body.find(text) != std::string::npos; };
  EXPECT_EQ(rig.post("/holders/1", &op, "name=Ay%C5%9Fe+Demir&cards=4242+17&from=2025-01-01&until=2025-12-31&note=kat+3&groups=Personel&enabled=1")->status, 303);
  EXPECT_TRUE(has(rig.get("/holders", &op), "<tr><td><a href=\"/holders/1\">Ayşe Demir</a></td><td>17 4242</td><td>Personel</td>"
                                            "<td>2025-01-01 – 2025-12-31</td><td>Etkin</td></tr>"));
  EXPECT_TRUE(has(rig.get("/holders/1", &op), "value=\"kat 3\""));
  // A line's link is checked before it is kept.
  EXPECT_EQ(rig.post("/lines", &admin, "name=B&link=udp+1.2.3.4")->status, 400);
  EXPECT_EQ(rig.post("/lines", &admin, "name=B&link=serial+%2Fdev%2FttyUSB0+9600")->status, 303);
  // The API: holders changed by their fields, each of its own type; the site as JSON.
  const auto api = [&](const std::string& path) {
    const auto res = rig.get(path, &op);
    EXPECT_EQ(res->status, 200) << path;
    return QJsonDocument::fromJson(QByteArray::fromStdString(res->body));
  };
  EXPECT_EQ(rig.post("/api/v1/holders/1", &op, R"({"enabled": "yes"})")->status, 400);
  EXPECT_EQ(rig.post("/api/v1/holders/1", &op, R"({"enabled": true, "valid_from": null})")->status, 200);
  EXPECT_EQ(api("/api/v1/cards").toJson(QJsonDocument::Compact),
            R"([{"holder":"Ayşe Demir","holder_id":1,"number":17},{"holder":"Ayşe Demir","holder_id":1,"number":4242}])");
  EXPECT_EQ(api("/api/v1/holders")[0]["valid_from"].isNull(), true);
  EXPECT_EQ(api("/api/v1/holders/1")["enabled"].toBool(), true);
  EXPECT_EQ(api("/api/v1/doors").toJson(QJsonDocument::Compact), R"([{"address":3,"id":1,"line":"A","model":"TS-40","name":"Ana Giriş"}])");
  EXPECT_EQ(api("/api/v1/groups").toJson(QJsonDocument::Compact), R"([{"doors":["Ana Giriş"],"id":1,"name":"Personel"}])");
  EXPECT_EQ(api("/api/v1/lines")[0]["link"].toString(), "tcp 127.0.0.1:9");
  const QJsonArray jobs = api("/api/v1/jobs?line=A").array();
  ASSERT_EQ(jobs.size(), 1);
  EXPECT_EQ(jobs[0]["kind"].toString() + jobs[0]["state"].toString() + jobs[0]["requested_by"].toString(), "pullqueuedweb:oya");
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

TEST(WebProgram, TheFirstUserFromTheShellAndTheNetworkOnlyWithTls) {
  QTemporaryDir dir;
  const QString db = dir.filePath("s.sqlite");
  const auto run = [&](const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(TESSARO_WEB_PROGRAM, args + QStringList{"--db", db});
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return QString::number(p.exitCode()) + ' ' + QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
  };
  EXPECT_EQ(run({"user", "add", "ayse", "--role", "yönetici"}, "parola-123\nparola-124\n"),
            "1 tessaro-web: the two passwords differ; nothing was changed");
  EXPECT_EQ(run({"user", "add", "ayse", "--role", "yönetici"}, "parola-123\nparola-123\n"), "0 user ayse (yönetici) saved");
  std::unique_ptr<RecordStore> store = RecordStore::open(*ParseStoreAddress(db)).store;
  QSqlQuery q(store->db());
  ASSERT_TRUE(q.exec("SELECT password FROM users") && q.next());
  EXPECT_TRUE(q.value(0).toString().startsWith("$argon2id$v=19$m=19456,t=2,p=1$"));
  EXPECT_EQ(web::LogIn(*store, "ayse", "parola-123", "t", 0).end, web::LoginEnd::Ok);
  ASSERT_TRUE(q.exec("SELECT token FROM sessions") && q.next());
  EXPECT_EQ(q.value(0).toString().size(), 64);  // the SHA-256 of the cookie's value, never the value
  EXPECT_TRUE(QRegularExpression("^0 [A-Za-z0-9_-]{43}\ntessaro-web: shown this once; the store keeps only its hash$")
                  .match(run({"token", "add", "payroll", "--role", "izleyici"}, {}))
                  .hasMatch());
  EXPECT_EQ(run({"user", "add", "can", "--role", "izleyici"}, "yedi-ch\nyedi-ch\n"), "1 tessaro-web: a password has 8 characters at least; nothing was changed");
  EXPECT_EQ(run({"user", "add", "can", "--role", "izleyici"}, "sekiz-ch\nsekiz-ch\n"), "0 user can (izleyici) saved");
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  const QString port = QString::number(probe.serverPort());
  probe.close();
  QProcess server;
  server.start(TESSARO_WEB_PROGRAM, {"--db", db, "--listen", "127.0.0.1:" + port});
  server.setReadChannel(QProcess::StandardError);
  QByteArray said;
  while (!said.endsWith('\n') && server.waitForReadyRead(10000)) said += server.readAllStandardError();
  EXPECT_TRUE(said.startsWith("tessaro-web: serving http://127.0.0.1:" + port.toLatin1() + " from ")) << said.toStdString();
  server.terminate();
  EXPECT_TRUE(server.waitForFinished(10000));
  EXPECT_EQ(server.exitCode(), 0);
  EXPECT_EQ(run({"--listen", "0.0.0.0:18443"}, {}), "1 tessaro-web: 0.0.0.0:18443 is open to the network: give --cert and --key, or --insecure-http");
  EXPECT_EQ(run({"--listen", "[::1]:18443", "--cert", "c.pem"}, {}), "1 tessaro-web: --cert and --key go together");
}

}  // namespace
}  // namespace tessaro
