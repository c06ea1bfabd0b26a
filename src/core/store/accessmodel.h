#pragma once
// Who may pass which door, as data: card holders with their cards and dates,
// groups that reach doors, grants of single doors, the readers as doors on
// the site's lines. What each reader must hold follows from it by one pure
// function; the checks every outside input passes before it is written live
// here too, so that every way in refuses the same things.

#include <QDate>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "models.h"

namespace tessaro {

struct AccessLine {
  QString name;
  QString link;  // "tcp HOST[:PORT]" or "serial DEVICE [BAUD [PARITY]]", checked where it is read
};

struct AccessDoor {
  qint64 id = 0;
  QString line;
  int address = 0;
  QString name;                           // "Ana Giriş"
  DeviceModel model = DeviceModel::TS40;  // always one model: a family writes nothing
  // "Ana Giriş (A:3)"
  QString shown() const { return QStringLiteral("%1 (%2:%3)").arg(name, line).arg(address); }
};

struct AccessGroup {
  qint64 id = 0;
  QString name;
  std::vector<qint64> doors;  // door ids, ascending
};

struct AccessHolder {
  qint64 id = 0;
  QString name;
  QString note;
  bool enabled = true;
  QDate validFrom, validUntil;  // both days included; null: open
  std::vector<quint32> cards;   // ascending
  std::vector<qint64> groups;   // group ids, ascending
  std::vector<qint64> grants;   // door ids passed apart from any group, ascending
  bool validOn(QDate day) const {
    return (validFrom.isNull() || validFrom <= day) && (validUntil.isNull() || day <= validUntil);
  }
};

struct AccessData {
  std::vector<AccessLine> lines;
  std::vector<AccessDoor> doors;
  std::vector<AccessGroup> groups;
  std::vector<AccessHolder> holders;  // by name
  const AccessLine* line(const QString& name) const;
  const AccessGroup* group(const QString& name) const;
  const AccessHolder* holder(const QString& name) const;
  // A door by its name or as LINE:ADDRESS.
  const AccessDoor* door(const QString& nameOrPlace) const;
  const AccessDoor* door(qint64 id) const;
  // The holder of a card; nullptr when none holds it.
  const AccessHolder* holderOfCard(quint32 card) const;
};

// What one reader must hold: every card of an enabled holder valid on the
// day, with a grant of the door or a group that reaches it; sorted, each once.
struct WantedList {
  std::vector<quint32> cards;
  int limit = 0;  // what the door's model holds
  bool overLimit() const { return static_cast<int>(cards.size()) > limit; }
};
// Every door's list, by door id.
std::map<qint64, WantedList> WantedLists(const AccessData& data, QDate day);

// The checks of outside input.
// A name of a holder, group, door or line: not empty, at most 100
// characters, no control character; `listed` names (groups, doors, lines)
// hold no comma or semicolon, since lists of them are written with those.
bool ValidName(const QString& name, bool listed);
// "2026-12-31", "31.12.2026" or "31/12/2026"; an empty text is no date (open)
// and gives a null date; nullopt when the text is no date.
std::optional<QDate> ParseDay(const QString& text);
// Card numbers 0-4294967295 apart by blanks, commas or semicolons; nullopt
// with the first text that is none in *bad.
std::optional<std::vector<quint32>> ParseCardList(const QString& text, QString* bad = nullptr);

}  // namespace tessaro
