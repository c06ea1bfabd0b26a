#include "sitefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <set>

#include "seriallink.h"

namespace tessaro {

std::optional<LineLink> ParseLinkText(const QString& text) {
  const QStringList w = text.simplified().split(u' ', Qt::SkipEmptyParts);
  LineLink l;
  if (w.size() == 2 && w[0] == QLatin1String("tcp")) {
    const qsizetype colon = w[1].lastIndexOf(u':');
    const QString port = colon < 0 ? QStringLiteral("5600") : w[1].mid(colon + 1);
    bool ok = !port.isEmpty() && std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int number = ok ? port.toInt(&ok) : 0;
    l.settings.tcp = true;
    l.settings.host = colon < 0 ? w[1] : w[1].left(colon);
    l.settings.tcpPort = static_cast<quint16>(number);
    if (!ok || number < 1 || number > 65535 || l.settings.host.isEmpty()) return std::nullopt;
    return l;
  }
  if (w.size() < 2 || w.size() > 4 || w[0] != QLatin1String("serial")) return std::nullopt;
  l.device = w[1];
  l.settings.serialPort = 1;
  if (w.size() > 2) {
    bool ok = false;
    l.settings.serialLine.baud = w[2].toInt(&ok);
    if (!ok ||
        std::find(std::begin(kBaudRates), std::end(kBaudRates), l.settings.serialLine.baud) == std::end(kBaudRates))
      return std::nullopt;
  }
  if (w.size() > 3) {
    static const std::pair<const char*, QSerialPort::Parity> parities[] = {
        {"odd", QSerialPort::OddParity}, {"even", QSerialPort::EvenParity}, {"none", QSerialPort::NoParity}};
    const auto* p = std::find_if(std::begin(parities), std::end(parities),
                                 [&](const auto& x) { return w[3] == QLatin1String(x.first); });
    if (p == std::end(parities)) return std::nullopt;
    l.settings.serialLine.parity = p->second;
  }
  return l;
}

namespace {

using K = SiteProblem::Kind;

// The entries of one part, each an object with only the fields named.
std::variant<QJsonArray, SiteProblem> Part(const QJsonObject& top, const char* name, const QStringList& fields) {
  const QJsonValue v = top.value(QLatin1String(name));
  if (v.isUndefined()) return QJsonArray();
  if (!v.isArray()) return SiteProblem{K::NotSiteFile, QLatin1String(name)};
  const QJsonArray entries = v.toArray();
  for (int i = 0; i < entries.size(); ++i) {
    if (!entries[i].isObject()) return SiteProblem{K::NotSiteFile, QLatin1String(name), i};
    for (const QString& key : entries[i].toObject().keys())
      if (!fields.contains(key)) return SiteProblem{K::UnknownField, QLatin1String(name), i, key};
  }
  return entries;
}

}  // namespace

std::variant<SiteFile, SiteProblem> ParseSiteFile(const QByteArray& bytes) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError)
    return SiteProblem{K::NotJson, {}, -1, {}, QString::number(error.offset)};
  if (!doc.isObject()) return SiteProblem{K::NotSiteFile};
  const QJsonObject top = doc.object();
  for (const QString& key : top.keys())
    if (!QStringList{"format", "lines", "doors", "groups"}.contains(key))
      return SiteProblem{K::UnknownField, {}, -1, key};
  if (top.value("format") != QJsonValue(kSiteFileFormat))
    return SiteProblem{K::UnknownFormat, {}, -1, "format", top.value("format").toVariant().toString()};
  SiteFile site;
  std::set<QString> names, links, places;
  auto problem = [](K kind, const char* part, int i, const char* field, const QString& value) {
    return SiteProblem{kind, QLatin1String(part), i, QLatin1String(field), value};
  };
  const auto lines = Part(top, "lines", {"name", "link"});
  if (const auto* p = std::get_if<SiteProblem>(&lines)) return *p;
  for (int i = 0; const QJsonValue v : std::get<QJsonArray>(lines)) {
    const AccessLine l{v["name"].toString(), v["link"].toString()};
    if (!ValidName(l.name, true)) return problem(K::BadName, "lines", i, "name", l.name);
    if (!ParseLinkText(l.link)) return problem(K::BadLink, "lines", i, "link", l.link);
    if (!names.insert(l.name).second) return problem(K::Twice, "lines", i, "name", l.name);
    if (!links.insert(l.link.simplified()).second) return problem(K::LinkTwice, "lines", i, "link", l.link);
    site.lines.push_back(l);
    ++i;
  }
  names.clear();
  const auto doors = Part(top, "doors", {"line", "address", "name", "model"});
  if (const auto* p = std::get_if<SiteProblem>(&doors)) return *p;
  for (int i = 0; const QJsonValue v : std::get<QJsonArray>(doors)) {
    AccessDoor d{0, v["line"].toString(), v["address"].toInt(-1), v["name"].toString()};
    const std::optional<DeviceModel> model = ModelFromName(v["model"].toString());
    if (!ValidName(d.line, true)) return problem(K::BadName, "doors", i, "line", d.line);
    if (!v["address"].isDouble() || v["address"].toDouble() != d.address || d.address < 1 || d.address > 255)
      return problem(K::BadAddress, "doors", i, "address", v["address"].toVariant().toString());
    if (!ValidName(d.name, true)) return problem(K::BadName, "doors", i, "name", d.name);
    if (!model) return problem(K::NotOneModel, "doors", i, "model", v["model"].toVariant().toString());
    d.model = *model;
    if (!names.insert(d.name).second) return problem(K::Twice, "doors", i, "name", d.name);
    const QString place = QStringLiteral("%1:%2").arg(d.line).arg(d.address);
    if (!places.insert(place).second) return problem(K::Twice, "doors", i, "address", place);
    site.doors.push_back(d);
    ++i;
  }
  names.clear();
  const auto groups = Part(top, "groups", {"name", "doors"});
  if (const auto* p = std::get_if<SiteProblem>(&groups)) return *p;
  for (int i = 0; const QJsonValue v : std::get<QJsonArray>(groups)) {
    SiteGroup g{v["name"].toString(), {}};
    if (!ValidName(g.name, true)) return problem(K::BadName, "groups", i, "name", g.name);
    if (!names.insert(g.name).second) return problem(K::Twice, "groups", i, "name", g.name);
    if (!v["doors"].isArray() && !v["doors"].isUndefined()) return problem(K::UnknownDoor, "groups", i, "doors", {});
    for (const QJsonValue door : v["doors"].toArray()) {
      if (!door.isString()) return problem(K::UnknownDoor, "groups", i, "doors", door.toVariant().toString());
      g.doors << door.toString();
    }
    site.groups.push_back(g);
    ++i;
  }
  return site;
}

