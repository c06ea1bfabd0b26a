// Who may pass, on a site of 4 lines of 8 TS-40 readers each, every line its
// own pseudo-terminal paced at 38400 baud by a simulated reader process of its
// own, every reader holding about 2000 cards: tessaro-cli access apply after
// 20 holders were added (the whole site against one line alone), a second
// apply, one holder removed, and 20 applies killed at random moments (`site N`: N), each
// followed by a run to the end; then the plan of 100,000 holders and 200 doors
// computed from a SQLite and a PostgreSQL store.
//   bench_access [site [N]|plan]   (both without an argument)

#include <csignal>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "access.h"
#include "accesscsv.h"
#include "sitefile.h"
#include "support/pgserver.h"

using namespace tessaro;

namespace {

constexpr int kLines = 4, kReaders = 8, kBaud = 38400, kGapMs = 5;
constexpr int kStaff = 1979, kAdded = 20;  // with the leaver, readers 1-2 hold 2000 after the adding
constexpr double kEraseS = 2.0;            // the simulated reader's erase time

QString Program(const char* path) { return QCoreApplication::applicationDirPath() + QLatin1String(path); }
double LineSeconds(double chars) { return chars * 11 / kBaud; }
// A card list read: a 17-character line a card and the end line, then the gap; a card write: request,
// reply and the gap.
double ReadList(int cards) { return LineSeconds(17.0 * cards + 9) + kGapMs / 1000.0; }
const double kWriteCard = LineSeconds(17 + 10) + kGapMs / 1000.0;

// One line: a simulated reader process on its own pseudo-terminal.
struct Line {
  QProcess sim;
  QString pty;
  bool start(const QString& dir, int n, const QString& cardsFile) {
    pty = QStringLiteral("%1/tty%2").arg(dir).arg(n);
    QStringList args = {"--model", "TS-40", "--baud", QString::number(kBaud), "--cards-file", cardsFile, "--pty", pty};
    for (int id = 1; id <= kReaders; ++id) args << "--id" << QString::number(id);
    sim.start(Program("/../sim/tessaro-reader-sim"), args);
    QEventLoop loop;
    QObject::connect(&sim, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return sim.readAllStandardOutput().contains("listening");
  }
  ~Line() {
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    sim.waitForFinished(5000);
  }
};

struct Run {
  int exitCode = -1;
  double seconds = 0;
  QJsonArray doors;
};

// tessaro-cli to its end (or killed after `killAfterS`), its doors from --json.
Run Cli(const QStringList& args, double killAfterS = -1) {
  QProcess p;
  QElapsedTimer t;
  t.start();
  p.start(Program("/../src/cli/tessaro-cli"), args);
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(killAfterS >= 0 ? int(killAfterS * 1000) : 3600 * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  Run r;
  r.seconds = t.nsecsElapsed() / 1e9;
  if (p.state() != QProcess::NotRunning) {
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(5000);
    return r;
  }
  r.exitCode = p.exitCode();
  r.doors = QJsonDocument::fromJson(p.readAllStandardOutput())["readers"].toArray();
  return r;
}

bool AllOk(const Run& r) {
  return r.exitCode == 0 && r.doors.size() == kLines * kReaders &&
         std::all_of(r.doors.begin(), r.doors.end(), [](const QJsonValue& d) { return d["status"] == "ok"; });
}

// The line time of one line's work: each reader's list reads (before and after), its writes, its erase.
double LineTime(const std::vector<int>& before, const std::vector<int>& after, const std::vector<int>& writes,
                int erases) {
  double s = 0;
  for (size_t r = 0; r < before.size(); ++r)
    s += ReadList(before[r]) + (writes[r] || r < size_t(erases) ? ReadList(after[r]) : 0) + writes[r] * kWriteCard;
  return s + erases * (kEraseS + LineSeconds(18) + kGapMs / 1000.0);
}

int Site(int kills) {
  QTemporaryDir dir;
  const QString db = dir.filePath("store.sqlite");
  const QStringList store = {"--db", db};
  QFile cards(dir.filePath("cards.txt"));
  if (!cards.open(QIODevice::WriteOnly)) return 1;
  QByteArray csv = "name,cards,groups\n";
  for (int i = 0; i < kStaff; ++i) {
    cards.write(QByteArray::number(100000 + i) + "\r\n");
    csv += QStringLiteral("P%1,%2,Personel\n").arg(i).arg(100000 + i).toUtf8();
  }
  cards.close();
  csv += "Leaver,900000,Otopark\n";
  std::vector<std::unique_ptr<Line>> lines;
  QString site = R"({"format": 1, "lines": [)", doors, personel, otopark;
  for (int l = 1; l <= kLines; ++l) {
    lines.push_back(std::make_unique<Line>());
    if (!lines.back()->start(dir.path(), l, cards.fileName()))
      return std::printf("simulated line %d did not start\n", l), 1;
    site += QStringLiteral(R"(%1{"name": "L%2", "link": "serial %3 38400 none"})")
                .arg(l > 1 ? "," : "")
                .arg(l)
                .arg(lines.back()->pty);
    for (int r = 1; r <= kReaders; ++r) {
      doors += QStringLiteral(R"(%1{"line": "L%2", "address": %3, "name": "D%2-%3", "model": "TS-40"})")
                   .arg(doors.isEmpty() ? "" : ",")
                   .arg(l)
                   .arg(r);
      personel += QStringLiteral(R"(%1"D%2-%3")").arg(personel.isEmpty() ? "" : ",").arg(l).arg(r);
      if (r <= 2) otopark += QStringLiteral(R"(%1"D%2-%3")").arg(otopark.isEmpty() ? "" : ",").arg(l).arg(r);
    }
  }
  site +=
      QStringLiteral(
          R"(], "doors": [%1], "groups": [{"name": "Personel", "doors": [%2]}, {"name": "Otopark", "doors": [%3]}]})")
          .arg(doors, personel, otopark);
  auto file = [&](const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
  };
  const QStringList apply = QStringList{"access", "apply", "--yes", "--json"} + store;
  if (Cli(QStringList{"site", "load", file("site.json", site.toUtf8())} + store).exitCode != 0 ||
      Cli(QStringList{"access", "import", file("h.csv", csv)} + store).exitCode != 0)
    return std::printf("set-up failed\n"), 1;
  // Readers 1-2 of every line take the leaver's card: then every reader holds its list.
  if (!AllOk(Cli(apply))) return std::printf("set-up apply failed\n"), 1;
  QByteArray added = "name,cards,groups\n";
  for (int i = 0; i < kAdded; ++i) added += QStringLiteral("N%1,%2,Personel\n").arg(i).arg(200000 + i).toUtf8();
  Cli(QStringList{"access", "import", file("added.csv", added)} + store);
  std::vector<int> before(kReaders, kStaff), after(kReaders, kStaff + kAdded), writes(kReaders, kAdded),
      none(kReaders, 0);
  before[0] = before[1] = kStaff + 1;
  after[0] = after[1] = kStaff + kAdded + 1;
  const double lineWork = LineTime(before, after, writes, 0);
  const Run alone = Cli(apply + QStringList{"--line", "L4"});
  const Run whole = Cli(apply);
  bool written = alone.exitCode == 0 && AllOk(whole);
  for (const QJsonValue& d : whole.doors)
    written = written && d["cards_sent"].toInt() == (d["line"] == "L4" ? 0 : kAdded) && !d["cards_erased"].toBool();
  std::printf(
      "access apply, %d lines x %d TS-40 x 2000 cards, pty at %d baud, 20 holders added | %.1f s = %.3f x the slowest "
      "line's list reads + 20 card writes a reader with the gaps (%.1f s), %.3f x that line alone (%.1f s) | <= 1.05, "
      "<= 1.1 | %s\n",
      kLines, kReaders, kBaud, whole.seconds, whole.seconds / lineWork, lineWork, whole.seconds / alone.seconds,
      alone.seconds,
      written && whole.seconds <= 1.05 * lineWork && whole.seconds <= 1.1 * alone.seconds ? "ok" : "MISSED");
  const Run second = Cli(apply);
  bool nothing = AllOk(second);
  for (const QJsonValue& d : second.doors)
    nothing = nothing && d["cards"] == "same" && !d.toObject().contains("cards_sent");
  std::printf(
      "a second access apply | %.1f s = %.3f x the list reads (%.1f s), nothing written | nothing written | %s\n",
      second.seconds, second.seconds / LineTime(after, after, none, 0), LineTime(after, after, none, 0),
      nothing ? "ok" : "MISSED");
  // The leaver could pass readers 1-2 of each line: those are erased and get their list again, no other.
  Cli(QStringList{"holder", "disable", "Leaver"} + store);
  std::vector<int> resend = none;
  resend[0] = resend[1] = kStaff + kAdded;
  const double removalWork = LineTime(after, std::vector<int>(kReaders, kStaff + kAdded), resend, 2);
  const Run removal = Cli(apply);
  bool onlyThose = AllOk(removal);
  for (const QJsonValue& d : removal.doors) {
    const bool passed = d["address"].toInt() <= 2;
    onlyThose =
        onlyThose && d["cards_erased"].toBool() == passed && d["cards_sent"].toInt() == (passed ? kStaff + kAdded : 0);
  }
  std::printf(
      "one holder removed: erase and resend of the 2 readers a line they passed, nothing else | %.1f s = %.3f x "
      "(list reads, 2 erases and %d card writes a line: %.1f s) | only those readers written | %s\n",
      removal.seconds, removal.seconds / removalWork, 2 * (kStaff + kAdded), removalWork, onlyThose ? "ok" : "MISSED");
  // Killed at random moments while the leaver comes and goes; each run to the end afterwards.
  QRandomGenerator random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
  int converged = 0;
  QStringList moments;
  bool enabled = false;
  for (int k = 0; k < kills; ++k) {
    enabled = !enabled;
    Cli(QStringList{"holder", enabled ? "edit" : "disable", "Leaver"} +
        (enabled ? QStringList{"--enable"} : QStringList{}) + store);
    const double at = 0.5 + random.generateDouble() * (enabled ? 90 : 140);
    moments << QString::number(at, 'f', 1);
    Cli(apply, at);
    converged += AllOk(Cli(apply)) ? 1 : 0;
  }
  // Every reader read back by another command: exactly its list.
  bool exact = true;
  for (int l = 1; l <= kLines; ++l) {
    const QString out = dir.filePath(QStringLiteral("L%1.txt").arg(l));
    Cli({"cards", "pull", "--serial", lines[l - 1]->pty, "--parity", "none", "--model", "TS-40", "--id", "1-8", "--out",
         out});
    for (int r = 1; r <= kReaders; ++r) {
      QFile f(dir.filePath(QStringLiteral("L%1-%2.txt").arg(l).arg(r)));
      f.open(QIODevice::ReadOnly);
      QList<QByteArray> held = f.readAll().split('\n');
      held.removeAll(QByteArray());
      for (QByteArray& c : held) c = c.trimmed();
      std::sort(held.begin(), held.end(),
                [](const QByteArray& a, const QByteArray& b) { return a.toLongLong() < b.toLongLong(); });
      QList<QByteArray> wanted;
      for (int i = 0; i < kStaff; ++i) wanted << QByteArray::number(100000 + i);
      for (int i = 0; i < kAdded; ++i) wanted << QByteArray::number(200000 + i);
      if (enabled && r <= 2) wanted << "900000";
      exact = exact && held == wanted;
    }
  }
  std::printf(
      "%d access applies killed (at %s s), each run to the end | %d of %d ended with every door ok; every reader read "
      "back: %s | every reader exactly its list | %s\n",
      kills, qPrintable(moments.join(u',')), converged, kills, exact ? "exactly its list" : "NOT its list",
      converged == kills && exact ? "ok" : "MISSED");
  return written && nothing && onlyThose && converged == kills && exact ? 0 : 1;
}

// 100,000 holders in 50 groups, each reaching 4 of 200 doors on 10 lines: 2000 cards a door.
bool Plan(const QString& engine, const QString& address) {
  QTemporaryDir dir;
  StoreOpen opened = RecordStore::open(*ParseStoreAddress(address));
  if (!opened.store) return std::printf("%s: %s\n", qPrintable(engine), qPrintable(opened.detail)), false;
  RecordStore& store = *opened.store;
  SiteFile site;
  for (int l = 0; l < 10; ++l)
    site.lines.push_back({QStringLiteral("L%1").arg(l), QStringLiteral("tcp 10.0.%1.1").arg(l)});
  for (int d = 0; d < 200; ++d)
    site.doors.push_back(
        {0, QStringLiteral("L%1").arg(d / 20), d % 20 + 1, QStringLiteral("D%1").arg(d), DeviceModel::TS40B});
  for (int g = 0; g < 50; ++g) {
    site.groups.push_back({QStringLiteral("G%1").arg(g), {}});
    for (int d = 4 * g; d < 4 * g + 4; ++d) site.groups.back().doors << QStringLiteral("D%1").arg(d);
  }
  const Actor actor{"bench", "bench"};
  if (!LoadSite(store, site, actor).stored) return std::printf("%s: site not loaded\n", qPrintable(engine)), false;
  QFile csv(dir.filePath("h.csv"));
  csv.open(QIODevice::WriteOnly);
  csv.write("name;cards;groups\n");
  for (int h = 0; h < 100000; ++h)
    csv.write(QStringLiteral("Holder %1;%2;G%3\n").arg(h).arg(10000000 + h).arg(h % 50).toUtf8());
  csv.close();
  QElapsedTimer t;
  t.start();
  const AccessImport imported = ImportAccess(store, csv.fileName(), actor);
  const double importS = t.nsecsElapsed() / 1e9;
  std::vector<double> times;
  size_t cardsPlanned = 0;
  for (int i = 0; i < 3; ++i) {
    t.start();
    const std::vector<LineWork> work = SiteWork(LoadAccess(store).value(), QDate::currentDate());
    times.push_back(t.nsecsElapsed() / 1e9);
    cardsPlanned = 0;
    for (const LineWork& w : work)
      for (const auto& [door, list] : w.doors) cardsPlanned += list.cards.size();
  }
  std::sort(times.begin(), times.end());
  const bool ok = imported.added == 100000 && cardsPlanned == 400000 && times[1] <= 2.0;
  std::printf(
      "plan of 100,000 holders x 200 doors from the store (%s; median of 3) | %.2f s (%zu cards planned; the "
      "import of the 100,000 holders took %.1f s) | <= 2 s | %s\n",
      qPrintable(engine), times[1], cardsPlanned, importS, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as it is measured
  const QString part = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
  int failed = 0;
  if (part.isEmpty() || part == "plan") {
    QTemporaryDir dir;
    failed += !Plan(QStringLiteral("SQLite"), dir.filePath("plan.sqlite"));
    test::PgServer& pg = test::PgServer::instance();
    const QString url = pg.running() ? pg.newDatabase() : QString();
    if (url.isEmpty()) std::printf("PostgreSQL: %s\n", qPrintable(pg.why())), ++failed;
    else failed += !Plan(QStringLiteral("PostgreSQL"), url);
  }
  if (part.isEmpty() || part == "site") failed += Site(argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 20);
  return failed ? 1 : 0;
}
