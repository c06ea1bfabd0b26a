// holder add|edit|disable|show, group add|doors|members, door add|name: small
// edits of the access data, each checked whole before it is written and
// written with its audit row.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "accessstore.h"
#include "job.h"

namespace tessaro::cli {

namespace {

int Refuse(Job& job, const QString& why) {
  job.console.err << "tessaro-cli: " << why << Qt::endl;
  return kUsage;
}

QStringList ListOf(const QString& text) {
  static const QRegularExpression apart(QStringLiteral("\\s*[,;]\\s*"));
  return text.trimmed().split(apart, Qt::SkipEmptyParts);
}

QString DoorNames(const AccessData& data) {
  QStringList names;
  for (const AccessDoor& d : data.doors) names << d.shown();
  return names.isEmpty() ? QStringLiteral("none yet") : names.join(QStringLiteral(", "));
}

QString DayText(QDate d) { return d.toString(Qt::ISODate); }

// Writes the changes `save` makes, then says `done`.
int Write(Job& job, const std::function<bool(AccessChanges&)>& save, const QString& done) {
  AccessChanges changes(*job.store, Actor::OfThisProcess());
  if (!changes.begun() || !save(changes) || !changes.commit())
    return Refuse(job, QStringLiteral("the store %1 refused the change, nothing was written: %2")
                           .arg(job.store->address().shown(), job.store->lastError()));
  job.console.out << done << '\n';
  return kDone;
}

// The options of holder add and holder edit on `h`; the refusal when one is wrong.
QString ApplyHolderOptions(Job& job, const AccessData& data, AccessHolder& h) {
  if (job.has("--name")) {
    const QString name = job.option("--name").trimmed();
    if (!ValidName(name, false))
      return QStringLiteral("--name: '%1' is no name (1-100 characters, no control character)").arg(name);
    if (name != h.name && data.holder(name)) return QStringLiteral("there is a holder named %1 already").arg(name);
    h.name = name;
  }
  if (job.has("--cards")) {
    QString bad;
    const std::optional<std::vector<quint32>> cards = ParseCardList(job.option("--cards"), &bad);
    if (!cards) return QStringLiteral("--cards: '%1' is not a card number from 0 to 4294967295").arg(bad);
    for (const quint32 c : *cards)
      if (const AccessHolder* other = data.holderOfCard(c); other && other->id != h.id)
        return QStringLiteral("card %1 is held by %2; take it from them first (holder edit \"%2\" --cards …)")
            .arg(c)
            .arg(other->name);
    h.cards = *cards;
  }
  const struct {
    const char* option;
    std::vector<qint64>* ids;
    bool groups;
  } lists[] = {{"--groups", &h.groups, true}, {"--doors", &h.grants, false}};
  for (const auto& l : lists) {
    if (!job.has(l.option)) continue;
    l.ids->clear();
    for (const QString& name : ListOf(job.option(l.option))) {
      const AccessGroup* g = l.groups ? data.group(name) : nullptr;
      const AccessDoor* d = l.groups ? nullptr : data.door(name);
      if (!g && !d)
        return l.groups ? QStringLiteral("no group named %1 (group add \"%1\" makes it)").arg(name)
                        : QStringLiteral("no door named %1; the doors: %2").arg(name, DoorNames(data));
      l.ids->push_back(g ? g->id : d->id);
    }
    std::sort(l.ids->begin(), l.ids->end());
    l.ids->erase(std::unique(l.ids->begin(), l.ids->end()), l.ids->end());
  }
  for (const char* option : {"--from", "--until"}) {
    if (!job.has(option)) continue;
    const std::optional<QDate> day = ParseDay(job.option(option));
    if (!day)
      return QStringLiteral("%1: '%2' is no date such as 2026-12-31 (empty: no limit)")
          .arg(QLatin1String(option), job.option(option));
    (QLatin1String(option) == "--from" ? h.validFrom : h.validUntil) = *day;
  }
  if (!h.validFrom.isNull() && !h.validUntil.isNull() && h.validFrom > h.validUntil)
    return QStringLiteral("valid from %1 is after valid until %2").arg(DayText(h.validFrom), DayText(h.validUntil));
  if (job.has("--note")) h.note = job.option("--note");
  if (job.has("--disabled")) h.enabled = false;
  if (job.has("--enable")) h.enabled = true;
  return {};
}

// The access data, or the store's refusal said.
std::optional<AccessData> Load(Job& job) {
  std::optional<AccessData> data = LoadAccess(*job.store);
  if (!data)
    Refuse(
        job,
        QStringLiteral("the store %1 could not be read: %2").arg(job.store->address().shown(), job.store->lastError()));
  return data;
}

int ChangeHolder(Job& job, bool add) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString name = job.options.operands.value(0).trimmed();
  const AccessHolder* before = data->holder(name);
  if (add && before)
    return Refuse(job, QStringLiteral("there is a holder named %1 already (holder edit changes them)").arg(name));
  if (!add && !before) return Refuse(job, QStringLiteral("no holder named %1").arg(name));
  if (add && !ValidName(name, false))
    return Refuse(job, QStringLiteral("'%1' is no name (1-100 characters, no control character)").arg(name));
  AccessHolder h = before ? *before : AccessHolder{.name = name};
  if (const QString why = ApplyHolderOptions(job, *data, h); !why.isEmpty()) return Refuse(job, why);
  const bool same = before && AuditJson(*before, *data) == AuditJson(h, *data);
  return Write(
      job, [&](AccessChanges& c) { return c.saveHolder(before, h, *data); },
      QStringLiteral("holder %1 %2")
          .arg(h.name, QLatin1String(add    ? "added"
                                     : same ? "unchanged"
                                            : "changed")));
}

}  // namespace

