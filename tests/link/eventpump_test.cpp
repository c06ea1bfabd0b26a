#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <sys/socket.h>
#include <thread>

#include "common/pty.h"
#include "link/eventpump.h"
#include "link/exchange.h"
#include "link/seriallink.h"
#include "link/tcplink.h"

namespace tessaro {
namespace {

double processCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Measures wall and CPU time of `work`.
struct Usage {
  qint64 wallMs;
  double cpuMs;
};
template <typename F>
Usage measure(F&& work) {
  QElapsedTimer wall;
  const double cpu0 = processCpuMs();
  wall.start();
  work();
  return {wall.elapsed(), processCpuMs() - cpu0};
}

bool listenLow(QTcpServer& server) {
  const quint16 base = static_cast<quint16>(21000 + getpid() % 9000);
  for (quint16 p = base; p < base + 200; ++p) {
    if (server.listen(QHostAddress::LocalHost, p)) return true;
  }
  return false;
}

// With the window's 10 ms timer running, a second of waiting sleeps between
// the ticks instead of spinning.
TEST(QtMessagePump, WaitingSleeps) {
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.start(10);
  int ticks = 0;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  int passes = 0;
  const Usage u = measure([&] {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1000) {
      pump.waitForActivity(clock.msUntilNextSecond());
      ++passes;
    }
  });
  EXPECT_GE(ticks, 50);                    // the timer kept running while we waited
  EXPECT_LT(passes, 400);                  // woken by the ticks, not polling
  EXPECT_LT(u.cpuMs, 0.3 * u.wallMs) << u.cpuMs << " ms CPU in " << u.wallMs << " ms";
}

// A silent reader over TCP: the whole exchange, drain included, uses little CPU.
TEST(QtMessagePump, ExchangeWaitingForASilentReaderSleeps) {
  QTcpServer server;
  ASSERT_TRUE(listenLow(server));
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TcpLink link;
  link.connectTcp(QStringLiteral("127.0.0.1"), static_cast<qint16>(server.serverPort()), pump, clock);
  ASSERT_TRUE(link.isConnected());
  ExchangeEnv env{link, pump, clock, nullptr};
  CommandParams slow = Cmd::SetClock;
  slow.deadlineSeconds = 2;
  ExchangeResult r;
  const Usage u = measure([&] { r = CommandExchange(env, slow, 1); });
  EXPECT_EQ(r.outcome, Outcome::NoReply);
  EXPECT_GE(u.wallMs, 950);
  EXPECT_LE(u.wallMs, 2200);
  EXPECT_LT(u.cpuMs, 0.3 * u.wallMs) << u.cpuMs << " ms CPU in " << u.wallMs << " ms";
}

// Data on a socket or a serial port, a timer and posted input each end a
// long wait early.
TEST(QtMessagePump, WakesOnDataTimersAndInput) {
  QTcpServer server;
  ASSERT_TRUE(listenLow(server));
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TcpLink tcp;
  tcp.connectTcp(QStringLiteral("127.0.0.1"), static_cast<qint16>(server.serverPort()), pump, clock);
  ASSERT_TRUE(tcp.isConnected());
  for (int i = 0; i < 10 && !server.hasPendingConnections(); ++i) pump.waitForActivity(10);
  QTcpSocket* peer = server.nextPendingConnection();
  ASSERT_NE(peer, nullptr);
  const int peerFd = static_cast<int>(peer->socketDescriptor());

  test::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  SerialLink serial;
  serial.setPortResolver([&](int) { return pty.slavePath(); });
  ASSERT_EQ(serial.open(), 1);

  bool seenInput = false;
  struct Target : QObject {
    bool* seen;
    explicit Target(bool* s) : seen(s) {}
    bool event(QEvent* e) override {
      if (e->type() == QEvent::User) *seen = true;
      return QObject::event(e);
    }
  } target(&seenInput);
  struct {
    const char* name;
    std::function<void()> fromOtherThread;  // runs 150 ms into the wait
    std::function<bool()> arrived;
  } cases[] = {
      {"socket data", [&] { ::send(peerFd, "$DR001**\r", 9, 0); }, [&] { return tcp.available() == 9; }},
      {"serial data", [&] { pty.write("$DR001**\r"); }, [&] { return serial.available() == 9; }},
      {"posted input", [&] { QCoreApplication::postEvent(&target, new QEvent(QEvent::User)); },
       [&] { return seenInput; }},
  };
  for (auto& c : cases) {
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      c.fromOtherThread();
    });
    QElapsedTimer t;
    t.start();
    // Each wait would sleep 5 s; only the event can end them sooner.
    int passes = 0;
    while (!c.arrived() && t.elapsed() < 5000) {
      pump.waitForActivity(5000);
      ++passes;
    }
    const qint64 woke = t.elapsed();
    other.join();
    EXPECT_TRUE(c.arrived()) << c.name;
    EXPECT_GE(woke, 100) << c.name;
    EXPECT_LT(woke, 1500) << c.name;
    EXPECT_LT(passes, 10) << c.name;
    tcp.readAll();
    serial.readAll();
  }

  bool fired = false;
  QTimer::singleShot(150, [&] { fired = true; });
  QElapsedTimer t;
  t.start();
  while (!fired && t.elapsed() < 3000) pump.waitForActivity(5000);
  EXPECT_TRUE(fired);
  EXPECT_LT(t.elapsed(), 1500);
}

}  // namespace
}  // namespace tessaro
