#pragma once
// Test-side clients of the simulated reader: a raw TCP socket and the slave
// side of its pseudo-terminal, both waiting in the event loop.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "sim/readersim.h"

namespace tessaro::sim::test {

// Runs the event loop until `done` holds or `timeoutMs` passed; sleeps between events.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    const qint64 left = timeoutMs - t.elapsed();
    if (left <= 0) return false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<qint64>(left, 20)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

inline void RunFor(int ms) { WaitUntil([] { return false; }, ms); }

inline Fault MakeFault(FaultKind kind, int arg = 0, bool once = false) {
  Fault f;
  f.kind = kind;
  f.arg = arg;
  f.once = once;
  return f;
}

// Received bytes with the time each piece arrived.
struct Arrival {
  qint64 atMs;
  QByteArray data;
};

class TcpClient {
 public:
  explicit TcpClient(quint16 port) {
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    clock.start();
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
      const QByteArray d = socket.readAll();
      arrivals.push_back({clock.elapsed(), d});
      received += d;
    });
    connected = WaitUntil([this] { return socket.state() == QAbstractSocket::ConnectedState; }, 2000);
  }
  void send(const QByteArray& data) {
    socket.write(data);
    socket.flush();
  }
  // Everything until at least `n` bytes are there (or the time is up).
  QByteArray receive(qsizetype n, int timeoutMs = 2000) {
    WaitUntil([&] { return received.size() >= n; }, timeoutMs);
    return take();
  }
  QByteArray ask(const QByteArray& request, qsizetype n) {
    send(request);
    return receive(n);
  }
  // Everything up to the text `end` (or the time is up).
  QByteArray receiveUntil(const QByteArray& end, int timeoutMs = 3000) {
    WaitUntil([&] { return received.contains(end); }, timeoutMs);
    return take();
  }
  QByteArray take() {
    QByteArray r = received;
    received.clear();
    return r;
  }
  QTcpSocket socket;
  QElapsedTimer clock;
  QByteArray received;
  std::vector<Arrival> arrivals;
  bool connected = false;
};

// The slave side of the simulator's pseudo-terminal, raw and non-blocking.
class PtySlave {
 public:
  explicit PtySlave(const QString& path) : fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
  }
  ~PtySlave() {
    if (fd >= 0) ::close(fd);
  }
  void send(const QByteArray& d) { (void)!::write(fd, d.constData(), static_cast<size_t>(d.size())); }
  // Whatever is there now; notes when the other side hung up.
  QByteArray read() {
    QByteArray out;
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        out.append(buf, n);
        continue;
      }
      hungUp = n == 0 || errno != EAGAIN;
      return out;
    }
  }
  QByteArray receive(qsizetype n, int timeoutMs = 2000) {
    QByteArray got;
    WaitUntil([&] { return (got += read()).size() >= n; }, timeoutMs);
    return got;
  }
  int fd;
  bool hungUp = false;
};

}  // namespace tessaro::sim::test
