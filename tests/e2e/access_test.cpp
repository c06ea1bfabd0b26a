// Who may pass, end to end: a site of simulated readers on two lines loaded
// from its file, holders imported, planned, applied (a second apply writes
// nothing), a holder removed, an apply killed and run again, and two programs
// applying to one line of one PostgreSQL store.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

#include "eventpump.h"
#include "readersim.h"
#include "recordstore.h"
#include "run.h"
#include "support/fakes.h"
#include "support/pgserver.h"

namespace tessaro {
namespace {

using sim::SimModel;

struct Site {
  // Line A over TCP, line B over a pseudo-terminal; `db` is a SQLite file unless given.
  explicit Site(const QString& store = {}) {
    qunsetenv("TESSARO_DB");
    if (!a.listenTcp() || !b.openPty()) std::abort();
    for (sim::ReaderSim* s : {&a, &b}) s->setEraseCardsDelayMs(0);
    db = store.isEmpty() ? dir.filePath("store.sqlite") : store;
  }
  void load(const QString& doors, const QString& groups) {
    const QString json = QStringLiteral(R"({"format": 1, "lines": [{"name": "A", "link": "tcp 127.0.0.1:%1"},
        {"name": "B", "link": "serial %2 38400 none"}], "doors": [%3], "groups": [%4]})")
                             .arg(a.tcpPort()).arg(b.ptyPath(), doors, groups);
    if (run({"site", "load", test::WriteFile(dir.filePath("site.json"), json.toUtf8())}) != 0) std::abort();
  }
  int run(const QStringList& args, std::function<bool(const QString&)> confirm = {}) {
    out.clear(), err.clear();
    QTextStream o(&out), e(&err);
    cli::Console console{o, e, false, pump, clock};
    console.confirm = std::move(confirm);
    console.now = [] { return QDateTime(QDate(2026, 6, 15), QTime(23, 59)); };
    return cli::RunCli(args + QStringList{"--db", db}, console);
  }
  QString import(const QByteArray& csv) {
    run({"access", "import", test::WriteFile(dir.filePath("h.csv"), csv)});
    return out + err;
  }
  // The writes each line's readers got since the last look.
  QString writes() {
    QStringList seen;
    for (sim::ReaderSim* s : {&a, &b}) {
      for (const QByteArray& r : s->requests())
        if (r.startsWith("%NC") || r.startsWith("%EC")) seen << QString::fromLatin1(r.left(6));
      s->clearRequests();
      seen << "|";
    }
    return seen.join(' ');
  }
  QTemporaryDir dir;
  sim::ReaderSim a, b;
  QString db, out, err;
  QtMessagePump pump;
  SteadyClock clock;
};

std::vector<quint32> Sorted(std::vector<quint32> cards) {
  std::sort(cards.begin(), cards.end());
  return cards;
}

