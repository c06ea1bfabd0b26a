#include "accesscsv.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <unordered_map>

#include "csvtable.h"

namespace tessaro {

namespace {

const QStringList& Columns() {
  static const QStringList columns = {"name",       "cards",       "groups",  "doors",
                                      "valid_from", "valid_until", "enabled", "note"};
  return columns;
}
enum Column { Name, Cards, Groups, Doors, From, Until, Enabled, Note };

std::optional<bool> ParseEnabled(const QString& text) {
  const QString t = text.toLower();
  if (t.isEmpty() || t == "yes" || t == "evet" || t == "1" || t == "true") return true;
  if (t == "no" || t == QStringLiteral("hayır") || t == "0" || t == "false") return false;
  return std::nullopt;
}

QStringList ListOf(const QString& text) {
  static const QRegularExpression apart(QStringLiteral("\\s*[,;]\\s*"));
  return text.trimmed().split(apart, Qt::SkipEmptyParts);
}

}  // namespace

AccessImport ImportAccess(RecordStore& store, const QString& path, const Actor& actor) {
  AccessImport result;
  AccessCsvProblem& problem = result.problem;
  auto refuse = [&](AccessCsvProblem::What what, qint64 line, const QString& value = {}, const QString& other = {}) {
    problem = {what, line, value, other};
    return result;
  };
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return refuse(AccessCsvProblem::Unreadable, 0);
  const CsvTable csv = ReadCsv(file.readAll());
  if (!csv.utf8) return refuse(AccessCsvProblem::NotUtf8, csv.badLine);
  if (csv.records.empty()) return refuse(AccessCsvProblem::NoHeading, 1);
  std::vector<int> columnOf;  // of each field of a record
  for (const QString& heading : csv.records.front().fields) {
    columnOf.push_back(static_cast<int>(Columns().indexOf(heading.toLower())));
    if (columnOf.back() < 0) return refuse(AccessCsvProblem::UnknownColumn, csv.records.front().line, heading);
  }
  if (std::find(columnOf.begin(), columnOf.end(), Name) == columnOf.end())
    return refuse(AccessCsvProblem::NoHeading, csv.records.front().line);
  const std::optional<AccessData> data = LoadAccess(store);
  if (!data) return result;
  std::unordered_map<QString, const AccessHolder*> byName;
  std::unordered_map<quint32, const AccessHolder*> owner;
  for (const AccessHolder& h : data->holders) {
    byName[h.name] = &h;
    for (const quint32 c : h.cards) owner[c] = &h;
  }
  std::unordered_map<QString, qint64> nameLine;
  std::unordered_map<quint32, std::pair<qint64, QString>> claimed;  // card: line and holder
  std::vector<std::pair<const AccessHolder*, AccessHolder>> holders;
  for (size_t r = 1; r < csv.records.size(); ++r) {
    const CsvRecord& record = csv.records[r];
    const qint64 line = record.line;
    QString fields[8];
    for (qsizetype i = 0; i < record.fields.size() && i < qsizetype(columnOf.size()); ++i)
      fields[columnOf[i]] = record.fields[i];
    const QString& name = fields[Name];
    if (!ValidName(name, false)) return refuse(AccessCsvProblem::BadName, line, name);
    if (const auto [at, fresh] = nameLine.try_emplace(name, line); !fresh)
      return refuse(AccessCsvProblem::NameTwice, line, name, QString::number(at->second));
    const auto known = byName.find(name);
    const AccessHolder* before = known == byName.end() ? nullptr : known->second;
    AccessHolder h = before ? *before : AccessHolder{.name = name};
    const auto has = [&](Column c) { return std::find(columnOf.begin(), columnOf.end(), c) != columnOf.end(); };
    if (has(Cards)) {
      QString bad;
      const std::optional<std::vector<quint32>> cards = ParseCardList(fields[Cards], &bad);
      if (!cards) return refuse(AccessCsvProblem::BadCard, line, bad);
      for (const quint32 c : *cards)
        if (const auto [at, fresh] = claimed.try_emplace(c, line, name); !fresh)
          return refuse(AccessCsvProblem::CardTwice, line, QString::number(c), QString::number(at->second.first));
      h.cards = *cards;
    }
    if (has(Groups)) {
      h.groups.clear();
      for (const QString& g : ListOf(fields[Groups])) {
        const AccessGroup* group = data->group(g);
        if (!group) return refuse(AccessCsvProblem::UnknownGroup, line, g);
        h.groups.push_back(group->id);
      }
    }
    if (has(Doors)) {
      h.grants.clear();
      for (const QString& d : ListOf(fields[Doors])) {
        const AccessDoor* door = data->door(d);
        if (!door) return refuse(AccessCsvProblem::UnknownDoor, line, d);
        h.grants.push_back(door->id);
      }
    }
    for (std::vector<qint64>* ids : {&h.groups, &h.grants}) {
      std::sort(ids->begin(), ids->end());
      ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
    }
    for (const Column c : {From, Until}) {
      if (!has(c)) continue;
      const std::optional<QDate> day = ParseDay(fields[c]);
      if (!day) return refuse(AccessCsvProblem::BadDate, line, fields[c]);
      (c == From ? h.validFrom : h.validUntil) = *day;
    }
    if (!h.validFrom.isNull() && !h.validUntil.isNull() && h.validFrom > h.validUntil)
      return refuse(AccessCsvProblem::DatesReversed, line);
    if (has(Enabled)) {
      const std::optional<bool> enabled = ParseEnabled(fields[Enabled]);
      if (!enabled) return refuse(AccessCsvProblem::BadEnabled, line, fields[Enabled]);
      h.enabled = *enabled;
    }
    if (has(Note)) h.note = fields[Note];
    holders.emplace_back(before, std::move(h));
  }
  // A card may move between holders of the file, never away from one it leaves out.
  for (const auto& [card, where] : claimed)
    if (const auto held = owner.find(card); held != owner.end() && !nameLine.count(held->second->name))
      return refuse(AccessCsvProblem::CardHeld, where.first, QString::number(card), held->second->name);
  AccessChanges changes(store, actor);
  if (!changes.begun()) return result;
  for (auto& [before, after] : holders) {
    const bool same = before && AuditJson(*before, *data) == AuditJson(after, *data);
    if (!changes.saveHolder(before, after, *data)) return result;
    (same ? result.unchanged : before ? result.changed : result.added) += 1;
  }
  result.stored = changes.commit();
  return result;
}

QByteArray AccessCsv(const AccessData& data) {
  QByteArray out = "\xEF\xBB\xBF" + CsvLine(Columns(), u';');
  for (const AccessHolder& h : data.holders) {
    QStringList cards, groups, doors;
    for (const quint32 c : h.cards) cards << QString::number(c);
    for (const AccessGroup& g : data.groups)
      if (std::binary_search(h.groups.begin(), h.groups.end(), g.id)) groups << g.name;
    for (const qint64 d : h.grants) doors << data.door(d)->name;
    out += CsvLine({h.name, cards.join(u' '), groups.join(u','), doors.join(u','), h.validFrom.toString(Qt::ISODate),
                    h.validUntil.toString(Qt::ISODate), QLatin1String(h.enabled ? "yes" : "no"), h.note},
                   u';');
  }
  return out;
}

}  // namespace tessaro
