// The JSON API under /api/v1/: the same data and checks as the pages.

#include <QJsonArray>

#include "accessstore.h"
#include "jobstore.h"
#include "pages.h"

namespace tessaro::web {

namespace {

QJsonValue DayJson(QDate d) { return d.isNull() ? QJsonValue() : QJsonValue(d.toString(Qt::ISODate)); }

QJsonObject HolderJson(const AccessHolder& h, const AccessData& data) {
  QJsonArray cards, groups;
  for (const quint32 c : h.cards) cards.append(static_cast<double>(c));
  for (const qint64 g : h.groups)
    for (const AccessGroup& ag : data.groups)
      if (ag.id == g) groups.append(ag.name);
  return {{"id", h.id},          {"name", h.name},           {"note", h.note}, {"enabled", h.enabled},
          {"valid_from", DayJson(h.validFrom)}, {"valid_until", DayJson(h.validUntil)}, {"cards", cards}, {"groups", groups}};
}

QJsonObject JobJson(const LineJob& j) {
  return {{"id", j.id},
          {"line", j.line},
          {"kind", JobKindName(j.kind)},
          {"state", j.state},
          {"requested_by", j.requestedBy},
          {"requested_at", j.requestedAt},
          {"worker", j.worker},
          {"started_at", j.startedAt},
          {"finished_at", j.finishedAt},
          {"summary", j.summary}};
}

QJsonObject ReaderJson(const JobReader& r) {
  QJsonObject o{{"address", r.address}, {"ok", r.ok}, {"result", r.result}, {"at", r.at}};
  if (r.records) o.insert(QStringLiteral("records"), *r.records);
  if (r.drift) o.insert(QStringLiteral("drift"), *r.drift);
  return o;
}

std::optional<AccessData> Data(Call& call) {
  std::optional<AccessData> data = LoadAccess(call.store);
  if (!data) call.fail(500, text::kStoreFailed);
  return data;
}

void Refuse(Call& call, int status, const QString& why) { call.json(status, QJsonObject{{"error", why}}); }

// The fields the body gives, each of its own JSON type: a wrong type is refused, not guessed.
std::optional<HolderFields> BodyFields(Call& call, bool isNew) {
  const QJsonObject& b = call.body;
  HolderFields f;
  const auto text = [&](const char* key, std::optional<QString>& into) {
    const QJsonValue v = b.value(QLatin1String(key));
    if (v.isUndefined()) return true;
    if (v.isNull() && QByteArray(key).startsWith("valid")) return into = QString(), true;
    if (!v.isString()) return false;
    into = v.toString();
    return true;
  };
  if (!text("name", f.name) || !text("note", f.note) || !text("valid_from", f.from) || !text("valid_until", f.until)) return std::nullopt;
  if (isNew && !f.name) return std::nullopt;
  if (const QJsonValue v = b.value(QLatin1String("cards")); !v.isUndefined()) {
    if (!v.isArray()) return std::nullopt;
    QStringList cards;
    for (const QJsonValue c : v.toArray()) {
      if (!c.isDouble()) return std::nullopt;
      cards << QString::number(c.toDouble(), 'f', 0);
    }
    f.cards = cards.join(u' ');
  }
  if (const QJsonValue v = b.value(QLatin1String("groups")); !v.isUndefined()) {
    if (!v.isArray()) return std::nullopt;
    QStringList groups;
    for (const QJsonValue g : v.toArray()) {
      if (!g.isString()) return std::nullopt;
      groups << g.toString();
    }
    f.groups = groups;
  }
  if (const QJsonValue v = b.value(QLatin1String("enabled")); !v.isUndefined()) {
    if (!v.isBool()) return std::nullopt;
    f.enabled = v.toBool();
  }
  return f;
}

void SaveFromBody(Call& call, const AccessData& data, const AccessHolder* before) {
  const std::optional<HolderFields> fields = BodyFields(call, !before);
  if (!fields) return Refuse(call, 400, QStringLiteral("a field is missing or of the wrong type"));
  QString why;
  std::optional<AccessHolder> h = CheckHolder(call, data, before ? *before : AccessHolder{}, *fields, &why);
  if (!h) return Refuse(call, 400, why);
  if (!SaveHolder(call, data, before, *h, &why)) return Refuse(call, 500, why);
  call.json(before ? 200 : 201, HolderJson(*h, data));
}

const AccessHolder* HolderById(const AccessData& data, qint64 id) {
  for (const AccessHolder& h : data.holders)
    if (h.id == id) return &h;
  return nullptr;
}

}  // namespace

void ApiPassages(Call& call) {
  QString bad;
  const std::optional<PassageFilter> filter = FilterOf(call, &bad);
  if (!filter) return Refuse(call, 400, QStringLiteral("not a filter value: ") + bad);
  const int limit = call.has("limit") ? call.param("limit").toInt() : 100;
  if (limit < 1 || limit > 1000) return Refuse(call, 400, QStringLiteral("limit: 1-1000"));
  std::optional<Passage> after;
  if (call.has("after_id")) after = Passage{call.param("after_id").toLongLong(), {}, 0, 0, call.param("after_stamp")};
  const auto page = PassagePage(call.store, *filter, after ? &*after : nullptr, limit);
  if (!page) return call.fail(500, text::kStoreFailed);
  QJsonArray rows;
  for (const Passage& p : *page)
    rows.append(QJsonObject{{"id", p.id}, {"line", p.line}, {"address", p.address}, {"card", p.card}, {"stamp", p.stamp},
                            {"type", p.type}, {"holder", p.holder}, {"collected_at", p.collectedAt}, {"host", p.host}});
  QJsonObject out{{"passages", rows}};
  if (static_cast<int>(page->size()) == limit)
    out.insert(QStringLiteral("next"), QJsonObject{{"after_stamp", page->back().stamp}, {"after_id", page->back().id}});
  call.json(200, out);
}

void ApiHolders(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QJsonArray all;
  for (const AccessHolder& h : data->holders) all.append(HolderJson(h, *data));
  call.json(200, all);
}

void ApiHolder(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessHolder* h = HolderById(*data, call.match(1).toLongLong());
  if (!h) return call.fail(404, text::kNotFound);
  call.json(200, HolderJson(*h, *data));
}

void ApiHolderAdd(Call& call) {
  if (const auto data = Data(call)) SaveFromBody(call, *data, nullptr);
}

void ApiHolderEdit(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessHolder* h = HolderById(*data, call.match(1).toLongLong());
  if (!h) return call.fail(404, text::kNotFound);
  SaveFromBody(call, *data, h);
}

void ApiCards(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QJsonArray all;
  for (const AccessHolder& h : data->holders)
    for (const quint32 c : h.cards) all.append(QJsonObject{{"number", static_cast<double>(c)}, {"holder", h.name}, {"holder_id", h.id}});
  call.json(200, all);
}

void ApiGroups(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QJsonArray all;
  for (const AccessGroup& g : data->groups) {
    QJsonArray doors;
    for (const qint64 d : g.doors)
      if (const AccessDoor* door = data->door(d)) doors.append(door->name);
    all.append(QJsonObject{{"id", g.id}, {"name", g.name}, {"doors", doors}});
  }
  call.json(200, all);
}

void ApiDoors(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QJsonArray all;
  for (const AccessDoor& d : data->doors)
    all.append(QJsonObject{{"id", d.id}, {"line", d.line}, {"address", d.address}, {"name", d.name}, {"model", ModelName(d.model)}});
  call.json(200, all);
}

void ApiLines(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QJsonArray all;
  for (const AccessLine& l : data->lines) {
    const auto status = LineStatus(call.store, l.name);
    if (!status) return call.fail(500, text::kStoreFailed);
    QJsonArray readers;
    for (const ReaderStatus& s : *status) {
      QJsonObject r{{"address", s.address}};
      if (s.pull) r.insert(QStringLiteral("pull"), ReaderJson(*s.pull));
      if (s.sync) r.insert(QStringLiteral("sync"), ReaderJson(*s.sync));
      if (s.apply) r.insert(QStringLiteral("apply"), ReaderJson(*s.apply));
      readers.append(r);
    }
    all.append(QJsonObject{{"name", l.name}, {"link", l.link}, {"readers", readers}});
  }
  call.json(200, all);
}

void ApiJobs(Call& call) {
  const auto jobs = ListJobs(call.store, call.has("line") ? call.param("line") : QString(), 100);
  if (!jobs) return call.fail(500, text::kStoreFailed);
  QJsonArray all;
  for (const LineJob& j : *jobs) all.append(JobJson(j));
  call.json(200, all);
}

void ApiJob(Call& call) {
  const qint64 id = call.match(1).toLongLong();
  const std::optional<LineJob> job = FindJob(call.store, id);
  if (!job) return call.store.lastError().isEmpty() ? call.fail(404, text::kNotFound) : call.fail(500, text::kStoreFailed);
  const auto readers = JobReaders(call.store, id);
  if (!readers) return call.fail(500, text::kStoreFailed);
  QJsonArray rows;
  for (const JobReader& r : *readers) rows.append(ReaderJson(r));
  QJsonObject out = JobJson(*job);
  out.insert(QStringLiteral("readers"), rows);
  call.json(200, out);
}

void ApiJobAdd(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const QString line = call.body.value(QLatin1String("line")).toString();
  const std::optional<JobKind> kind = JobKindFromName(call.body.value(QLatin1String("kind")).toString());
  if (!data->line(line)) return Refuse(call, 400, QStringLiteral("no such line"));
  if (!kind) return Refuse(call, 400, QStringLiteral("kind: pull, apply or sync"));
  const std::optional<qint64> id = QueueJob(call.store, line, *kind, call.actor().user);
  if (!id || !WriteAudit(call.store, call.actor(), QStringLiteral("job"), line, {}, {{"id", *id}, {"kind", JobKindName(*kind)}}))
    return call.fail(500, text::kStoreFailed);
  call.json(202, QJsonObject{{"id", *id}, {"state", "queued"}});
}

}  // namespace tessaro::web
