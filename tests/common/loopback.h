#pragma once
// A loopback server on a port below 32768: the window hands the port over as
// a signed 16-bit number, so the system's ephemeral ports will not do.

#include <QTcpServer>
#include <unistd.h>

namespace tessaro::test {

inline bool ListenLow(QTcpServer& server) {
  const quint16 base = static_cast<quint16>(20000 + getpid() % 9000);
  for (quint16 p = base; p < base + 2000; ++p) {
    if (server.listen(QHostAddress::LocalHost, p)) return true;
  }
  return false;
}

}  // namespace tessaro::test