SiteLoad LoadSite(RecordStore& store, const SiteFile& site, const Actor& actor) {
  SiteLoad result;
  const std::optional<AccessData> stored = LoadAccess(store);
  if (!stored) return result;
  AccessData after = *stored;  // the store as it will be: names and doors resolve against it
  auto refuse = [&](K kind, const char* part, int i, const char* field, const QString& value) {
    result.problem = SiteProblem{kind, QLatin1String(part), i, QLatin1String(field), value};
    return result;
  };
  for (int i = 0; i < int(site.lines.size()); ++i) {
    const AccessLine& l = site.lines[i];
    for (const AccessLine& other : stored->lines)
      if (other.name != l.name && other.link.simplified() == l.link.simplified())
        return refuse(K::LinkTwice, "lines", i, "link", l.link);
    const auto known =
        std::find_if(after.lines.begin(), after.lines.end(), [&](const AccessLine& x) { return x.name == l.name; });
    if (known != after.lines.end()) *known = l;
    else after.lines.push_back(l);
  }
  std::vector<std::pair<const AccessDoor*, AccessDoor>> doors;
  for (int i = 0; i < int(site.doors.size()); ++i) {
    const AccessDoor& d = site.doors[i];
    if (!after.line(d.line)) return refuse(K::UnknownLine, "doors", i, "line", d.line);
    const QString place = QStringLiteral("%1:%2").arg(d.line).arg(d.address);
    const AccessDoor* before = stored->door(place);
    const AccessDoor* named = stored->door(d.name);
    const bool renamedAway = named && std::any_of(site.doors.begin(), site.doors.end(), [&](const AccessDoor& x) {
                               return x.line == named->line && x.address == named->address && x.name != d.name;
                             });
    if (named && named != before && !renamedAway) return refuse(K::NameTaken, "doors", i, "name", d.name);
    doors.emplace_back(before, d);
    if (before) doors.back().second.id = before->id;
  }
  AccessChanges changes(store, actor);
  if (!changes.begun()) return result;
  for (const AccessLine& l : site.lines) {
    const AccessLine* before = stored->line(l.name);
    result.changed += !before || before->link != l.link;
    if (!changes.saveLine(before, l)) return result;
  }
  for (auto& [before, d] : doors) {
    result.changed += !before || AuditJson(*before) != AuditJson(d);
    if (!changes.saveDoor(before, d)) return result;
    const qint64 id = d.id;
    const auto known =
        std::find_if(after.doors.begin(), after.doors.end(), [id](const AccessDoor& x) { return x.id == id; });
    if (before) *known = d;
    else after.doors.push_back(d);
  }
  for (int i = 0; i < int(site.groups.size()); ++i) {
    const SiteGroup& g = site.groups[i];
    const AccessGroup* before = stored->group(g.name);
    AccessGroup group{before ? before->id : 0, g.name, {}};
    for (const QString& name : g.doors) {
      const AccessDoor* door = after.door(name);
      if (!door) return refuse(K::UnknownDoor, "groups", i, "doors", name);
      group.doors.push_back(door->id);
    }
    std::sort(group.doors.begin(), group.doors.end());
    group.doors.erase(std::unique(group.doors.begin(), group.doors.end()), group.doors.end());
    result.changed += !before || before->doors != group.doors;
    if (!changes.saveGroup(before, group, after)) return result;
  }
  result.stored = changes.commit();
  return result;
}

}  // namespace tessaro