int RunHolderAdd(Job& job) { return ChangeHolder(job, true); }
int RunHolderEdit(Job& job) { return ChangeHolder(job, false); }

int RunHolderDisable(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString name = job.options.operands.value(0).trimmed();
  const AccessHolder* before = data->holder(name);
  if (!before) return Refuse(job, QStringLiteral("no holder named %1").arg(name));
  AccessHolder h = *before;
  h.enabled = false;
  return Write(
      job, [&](AccessChanges& c) { return c.saveHolder(before, h, *data); },
      QStringLiteral("holder %1 disabled; every door forgets their cards at the next access apply").arg(name));
}

int RunHolderShow(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString text = job.options.operands.value(0).trimmed();
  bool isCard = false;
  const quint32 card = text.toUInt(&isCard);
  const QStringList columns = {"name", "cards", "groups", "doors", "valid_from", "valid_until", "enabled", "note"};
  QList<QStringList> cells;
  QJsonArray holders;
  for (const AccessHolder& h : data->holders) {
    const bool holds = isCard && std::binary_search(h.cards.begin(), h.cards.end(), card);
    if (!text.isEmpty() && !holds && !h.name.contains(text, Qt::CaseInsensitive)) continue;
    QJsonObject o = AuditJson(h, *data);
    QStringList row;
    for (const QString& c : columns) {
      QStringList parts;
      for (const QJsonValue v : o[c].isArray() ? o[c].toArray() : QJsonArray{o[c]})
        parts << (v.isBool() ? QLatin1String(v.toBool() ? "yes" : "no") : v.toVariant().toString());
      row << parts.join(QLatin1String(c == "cards" ? " " : ","));
    }
    cells << row;
    holders.append(o);
  }
  QTextStream& out = job.console.out;
  if (job.options.format == Format::Json)
    out << QJsonDocument(QJsonObject{{"command", "holder show"}, {"holders", holders}}).toJson(QJsonDocument::Indented);
  else if (job.options.format == Format::Csv) {
    WriteCsvLine(out, columns);
    for (const QStringList& row : cells) WriteCsvLine(out, row);
  } else {
    WriteTable(out, QString(columns.join(u' ')).toUpper().split(u' '), cells);
  }
  return kDone;
}

int RunGroupAdd(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString name = job.options.operands.value(0).trimmed();
  if (!ValidName(name, true))
    return Refuse(
        job,
        QStringLiteral("'%1' is no group name (1-100 characters, no comma, semicolon or control character)").arg(name));
  if (data->group(name)) return Refuse(job, QStringLiteral("there is a group named %1 already").arg(name));
  AccessGroup g{0, name, {}};
  return Write(
      job, [&](AccessChanges& c) { return c.saveGroup(nullptr, g, *data); },
      QStringLiteral("group %1 added").arg(name));
}

// group doors GROUP [DOOR...] [--remove], group members GROUP [HOLDER...] [--remove]:
// without any, what the group has; else they are added to it or, with --remove, taken from it.
int RunGroupDoors(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString name = job.options.operands.value(0).trimmed();
  const AccessGroup* before = data->group(name);
  if (!before) return Refuse(job, QStringLiteral("no group named %1").arg(name));
  AccessGroup g = *before;
  for (const QString& doorName : job.options.operands.mid(1)) {
    const AccessDoor* d = data->door(doorName.trimmed());
    if (!d) return Refuse(job, QStringLiteral("no door named %1; the doors: %2").arg(doorName, DoorNames(*data)));
    const auto at = std::lower_bound(g.doors.begin(), g.doors.end(), d->id);
    if (job.has("--remove") && at != g.doors.end() && *at == d->id) g.doors.erase(at);
    else if (!job.has("--remove") && (at == g.doors.end() || *at != d->id)) g.doors.insert(at, d->id);
  }
  if (job.options.operands.size() == 1) {
    for (const qint64 id : g.doors) job.console.out << data->door(id)->shown() << '\n';
    return kDone;
  }
  return Write(
      job, [&](AccessChanges& c) { return c.saveGroup(before, g, *data); },
      QStringLiteral("group %1 reaches %2 door(s)").arg(name).arg(g.doors.size()));
}

