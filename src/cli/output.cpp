#include "output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tcplink.h"
#include "textformat.h"

namespace tessaro::cli {

namespace {

QString Text(const QJsonValue& v) {
  if (v.isNull()) return QStringLiteral("?");  // not known; an empty CSV cell
  if (v.isArray()) {
    QStringList parts;
    for (const QJsonValue& e : v.toArray()) parts << Text(e);
    return parts.join(u' ');
  }
  if (v.isBool()) return v.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
  if (v.isDouble()) return QString::number(v.toDouble(), 'g', 12);
  return v.toString();
}

}  // namespace

ReaderRow Failed(int address, const QString& status, const QString& why) {
  return ReaderRow{address, status, QStringLiteral("reader %1: %2").arg(address).arg(why)};
}

QString Status(Why why) {
  switch (why) {
    case Why::Done: return QStringLiteral("ok");
    case Why::TimedOut: return QStringLiteral("time-out");
    case Why::Collision: return QStringLiteral("collision");
    case Why::LogFailed: return QStringLiteral("log error");
    case Why::StoreFailed: return QStringLiteral("store error");
    case Why::Stopped: return QStringLiteral("stopped");
    case Why::ModelUnknown: return QStringLiteral("model unknown");
    case Why::OtherModel: return QStringLiteral("other model");
    case Why::MemoryFull: return QStringLiteral("memory full");
    case Why::BadReply:
    case Why::NotTaken:
    case Why::Incomplete:
    case Why::EraseFailed: break;
  }
  return QStringLiteral("bad reply");
}

QString Reason(Outcome outcome) { return Status(WhyOf(outcome)); }

QString LinkFaultText(LinkFault fault, const QString& detail) {
  switch (fault) {
    case LinkFault::NoDevice: return QStringLiteral("no such device");
    case LinkFault::Denied:
      return QStringLiteral(
          "this user may not use the port; add the user to the 'dialout' group (sudo usermod -aG "
          "dialout USER), then log out and in again");
    case LinkFault::InUse: return QStringLiteral("the port is in use by another program");
    case LinkFault::NotSerial: return QStringLiteral("not a serial device");
    case LinkFault::Refused: return QStringLiteral("the connection was refused");
    case LinkFault::NoHost: return QStringLiteral("no such host");
    case LinkFault::TimedOut:
      return QStringLiteral("no connection within %1 seconds").arg(TcpLink::kConnectWaitMs / 1000);
    case LinkFault::None:
    case LinkFault::Other: break;
  }
  return detail;
}

QString RecordTypeName(int recordType) { return recordType == 1 ? QStringLiteral("entry") : QStringLiteral("exit"); }

QString RunModeName(RunMode mode) {
  static const char* const names[] = {"stand-alone", "online", "read-only"};
  return QLatin1String(names[static_cast<int>(mode)]);
}

void WriteRows(QTextStream& out, Format format, const QString& command, const std::vector<ReaderRow>& rows) {
  if (format == Format::Json) {
    QJsonArray readers;
    for (const ReaderRow& r : rows) {
      QJsonObject o{{"address", r.address}, {"status", r.status}};
      if (!r.error.isEmpty()) o["error"] = r.error;
      for (const auto& [key, value] : r.fields) o[key] = value;
      readers.append(o);
    }
    out << QJsonDocument(QJsonObject{{"command", command}, {"readers", readers}}).toJson(QJsonDocument::Indented);
    return;
  }
  // Columns: address, status, in CSV the error (the table's go to stderr), then
  // every field in the order it first appears.
  QStringList columns = {QStringLiteral("address"), QStringLiteral("status")};
  const qsizetype fixed = format == Format::Csv ? 3 : 2;
  if (format == Format::Csv) columns << QStringLiteral("error");
  for (const ReaderRow& r : rows)
    for (const auto& field : r.fields)
      if (!columns.contains(field.first)) columns << field.first;
  QList<QStringList> cells;
  for (const ReaderRow& r : rows) {
    QStringList line = {QString::number(r.address), r.status};
    if (format == Format::Csv) line << r.error;
    for (qsizetype c = fixed; c < columns.size(); ++c) {
      QString value;
      for (const auto& field : r.fields)
        if (field.first == columns[c]) value = format == Format::Csv && field.second.isNull() ? QString() : Text(field.second);
      line << value;
    }
    cells << line;
  }
  if (format == Format::Csv) {
    out << columns.join(u',') << '\n';
    for (const QStringList& line : cells) WriteCsvLine(out, line);
    return;
  }
  QStringList header;
  for (const QString& c : columns) header << c.toUpper();
  WriteTable(out, header, cells);
}

void WriteCsvLine(QTextStream& out, const QStringList& cells) {
  QStringList quoted;
  for (const QString& v : cells) quoted << CsvField(v);
  out << quoted.join(u',') << '\n';
}

void WriteTable(QTextStream& out, const QStringList& header, const QList<QStringList>& cells) {
  QList<qsizetype> widths;
  for (const QString& c : header) widths << c.size();
  for (const QStringList& line : cells)
    for (qsizetype c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], line[c].size());
  auto print = [&](const QStringList& line) {
    QString text;
    for (qsizetype c = 0; c < line.size(); ++c) text += line[c].leftJustified(widths[c] + 2);
    out << text.trimmed() << '\n';
  };
  print(header);
  for (const QStringList& line : cells) print(line);
}

}  // namespace tessaro::cli