TEST(Access, ImportPlanApplyAndARemoval) {
  Site site;
  sim::SimReader& ana = site.a.addReader(1, SimModel::TS40);
  ana.cards = {5};  // put there by hand: no one's
  sim::SimReader& kantin = site.a.addReader(2, SimModel::TS30P);
  kantin.cards = {6};
  sim::SimReader& otopark = site.b.addReader(1, SimModel::TS40B);
  sim::SimReader& depo = site.b.addReader(2, SimModel::TS20B);
  site.load(R"({"line": "A", "address": 1, "name": "Ana Giriş", "model": "TS-40"},
      {"line": "A", "address": 2, "name": "Kantin", "model": "TS-30P"}, {"line": "B", "address": 1, "name": "Otopark", "model": "TS-40B"},
      {"line": "B", "address": 2, "name": "Depo", "model": "TS-20B"})",
            R"({"name": "Personel", "doors": ["Ana Giriş", "Kantin", "B:1"]}, {"name": "Otopark", "doors": ["Otopark"]})");
  EXPECT_EQ(site.import("\xEF\xBB\xBFname;cards;groups;doors;valid_until\r\nAyşe;11 12;Personel;;\r\nVeli;13;Otopark;Depo;15.06.2026\r\n"
                        "Can;14;Personel;;14.06.2026\r\n"),
            "imported: 3 added, 0 changed, 0 unchanged\n");
  EXPECT_EQ(site.run({"access", "plan", "--csv"}), 2);
  EXPECT_EQ(site.out, "address,status,error,line,door,model,cards,add,remove\n1,differs,,A,Ana Giriş,TS-40,erase all and send 2 (1 to remove),2,1\n"
                      "2,ok,,A,Kantin,TS-30P,\"not readable, left as they are\",0,0\n1,differs,,B,Otopark,TS-40B,add 3,3,0\n"
                      "2,differs,,B,Depo,TS-20B,add 1,1,0\n");
  EXPECT_EQ(site.writes(), "| |");
  // Nothing is written unless the plan is confirmed.
  QString asked;
  EXPECT_EQ(site.run({"access", "apply", "--csv"}, [&](const QString& q) { return asked = q, false; }), 2);
  EXPECT_EQ(asked, "Write this plan to 3 door(s)?");
  EXPECT_TRUE(site.err.contains("tessaro-cli: door Ana Giriş (A:1): not written: the plan was declined\n")) << site.err.toStdString();
  EXPECT_EQ(site.writes(), "| |");
  EXPECT_EQ(site.run({"access", "apply", "--yes"}), 0) << site.err.toStdString();
  EXPECT_EQ(site.writes(), "%EC001 %NC001 %NC001 | %NC001 %NC001 %NC001 %NC002 |");
  EXPECT_EQ(std::make_tuple(Sorted(ana.cards), kantin.cards, Sorted(otopark.cards), depo.cards),
            std::make_tuple(std::vector<quint32>{11, 12}, std::vector<quint32>{6}, std::vector<quint32>{11, 12, 13}, std::vector<quint32>{13}));
  EXPECT_EQ(site.run({"access", "apply", "--yes"}), 0);
  EXPECT_EQ(site.writes(), "| |");
  // Ayşe leaves: the doors she could pass are erased and get their lists again, the others nothing;
  // the reader that gives no list back gets its list only when asked.
  ASSERT_EQ(site.run({"holder", "disable", "Ayşe"}), 0);
  EXPECT_EQ(site.run({"access", "apply", "--yes", "--send-unreadable-cards", "--line", "A"}), 0);
  EXPECT_EQ(site.writes(), "%EC001 %EC002 | |");
  EXPECT_EQ(site.run({"access", "apply", "--yes"}), 0);
  EXPECT_EQ(site.writes(), "| %EC001 %NC001 |");
  EXPECT_EQ(std::make_tuple(ana.cards, kantin.cards, otopark.cards), std::make_tuple(std::vector<quint32>{}, std::vector<quint32>{}, std::vector<quint32>{13}));
  // A list beyond what the door's model holds is refused for that door alone.
  QByteArray many = "name;cards;doors\r\nToplu;\"";
  for (int c = 1000; c < 1255; ++c) many += QByteArray::number(c) + ' ';
  EXPECT_EQ(site.import(many + "\";Depo\r\n"), "imported: 1 added, 0 changed, 0 unchanged\n");
  EXPECT_EQ(site.run({"access", "apply", "--yes", "--line", "B"}), 2);
  EXPECT_EQ(site.err, "tessaro-cli: door Depo (B:2): 256 cards, more than the TS-20B holds (255); nothing is sent\n");
  EXPECT_EQ(site.writes(), "| |");
}

