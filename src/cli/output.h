#pragma once
// What a command found out, reader by reader, as a table, JSON or CSV.

#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QTextStream>
#include <vector>

#include "models.h"
#include "options.h"
#include "readers.h"

namespace tessaro::cli {

struct ReaderRow {
  int address = 0;
  QString status = QStringLiteral("ok");  // or the reason it failed
  QString error;                          // in plain English, for stderr
  QList<QPair<QString, QJsonValue>> fields;
  bool failed() const { return status != QLatin1String("ok"); }
  ReaderRow& set(const QString& key, const QJsonValue& value) {
    fields.append({key, value});
    return *this;
  }
};

// A reader that did not get the command done: its status word and why, in plain English.
ReaderRow Failed(int address, const QString& status, const QString& why);

// The core's verdict as a status word of the output.
QString Status(Why why);
QString Reason(Outcome outcome);

// Why the link could not be opened, in plain English with what to do.
QString LinkFaultText(LinkFault fault, const QString& detail);

QString RecordTypeName(int recordType);  // 1 "entry", 2 "exit"
QString RunModeName(RunMode mode);

void WriteRows(QTextStream& out, Format format, const QString& command, const std::vector<ReaderRow>& rows);
// One CSV line of the cells, quoted where needed.
void WriteCsvLine(QTextStream& out, const QStringList& cells);
// The header and the rows in columns as wide as their widest cell.
void WriteTable(QTextStream& out, const QStringList& header, const QList<QStringList>& cells);

}  // namespace tessaro::cli