int RunGroupMembers(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString name = job.options.operands.value(0).trimmed();
  const AccessGroup* group = data->group(name);
  if (!group) return Refuse(job, QStringLiteral("no group named %1").arg(name));
  const auto member = [group](const AccessHolder& h) {
    return std::binary_search(h.groups.begin(), h.groups.end(), group->id);
  };
  if (job.options.operands.size() == 1) {
    for (const AccessHolder& h : data->holders)
      if (member(h)) job.console.out << h.name << '\n';
    return kDone;
  }
  std::vector<std::pair<const AccessHolder*, AccessHolder>> changed;
  for (const QString& holderName : job.options.operands.mid(1)) {
    const AccessHolder* before = data->holder(holderName.trimmed());
    if (!before) return Refuse(job, QStringLiteral("no holder named %1").arg(holderName));
    if (member(*before) != job.has("--remove")) continue;
    AccessHolder h = *before;
    if (job.has("--remove")) h.groups.erase(std::find(h.groups.begin(), h.groups.end(), group->id));
    else h.groups.insert(std::lower_bound(h.groups.begin(), h.groups.end(), group->id), group->id);
    changed.emplace_back(before, h);
  }
  return Write(
      job,
      [&](AccessChanges& c) {
        return std::all_of(changed.begin(), changed.end(),
                           [&](auto& x) { return c.saveHolder(x.first, x.second, *data); });
      },
      QStringLiteral("group %1: %2 holder(s) %3")
          .arg(name)
          .arg(changed.size())
          .arg(QLatin1String(job.has("--remove") ? "taken out" : "added")));
}

int RunDoorAdd(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const QString lineName = job.options.operands.value(0).trimmed();
  QStringList lines;
  for (const AccessLine& l : data->lines) lines << l.name;
  if (!data->line(lineName))
    return Refuse(job,
                  QStringLiteral("no line named %1; the lines: %2 (site load FILE adds lines)")
                      .arg(lineName, lines.isEmpty() ? QStringLiteral("none yet") : lines.join(QStringLiteral(", "))));
  const std::optional<int> address = IntegerIn(job.options.operands.value(1), 1, 255);
  if (!address)
    return Refuse(job, QStringLiteral("'%1' is not a reader address from 1 to 255").arg(job.options.operands.value(1)));
  const QString place = QStringLiteral("%1:%2").arg(lineName).arg(*address);
  for (const AccessDoor& there : data->doors)
    if (there.line == lineName && there.address == *address)
      return Refuse(job, QStringLiteral("%1 is the door %2 already (door name renames it)").arg(place, there.name));
  const std::optional<DeviceModel> model = ModelFromName(job.option("--model"));
  if (!model)
    return Refuse(job,
                  QStringLiteral("door add needs the reader's model, one of %1: --model MODEL").arg(ModelChoices()));
  const QString name = job.option("--name").trimmed();
  if (!ValidName(name, true))
    return Refuse(
        job,
        QStringLiteral(
            "door add needs the door's name (--name, 1-100 characters, no comma, semicolon or control character)"));
  if (const AccessDoor* other = data->door(name))
    return Refuse(job, QStringLiteral("%1 is the name of %2 already").arg(name, other->shown()));
  AccessDoor d{0, lineName, *address, name, *model};
  return Write(
      job, [&](AccessChanges& c) { return c.saveDoor(nullptr, d); }, QStringLiteral("door %1 added").arg(d.shown()));
}

int RunDoorName(Job& job) {
  const std::optional<AccessData> data = Load(job);
  if (!data) return kUsage;
  const AccessDoor* before = data->door(job.options.operands.value(0).trimmed());
  if (!before)
    return Refuse(
        job, QStringLiteral("no door named %1; the doors: %2").arg(job.options.operands.value(0), DoorNames(*data)));
  const QString name = job.options.operands.value(1).trimmed();
  if (!ValidName(name, true))
    return Refuse(
        job,
        QStringLiteral("'%1' is no door name (1-100 characters, no comma, semicolon or control character)").arg(name));
  if (const AccessDoor* other = data->door(name); other && other != before)
    return Refuse(job, QStringLiteral("%1 is the name of %2 already").arg(name, other->shown()));
  AccessDoor d = *before;
  d.name = name;
  return Write(
      job, [&](AccessChanges& c) { return c.saveDoor(before, d); }, QStringLiteral("door %1 named").arg(d.shown()));
}

}  // namespace tessaro::cli
