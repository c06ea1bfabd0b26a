#pragma once
// A site as a file, for a new installation: its lines (a name and a link),
// the readers on them as doors, and groups with the doors they reach.
//
//   {"format": 1,
//    "lines": [{"name": "A", "link": "tcp 10.0.0.20:5600"}],
//    "doors": [{"line": "A", "address": 1, "name": "Ana Giriş", "model": "TS-40"}],
//    "groups": [{"name": "Personel", "doors": ["Ana Giriş", "A:2"]}]}
//
// Loading it adds what the store lacks and changes what differs: a line's
// link, a door's name and model (a door is its line and address), a group's
// doors (exactly the file's). It removes nothing. The whole file is checked,
// against itself and the store, before anything is written.

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

#include "accessstore.h"
#include "devicelinks.h"

namespace tessaro {

inline constexpr int kSiteFileFormat = 1;

// A line's link as the store keeps it: "tcp HOST[:PORT]" (port 5600 by
// default) or "serial DEVICE [BAUD [PARITY]]" (38400 and odd by default).
struct LineLink {
  ConnectionSettings settings;
  QString device;  // serial
};
std::optional<LineLink> ParseLinkText(const QString& text);

struct SiteGroup {
  QString name;
  QStringList doors;  // names or LINE:ADDRESS
};

struct SiteFile {
  std::vector<AccessLine> lines;
  std::vector<AccessDoor> doors;
  std::vector<SiteGroup> groups;
};

// What is wrong, where: the part ("lines", "doors", "groups"; empty for the
// file as a whole), the entry's index in it, the field, and the value.
struct SiteProblem {
  enum Kind {
    NotJson,        // `value`: the character where the JSON breaks
    NotSiteFile,    // the top is no object, or a part no list of objects
    UnknownFormat,  // `value`
    UnknownField,   // a field the entry does not have
    BadName,        // `value`: empty, too long, a control character, or a comma or semicolon
    BadLink,        // `value`
    LinkTwice,      // `value`: a link another line has (two lines would share one bus)
    BadAddress,     // not a reader address from 1 to 255
    NotOneModel,    // `value`: not one model's name (a family writes nothing)
    Twice,          // `value`: a name (or a door's place) given twice
    NameTaken,      // `value`: the store has another door of this name
    UnknownLine,    // `value`: in neither the file nor the store
    UnknownDoor,    // `value`: in neither the file nor the store
  };
  Kind kind = NotJson;
  QString part;
  int index = -1;
  QString field;
  QString value;
};

std::variant<SiteFile, SiteProblem> ParseSiteFile(const QByteArray& bytes);

struct SiteLoad {
  std::optional<SiteProblem> problem;  // against the store: nothing was written
  bool stored = false;                 // else the store refused
  int changed = 0;                     // lines, doors and groups added or changed
};
SiteLoad LoadSite(RecordStore& store, const SiteFile& site, const Actor& actor);

}  // namespace tessaro
