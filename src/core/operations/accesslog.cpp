#include "accesslog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "textformat.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tessaro {

namespace {

// The PadZerosLeft rule for text that is not a number: blanks around it
// removed, cut to the leftmost `width` characters or left-padded with "0".
QByteArray PadTextLeft(QByteArrayView text, int width) {
  QByteArray t = text.trimmed().toByteArray();
  // Only digits may reach the file; anything else the reader sent shows as "?".
  for (char& c : t) {
    if (c < '0' || c > '9') c = '?';
  }
  if (t.size() > width) return t.left(width);
  return t.rightJustified(width, '0');
}

QByteArray Pad(qint64 value, int width) { return PadZerosLeft(value, width).toLatin1(); }

}  // namespace

QByteArray FormatAccessLogLine(DeviceId deviceId, const OfflineRecord& record, qint16 recordType) {
  QByteArray line;
  line.reserve(36);
  line += Pad(deviceId.value(), 3);
  line += ',';
  line += Pad(record.cardNumber, 10);
  line += ',';
  line += Pad(recordType, 1);
  line += ',';
  if (record.stamp.isValid()) {
    const QDate day = record.stamp.date();
    const QTime time = record.stamp.time();
    line += Pad(day.year(), 4) + '/' + Pad(day.month(), 2) + '/' + Pad(day.day(), 2);
    line += ',';
    line += Pad(time.hour(), 2) + ':' + Pad(time.minute(), 2) + ':' + Pad(time.second(), 2);
  } else {
    const QByteArray d = record.rawStamp.leftJustified(12, ' ', true);
    const QByteArrayView v(d);
    line += "20" + PadTextLeft(v.sliced(4, 2), 2) + '/' + PadTextLeft(v.sliced(2, 2), 2) + '/' +
            PadTextLeft(v.sliced(0, 2), 2);
    line += ',';
    line +=
        PadTextLeft(v.sliced(6, 2), 2) + ':' + PadTextLeft(v.sliced(8, 2), 2) + ':' + PadTextLeft(v.sliced(10, 2), 2);
  }
  return line;
}

QString AccessLogPath(const QString& programFolder, const QString& dataFolder) {
  const QFileInfo beside(QDir(programFolder).absoluteFilePath(kAccessLogName));
  const bool writable =
      beside.exists() ? beside.isWritable() : QFileInfo(programFolder).isDir() && QFileInfo(programFolder).isWritable();
  if (writable || dataFolder.isEmpty()) return beside.absoluteFilePath();
  QDir().mkpath(dataFolder);
  return QDir(dataFolder).absoluteFilePath(kAccessLogName);
}

QString UserDataFolder() {
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  const QString base = xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : xdg;
  return base + QStringLiteral("/tessaro-config");
}

bool AccessLog::append(DeviceId deviceId, const OfflineRecord& record, qint16 recordType) {
  return appendBytes(FormatAccessLogLine(deviceId, record, recordType) + "\r\n");
}

bool AccessLog::appendBytes(const QByteArray& bytes) {
  QFile file(path_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  file.close();
  return written && file.error() == QFileDevice::NoError;
}

qint64 AccessLog::size() const { return QFileInfo(path_).size(); }

QByteArray AccessLog::readFrom(qint64 offset) const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly) || !file.seek(offset)) return {};
  return file.readAll();
}

bool AccessLog::flush() {
  QFile file(path_);
  if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) return false;
#ifdef Q_OS_WIN
  const bool synced = _commit(file.handle()) == 0;
  file.close();
  return synced;
#else
  const bool synced = ::fsync(file.handle()) == 0;
  file.close();
  if (!synced) return false;
  // A log created by this download also needs its folder entry on disk.
  const QByteArray folder = QFile::encodeName(QFileInfo(path_).absolutePath());
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return false;
  const bool dirSynced = ::fsync(dir) == 0;
  ::close(dir);
  return dirSynced;
#endif
}

}  // namespace tessaro
