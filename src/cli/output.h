#pragma once
// What a command found out, reader by reader, as a table, JSON or CSV.

#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QTextStream>
#include <vector>

#include "options.h"

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

void WriteRows(QTextStream& out, Format format, const QString& command, const std::vector<ReaderRow>& rows);

}  // namespace tessaro::cli
