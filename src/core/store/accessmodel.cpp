#include "accessmodel.h"

#include <QRegularExpression>
#include <algorithm>
#include <unordered_map>

namespace tessaro {

namespace {

template <typename T>
const T* ByName(const std::vector<T>& all, const QString& name) {
  const auto it = std::find_if(all.begin(), all.end(), [&](const T& x) { return x.name == name; });
  return it == all.end() ? nullptr : &*it;
}

}  // namespace

const AccessLine* AccessData::line(const QString& name) const { return ByName(lines, name); }
const AccessGroup* AccessData::group(const QString& name) const { return ByName(groups, name); }
const AccessHolder* AccessData::holder(const QString& name) const { return ByName(holders, name); }

const AccessDoor* AccessData::door(const QString& nameOrPlace) const {
  if (const AccessDoor* d = ByName(doors, nameOrPlace)) return d;
  const qsizetype colon = nameOrPlace.lastIndexOf(u':');
  bool ok = false;
  const int address = nameOrPlace.mid(colon + 1).toInt(&ok);
  if (colon < 0 || !ok) return nullptr;
  const QString lineName = nameOrPlace.left(colon);
  const auto it = std::find_if(doors.begin(), doors.end(),
                               [&](const AccessDoor& d) { return d.line == lineName && d.address == address; });
  return it == doors.end() ? nullptr : &*it;
}

const AccessDoor* AccessData::door(qint64 id) const {
  const auto it = std::find_if(doors.begin(), doors.end(), [id](const AccessDoor& d) { return d.id == id; });
  return it == doors.end() ? nullptr : &*it;
}

const AccessHolder* AccessData::holderOfCard(quint32 card) const {
  for (const AccessHolder& h : holders)
    if (std::binary_search(h.cards.begin(), h.cards.end(), card)) return &h;
  return nullptr;
}

std::map<qint64, WantedList> WantedLists(const AccessData& data, QDate day) {
  std::map<qint64, WantedList> lists;
  for (const AccessDoor& d : data.doors) lists[d.id].limit = Facts(d.model).cardLimit;
  std::unordered_map<qint64, const std::vector<qint64>*> groupDoors;
  for (const AccessGroup& g : data.groups) groupDoors[g.id] = &g.doors;
  std::vector<qint64> reached;
  for (const AccessHolder& h : data.holders) {
    if (!h.enabled || !h.validOn(day) || h.cards.empty()) continue;
    reached = h.grants;
    for (const qint64 g : h.groups)
      if (const auto it = groupDoors.find(g); it != groupDoors.end())
        reached.insert(reached.end(), it->second->begin(), it->second->end());
    std::sort(reached.begin(), reached.end());
    reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
    for (const qint64 door : reached)
      if (const auto it = lists.find(door); it != lists.end())
        it->second.cards.insert(it->second.cards.end(), h.cards.begin(), h.cards.end());
  }
  for (auto& [door, list] : lists) {
    std::sort(list.cards.begin(), list.cards.end());
    list.cards.erase(std::unique(list.cards.begin(), list.cards.end()), list.cards.end());
  }
  return lists;
}

bool ValidName(const QString& name, bool listed) {
  if (name.isEmpty() || name != name.trimmed() || name.size() > 100) return false;
  if (listed && (name.contains(u',') || name.contains(u';'))) return false;
  return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

std::optional<QDate> ParseDay(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return QDate();
  for (const char* format : {"yyyy-MM-dd", "dd.MM.yyyy", "dd/MM/yyyy"}) {
    const QDate d = QDate::fromString(t, QLatin1String(format));
    if (d.isValid()) return d;
  }
  return std::nullopt;
}

std::optional<std::vector<quint32>> ParseCardList(const QString& text, QString* bad) {
  static const QRegularExpression apart(QStringLiteral("[\\s,;]+"));
  std::vector<quint32> cards;
  for (const QString& word : text.split(apart, Qt::SkipEmptyParts)) {
    bool ok =
        word.size() <= 10 && std::all_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const qint64 value = ok ? word.toLongLong(&ok) : -1;
    if (!ok || value > 0xFFFFFFFFLL) {
      if (bad) *bad = word;
      return std::nullopt;
    }
    cards.push_back(static_cast<quint32>(value));
  }
  std::sort(cards.begin(), cards.end());
  cards.erase(std::unique(cards.begin(), cards.end()), cards.end());
  return cards;
}

}  // namespace tessaro
