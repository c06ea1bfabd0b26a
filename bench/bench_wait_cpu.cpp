// CPU time the tool burns while it waits for a slow reader: "%EC" over TCP to a
// local server that answers after 20 s. A waiting loop that sleeps in the event
// loop stays near 0 %; one that spins would use a whole core.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

#include "eventpump.h"
#include "exchange.h"
#include "tcplink.h"

namespace {

constexpr int kReplyAfterMs = 20000;
constexpr double kTargetPercent = 2.0;

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace tessaro;

  // The slow reader: answers the erase after 20 s, as a full card memory does.
  // The port box holds a signed 16-bit number, so the server needs a port below 32768.
  QTcpServer server;
  for (quint16 port = 20000 + QCoreApplication::applicationPid() % 5000; port < 32768 && !server.isListening(); ++port)
    server.listen(QHostAddress::LocalHost, port);
  if (!server.isListening()) {
    std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
    return 1;
  }
  QObject::connect(&server, &QTcpServer::newConnection, [&server] {
    QTcpSocket* peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] {
      if (!peer->readAll().contains("%EC")) return;
      // A coarse timer may fire 5 % early; the slow reader answers no sooner than its time.
      QTimer::singleShot(kReplyAfterMs, Qt::PreciseTimer, peer, [peer] { peer->write("$EC001**\r"); });
    });
  });

  // The window's timers keep running during the wait: the 10 ms tick and the 1 s clock label.
  int ticks = 0;
  QTimer tickTimer;
  QObject::connect(&tickTimer, &QTimer::timeout, [&ticks] { ++ticks; });
  tickTimer.start(10);
  QTimer clockTimer;
  clockTimer.start(1000);

  QtMessagePump pump;
  SteadyClock clock;
  TcpLink link;
  link.connectTcp(QStringLiteral("127.0.0.1"), server.serverPort(), pump, clock);
  if (!link.isConnected()) {
    std::fprintf(stderr, "cannot connect to the local server\n");
    return 1;
  }
  LinePace pace;
  ExchangeEnv env{link, pump, clock, pace};

  QElapsedTimer wall;
  const double cpuBefore = cpuSeconds();
  wall.start();
  const ExchangeResult r = CommandExchange(env, Cmd::EraseCards, {.deviceId = 1});
  const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
  const double cpu = cpuSeconds() - cpuBefore;
  const double percent = 100.0 * cpu / wallSeconds;

  if (r.outcome != Outcome::Ok) {
    std::fprintf(stderr, "the erase was not answered (outcome %d)\n", static_cast<int>(r.outcome));
    return 1;
  }
  std::printf("wait CPU, %%EC answered after %.1f s | %.2f %% of one core (%.3f s CPU) | < %.1f %% | %s\n", wallSeconds,
              percent, cpu, kTargetPercent, percent < kTargetPercent ? "ok" : "MISSED");
  return percent < kTargetPercent ? 0 : 1;
}
