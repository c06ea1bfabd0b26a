#pragma once
// The holders as a spreadsheet keeps them: a heading record naming the
// columns, then one record a holder. Columns (any order; only "name" is
// needed, a column left out leaves that part of every holder as it is):
//   name         the holder, who is added when the store has no one of that name
//   cards        card numbers apart by blanks: exactly the holder's cards
//   groups       group names apart by commas: exactly the holder's groups
//   doors        doors (names or LINE:ADDRESS) passed apart from any group
//   valid_from, valid_until   2026-12-31, 31.12.2026 or 31/12/2026; empty: open
//   enabled      yes/no, evet/hayır, 1/0, true/false; empty: yes
//   note         any text
// The whole file is checked before anything is written, and written in one
// transaction: a bad record refuses the file, naming its line.

#include <QByteArray>
#include <QString>

#include "accessstore.h"

namespace tessaro {

struct AccessCsvProblem {
  enum What {
    None,
    Unreadable,  // the file cannot be read
    NotUtf8,
    NoHeading,      // no "name" column in the first record
    UnknownColumn,  // `value`: a heading that names no column
    BadName,        // `value`: empty, longer than 100 characters, or with a control character
    NameTwice,      // `value` on an earlier line, `other`
    BadCard,        // `value`: not a card number 0-4294967295
    CardTwice,      // `value`: on an earlier line, `other`
    CardHeld,       // `value`: held by `other`, who is not in the file
    UnknownGroup,   // `value`
    UnknownDoor,    // `value`
    BadDate,        // `value`
    DatesReversed,  // valid from after valid until
    BadEnabled,     // `value`
  } what = None;
  qint64 line = 0;
  QString value, other;
};

struct AccessImport {
  AccessCsvProblem problem;  // any problem: nothing was written
  bool stored = false;       // else the store refused (its words in lastError())
  int added = 0, changed = 0, unchanged = 0;
};
AccessImport ImportAccess(RecordStore& store, const QString& path, const Actor& actor);

// Every holder, by name, with every column: UTF-8 with a byte-order mark,
// semicolons, CRLF, as spreadsheet programs open it.
QByteArray AccessCsv(const AccessData& data);

}  // namespace tessaro
