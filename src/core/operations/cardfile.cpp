#include "cardfile.h"

#include <QFile>
#include <QSaveFile>

namespace tessaro {

QByteArray CardFileBytes(const QStringList& entries) {
  QByteArray out;
  for (const QString& e : entries) {
    out += e.toLatin1();
    out += "\r\n";
  }
  return out;
}

namespace {

QString trimmedLine(QByteArrayView line) {
  qsizetype b = 0, e = line.size();
  while (b < e && (line[b] == ' ' || line[b] == '\t')) ++b;
  while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
  return QString::fromLatin1(line.sliced(b, e - b));
}

}  // namespace

QStringList ParseCardFile(QByteArrayView bytes) {
  QStringList entries;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    entries << trimmedLine(bytes.sliced(start, i - start));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) entries << trimmedLine(bytes.sliced(start));
  return entries;
}

bool WriteCardFile(const QString& path, const QStringList& entries) {
  // Written beside the old file and renamed over it, so a failed write never
  // leaves half a list behind.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = CardFileBytes(entries);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

std::optional<QStringList> ReadCardFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  return ParseCardFile(bytes);
}

}  // namespace tessaro
