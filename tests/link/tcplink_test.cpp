#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include "common/fakes.h"
#include "common/loopback.h"
#include "link/devicelinks.h"
#include "link/eventpump.h"
#include "link/textformat.h"

namespace tessaro {
namespace {

constexpr qint64 kSecond = 1'700'000'000'000LL;

// The attempt waits while the whole-second clock is at or before start + 1 s:
// between one and two seconds, depending on where in the second it began.
TEST(ConnectTcp, WaitsWhileTheClockIsAtOrBeforeTheDeadline) {
  const struct {
    const char* name;
    qint64 startOffsetMs;  // where in the clock second ConnectTcp starts
    qint64 acceptAfterMs;  // when the reader takes the connection; -1: refused
    bool connected;
    qint64 waitedMs;  // fake time spent (only checked when not connected)
  } cases[] = {
      {"accepted at 1.5 s, started early in the second", 200, 1500, true, 0},
      {"accepted at 1.5 s, started late in the second", 800, 1500, false, 1200},
      {"accepted at 0.9 s, started late", 999, 900, true, 0},
      {"refused, started at .000", 0, -1, false, 2000},
      {"refused, started at .999", 999, -1, false, 1001},
  };
  QTcpServer server, closed;
  ASSERT_TRUE(test::ListenLow(server) && test::ListenLow(closed));
  const quint16 refused = closed.serverPort();
  closed.close();
  for (const auto& c : cases) {
    test::FakeClock clock(kSecond + c.startOffsetMs);
    // The real socket makes progress only from the moment the reader accepts;
    // on the loopback the kernel completes the handshake at once.
    const qint64 acceptAt = c.acceptAfterMs < 0 ? 0 : kSecond + c.startOffsetMs + c.acceptAfterMs;
    test::FakePump pump(clock);
    pump.onPass = [&] {
      for (int i = 0; i < 3 && clock.ms >= acceptAt; ++i) QCoreApplication::processEvents();
    };
    TcpLink link;
    const quint16 port = c.acceptAfterMs < 0 ? refused : server.serverPort();
    link.connectTcp(QStringLiteral("127.0.0.1"), static_cast<qint16>(port), pump, clock);
    EXPECT_EQ(link.isConnected(), c.connected) << c.name;
    if (!c.connected) { EXPECT_EQ(clock.ms - (kSecond + c.startOffsetMs), c.waitedMs) << c.name; }
    while (server.hasPendingConnections()) delete server.nextPendingConnection();
  }
}

// A loopback reader that logs its connections and answers requests as told.
class TcpLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::ListenLow(server));
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        const int n = static_cast<int>(++connections);
        events << QStringLiteral("open %1").arg(n);
        auto closed = [this, n] { events << QStringLiteral("close %1").arg(n); };
        QObject::connect(s, &QTcpSocket::disconnected, &server, closed);
        QObject::connect(s, &QTcpSocket::readyRead, &server, [this, s] {
          requests += s->readAll();
          if (requests.endsWith('\r') && onRequest) onRequest(s, requests.mid(requests.lastIndexOf('%')));
        });
      }
    });
  }
  static ConnectionSettings settings(const QString& portText, const char* host = " 127.0.0.1 ") {
    return {.tcp = true, .host = QString::fromLatin1(host), .tcpPort = PortNumberFromText(portText)};
  }
  QString port() const { return QString::number(server.serverPort()); }
  int connections = 0;
  QStringList events;
  QByteArray requests;
  std::function<void(QTcpSocket*, const QByteArray&)> onRequest;
  QTcpServer server;  // after what its peers' signals write to, so it goes first
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TickCounter ticks;
  DeviceLinks links{pump, clock, ticks};
};

// The port text as the window reads it; only a connected socket is success.
TEST_F(TcpLinkTest, PortTextsAndTheConnectionWithinTheSecond) {
  const std::pair<QString, bool> cases[] = {
      {port() + QStringLiteral("x"), true}, {port(), true}, {QString(), false}, {QStringLiteral("x"), false},
      {QStringLiteral("0"), false}, {QStringLiteral("-5"), false}, {QStringLiteral("65535"), false},
      {QStringLiteral("99999"), false}};
  for (const auto& [text, ok] : cases) {
    QElapsedTimer t;
    t.start();
    QString why;
    Link* link = links.open(settings(text), &why);
    EXPECT_EQ(link, ok ? &links.tcp() : nullptr) << text.toStdString();
    EXPECT_EQ(links.tcp().isConnected(), ok) << text.toStdString();
    EXPECT_EQ(why, ok ? QString() : QStringLiteral("TCPIP Portu Açılamadı")) << text.toStdString();
    if (ok) { EXPECT_LT(t.elapsed(), 1000) << text.toStdString(); }
  }
  EXPECT_EQ(links.open(settings(port(), "   "), nullptr), nullptr);
  EXPECT_EQ(connections, 2);
}

TEST_F(TcpLinkTest, EveryOperationMakesANewConnectionAfterClosingTheLastOne) {
  ASSERT_NE(links.open(settings(port()), nullptr), nullptr);
  ASSERT_NE(links.open(settings(port()), nullptr), nullptr);
  for (int i = 0; i < 20 && events.size() < 3; ++i) pump.waitForActivity(10);
  EXPECT_EQ(events, QStringList({"open 1", "close 1", "open 2"}));
  links.tcp().discard();
  for (int i = 0; i < 20 && events.size() < 4; ++i) pump.waitForActivity(10);
  EXPECT_EQ(events.value(3), QStringLiteral("close 2"));
  EXPECT_FALSE(links.tcp().isConnected());
  // Without a connection the exchange sends nothing and ends with no reply.
  CommandParams dr = Cmd::SetClock;
  dr.tcpDrain = 1;
  ExchangeEnv env = links.env(links.tcp());
  EXPECT_EQ(CommandExchange(env, dr, 1).status(dr.convention), -1);
  EXPECT_TRUE(requests.isEmpty());
}

// A late reply to the previous request lies in the socket when the next
// exchange starts; it must not be taken as the answer.
TEST_F(TcpLinkTest, StaleReplyIsDiscardedByTheDrain) {
  ASSERT_NE(links.open(settings(port()), nullptr), nullptr);
  onRequest = [](QTcpSocket* s, const QByteArray& r) {
    if (r == "%EM001**\r") s->write("$EM001**\r");
    if (r != "%DR001**\r") return;
    s->write("$DR001**\r");
    // A second, late answer comes after the exchange has finished.
    QTimer::singleShot(30, s, [s] { s->write("$UR001061224103000**\r"); });
  };
  CommandParams dr = Cmd::SetClock, em = Cmd::EraseRecords;
  dr.deadlineSeconds = em.deadlineSeconds = 3;  // the reply must not depend on where in the second we are
  ExchangeEnv env = links.env(links.tcp());
  const ExchangeResult first = CommandExchange(env, dr, 1);
  EXPECT_EQ(first.outcome, Outcome::Ok);
  EXPECT_EQ(first.received, QByteArray("$DR001**\r"));
  for (int i = 0; i < 10; ++i) pump.waitForActivity(10);  // the late answer reaches the socket's buffer
  ASSERT_GT(links.tcp().available(), 0);
  const ExchangeResult second = CommandExchange(env, em, 1);
  EXPECT_EQ(second.outcome, Outcome::Ok);
  EXPECT_EQ(second.received, QByteArray("$EM001**\r"));
  EXPECT_EQ(requests, QByteArray("%DR001**\r%EM001**\r"));
}

}  // namespace
}  // namespace tessaro
