#include "accessstore.h"

#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <algorithm>
#include <set>
#include <unordered_map>

namespace tessaro {

namespace {

QVariant Day(QDate d) {
  return d.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(d.toString(Qt::ISODate));
}
QJsonValue DayJson(QDate d) { return d.isNull() ? QJsonValue() : QJsonValue(d.toString(Qt::ISODate)); }

bool Select(RecordStore& store, QSqlQuery& q, const char* sql) {
  q.setForwardOnly(true);
  return q.exec(QLatin1String(sql)) || store.failed(q.lastError().text());
}

template <typename T>
QJsonArray Names(const std::vector<qint64>& ids, const T& nameOf) {
  QJsonArray names;
  for (const qint64 id : ids) names.append(nameOf(id));
  return names;
}

}  // namespace

Actor Actor::OfThisProcess() {
  const passwd* pw = getpwuid(geteuid());
  return {pw ? QString::fromLocal8Bit(pw->pw_name) : qEnvironmentVariable("USER"), QSysInfo::machineHostName()};
}

std::optional<AccessData> LoadAccess(RecordStore& store) {
  AccessData data;
  QSqlQuery q(store.db());
  if (!Select(store, q, "SELECT name, link FROM lines ORDER BY name")) return std::nullopt;
  while (q.next()) data.lines.push_back({q.value(0).toString(), q.value(1).toString()});
  if (!Select(store, q, "SELECT id, line, address, name, model FROM doors ORDER BY line, address")) return std::nullopt;
  while (q.next()) {
    const std::optional<DeviceModel> model = ModelFromName(q.value(4).toString());
    if (!model)
      return store.failed(
                 QStringLiteral("door %1: unknown model %2").arg(q.value(3).toString(), q.value(4).toString())),
             std::nullopt;
    data.doors.push_back(
        {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toString(), *model});
  }
  std::unordered_map<qint64, size_t> groupAt, holderAt;
  if (!Select(store, q, "SELECT id, name FROM groups ORDER BY name")) return std::nullopt;
  while (q.next()) {
    groupAt[q.value(0).toLongLong()] = data.groups.size();
    data.groups.push_back({q.value(0).toLongLong(), q.value(1).toString(), {}});
  }
  if (!Select(store, q, "SELECT grp, door FROM group_doors ORDER BY grp, door")) return std::nullopt;
  while (q.next()) {
    const auto g = groupAt.find(q.value(0).toLongLong());
    if (g != groupAt.end()) data.groups[g->second].doors.push_back(q.value(1).toLongLong());
  }
  if (!Select(store, q, "SELECT id, name, note, enabled, valid_from, valid_until FROM holders ORDER BY name"))
    return std::nullopt;
  while (q.next()) {
    AccessHolder h;
    h.id = q.value(0).toLongLong();
    h.name = q.value(1).toString();
    h.note = q.value(2).toString();
    h.enabled = q.value(3).toInt() != 0;
    h.validFrom = QDate::fromString(q.value(4).toString(), Qt::ISODate);
    h.validUntil = QDate::fromString(q.value(5).toString(), Qt::ISODate);
    holderAt[h.id] = data.holders.size();
    data.holders.push_back(std::move(h));
  }
  const struct {
    const char* sql;
    int part;
  } parts[] = {{"SELECT holder, number FROM cards ORDER BY holder, number", 0},
               {"SELECT holder, grp FROM memberships ORDER BY holder, grp", 1},
               {"SELECT holder, door FROM grants ORDER BY holder, door", 2}};
  for (const auto& p : parts) {
    if (!Select(store, q, p.sql)) return std::nullopt;
    while (q.next()) {
      // A row of a holder that is not there (a hand-made SQLite edit) is left out.
      const auto at = holderAt.find(q.value(0).toLongLong());
      if (at == holderAt.end()) continue;
      AccessHolder& h = data.holders[at->second];
      const qint64 v = q.value(1).toLongLong();
      if (p.part == 0) h.cards.push_back(static_cast<quint32>(v));
      else (p.part == 1 ? h.groups : h.grants).push_back(v);
    }
  }
  return data;
}

QJsonObject AuditJson(const AccessHolder& h, const AccessData& names) {
  QJsonArray cards;
  for (const quint32 c : h.cards) cards.append(static_cast<double>(c));
  const auto group = [&](qint64 id) {
    for (const AccessGroup& g : names.groups)
      if (g.id == id) return g.name;
    return QString::number(id);
  };
  const auto door = [&](qint64 id) {
    const AccessDoor* d = names.door(id);
    return d ? d->name : QString::number(id);
  };
  return {{"name", h.name},
          {"note", h.note},
          {"enabled", h.enabled},
          {"valid_from", DayJson(h.validFrom)},
          {"valid_until", DayJson(h.validUntil)},
          {"cards", cards},
          {"groups", Names(h.groups, group)},
          {"doors", Names(h.grants, door)}};
}

QJsonObject AuditJson(const AccessGroup& g, const AccessData& names) {
  return {{"name", g.name}, {"doors", Names(g.doors, [&](qint64 id) {
                               const AccessDoor* d = names.door(id);
                               return d ? d->name : QString::number(id);
                             })}};
}

QJsonObject AuditJson(const AccessDoor& d) {
  return {{"line", d.line}, {"address", d.address}, {"name", d.name}, {"model", QLatin1String(Facts(d.model).name)}};
}

AccessChanges::AccessChanges(RecordStore& store, Actor actor) : store_(store), actor_(std::move(actor)), tx_(store) {}

bool AccessChanges::run(const QString& sql, const QVariantList& binds, qint64* newId) {
  // Each statement prepared once: an import saves thousands of holders.
  auto [it, fresh] = prepared_.try_emplace(sql, store_.db());
  QSqlQuery& q = it->second;
  if (fresh && !q.prepare(sql)) {
    store_.failed(q.lastError().text());
    prepared_.erase(it);
    return false;
  }
  for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
  if (!q.exec()) return store_.failed(q.lastError().text());
  if (newId) *newId = q.next() ? q.value(0).toLongLong() : -1;
  q.finish();  // a statement left open would hold the commit back
  return true;
}

bool AccessChanges::audit(const QString& what, const QString& subject, const QJsonObject& before,
                          const QJsonObject& after) {
  const auto text = [](const QJsonObject& o) {
    return o.isEmpty() ? QVariant(QMetaType(QMetaType::QString))
                       : QVariant(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
  };
  return run(QStringLiteral("INSERT INTO audit (at, os_user, host, what, subject, before_value, after_value) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?)"),
             {QDateTime::currentDateTimeUtc().toString(Qt::ISODate), actor_.user, actor_.host, what, subject,
              text(before), text(after)});
}

bool AccessChanges::saveLine(const AccessLine* before, const AccessLine& after) {
  if (before && before->link == after.link) return true;
  const bool ok = before
                      ? run(QStringLiteral("UPDATE lines SET link = ? WHERE name = ?"), {after.link, after.name})
                      : run(QStringLiteral("INSERT INTO lines (name, link) VALUES (?, ?)"), {after.name, after.link});
  const auto json = [](const AccessLine& l) { return QJsonObject{{"name", l.name}, {"link", l.link}}; };
  return ok && audit(QStringLiteral("line"), after.name, before ? json(*before) : QJsonObject(), json(after));
}

bool AccessChanges::saveDoor(const AccessDoor* before, AccessDoor& after) {
  if (before && AuditJson(*before) == AuditJson(after)) return true;
  const QString model = QLatin1String(Facts(after.model).name);
  const bool ok =
      before ? run(QStringLiteral("UPDATE doors SET name = ?, model = ? WHERE id = ?"), {after.name, model, after.id})
             : run(QStringLiteral("INSERT INTO doors (line, address, name, model) VALUES (?, ?, ?, ?) RETURNING id"),
                   {after.line, after.address, after.name, model}, &after.id);
  return ok &&
         audit(QStringLiteral("door"), after.shown(), before ? AuditJson(*before) : QJsonObject(), AuditJson(after));
}

bool AccessChanges::saveGroup(const AccessGroup* before, AccessGroup& after, const AccessData& names) {
  if (before && before->name == after.name && before->doors == after.doors) return true;
  if (before ? !run(QStringLiteral("UPDATE groups SET name = ? WHERE id = ?"), {after.name, after.id})
             : !run(QStringLiteral("INSERT INTO groups (name) VALUES (?) RETURNING id"), {after.name}, &after.id))
    return false;
  if (!before || before->doors != after.doors) {
    if (!run(QStringLiteral("DELETE FROM group_doors WHERE grp = ?"), {after.id})) return false;
    for (const qint64 door : after.doors)
      if (!run(QStringLiteral("INSERT INTO group_doors (grp, door) VALUES (?, ?)"), {after.id, door})) return false;
  }
  return audit(QStringLiteral("group"), after.name, before ? AuditJson(*before, names) : QJsonObject(),
               AuditJson(after, names));
}

bool AccessChanges::saveHolder(const AccessHolder* before, AccessHolder& after, const AccessData& names) {
  const QJsonObject was = before ? AuditJson(*before, names) : QJsonObject(), will = AuditJson(after, names);
  if (before && was == will) return true;
  const QVariantList fields = {after.name, after.note.isNull() ? QStringLiteral("") : after.note, after.enabled ? 1 : 0,
                               Day(after.validFrom), Day(after.validUntil)};
  if (before
          ? !run(QStringLiteral("UPDATE holders SET name = ?, note = ?, enabled = ?, valid_from = ?, valid_until = ? "
                                "WHERE id = ?"),
                 fields + QVariantList{after.id})
          : !run(QStringLiteral("INSERT INTO holders (name, note, enabled, valid_from, valid_until) "
                                "VALUES (?, ?, ?, ?, ?) RETURNING id"),
                 fields, &after.id))
    return false;
  // A card the holder takes moves from whoever had it; the rows of each part
  // are written anew only where the part changed.
  const struct {
    const char* table;
    const char* column;
    const char* insert;
    bool changed;
    std::vector<qint64> values;
  } parts[] = {
      {"cards", "holder",
       "INSERT INTO cards (number, holder) VALUES (?, ?) ON CONFLICT (number) DO UPDATE SET holder = excluded.holder",
       !before || before->cards != after.cards, std::vector<qint64>(after.cards.begin(), after.cards.end())},
      {"memberships", "holder", "INSERT INTO memberships (grp, holder) VALUES (?, ?)",
       !before || before->groups != after.groups, after.groups},
      {"grants", "holder", "INSERT INTO grants (door, holder) VALUES (?, ?)", !before || before->grants != after.grants,
       after.grants}};
  for (const auto& p : parts) {
    if (!p.changed) continue;
    if (before &&
        !run(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(QLatin1String(p.table), QLatin1String(p.column)),
             {after.id}))
      return false;
    for (const qint64 v : p.values)
      if (!run(QLatin1String(p.insert), {v, after.id})) return false;
  }
  return audit(QStringLiteral("holder"), after.name, was, will);
}

bool NameCards(RecordStore& store, const Actor& actor, const std::vector<std::pair<quint32, QString>>& named) {
  const std::optional<AccessData> data = LoadAccess(store);
  if (!data) return false;
  std::vector<AccessHolder> after = data->holders;
  std::unordered_map<QString, size_t> byName;
  std::unordered_map<quint32, size_t> byCard;
  for (size_t i = 0; i < after.size(); ++i) {
    byName[after[i].name] = i;
    for (const quint32 c : after[i].cards) byCard[c] = i;
  }
  std::set<size_t> touched;
  for (const auto& [card, name] : named) {
    auto [at, isNew] = byName.try_emplace(name, after.size());
    if (isNew) after.push_back({.name = name});
    const size_t to = at->second;
    if (const auto held = byCard.find(card); held != byCard.end()) {
      if (held->second == to) continue;
      std::vector<quint32>& cards = after[held->second].cards;
      cards.erase(std::lower_bound(cards.begin(), cards.end(), card));
      touched.insert(held->second);
    }
    std::vector<quint32>& cards = after[to].cards;
    cards.insert(std::lower_bound(cards.begin(), cards.end(), card), card);
    byCard[card] = to;
    touched.insert(to);
  }
  AccessChanges changes(store, actor);
  if (!changes.begun()) return false;
  for (const size_t i : touched)
    if (!changes.saveHolder(i < data->holders.size() ? &data->holders[i] : nullptr, after[i], *data)) return false;
  return changes.commit();
}

bool WriteAudit(RecordStore& store, const Actor& actor, const QString& what, const QString& subject,
                const QJsonObject& before, const QJsonObject& after) {
  AccessChanges changes(store, actor);
  return changes.begun() && changes.audit(what, subject, before, after) && changes.commit();
}

}  // namespace tessaro
