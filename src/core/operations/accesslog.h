#pragma once
// AccessFile.txt: one 36-character line per downloaded passage, appended and
// never rewritten. It is the only place where downloaded records stay.

#include <QByteArray>
#include <QString>

#include "records.h"
#include "deviceid.h"

namespace tessaro {

inline const QString kAccessLogName = QStringLiteral("AccessFile.txt");

// Where the log lives: beside the program when that folder lets it be written,
// else in the user's data folder (created when missing), so a program
// installed where users may not write still keeps every record.
QString AccessLogPath(const QString& programFolder, const QString& dataFolder);

// The user's data folder for this program: $XDG_DATA_HOME/tessaro-config, else
// ~/.local/share/tessaro-config.
QString UserDataFolder();

// One line without its line end: "005,0012345678,1,2026/12/05,14:03:09".
// Every field is cut or zero-padded by the PadZerosLeft rule. Without a valid
// stamp the reader's own twelve digits are written as they came (year 20yy),
// so a bad stamp never turns into another record's time.
QByteArray FormatAccessLogLine(DeviceId deviceId, const OfflineRecord& record, qint16 recordType);

class AccessLog {
 public:
  explicit AccessLog(QString path) : path_(std::move(path)) {}
  const QString& path() const { return path_; }
  // Opens the log for appending (creating it), writes one line and CR LF,
  // closes it. False when the whole line could not be written.
  bool append(DeviceId deviceId, const OfflineRecord& record, qint16 recordType);
  // Forces the lines written so far to stable storage (and the file's folder
  // entry with them), so a power cut after the reader's memory was erased
  // cannot take them.
  bool flush();
  // Appends whole lines (or the rest of one) at once; false unless all were written.
  bool appendBytes(const QByteArray& bytes);
  // Its size in bytes now, 0 while it does not exist; and what it holds from `offset` on.
  qint64 size() const;
  QByteArray readFrom(qint64 offset) const;

 private:
  QString path_;
};

}  // namespace tessaro