// A program that waits its turn, run beside a test that serves the simulated line.
struct Program {
  explicit Program(const QStringList& args, const QString& program = QStringLiteral(TESSARO_CLI_PROGRAM),
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    p.setProcessEnvironment(env);
    p.start(program, args);
  }
  // Serves this process's events (the simulated readers) until `done` or the program's end.
  void serve(const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
      if (done && done()) loop.quit();
    });
    look.start(5);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (p.state() != QProcess::NotRunning && !(done && done())) loop.exec();
  }
  QProcess p;
};

int Count(const sim::ReaderSim& s, const char* request) {
  const auto& r = s.requests();
  return static_cast<int>(std::count_if(r.begin(), r.end(), [&](const QByteArray& f) { return f.startsWith(request); }));
}

// Killed while a reader streams its list, then while cards are sent: each next run waits for the line
// to fall quiet, takes the lock over without waiting, and every reader ends with exactly its list.
TEST(Access, KilledAndRunAgain) {
  Site site;
  site.b.setFault("UC", {.kind = sim::FaultKind::Split, .arg = 17, .pauseMs = 10});
  site.b.setFault("NC", {.kind = sim::FaultKind::Delay, .arg = 10});
  QByteArray csv = "name,cards,groups\n";
  std::vector<quint32> wanted;
  for (quint32 c = 7000; c < 7030; ++c) {
    csv += QStringLiteral("H%1,%1,Personel\n").arg(c).toUtf8();
    wanted.push_back(c);
  }
  for (const int id : {1, 2})
    for (sim::SimReader& r = site.b.addReader(id, SimModel::TS40); r.cards.size() < 40;) r.cards.push_back(r.cards.size() + 1);
  site.load(R"({"line": "B", "address": 1, "name": "Ana", "model": "TS-40"}, {"line": "B", "address": 2, "name": "Yan", "model": "TS-40"})",
            R"({"name": "Personel", "doors": ["Ana", "Yan"]})");
  site.import(csv);
  const struct { const char* request; int seen; } kills[] = {{"%UC001", 1}, {"%NC002", 5}};
  for (const auto& k : kills) {
    site.b.clearRequests();
    site.b.reader(2)->cards.push_back(1);  // by hand: a card no one holds
    Program killed({"access", "apply", "--yes", "--db", site.db});
    killed.serve([&] { return Count(site.b, k.request) >= k.seen; });
    ::kill(static_cast<pid_t>(killed.p.processId()), SIGKILL);
    killed.serve();
    EXPECT_EQ(site.run({"access", "apply", "--yes"}), 0) << k.request << site.err.toStdString();
    EXPECT_EQ(site.err, "");
  }
  for (const int id : {1, 2}) EXPECT_EQ(Sorted(site.b.reader(id)->cards), wanted) << id;
  site.writes();
  EXPECT_EQ(site.run({"access", "apply", "--yes"}), 0);
  EXPECT_EQ(site.writes(), "| |");
}

// Two programs on one line of a shared store: the second waits for the first and then finds nothing to do.
TEST(Access, TwoProgramsOnOneLine) {
  test::PgServer& pg = test::PgServer::instance();
  const QString url = pg.newDatabase();
  ASSERT_FALSE(url.isEmpty()) << pg.why().toStdString();
  Site site(url);
  site.a.setFault("NC", {.kind = sim::FaultKind::Delay, .arg = 100});
  site.a.addReader(1, SimModel::TS40);
  site.load(R"({"line": "A", "address": 1, "name": "Ana", "model": "TS-40"})", R"({"name": "Personel", "doors": ["Ana"]})");
  site.import("name,cards,groups\nAyşe,\"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\",Personel\n");
  // The first through the nightly unit's script and its configuration.
  test::WriteFile(site.dir.filePath("demo.access.conf"), ("DB=" + url + "\nLINES=A\nOPTIONS=--gap 5\n").toUtf8());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TESSARO_CONF_DIR", site.dir.path());
  env.insert("TESSARO_CLI", TESSARO_CLI_PROGRAM);
  Program first({"demo"}, TESSARO_ACCESS_SCRIPT, env);
  first.serve([&] { return Count(site.a, "%NC") > 0; });
  Program second({"access", "apply", "--yes", "--db", url});
  second.serve();
  first.serve();
  EXPECT_EQ(std::make_pair(first.p.exitCode(), second.p.exitCode()), std::make_pair(0, 0));
  const QString waited = QString::fromUtf8(second.p.readAllStandardError());
  EXPECT_TRUE(waited.startsWith("tessaro-cli: line A is being worked by ") && waited.count('\n') == 1) << waited.toStdString();
  EXPECT_EQ(Count(site.a, "%NC"), 20);
  EXPECT_EQ(site.a.reader(1)->cards.size(), 20u);
}

