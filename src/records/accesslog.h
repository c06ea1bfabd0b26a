#pragma once
// AccessFile.txt: one 36-character line per downloaded passage, appended and
// never rewritten. It is the only place where downloaded records stay.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include "records/recordcommands.h"

namespace tessaro {

inline const QString kAccessLogName = QStringLiteral("AccessFile.txt");

// The log's full path in the program's folder.
QString AccessLogPath(const QString& programFolder);

// One line without its line end: "005,0012345678,1,2026/12/05,14:03:09".
// Every field is cut or zero-padded by the PadZerosLeft rule. Without a valid
// day and time the reader's own twelve digits of the record are written as
// they came (year 20yy), so a bad stamp never turns into another record's time.
QByteArray FormatAccessLogLine(qint16 deviceId, const OfflineRecord& record, qint16 recordType, QDate day, QTime time);

// Opens the log for appending (creating it), writes one line and CR LF, closes
// it. Returns whether the whole line was written.
bool AppendAccessLogLine(const QString& programFolder, qint16 deviceId, const OfflineRecord& record, qint16 recordType,
                         QDate day, QTime time);

// Forces the lines written so far to stable storage (and the file's folder
// entry with them), so a power cut after the reader's memory was erased
// cannot take them. False when that could not be done.
bool FlushAccessLog(const QString& programFolder);

}  // namespace tessaro
