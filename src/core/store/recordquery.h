#pragma once
// Reading the passage store back: who passed which reader between two times,
// a card's passages, with the card holder's name when the store knows it; and
// filling it from outside: an existing access log, a list of card holders.

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "recordstore.h"

namespace tessaro {

// Which passages. Times are the readers' own, both ends included.
struct PassageFilter {
  std::optional<QDateTime> from, to;
  std::vector<int> addresses;  // empty: every reader
  std::optional<qint64> card;
  bool newestFirst = false;
  // Only the rows stored after the one of this id, or up to it: what came since a count was taken.
  std::optional<qint64> afterId, upToId;
};

struct Passage {
  qint64 id = 0;
  QString line;
  int address = 0;
  qint64 card = 0;
  QString stamp;  // StampKey: "yyyy-MM-dd hh:mm:ss", or "?" and the reader's garbled text
  int type = 0;   // 1 entry, 2 exit, 0 unknown
  QString holder;
  QString collectedAt;  // UTC, ISO 8601
  QString host;
};

// How many passages the filter takes in; nullopt when the store refused.
std::optional<qint64> CountPassages(RecordStore& store, const PassageFilter& filter);
// At most `limit` passages in the filter's order, following `after` (the
// last one of the page before) when given; nullopt when the store refused.
std::optional<std::vector<Passage>> PassagePage(RecordStore& store, const PassageFilter& filter, const Passage* after,
                                                int limit);
// How many passages the filter takes in for each bucket of their stamps' first
// `keyChars` characters (13: per hour, 10: per day), ascending; the filter
// needs both ends of its time range. nullopt when the store refused.
std::optional<std::vector<std::pair<QString, qint64>>> PassageBuckets(RecordStore& store, const PassageFilter& filter,
                                                                      int keyChars);
// Every passage the filter takes in, in its order, page by page; false when the store refused.
bool ForEachPassage(RecordStore& store, const PassageFilter& filter, const std::function<void(const Passage&)>& each);

// "5", "1,3,7-9": the addresses 1..255 of a list; nullopt for anything else.
std::optional<std::vector<int>> ParseAddressList(const QString& text);

// An access log brought into the store; lines that are no log line are skipped.
struct LogImport {
  bool opened = false;  // the file could be read
  bool stored = false;  // the store took them (else nothing was stored)
  qint64 lines = 0, imported = 0, duplicates = 0;
  std::vector<std::pair<qint64, QByteArray>> badLines;  // line number (from 1) and text
};
LogImport ImportAccessLog(RecordStore& store, const QString& path, const QString& line, const QString& host);

// A list of card holders read as spreadsheets save it (csvtable.h): "card
// number,name" a record; a first record without a digit in its first field
// is a heading. Each card goes to the holder of that name (NameCards).
struct HolderProblem {
  enum What { None, Unreadable, NotUtf8, NoCard, NoName } what = None;
  qint64 line = 0;
};
struct HolderImport {
  HolderProblem problem;  // any problem: nothing was written
  bool stored = false;
  qint64 holders = 0;
};
HolderImport ImportHolders(RecordStore& store, const QString& path);

}  // namespace tessaro
