#include "portnames.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace tessaro {

namespace {
// Digit runs compare by value, so ttyUSB2 comes before ttyUSB10 whatever the
// locale's collation offers.
bool naturalLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      qsizetype ei = i, ej = j;
      while (ei < a.size() && a[ei].isDigit()) ++ei;
      while (ej < b.size() && b[ej].isDigit()) ++ej;
      QStringView da = QStringView(a).sliced(i, ei - i), db = QStringView(b).sliced(j, ej - j);
      while (da.size() > 1 && da.front() == u'0') da = da.sliced(1);
      while (db.size() > 1 && db.front() == u'0') db = db.sliced(1);
      if (da.size() != db.size()) return da.size() < db.size();
      if (const int c = da.compare(db); c != 0) return c < 0;
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;
}

QStringList naturalSorted(QStringList names) {
  std::sort(names.begin(), names.end(), naturalLess);
  return names;
}
}  // namespace

QStringList SerialDeviceNodes(const QString& devDir) {
  QDir dir(devDir);
  QStringList out;
#if defined(Q_OS_MACOS)
  for (const QString& n : naturalSorted(dir.entryList({QStringLiteral("cu.*")}, QDir::System | QDir::Files)))
    out << dir.filePath(n);
#else
  for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
    for (const QString& n : naturalSorted(dir.entryList({QString::fromLatin1(pattern)}, QDir::System | QDir::Files)))
      out << dir.filePath(n);
  }
#endif
  return out;
}

QString PortDeviceCaption(const QString& device) {
  if (device.isEmpty()) return QStringLiteral("-");
  return device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
}

QString SerialStableName(const QString& device, const QString& byIdDir) {
  if (device.isEmpty()) return {};
  const QString target = QFileInfo(device).canonicalFilePath();
  const QDir dir(byIdDir);
  for (const QString& name : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    if (QFileInfo(dir.filePath(name)).canonicalFilePath() == target) return dir.filePath(name);
  }
  return {};
}

QString SerialDeviceForPort(int portNumber) {
  if (portNumber < 1) return {};
#if defined(Q_OS_WIN)
  return QStringLiteral("COM%1").arg(portNumber);
#else
  const QStringList nodes = SerialDeviceNodes();
  return portNumber <= nodes.size() ? nodes.at(portNumber - 1) : QString();
#endif
}

}  // namespace tessaro
