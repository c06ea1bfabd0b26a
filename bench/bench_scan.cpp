// A line in seconds: tessaro-cli scans 1-255 with readers at 1, at 2 (which
// answers 300 ms late), two sharing 100 (a collision) and at 255, over a
// pseudo-terminal paced at 38400 baud and over TCP, once at the line's speed
// and once with a full wait at every address, and the two tables must be the
// same; the same with no reader at all; then a line plan of a two-reader file
// over TCP with and without the look for other readers. `bench_scan --fast`
// leaves the full-wait runs out (minutes over TCP) and compares nothing.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "readersim.h"
#include "runcli.h"

namespace {

using namespace tessaro::sim;

constexpr int kBaud = 38400;

std::unique_ptr<ReaderSim> Line(bool readers, bool tcp, QStringList* link) {
  auto sim = std::make_unique<ReaderSim>();
  if (readers) {
    sim->addReader(1, SimModel::TS30P);
    sim->addReader(2, SimModel::TS40).replyDelayMs = 300;
    sim->addReader(100, SimModel::TS40).settings.relayTime = 4;
    sim->addSecondReader(100, SimModel::TS40).settings.relayTime = 9;
    sim->addReader(255, SimModel::TS90C);
  }
  if (tcp ? !sim->listenTcp() : !sim->openPty()) std::abort();
  sim->setBaud(kBaud);
  *link = tcp ? QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort())}
              : QStringList{"--serial", sim->ptyPath(), "--parity", "none"};
  return sim;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool fastOnly = app.arguments().contains(QStringLiteral("--fast"));
  bool allOk = true;
  for (const bool tcp : {false, true}) {
    const char* over = tcp ? "TCP" : "pty";
    const double bound = tcp ? 20 : 15;
    for (const bool readers : {true, false}) {
      QStringList link;
      const auto sim = Line(readers, tcp, &link);
      const CliRun fast = RunCli(link + QStringList{"scan", "--json"});
      const CliRun full = fastOnly ? fast : RunCli(link + QStringList{"scan", "--json", "--full-wait"});
      const bool same = fast.out == full.out && fast.exit == full.exit && (!readers || fast.out.count("\"address\"") == 4);
      const bool ok = same && fast.seconds <= bound;
      allOk = allOk && ok;
      std::printf("scan 1-255 over %s at %d baud, %s | %.1f s = %.3f x the full-wait scan (%.1f s), %s | <= %.0f s, same "
                  "table | %s\n",
                  over, kBaud, readers ? "readers at 1, 2 (300 ms late), 100 (two) and 255" : "no reader", fast.seconds,
                  fast.seconds / full.seconds, full.seconds, same ? "the same table" : "TABLES DIFFER", bound,
                  ok ? "ok" : "MISSED");
    }
  }
  // A two-reader file over TCP, the readers unchanged.
  QTemporaryDir dir;
  auto sim = std::make_unique<ReaderSim>();
  sim->addReader(1, SimModel::TS40);
  sim->addReader(2, SimModel::TS40);
  if (!sim->listenTcp()) return 1;
  sim->setBaud(kBaud);
  const QStringList link = {"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort()), "--model", "TS-40"};
  const QString file = dir.filePath("line.json");
  if (RunCli(link + QStringList{"line", "save", file, "--id", "1-2"}).exit != 0) return std::printf("line save failed\n"), 1;
  const CliRun plan = RunCli(link + QStringList{"line", "plan", file});
  const CliRun noScan = RunCli(link + QStringList{"line", "plan", file, "--no-scan"});
  const CliRun fullPlan = fastOnly ? plan : RunCli(link + QStringList{"line", "plan", file, "--full-wait"});
  const bool planOk = plan.exit == 0 && noScan.exit == 0 && plan.seconds <= 20 && noScan.seconds <= 1;
  allOk = allOk && planOk;
  std::printf("line plan of a two-reader file over TCP, unchanged | %.1f s = %.3f x with a full-wait look (%.1f s); "
              "--no-scan %.2f s | <= 20 s; --no-scan <= 1 s | %s\n",
              plan.seconds, plan.seconds / fullPlan.seconds, fullPlan.seconds, noScan.seconds, planOk ? "ok" : "MISSED");
  return allOk ? 0 : 1;
}
