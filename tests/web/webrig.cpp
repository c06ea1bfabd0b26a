#include "webrig.h"

#include <QDateTime>
#include <QSqlQuery>

#include "accessstore.h"
#include "jobstore.h"

namespace tessaro::test {

using web::Role;

QString WebRig::user(Role role) {
  return role == Role::Viewer ? QStringLiteral("izzet") : role == Role::Operator ? QStringLiteral("oya") : QStringLiteral("yusuf");
}

WebRig::WebRig(const QString& db) {
  const StoreAddress address = *ParseStoreAddress(db.isEmpty() ? dir.filePath("store.sqlite") : db);
  store = std::move(RecordStore::open(address).store);
  if (!store) std::abort();
  const Actor setup{QStringLiteral("setup"), QStringLiteral("test")};
  for (const Role r : {Role::Viewer, Role::Operator, Role::Admin})
    if (!web::SetUser(*store, user(r), r, "parola-123", setup)) std::abort();
  AccessChanges c(*store, setup);
  AccessLine line{QStringLiteral("A"), QStringLiteral("tcp 127.0.0.1:9")};
  AccessDoor door{0, QStringLiteral("A"), 3, QStringLiteral("Ana Giriş"), DeviceModel::TS40};
  AccessData names;
  if (!c.saveLine(nullptr, line) || !c.saveDoor(nullptr, door)) std::abort();
  names.doors.push_back(door);
  AccessGroup group{0, QStringLiteral("Personel"), {door.id}};
  if (!c.saveGroup(nullptr, group, names)) std::abort();
  names.groups.push_back(group);
  AccessHolder ayse;
  ayse.name = QStringLiteral("Ayşe Demir");
  ayse.cards = {4242};
  ayse.groups = {group.id};
  if (!c.saveHolder(nullptr, ayse, names) || !c.commit()) std::abort();
  // Card 4242 passed twice on 5 January, card 77 once on 6 January.
  QSqlQuery q(store->db());
  for (const char* row : {"3, 4242, '2025-01-05 09:03:00', 1", "3, 4242, '2025-01-05 17:45:10', 2", "4, 77, '2025-01-06 08:00:00', 1"})
    if (!q.exec(QStringLiteral("INSERT INTO passages (line, address, card, stamp, type, collected_at, host) VALUES ('A', %1, "
                               "'2025-01-07T00:00:00Z', 'pc')")
                    .arg(QLatin1String(row))))
      std::abort();
  if (!QueueJob(*store, QStringLiteral("A"), JobKind::Pull, QStringLiteral("web:oya"))) std::abort();
  console = std::make_unique<web::Console>(web::ConsoleOptions{address, {}, {}});
  port = console->bind(QStringLiteral("127.0.0.1"), 0);
  if (port < 0) std::abort();
  serving = std::thread([this] { console->serve(); });
  client = std::make_unique<httplib::Client>("127.0.0.1", port);
  client->set_read_timeout(30, 0);
  while (!client->Get("/login")) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

WebRig::~WebRig() {
  console->stop();
  serving.join();
}

WebRig::Session WebRig::session(Role role, qint64 idleS) {
  const QByteArray token = web::NewToken(), csrf = web::NewToken();
  const qint64 seen = QDateTime::currentSecsSinceEpoch() - idleS;
  QSqlQuery q(store->db());
  q.prepare(QStringLiteral("INSERT INTO sessions (token, user_id, csrf, created, seen) SELECT ?, id, ?, ?, ? FROM users WHERE name = ?"));
  for (const QVariant& v : QVariantList{web::TokenHash(token), QString::fromLatin1(csrf), seen, seen, user(role)}) q.addBindValue(v);
  if (!q.exec()) std::abort();
  return {token.toStdString(), csrf.toStdString()};
}

httplib::Headers WebRig::headers(const Session* s, bool sameOrigin) const {
  httplib::Headers h;
  if (s) h.emplace("Cookie", "tsid=" + s->cookie);
  if (sameOrigin) h.emplace("Origin", origin());
  return h;
}

httplib::Result WebRig::get(const std::string& path, const Session* s) { return client->Get(path, headers(s)); }

httplib::Result WebRig::post(const std::string& path, const Session* s, std::string body) {
  const bool api = path.rfind("/api/", 0) == 0;
  httplib::Headers h = headers(s);
  if (s) h.emplace("X-CSRF-Token", s->csrf);
  if (api && body.empty()) body = "{}";
  return client->Post(path, h, body, api ? "application/json" : "application/x-www-form-urlencoded");
}

}  // namespace tessaro::test
