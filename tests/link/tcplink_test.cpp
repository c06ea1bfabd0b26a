#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <unistd.h>

#include "common/fakes.h"
#include "link/devicelinks.h"
#include "link/eventpump.h"
#include "link/exchange.h"
#include "link/tcplink.h"
#include "link/textformat.h"

namespace tessaro {
namespace {

constexpr qint64 kSecond = 1'700'000'000'000LL;

// The port must fit the signed 16 bits the window hands over, so the
// system's ephemeral ports (above 32767) will not do.
bool listenLow(QTcpServer& server) {
  const quint16 base = static_cast<quint16>(20000 + getpid() % 9000);
  for (quint16 p = base; p < base + 200; ++p) {
    if (server.listen(QHostAddress::LocalHost, p)) return true;
  }
  return false;
}

quint16 refusedPort() {
  QTcpServer s;
  listenLow(s);
  const quint16 p = s.serverPort();
  s.close();
  return p;
}

// A pump on the fake clock that lets the real socket make progress only from
// `releaseAtMs` on: a reader that accepts the connection at that moment.
class DelayedAcceptPump : public MessagePump {
 public:
  DelayedAcceptPump(test::FakeClock& clock, qint64 releaseAtMs) : clock_(clock), releaseAtMs_(releaseAtMs) {}
  void pump() override {
    if (clock_.ms >= releaseAtMs_) QCoreApplication::processEvents();
  }
  void waitForActivity(int maxMs) override {
    clock_.ms += std::min(maxMs, 50);
    // On the loopback the handshake is done by the kernel at once; a few
    // non-blocking passes let the socket see it.
    if (clock_.ms >= releaseAtMs_) {
      for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
  }

 private:
  test::FakeClock& clock_;
  qint64 releaseAtMs_;
};

struct ConnectCase {
  const char* name;
  qint64 startOffsetMs;  // where in the clock second ConnectTcp starts
  qint64 acceptAfterMs;  // when the reader takes the connection; -1: refused
  bool connected;
  qint64 waitedMs;       // fake time spent (only checked when not connected)
};

// The attempt waits while the whole-second clock is at or before start + 1 s:
// between one and two seconds, depending on where in the second it began.
TEST(ConnectTcp, WaitsWhileTheClockIsAtOrBeforeTheDeadline) {
  const ConnectCase cases[] = {
      {"accepted at 1.5 s, started early in the second", 200, 1500, true, 0},
      {"accepted at 1.5 s, started late in the second", 800, 1500, false, 1200},
      {"accepted at 0.9 s, started late", 999, 900, true, 0},
      {"refused, started at .000", 0, -1, false, 2000},
      {"refused, started at .999", 999, -1, false, 1001},
  };
  QTcpServer server;
  ASSERT_TRUE(listenLow(server));
  const quint16 refused = refusedPort();
  for (const ConnectCase& c : cases) {
    test::FakeClock clock(kSecond + c.startOffsetMs);
    DelayedAcceptPump pump(clock, c.acceptAfterMs < 0 ? 0 : kSecond + c.startOffsetMs + c.acceptAfterMs);
    TcpLink link;
    const quint16 port = c.acceptAfterMs < 0 ? refused : server.serverPort();
    link.connectTcp(QStringLiteral("127.0.0.1"), static_cast<qint16>(port), pump, clock);
    EXPECT_EQ(link.isConnected(), c.connected) << c.name;
    if (!c.connected) {
      EXPECT_EQ(clock.ms - (kSecond + c.startOffsetMs), c.waitedMs) << c.name;
    }
    while (server.hasPendingConnections()) delete server.nextPendingConnection();
  }
}

class TcpLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listenLow(server));
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        const int n = static_cast<int>(peers.size()) + 1;
        events << QStringLiteral("open %1").arg(n);
        peers.push_back(s);
        QObject::connect(s, &QTcpSocket::disconnected, [this, n] { events << QStringLiteral("close %1").arg(n); });
        QObject::connect(s, &QTcpSocket::readyRead, [this, s] {
          received += s->readAll();
          if (received.endsWith('\r') && onRequest) onRequest(s, received);
        });
      }
    });
  }
  void TearDown() override {
    // The peers outlive the lists their signals write to.
    for (QTcpSocket* s : peers) QObject::disconnect(s, nullptr, nullptr, nullptr);
    QObject::disconnect(&server, nullptr, nullptr, nullptr);
  }
  ConnectionSettings settings(const QString& portText) {
    ConnectionSettings s;
    s.tcp = true;
    s.host = QStringLiteral(" 127.0.0.1 ");
    s.tcpPort = PortNumberFromText(portText);
    return s;
  }
  QTcpServer server;
  std::vector<QTcpSocket*> peers;
  QStringList events;
  QByteArray received;
  std::function<void(QTcpSocket*, const QByteArray&)> onRequest;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TickCounter ticks;
  DeviceLinks links{pump, clock, ticks};
};