TEST(Access, RefusalsWriteNothing) {
  Site site;
  site.load(R"({"line": "A", "address": 1, "name": "Ana", "model": "TS-40"})", R"({"name": "Personel", "doors": ["Ana"]})");
  site.import("name,cards,note\nAyşe,11,Muhasebe\n");
  const struct { QStringList args; const char* said; } rows[] = {
      {{"holder", "edit", "Nobody", "--note", "x"}, "no holder named Nobody"},
      {{"holder", "add", "Veli", "--cards", "12 11"}, "card 11 is held by Ayşe; take it from them first (holder edit \"Ayşe\" --cards …)"},
      {{"holder", "add", "Veli", "--until", "2026-02-30"}, "--until: '2026-02-30' is no date such as 2026-12-31 (empty: no limit)"},
      {{"holder", "add", "Veli", "--groups", "Personel,Yok"}, "no group named Yok (group add \"Yok\" makes it)"},
      {{"door", "add", "C", "1", "--name", "Arka", "--model", "TS-40"}, "no line named C; the lines: A, B (site load FILE adds lines)"},
      {{"door", "add", "A", "256", "--name", "Arka", "--model", "TS-40"}, "'256' is not a reader address from 1 to 255"},
      {{"door", "add", "A", "1", "--name", "Arka", "--model", "TS-40"}, "A:1 is the door Ana already (door name renames it)"},
      {{"door", "add", "A", "2", "--name", "Arka", "--model", "TS-30/40/20B/90"},
       "door add needs the reader's model, one of TS-20, TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90, TS-90B, TS-90C: --model MODEL"},
      {{"group", "doors", "Personel", "Yok"}, "no door named Yok; the doors: Ana (A:1)"},
      {{"access", "apply"}, "access apply asks before it writes; without a terminal give --yes"},
      {{"access", "plan", "--line", "A,C"}, "--line: no line named C; the lines: A, B"},
      {{"access", "import", test::WriteFile(site.dir.filePath("x.csv"), "name;cards\nVeli;11\n")},
       "x.csv line 2 has card 11, held by Ayşe, who is not in the file; nothing was imported"},
      {{"site", "load", test::WriteFile(site.dir.filePath("x.json"), R"({"format": 1, "lines": {}})")}, "x.json: not a site file"},
      {{"group", "members", "Personel", "--json"}, "group members does not take --json\nTry 'tessaro-cli --help'."}};
  for (const auto& r : rows) {
    EXPECT_EQ(site.run(r.args), 1) << r.args.join(' ').toStdString();
    EXPECT_EQ(site.err.remove(site.dir.path() + "/"), "tessaro-cli: " + QString::fromUtf8(r.said) + "\n");
  }
  // What an edit leaves out stays.
  EXPECT_EQ(site.run({"holder", "edit", "Ayşe", "--from", "01.06.2026"}), 0);
  EXPECT_EQ(site.out, "holder Ayşe changed\n");
  EXPECT_EQ(site.run({"holder", "show", "--csv"}), 0);
  EXPECT_EQ(site.out, "name,cards,groups,doors,valid_from,valid_until,enabled,note\nAyşe,11,,,2026-06-01,,yes,Muhasebe\n");
}

}  // namespace
}  // namespace tessaro
