#pragma once
// CSV files as spreadsheet programs save them: UTF-8 with or without a
// byte-order mark, commas or semicolons between the fields (one of the two for
// the whole file, the first that stands outside quotes), LF or CRLF line ends,
// fields quoted with their quotes doubled, a quoted field running over line
// ends. Every import of the store reads its files through here.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

namespace tessaro {

struct CsvRecord {
  qint64 line = 0;     // the file's line it begins on, from 1
  QStringList fields;  // blanks around an unquoted field taken away
};

struct CsvTable {
  bool utf8 = true;  // false: `badLine` is the first line that is no UTF-8
  qint64 badLine = 0;
  QChar separator = u',';
  std::vector<CsvRecord> records;  // empty lines left out
};

CsvTable ReadCsv(const QByteArray& input);

// One line of a file the spreadsheet programs read back: each field quoted
// where it holds the separator, a quote or a line break; CRLF at its end.
QByteArray CsvLine(const QStringList& fields, QChar separator);

}  // namespace tessaro
