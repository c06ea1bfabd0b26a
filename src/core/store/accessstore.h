#pragma once
// The access data in the store (accessmodel.h), read whole and changed one
// record at a time, each change with its audit row: when, which OS user on
// which host, what, and the record before and after as JSON. The program
// never deletes an audit row.

#include <QJsonObject>
#include <QSqlQuery>
#include <QString>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "accessmodel.h"
#include "recordstore.h"

namespace tessaro {

// Who changes the data: the OS user and the host.
struct Actor {
  QString user, host;
  static Actor OfThisProcess();
};

// Every line, door, group and holder; nullopt when the store refused (its
// words in lastError()) or holds a door whose model this program does not know.
std::optional<AccessData> LoadAccess(RecordStore& store);

// Changes in one transaction: nothing is kept unless commit() succeeds. Each
// save writes the record as `after` holds it, with an audit row against
// `before` (nullptr for a new record, whose id is then set); an unchanged
// record writes nothing. A card a saved holder takes moves to it from the
// holder that had it, who is saved on their own. The names of groups and
// doors in the audit rows come from `names`. False when the store refused.
class AccessChanges {
 public:
  AccessChanges(RecordStore& store, Actor actor);
  bool begun() const { return tx_.begun(); }
  bool saveLine(const AccessLine* before, const AccessLine& after);
  bool saveDoor(const AccessDoor* before, AccessDoor& after);
  bool saveGroup(const AccessGroup* before, AccessGroup& after, const AccessData& names);
  bool saveHolder(const AccessHolder* before, AccessHolder& after, const AccessData& names);
  // An audit row of its own, such as an apply's.
  bool audit(const QString& what, const QString& subject, const QJsonObject& before, const QJsonObject& after);
  bool commit() { return tx_.commit(); }

 private:
  bool run(const QString& sql, const QVariantList& binds, qint64* newId = nullptr);
  RecordStore& store_;
  Actor actor_;
  RecordStore::Transaction tx_;
  std::map<QString, QSqlQuery> prepared_;
};

// The records as the audit rows show them.
QJsonObject AuditJson(const AccessHolder& h, const AccessData& names);
QJsonObject AuditJson(const AccessGroup& g, const AccessData& names);
QJsonObject AuditJson(const AccessDoor& d);

// Each card to the holder of that name, made when there is none (enabled,
// in no group); a card another holder had moves. The holders changed are
// saved in one transaction; false when the store refused.
bool NameCards(RecordStore& store, const Actor& actor, const std::vector<std::pair<quint32, QString>>& named);

// An audit row outside any other change (an apply's), in a transaction of its own.
bool WriteAudit(RecordStore& store, const Actor& actor, const QString& what, const QString& subject,
                const QJsonObject& before, const QJsonObject& after);

}  // namespace tessaro