TEST_F(TcpLinkTest, ConnectsWithinTheSecondAndReadsTrailingJunkInThePortText) {
  QElapsedTimer t;
  t.start();
  QString why;
  Link* link = links.open(settings(QString::number(server.serverPort()) + QStringLiteral("x")), &why);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->kind(), LinkKind::Tcp);
  EXPECT_TRUE(links.tcp().isConnected());
  EXPECT_LT(t.elapsed(), 1000);
  EXPECT_TRUE(why.isEmpty());
}

TEST_F(TcpLinkTest, UnusablePortsFail) {
  for (const char* text : {"", "x", "0", "-5", "65535", "99999"}) {
    QString why;
    EXPECT_EQ(links.open(settings(QString::fromLatin1(text)), &why), nullptr) << text;
    EXPECT_EQ(why, QStringLiteral("TCPIP Portu Açılamadı")) << text;
    EXPECT_FALSE(links.tcp().isConnected()) << text;
  }
  ConnectionSettings noHost = settings(QString::number(server.serverPort()));
  noHost.host = QStringLiteral("   ");
  EXPECT_EQ(links.open(noHost, nullptr), nullptr);
  EXPECT_TRUE(events.isEmpty());
}

TEST_F(TcpLinkTest, EveryOperationMakesANewConnectionAfterClosingTheLastOne) {
  const ConnectionSettings s = settings(QString::number(server.serverPort()));
  ASSERT_NE(links.open(s, nullptr), nullptr);
  ASSERT_NE(links.open(s, nullptr), nullptr);
  for (int i = 0; i < 20 && events.size() < 3; ++i) pump.waitForActivity(10);
  EXPECT_EQ(events, QStringList({"open 1", "close 1", "open 2"}));
  links.tcp().discard();
  for (int i = 0; i < 20 && events.size() < 4; ++i) pump.waitForActivity(10);
  EXPECT_EQ(events.value(3), QStringLiteral("close 2"));
  EXPECT_FALSE(links.tcp().isConnected());
}

// A late reply to the previous request lies in the socket when the next
// exchange starts; it must not be taken as the answer.
TEST_F(TcpLinkTest, StaleReplyIsDiscardedByTheDrain) {
  ASSERT_NE(links.open(settings(QString::number(server.serverPort())), nullptr), nullptr);
  QByteArray requests;
  onRequest = [&](QTcpSocket* s, const QByteArray& r) {
    requests += r;
    if (r == "%DR001**\r") {
      s->write("$DR001**\r");
      // A second, late answer comes after the exchange has finished.
      QTimer::singleShot(30, s, [s] { s->write("$UR001061224103000**\r"); });
    }
    if (r == "%EM001**\r") s->write("$EM001**\r");
    received.clear();
  };
  CommandParams dr = Cmd::SetClock, em = Cmd::EraseRecords;
  dr.deadlineSeconds = em.deadlineSeconds = 3;  // the reply must not depend on where in the second we are
  ExchangeEnv env = links.env(links.tcp());
  const ExchangeResult first = CommandExchange(env, dr, 1);
  EXPECT_EQ(first.outcome, Outcome::Ok);
  EXPECT_EQ(first.received, QByteArray("$DR001**\r"));
  // Let the late answer reach the socket's buffer.
  for (int i = 0; i < 10; ++i) pump.waitForActivity(10);
  ASSERT_GT(links.tcp().available(), 0);
  const ExchangeResult second = CommandExchange(env, em, 1);
  EXPECT_EQ(second.outcome, Outcome::Ok);
  EXPECT_EQ(second.received, QByteArray("$EM001**\r"));
  EXPECT_EQ(requests, QByteArray("%DR001**\r%EM001**\r"));
}

TEST_F(TcpLinkTest, NoConnectionMeansNoReply) {
  links.tcp().discard();
  CommandParams dr = Cmd::SetClock;
  dr.tcpDrain = 1;
  ExchangeEnv env = links.env(links.tcp());
  EXPECT_EQ(CommandExchange(env, dr, 1).status(dr.convention), -1);
  EXPECT_TRUE(events.isEmpty());
}

}  // namespace
}  // namespace tessaro
