// tessaro-cli as a scheduled job uses it, run as its own process against the
// simulated reader (in this process, or a process of its own where its pacing
// must not share an event loop): the time from start to its first request, its
// CPU while a slow reader erases its cards, 2000 cards sent and received and
// 3500 records downloaded on a line paced at 38400 baud (a pseudo-terminal
// whose reader's characters come as a USB adapter hands them on or one by one
// as a UART does, and a TCP converter), 2000 cards to each of 16 readers on one
// paced pseudo-terminal, a scan of every address with no reader on the line,
// and "records pull --id all" from 16 readers on one paced pseudo-terminal,
// 3501 records each.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "readersim.h"
#include "simprocess.h"

namespace {

constexpr int kReaders = 16, kRecords = 3501, kBaud = 38400, kCards = 2000;

QString Cli() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/tessaro-cli"); }

// Runs the program to its end while this process's event loop serves the simulated reader.
QProcess* Start(const QStringList& args) {
  auto* p = new QProcess;
  p->start(Cli(), args);
  return p;
}
bool Finish(QProcess* p, int timeoutMs) {
  QEventLoop loop;
  QObject::connect(p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  if (p->state() != QProcess::NotRunning) loop.exec();
  return p->state() == QProcess::NotRunning && p->exitStatus() == QProcess::NormalExit;
}

double ChildCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double LineSeconds(double chars) { return chars * 11 / kBaud; }

// Runs the program to its end and returns its wall seconds and its share of one core.
struct Run {
  bool ok = false;
  int exitCode = -1;
  double seconds = 0, cpuPercent = 0;
  QByteArray out;
};
Run Timed(const QStringList& args, int timeoutMs) {
  Run r;
  const double cpu0 = ChildCpuSeconds();
  QElapsedTimer t;
  t.start();
  QProcess* p = Start(args);
  r.ok = Finish(p, timeoutMs);
  r.seconds = t.nsecsElapsed() / 1e9;
  r.cpuPercent = 100 * (ChildCpuSeconds() - cpu0) / r.seconds;
  r.exitCode = p->exitCode();
  r.out = p->readAllStandardOutput();
  delete p;
  return r;
}

// A line paced at 38400 baud: a pseudo-terminal (the reader's characters one by one with `uart`) or a TCP converter.
struct Paced {
  const char* label;
  bool tcp = false;
  bool uart = false;
};
const Paced kPacedLines[] = {
    {"pty at 38400 baud"}, {"pty at 38400 baud, one by one", false, true}, {"TCP converter at 38400 baud", true}};

// Starts the reader with `args` on the line and returns the program's options for it (empty when it did not start).
QStringList PacedLine(SimProcess& sim, QStringList args, const Paced& l) {
  args << "--baud" << QString::number(kBaud);
  if (l.uart)
    args << "--delivery"
         << "uart";
  if (!sim.start(args, l.tcp)) return {};
  return l.tcp ? QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}
               : QStringList{"--serial", sim.ptyPath(), "--parity", "none"};
}

// A run's time against what the line and the pauses take, and its share of one core.
void ReportPaced(const QString& what, const Run& r, double chars, double pauses) {
  const double bound = LineSeconds(chars) + pauses;
  std::printf("%s | %.1f s = %.3f x (line %.1f s + gaps %.2f s) | <= 1.05 | %s\n", qPrintable(what), r.seconds,
              r.seconds / bound, LineSeconds(chars), pauses, r.seconds / bound <= 1.05 ? "ok" : "MISSED");
  std::printf("%s: CPU | %.2f %% of one core | <= 5 %% | %s\n", qPrintable(what), r.cpuPercent,
              r.cpuPercent <= 5 ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace tessaro::sim;
  bool ok = true;
  // "bench_cli cards records" runs those parts only (startup, erase, cards, cards-16, scan, records, records-16);
  // no argument runs every part.
  const QStringList parts = app.arguments().mid(1);
  auto part = [&parts](const char* name) { return parts.isEmpty() || parts.contains(QLatin1String(name)); };

  // Start-up to the first request, median of five runs.
  if (part("startup")) {
    ReaderSim sim;
    sim.addReader(1, SimModel::TS30P);
    if (!sim.listenTcp()) return 1;
    const QStringList args = {"records", "count", "--model", "TS-30P",
                              "--id",    "1",     "--tcp",   QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())};
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
      QElapsedTimer t;
      double first = -1;
      auto c = QObject::connect(&sim, &ReaderSim::requestReceived, [&] {
        if (first < 0) first = t.nsecsElapsed() / 1e6;
      });
      t.start();
      QProcess* p = Start(args);
      ok = Finish(p, 10000) && p->exitCode() == 0 && ok;
      delete p;
      QObject::disconnect(c);
      ms.push_back(first);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start-up to the first request, median of 5 | %.1f ms | <= 50 ms | %s\n", ms[2],
                ms[2] <= 50 ? "ok" : "MISSED");
  }
  // CPU while a reader takes 20 s to erase its cards.
  if (part("erase")) {
    ReaderSim sim;
    sim.addReader(1, SimModel::TS40);
    sim.setEraseCardsDelayMs(20000);
    if (!sim.listenTcp()) return 1;
    const double before = ChildCpuSeconds();
    QElapsedTimer t;
    t.start();
    QProcess* p = Start({"cards", "erase", "--yes", "--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()), "--id", "1"});
    ok = Finish(p, 60000) && p->exitCode() == 0 && ok;
    delete p;
    const double percent = 100 * (ChildCpuSeconds() - before) / (t.nsecsElapsed() / 1e9);
    std::printf("CPU while a reader erases its cards for 20 s | %.2f %% of one core | <= 2 %% | %s\n", percent,
                percent <= 2 ? "ok" : "MISSED");
  }
  // Cards to one reader and back on each paced line, then to 16 readers on one paced pseudo-terminal. Each card
  // sent is a request of 17 characters and a reply of 10, and the reader gets the gap after every reply; the list
  // comes back as a request of 9, a 17-character line a card and the end line of 9, after the gap (over TCP the
  // card list's longer settle, 33 ms).
  if (part("cards") || part("cards-16")) {
    QTemporaryDir dir;
    QFile cards(dir.filePath("cards.txt"));
    if (!cards.open(QIODevice::WriteOnly)) return 1;
    for (int i = 0; i < kCards; ++i) cards.write(QByteArray::number(500000 + i * 3) + "\r\n");
    cards.close();
    // Every reader of the run answered ok with all its cards sent.
    auto allSent = [](const Run& r, int readers) {
      const QJsonArray rows = QJsonDocument::fromJson(r.out).object()["readers"].toArray();
      bool all = rows.size() == readers;
      for (const QJsonValue& row : rows)
        all = all && row.toObject()["status"] == "ok" && row.toObject()["sent"] == kCards;
      return r.ok && r.exitCode == 0 && all;
    };
    const double perCard = LineSeconds(17 + 10) + 0.005;
    for (const Paced& l : kPacedLines) {
      if (!part("cards")) break;
      // The reader as a process of its own, as the window's benchmark has it: its pacing shares no event loop.
      SimProcess sim;
      const QStringList link = PacedLine(sim, {"--model", "TS-40", "--id", "1"}, l);
      if (link.isEmpty()) return 1;
      const Run push = Timed(
          QStringList{"cards", "push", cards.fileName(), "--id", "1", "--model", "TS-40", "--json"} + link, 600000);
      ok = allSent(push, 1) && ok;
      ReportPaced(QStringLiteral("cards push, %1 cards, %2").arg(kCards).arg(QLatin1String(l.label)), push,
                  kCards * (17 + 10), kCards * 0.005);
      const QString back = dir.filePath("back.txt");
      const Run pull =
          Timed(QStringList{"cards", "pull", "--id", "1", "--model", "TS-40", "--out", back} + link, 600000);
      QFile got(back);
      ok = pull.ok && pull.exitCode == 0 && got.open(QIODevice::ReadOnly) && got.readAll().count('\n') == kCards && ok;
      ReportPaced(QStringLiteral("cards pull, %1 cards, %2").arg(kCards).arg(QLatin1String(l.label)), pull,
                  9 + kCards * 17 + 9, l.tcp ? 0.033 : 0.005);
    }
    if (part("cards-16")) {
      SimProcess sixteen;
      QStringList readers = {"--model", "TS-40"};
      for (int id = 1; id <= kReaders; ++id) readers << "--id" << QString::number(id);
      const QStringList sixteenLine = PacedLine(sixteen, readers, kPacedLines[0]);
      if (sixteenLine.isEmpty()) return 1;
      Run all = Timed(
          QStringList{"cards", "push", cards.fileName(), "--id", "1-16", "--model", "TS-40", "--json"} + sixteenLine,
          3600 * 1000);
      ok = allSent(all, kReaders) && ok;
      const double bound = kReaders * kCards * perCard;
      std::printf(
          "cards push --id 1-16, %d cards each, pty at %d baud | %.1f s = %.3f x (line + gaps %.1f s) | <= 1.05 | %s\n",
          kCards, kBaud, all.seconds, all.seconds / bound, bound, all.seconds / bound <= 1.05 ? "ok" : "MISSED");
    }
  }
  // A scan of every address with no reader on the line: each address waits for the settings reply.
  for (const bool tcp : {false, true}) {
    if (!part("scan")) break;
    ReaderSim sim;
    if (tcp ? !sim.listenTcp() : !sim.openPty()) return 1;
    const QStringList line = tcp ? QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}
                                 : QStringList{"--serial", sim.ptyPath(), "--parity", "none"};
    Run scan = Timed(QStringList{"scan", "--from", "1", "--to", "255"} + line, 3600 * 1000);
    ok = scan.ok && ok;
    std::printf("scan 1-255, no reader, %s | %.1f s (%.0f ms an address) | | \n", tcp ? "TCP" : "pty", scan.seconds,
                scan.seconds * 1000 / 255);
  }
  // One reader's 3500 records (the most one download takes with its end line), kept in the reader, on each paced
  // line: the settings read (request 9, reply 29), the counter (9, 13), the pause of 2 s and the download (9, 30
  // characters a record and the end line of 9), with the gap before each request.
  for (const Paced& l : kPacedLines) {
    if (!part("records")) break;
    SimProcess sim;
    const QStringList link = PacedLine(sim, {"--model", "TS-30P", "--id", "1", "--records", "3500"}, l);
    if (link.isEmpty()) return 1;
    QTemporaryDir dir;
    const Run pull =
        Timed(QStringList{"records", "pull", "--id", "1", "--model", "TS-30P", "--log", dir.filePath("AccessFile.txt"),
                          "--db", dir.filePath("records.sqlite"), "--json"} +
                  link,
              600000);
    const QJsonArray rows = QJsonDocument::fromJson(pull.out).object()["readers"].toArray();
    ok = pull.ok && pull.exitCode == 0 && rows.size() == 1 && rows[0].toObject()["records"].toInt() == 3500 && ok;
    ReportPaced(QStringLiteral("records pull, 3500 records, %1").arg(QLatin1String(l.label)), pull,
                9 + 29 + 9 + 13 + 9 + 3500 * 30 + 9, 2.0 + 3 * 0.005);
  }
  // Every record of 16 readers on one paced line.
  if (part("records-16")) {
    ReaderSim sim;
    for (int id = 1; id <= kReaders; ++id)
      ReaderSim::generateRecords(sim.addReader(id, SimModel::TS30P), kRecords, QDateTime::currentDateTime(), id);
    if (!sim.openPty()) return 1;
    sim.setBaud(kBaud);
    QTemporaryDir dir;
    const Run pull =
        Timed({"records", "pull", "--serial", sim.ptyPath(), "--parity", "none", "--id", "all", "--model", "TS-30P",
               "--log", dir.filePath("AccessFile.txt"), "--db", dir.filePath("records.sqlite"), "--erase", "--json"},
              3600 * 1000);
    const bool finished = pull.ok;
    const double seconds = pull.seconds;
    const QJsonArray readers = QJsonDocument::fromJson(pull.out).object()["readers"].toArray();
    int records = 0;
    for (const QJsonValue& r : readers) records += r.toObject()["records"].toInt();
    // 3501 records fill a download, so each ends without its end-of-records frame: every record is
    // logged, the readers keep their memory, and the program says so (exit status 2), as the window does.
    ok = finished && pull.exitCode == 2 && records == kReaders * kRecords && ok;
    std::printf("records pull: CPU | %.2f %% of one core | <= 5 %% | %s\n", pull.cpuPercent,
                pull.cpuPercent <= 5 ? "ok" : "MISSED");
    // What each reader sends: the scan's two settings replies and the settings read (29 characters each), the
    // counter (14) and the records (30 each); what is sent to it: five requests of 9 characters; what the line
    // must wait: the scan's silence at every other address (0.51 s, which holds its request's own time), the
    // pause before every download (2 s) and the gap after each of a reader's five replies.
    const double chars = kReaders * (3 * 29 + 14 + kRecords * 30.0 + 5 * 9);
    const double lineSeconds = chars * 11 / kBaud;
    const double pauses = (255 - kReaders) * 0.51 + kReaders * (2.0 + 5 * 0.005);
    std::printf(
        "records pull --id all, %d readers x %d records, pty at %d baud | %.1f s = %.3f x (line %.1f s + pauses %.1f "
        "s) | <= 1.05 | %s\n",
        kReaders, kRecords, kBaud, seconds, seconds / (lineSeconds + pauses), lineSeconds, pauses,
        seconds / (lineSeconds + pauses) <= 1.05 && ok ? "ok" : "MISSED");
  }
  return ok ? 0 : 1;
}
