#include "link/portnames.h"

#include <QCollator>
#include <QDir>
#include <algorithm>

namespace tessaro {

namespace {
QStringList naturalSorted(QStringList names) {
  QCollator collator;
  collator.setNumericMode(true);
  std::sort(names.begin(), names.end(),
            [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
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
