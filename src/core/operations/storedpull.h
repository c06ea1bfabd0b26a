#pragma once
// A pull's records into the store and the access log, each record exactly
// once in both, also when the program is killed at any moment and the pull
// is run again.
//
// The store decides what is new. In one transaction it takes every record it
// does not hold yet and a journal row with their log lines and the size the
// log had; only then are the lines appended to the log and flushed, and a
// second transaction deletes the journal row. A kill
// - before the first commit leaves nothing anywhere: the reader still has
//   every record (no erase came), and the next pull finds them all new;
// - after it, with the log not or partly written, leaves the journal: the next
//   pull first completes the log from it (the bytes after the recorded size
//   are a prefix of the journal's lines, so exactly the rest is appended, a
//   half-written line included) and finds the records no longer new;
// - after the log was flushed leaves a journal whose lines are all there: it is
//   completed with nothing appended and deleted;
// - after the journal was deleted (before or during the erase) leaves records
//   the store holds: the next pull neither stores nor logs them again.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "accesslog.h"
#include "recordstore.h"

namespace tessaro {

// The store a pull keeps its records in, and the names they are kept under.
struct StoreTarget {
  RecordStore* store = nullptr;
  QString line;  // the line the readers are on: a name the user gave, else the link
  QString host;  // the PC that collects
};

enum class Keeping { Done, StoreFailed, LogFailed };

// Completes every journal this PC left for `log`: appends what of their lines
// the log lacks, flushes, deletes the journals.
Keeping FinishPendingLogs(const StoreTarget& target, AccessLog& log);

// The log lines of the records that were new to the store, journalled.
struct NewRecords {
  qint64 journal = -1;  // -1: none was new, nothing to log
  qint64 logOffset = 0;
  QByteArray lines;
  int count = 0;
};
// Stores the records not yet stored and journals their lines, in one
// transaction; nullopt when the store refused (nothing was stored then).
std::optional<NewRecords> StoreNewRecords(const StoreTarget& target, const AccessLog& log, DeviceId deviceId,
                                          const std::vector<OfflineRecord>& records, qint16 recordType);
// Appends the new records' lines to the log and flushes it.
bool LogNewRecords(AccessLog& log, const NewRecords& fresh);
// The lines are in the log: their journal goes.
bool ConfirmLogged(const StoreTarget& target, const NewRecords& fresh);

}  // namespace tessaro
