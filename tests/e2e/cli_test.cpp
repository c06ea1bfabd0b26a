// tessaro-cli against the simulated reader, in-process, over TCP and a
// pseudo-terminal: what it prints, what it returns, what reaches the readers.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <functional>

#include "completion.h"
#include "eventpump.h"
#include "simchannels.h"
#include "help.h"
#include "progress.h"
#include "recordstore.h"
#include "run.h"
#include "support/pgserver.h"
#include "support/windowrig.h"

namespace tessaro {
namespace {

using sim::SimModel;

// The exit statuses scripts act on.
constexpr int kDone = 0, kUsage = 1, kSomeFailed = 2, kNoLink = 3;

struct CliRig {
  explicit CliRig(bool tcp = true) {
    // The window's store, the default one, is the rig's own.
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    qunsetenv("TESSARO_DB");
    qunsetenv("TESSARO_LINE");
    sim.setNow([this] { return now; });
    sim.setEraseCardsDelayMs(0);
    if (tcp ? !sim.listenTcp() : !sim.openPty()) std::abort();
    link = tcp ? QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}
               : QStringList{"--serial", sim.ptyPath(), "--parity", "none"};
  }
  // The rig's link first, so that an option at the end has no value after it.
  int run(const QStringList& args) { return runBare(link + args); }
  int runBare(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    cli::Console console{o, e, progress, realTime ? static_cast<MessagePump&>(realPump) : pump,
                         realTime ? static_cast<MonotonicClock&>(realClock) : clock};
    console.now = [this] { return now; };
    console.interrupted = &interrupted;
    console.portResolver = [](int n) { return QStringLiteral("/nonexistent/ttyS%1").arg(n); };
    console.confirm = confirm;
    return cli::RunCli(args, console);
  }
  bool asked(const char* request) const {
    const auto& r = sim.requests();
    return std::any_of(r.begin(), r.end(), [&](const QByteArray& f) { return f.startsWith(request); });
  }
  QJsonArray readers() const { return QJsonDocument::fromJson(out.toUtf8()).object()["readers"].toArray(); }
  QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QByteArray read(const char* name) const { return test::ReadFile(path(name)); }
  QString write(const char* name, const QByteArray& bytes) const { return test::WriteFile(path(name), bytes); }

  sim::ReaderSim sim;
  QStringList link;
  test::FakeClock clock;
  test::FastPump pump{clock};
  bool realTime = false;  // the program's own pump and clock, for what the reader's own timing decides
  QtMessagePump realPump;
  SteadyClock realClock;
  QDateTime now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9));
  QString out, err;
  QTemporaryDir dir;
  std::atomic<int> interrupted{0};  // Ctrl-C presses
  bool progress = false;  // as on a terminal
  std::function<bool(const QString&)> confirm;  // the user at a terminal: asked, answers
};


QString PlanOf(const QJsonObject& r) {
  QStringList settings;
  for (const QJsonValue& s : r["settings"].toArray()) settings << s.toString();
  return QStringLiteral("%1 %2 [%3] %4 +%5-%6")
      .arg(r["address"].toInt())
      .arg(r["status"].toString(), settings.join(u' '), r["cards"].toString())
      .arg(r["add"].toInt())
      .arg(r["remove"].toInt());
}

// The fast scan finds what a full wait at every address finds: a reader that
// answers late, a collision, the last address; in real time, on a pseudo-terminal.
TEST(Cli, FastScanFindsWhatTheFullWaitFinds) {
  CliRig rig(false);
  rig.realTime = true;
  rig.sim.addReader(1, SimModel::TS30P);
  rig.sim.addReader(2, SimModel::TS40).replyDelayMs = 150;  // late for the short wait, well within the full one
  rig.sim.addReader(4, SimModel::TS40).settings.relayTime = 4;
  rig.sim.addSecondReader(4, SimModel::TS40).settings.relayTime = 9;
  rig.sim.addReader(6, SimModel::TS90C).replyDelayMs = 100;
  EXPECT_EQ(rig.run({"scan", "--from", "1", "--to", "6", "--csv", "--full-wait"}), kSomeFailed);
  const QString full = rig.out;
  EXPECT_EQ(rig.run({"scan", "--from", "1", "--to", "6", "--csv"}), kSomeFailed);
  EXPECT_EQ(rig.out, full);
  EXPECT_EQ(rig.out.count('\n'), 5) << rig.out.toStdString();  // the heading, 1, 2, 4 (a collision) and 6
}

TEST(Cli, ScanListsEveryReaderAndACollision) {
  for (const bool tcp : {true, false}) {
    CliRig rig(tcp);
    rig.sim.addReader(1, SimModel::TS30P).settings.relayTime = 7;
    rig.sim.addReader(2, SimModel::TS40);
    rig.sim.addSecondReader(2, SimModel::TS40).settings.relayTime = 9;
    rig.sim.addReader(4, SimModel::TS90C).settings.masterCard = 305419896;
    rig.sim.addReader(5, SimModel::TS20);
    EXPECT_EQ(rig.run({"scan", "--from", "2", "--to", "5", "--json"}), kSomeFailed);
    QJsonArray r = rig.readers();
    ASSERT_EQ(r.size(), 3);
    EXPECT_TRUE(r[0].toObject()["address"] == 2 && r[0].toObject()["status"] == "collision") << rig.out.toStdString();
    EXPECT_TRUE(r[1].toObject()["models"] == QJsonArray{"TS-90C"} && r[1].toObject()["master_card"] == "305419896");
    EXPECT_EQ(r[2].toObject()["address"], 5);
    EXPECT_TRUE(rig.asked("%US005") && !rig.asked("%US006") && !rig.asked("%US001"));
    rig.progress = true;
    EXPECT_EQ(rig.run({"scan", "--from", "1", "--to", "1", "--json"}), kDone);
    EXPECT_EQ(rig.err, "\r\x1b[Kscanning address 1, 1 of 1, 0 found\r\x1b[K");
    r = rig.readers();
    ASSERT_EQ(r.size(), 1);
    EXPECT_TRUE(r[0].toObject()["relay_time"] == 7 && r[0].toObject()["models"].toArray().contains("TS-30P"));
  }
}

// A silent reader fails alone; the others are downloaded, logged with their own record type and erased.
TEST(Cli, RecordsFromSeveralReadersWithASilentOne) {
  CliRig rig;
  sim::SimReader& exit = rig.sim.addReader(1, SimModel::TS30P);
  exit.settings.recordType = 2;
  sim::ReaderSim::generateRecords(exit, 3, rig.now);
  sim::ReaderSim::generateRecords(rig.sim.addReader(4, SimModel::TS30P), 2, rig.now);
  rig.progress = true;
  EXPECT_EQ(rig.run({"records", "pull", "--id", "1,3-4", "--model", "TS-30P", "--erase", "--log", rig.path("log.txt"), "--json"}),
            kSomeFailed);
  EXPECT_TRUE(rig.err.contains("\r\x1b[Kreader 3 of 3 (address 4): records 2 of 2")) << rig.err.toStdString();
  const QJsonArray r = rig.readers();
  ASSERT_EQ(r.size(), 3);
  EXPECT_EQ(r[0].toObject(), (QJsonObject{{"address", 1}, {"status", "ok"}, {"records", 3}, {"record_type", "exit"}, {"erased", true}}));
  EXPECT_EQ(r[1].toObject()["status"], "time-out");
  EXPECT_EQ(r[2].toObject()["records"], 2);
  EXPECT_TRUE(rig.err.contains("reader 3:"));
  const QList<QByteArray> lines = rig.read("log.txt").split('\n');
  EXPECT_EQ(lines.size(), 6);
  EXPECT_TRUE(lines[0].startsWith("001,") && lines[0].mid(15, 2) == "2," && lines[3].startsWith("004,")) << lines[0].constData();
  EXPECT_TRUE(exit.records.empty() && rig.sim.reader(4)->records.empty());
}

// Ctrl-C during a download: the download ends and is logged, the erase and the next reader are left out.
TEST(Cli, StoppedDownloadIsNeverErased) {
  CliRig rig;
  sim::SimReader& first = rig.sim.addReader(1, SimModel::TS30P);
  sim::ReaderSim::generateRecords(first, 2, rig.now);
  sim::ReaderSim::generateRecords(rig.sim.addReader(2, SimModel::TS30P), 2, rig.now);
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& r) { rig.interrupted = r.startsWith("%DD"); });
  EXPECT_EQ(rig.run({"records", "pull", "--id", "1,2", "--model", "TS-30P", "--erase", "--log", rig.path("log.txt"), "--csv"}), kSomeFailed);
  EXPECT_EQ(rig.out, "address,status,error,records,record_type,erased\n1,stopped,reader 1: its records are logged; stopped by the user "
                     "before the erase,2,entry,no\n2,stopped,reader 2: not done: stopped by the user,,,\n");
  EXPECT_EQ(first.records.size(), 2u);
}

TEST(Cli, TraceHoldsEveryByteInOrder) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS30P);
  QByteArray seen;  // each line is in the file as it happens, for a trace followed live
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { seen = rig.read("trace.txt"); });
  EXPECT_EQ(rig.run({"clock", "get", "--id", "1", "--model", "TS-30P", "--trace", rig.path("trace.txt")}), kDone);
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d{3} TX 25 55 52 30 30 31 2A 2A 0D \\|%UR001\\*\\*\\.\\|\n\\d+\\.\\d{3} RX 24 55 52 30 30 "
                                 "31 30 35 31 32 32 36 31 34 30 33 30 39 30 37 2A 2A 0D \\|\\$UR00105122614030907\\*\\*\\.\\|\n$")
                  .match(QString::fromLatin1(rig.read("trace.txt"))).hasMatch()) << rig.read("trace.txt").constData();
  EXPECT_TRUE(rig.out.contains("2026-12-05T14:03:09") && seen.contains(" TX 25 55 52")) << seen.constData();
}

TEST(Cli, SettingsCardsAndClock) {
  CliRig rig;
  sim::SimReader& r = rig.sim.addReader(7, SimModel::TS40);
  const QStringList reader = {"--id", "7", "--model", "TS-40"};
  EXPECT_EQ(rig.run(QStringList{"settings", "set", "relay_time=9", "run_mode=online", "record_type=exit", "master_card=305419896"} + reader),
            kDone);
  EXPECT_EQ(std::make_tuple(r.settings.relayTime, r.settings.runMode, r.settings.recordType, r.settings.masterCard),
            std::make_tuple(9, 1, 2, 305419896u));
  EXPECT_EQ(rig.run(QStringList{"settings", "get", "--csv"} + reader), kDone);
  EXPECT_EQ(rig.out, "address,status,error,model,new_id,relay_time,record_type,run_mode,master_card\n7,ok,,TS-40,7,9,exit,online,305419896\n");
  const QString cards = rig.write("cards.txt", "1\r\n-1\r\n");
  r.cards = {3};
  std::vector<qint64> cardsAt;  // --gap holds between a reply and the next request
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& q) {
    if (q.startsWith("%NC")) cardsAt.push_back(rig.clock.ms);
  });
  EXPECT_EQ(rig.run(QStringList{"cards", "push", cards, "--erase-first", "--yes", "--csv", "--gap", "400"} + reader), kDone);
  EXPECT_EQ(rig.out + rig.err, "address,status,error,sent\n7,ok,,2\n");
  EXPECT_TRUE(cardsAt.size() == 2 && cardsAt[1] - cardsAt[0] >= 400);
  EXPECT_EQ(r.cards, std::vector<quint32>({1, 0xFFFFFFFFu}));
  // Card numbers above 2^31 sort after the others and read as printed on the card, -1 of an old file as 4294967295.
  r.cards = {0x80000000u, 1, 9};
  EXPECT_EQ(rig.run(QStringList{"cards", "diff", cards, "--json"} + reader), kSomeFailed);  // as line plan when they differ
  EXPECT_EQ(rig.readers()[0].toObject()["status"], "differs");
  EXPECT_EQ(rig.readers()[0].toObject()["only_on_reader"], (QJsonArray{"9", "2147483648"}));
  EXPECT_EQ(rig.readers()[0].toObject()["only_in_file"], QJsonArray{"4294967295"});
  // One reader's cards go to the file named; several readers' each to the name with its address.
  rig.sim.addReader(6, SimModel::TS90).cards = {4};
  rig.progress = true;
  EXPECT_EQ(rig.run({"cards", "pull", "--id", "7", "--model", "TS-40", "--out", rig.path("back.txt")}), kDone);
  EXPECT_TRUE(rig.read("back.txt") == "2147483648\r\n1\r\n9\r\n" && !QFile::exists(rig.path("back-7.txt")));
  EXPECT_EQ(rig.run({"cards", "pull", "--id", "6-7", "--model", "TS-40", "--out", rig.path("back.txt")}), kDone);
  EXPECT_TRUE(QFile::exists(rig.path("back-6.txt")) && QFile::exists(rig.path("back-7.txt")));
  EXPECT_TRUE(rig.err.contains("\r\x1b[Kreader 2 of 2 (address 7): cards 3\r\x1b[K")) << rig.err.toStdString();
  EXPECT_EQ(rig.run({"cards", "push", cards, "--id", "7", "--model", "TS-40"}), kDone);  // a line per card
  EXPECT_TRUE(rig.err.contains("\r\x1b[Kreader 1 of 1 (address 7): card 1 of 2\r\x1b[Kreader 1 of 1 (address 7): card 2 of 2, 0:0")) << rig.err.toStdString();
  rig.progress = false;
  QString question;  // on a terminal an erase is asked; declined, it sends nothing
  rig.confirm = [&](const QString& q) { return question = q, false; };
  EXPECT_EQ(rig.run({"cards", "erase", "--id", "6-7", "--model", "TS-40"}), kUsage);
  EXPECT_TRUE(question == "Erase the card memory of 2 reader(s)?" && r.cards.size() == 4 && rig.err.contains("nothing erased"));
  rig.confirm = [](const QString&) { return true; };
  EXPECT_EQ(rig.run(QStringList{"cards", "erase", "--csv"} + reader), kDone);
  EXPECT_EQ(rig.out, "address,status,error,erased\n7,ok,,yes\n");
  EXPECT_TRUE(r.cards.empty());

  sim::SimReader& wiegand = rig.sim.addReader(9, SimModel::TS90C);
  EXPECT_EQ(rig.run({"settings", "set", "wiegand_type=34", "vehicle_detector=yes", "trigger_time=3", "epc_start_word=6",
                     "--id", "9", "--model", "TS-90C", "--json"}), kDone);
  const QJsonObject row = rig.readers()[0].toObject();
  EXPECT_EQ(std::make_tuple(row["wiegand_type"], row["vehicle_detector"], row["trigger_time"], row["epc_start_word"]),
            std::make_tuple(QJsonValue(34), QJsonValue("on"), QJsonValue(3), QJsonValue(6)));  // shown as it is set
  EXPECT_EQ(std::make_tuple(wiegand.settings.wiegandType, wiegand.settings.vehicleDetector, wiegand.settings.triggerTime,
                            wiegand.settings.epcStartWord), std::make_tuple(1, 1, 3, 1));

  sim::SimReader& clock = rig.sim.addReader(8, SimModel::TS30P);
  clock.clockOffsetSeconds = 3;  // the clock is set only when it is off by more than the drift allowed, 2 s unless told
  const QStringList clocked = {"--id", "8", "--model", "TS-30P"};
  EXPECT_EQ(rig.run(QStringList{"clock", "sync", "--max-drift", "3", "--json"} + clocked), kDone);
  EXPECT_EQ(rig.readers()[0].toObject()["set"], false);
  EXPECT_EQ(rig.run(QStringList{"clock", "sync", "--json"} + clocked), kDone);
  const QJsonObject synced = rig.readers()[0].toObject();
  EXPECT_TRUE(synced["drift_s"] == 3 && synced["set"] == true && synced["drift_after_s"] == 0) << rig.out.toStdString();
  const QByteArray zone = qgetenv("TZ");
  qputenv("TZ", "XXX-05");  // the PC five hours ahead of UTC: a time given with its offset is set as the PC's
  EXPECT_EQ(rig.run(QStringList{"clock", "set", "--time", "2026-12-05T13:03:09+03:00"} + clocked), kDone);
  zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
  EXPECT_EQ(rig.out, "ADDRESS  STATUS  SET_TO\n8        ok      2026-12-05T15:03:09\n");
  EXPECT_EQ(clock.clockOffsetSeconds, 3600);
  EXPECT_EQ(rig.run(QStringList{"clock", "set"} + clocked), kDone);
  EXPECT_EQ(clock.clockOffsetSeconds, 0);
  // A set whose check read never comes: the drift after it is not known.
  clock.clockOffsetSeconds = 9;
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& q) {
    if (q.startsWith("%DR")) rig.sim.setFault("UR", sim::Fault{.kind = sim::FaultKind::Silence, .once = true});
  });
  EXPECT_EQ(rig.run(QStringList{"clock", "sync", "--csv"} + clocked), kSomeFailed);
  EXPECT_EQ(rig.out, "address,status,error,reader_time,drift_s,set,drift_after_s\n8,time-out,reader 8: its clock did not take the time,2026-12-05T14:03:18,9,yes,\n");
}

// A line of four models, three of whose replies have one length: without
// their models nothing model-dependent is read or written; with them a
// changed line is restored exactly.
TEST(Cli, MixedLineEachReaderItsOwnModel) {
  for (const bool tcp : {true, false}) {
    CliRig rig(tcp);
    const std::pair<SimModel, quint32> line[] = {{SimModel::TS20B, 1001}, {SimModel::TS40, 111}, {SimModel::TS40B, 222}, {SimModel::TS90C, 333}};
    for (int id = 1; id <= 4; ++id) rig.sim.addReader(id, line[id - 1].first).settings.masterCard = line[id - 1].second;
    rig.sim.reader(2)->settings.relayTime = 3, rig.sim.reader(3)->cards = {5};
    EXPECT_EQ(rig.run({"line", "save", rig.path("guess.json"), "--id", "1-4", "--csv"}), kDone);
    EXPECT_EQ(rig.out, "address,status,error,model,cards\n1,ok,,TS-30/40/20B/90,\n2,ok,,TS-30/40/20B/90,\n3,ok,,TS-30/40/20B/90,\n4,ok,,TS-90C,0\n");
    EXPECT_EQ(rig.read("guess.json").count("master_card"), 1);  // the TS-90C's alone
    rig.sim.clearRequests();
    EXPECT_EQ(rig.run({"line", "apply", rig.path("guess.json"), "--yes", "--id", "1-4"}), kUsage);
    EXPECT_TRUE(rig.err.contains("guess.json, reader 1, field record_type: its model is one of TS-30H, TS-30P, TS-40, TS-40B, "
                                 "TS-20B, TS-90; name one in the file or give --model 1=MODEL")) << rig.err.toStdString();
    EXPECT_TRUE(rig.sim.requests().empty());
    EXPECT_EQ(rig.run({"settings", "get", "--id", "2", "--json"}), kDone);
    EXPECT_TRUE(rig.readers()[0].toObject()["master_card"].isNull() && rig.readers()[0].toObject()["relay_time"] == 3);
    // Save with the models, a technician's changes, plan and apply: every reader as it was.
    const QStringList models = {"--model", "1=TS-20B,2=TS-40,3=TS-40B,4=TS-90C", "--id", "1-4"};
    EXPECT_EQ(rig.run(QStringList{"line", "save", rig.path("site.json")} + models), kDone);
    rig.sim.reader(2)->settings.relayTime = 4, rig.sim.reader(1)->settings.masterCard = 7;
    rig.sim.reader(3)->cards = {5, 6}, rig.sim.reader(4)->settings.triggerTime = 2;
    EXPECT_EQ(rig.run(QStringList{"line", "plan", rig.path("site.json"), "--json"} + models), kSomeFailed);
    QStringList plan;
    for (const QJsonValue& r : rig.readers()) plan << PlanOf(r.toObject());
    EXPECT_EQ(plan, (QStringList{"1 differs [master_card:7->1001] same +0-0", "2 differs [relay_time:4->3] same +0-0",
                                 "3 differs [] erase all and send 1 (1 to remove) +1-1", "4 differs [trigger_time:2->5] same +0-0"}));
    EXPECT_EQ(rig.run(QStringList{"line", "apply", rig.path("site.json"), "--yes"} + models), kDone) << rig.err.toStdString();
    for (int id = 1; id <= 4; ++id) EXPECT_EQ(rig.sim.reader(id)->settings.masterCard, line[id - 1].second) << id;
    EXPECT_EQ(std::make_tuple(rig.sim.reader(2)->settings.relayTime, rig.sim.reader(3)->cards, rig.sim.reader(4)->settings.triggerTime),
              std::make_tuple(3, std::vector<quint32>{5}, 5));
    rig.sim.clearRequests();
    EXPECT_EQ(rig.run(QStringList{"line", "apply", rig.path("site.json"), "--yes"} + models), kDone);
    EXPECT_FALSE(rig.asked("%DS") || rig.asked("%NC") || rig.asked("%EC"));
  }
}

// Where the model is not known, or is not the one given, or does not take a field: refused, nothing written.
TEST(Cli, SettingsOnlyWithTheReadersModel) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS30P).settings.masterCard = 305419896;
  rig.sim.addReader(2, SimModel::TS90C);
  std::vector<quint32>& full = rig.sim.addReader(4, SimModel::TS20B).cards;  // one card short of its 255
  for (quint32 c = 100; c < 354; ++c) full.push_back(c);
  // A card list every model holds (255) needs no model; a longer one does.
  const QString two = rig.write("two.txt", QByteArray("7\n").repeated(255)), many = rig.write("many.txt", QByteArray("7\n").repeated(256));
  const struct { QStringList args; int exit; const char* status; const char* error; } rows[] = {
      {{"settings", "set", "relay_time=3", "--id", "1"}, kUsage, "model unknown",
       "reader 1: its model is one of TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90 (its settings reply tells no more); give it with --model 1=MODEL"},
      {{"settings", "set", "relay_time=3", "--id", "1-2"}, kSomeFailed, "model unknown", "reader 1: its model"},
      {{"settings", "set", "new_id=2", "--id", "1", "--model", "TS-30P"}, kSomeFailed, "invalid value", "reader 1: a reader answers at address 2 already; nothing was written"}, {{"settings", "get", "--id", "1", "--model", "TS-90C"}, kSomeFailed, "other model",
       "reader 1: it answered as one of TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90, not as TS-90C; give its model with --model 1=MODEL"},
      {{"settings", "set", "run_mode=online", "--id", "2", "--model", "TS-40"}, kSomeFailed, "other model", "it answered as TS-90C, not as TS-40"},
      {{"settings", "set", "relay_time=7", "--id", "2", "--model", "TS-90C"}, kSomeFailed, "invalid value", "reader 2: TS-90C takes no relay time in stand-alone mode (it is sent as 1)"},
      {{"settings", "set", "relay_time=7", "run_mode=stand-alone", "--id", "2", "--model", "TS-90C"}, kUsage, "", "TS-90C takes no relay time in stand-alone mode"},
      {{"settings", "set", "vehicle_detector=on", "--id", "1", "--model", "TS-30P"}, kUsage, "", "TS-30P has no vehicle_detector setting"},
      {{"settings", "get", "--id", "1", "--model", "1-2"}, kUsage, "", "--model: '1-2' is not a model or a list"}, {{"settings", "get", "--id", "1", "--model", "TS-40,TS-30P"}, kUsage, "", "--model: 'TS-40,TS-30P' is not a model"},
      {{"settings", "get", "--id", "1", "--model", "1=TS-40,1-2=TS-30P"}, kUsage, "", "--model: reader 1 is given two models"}, {{"settings", "get", "--id", "1", "--model", "3=TS-4"}, kUsage, "", "--model: unknown model 'TS-4'"},
      {{"cards", "push", two, "--id", "1"}, kDone, "ok", ""}, {{"cards", "push", many, "--id", "1"}, kUsage, "model unknown", "reader 1: its model"},
      {{"cards", "push", rig.write("4.txt", "1\n2\n"), "--id", "4"}, kSomeFailed, "memory full", "reader 4: its card memory is full: card 2 not taken after 1 cards"},
      {{"cards", "pull", "--id", "2-3", "--out", rig.path("c.txt")}, kSomeFailed, "ok", "reader 3: no settings read for its model (time-out)"}};  // the TS-90C's reply tells it
  for (const auto& r : rows) {
    rig.sim.clearRequests();
    EXPECT_EQ(rig.run(r.args + QStringList{"--json"}), r.exit) << r.args.join(' ').toStdString();
    EXPECT_TRUE(rig.err.contains(QLatin1String(r.error))) << rig.err.toStdString();
    if (*r.status) { EXPECT_EQ(rig.readers()[0].toObject()["status"], QLatin1String(r.status)); }
    EXPECT_FALSE(rig.asked("%DS")) << r.args.join(' ').toStdString();
  }
  // Given per address, and the rest by a bare model: the TS-30P's master card read at its place and kept.
  EXPECT_EQ(rig.run({"settings", "set", "relay_time=3", "run_mode=online", "--id", "1-2", "--model", "TS-30P,2=TS-90C"}), kDone);
  EXPECT_EQ(std::make_tuple(rig.sim.reader(1)->settings.masterCard, rig.sim.reader(1)->settings.relayTime), std::make_tuple(305419896u, 3));
  EXPECT_EQ(rig.run({"settings", "set", "new_id=5", "--id", "1", "--model", "TS-30P"}), kDone);  // a free address
  EXPECT_TRUE(rig.sim.reader(5) && !rig.sim.reader(1));
}

// A command's help: its own options, whether it takes --id, the models that
// can do it; the manual page holds every command the help lists.
TEST(Cli, CommandHelp) {
  CliRig rig;
  const struct { QStringList args, shown, absent; } rows[] = {  // shown and absent above the options every command takes
      {{"scan", "--help"}, {"Options of scan: --from N", " --to M"}, {"--id", "TS-"}}, {{"settings", "get", "--help"}, {"--id LIST"}, {"TS-", "--from"}},
      {{"clock", "sync", "-h"}, {"--id LIST", "--max-drift SECONDS", "TS-30P"}, {"TS-40", "--from"}},
      {{"cards", "pull", "--help"}, {"--out FILE", "TS-40, TS-40B, TS-20B, TS-90, TS-90B, TS-90C"}, {"TS-30P"}},
      {{"line", "plan", "--help"}, {"give a model that cannot give its card list back (TS-20, TS-30H, TS-30P)"}, {"TS-40"}},
      {{"holders", "import", "--help"}, {"Usage: tessaro-cli holders import FILE [--db FILE|URL] Reads"}, {"--json", "LINK", "--trace"}}};
  for (const auto& row : rows) {
    const std::string line = row.args.join(' ').toStdString();
    EXPECT_EQ(rig.runBare(row.args), kDone) << line;
    const QString own = rig.out.left(rig.out.indexOf("\nOptions:\n")).simplified();
    for (const QString& word : row.shown) EXPECT_TRUE(own.contains(word)) << line << ": " << word.toStdString();
    for (const QString& word : row.absent) EXPECT_FALSE(own.contains(word)) << line << ": " << word.toStdString();
    for (const QString& l : rig.out.split('\n')) EXPECT_LE(l.size(), 78) << l.toStdString();
  }
  EXPECT_EQ(rig.runBare({"--help"}), kDone);
  for (const QString& line : rig.out.split('\n')) EXPECT_LE(line.size(), 78) << line.toStdString();
  const QString commands = rig.out.section("Commands:\n", 1).section("\n\n", 0, 0).replace("\n    ", " ");
  const QString man = cli::ManPage();
  ASSERT_TRUE(commands.contains("clock sync [--max-drift SECONDS]\n"));
  for (const QString& synopsis : commands.split('\n'))
    EXPECT_TRUE(man.contains(".B " + synopsis.trimmed().replace("-", "\\-") + "\n")) << synopsis.toStdString();
  EXPECT_EQ(rig.runBare({"--version"}), kDone);
  EXPECT_TRUE(QRegularExpression("^tessaro-cli \\d+\\.\\d+\\.\\d+\n$").match(rig.out).hasMatch()) << rig.out.toStdString();
}

// --id all: every reader a scan of the line finds; a collision is a failed
// row, a silent address none. (A full line keeps the scan's silences few.)
TEST(Cli, EveryReaderOfTheLine) {
  CliRig rig;
  for (int id = 1; id <= 255; ++id)
    if (id != 200) rig.sim.addReader(id, SimModel::TS30P).records.resize(id == 255 ? 2 : 0);
  rig.sim.addSecondReader(3, SimModel::TS40);
  EXPECT_EQ(rig.run({"records", "count", "--id", "all", "--model", "TS-30P", "--json", "--gap", "0"}), kSomeFailed);
  const QJsonArray r = rig.readers();
  ASSERT_EQ(r.size(), 254);
  EXPECT_TRUE(r[0].toObject()["address"] == 3 && r[0].toObject()["status"] == "collision") << rig.out.toStdString();
  EXPECT_EQ(r[199].toObject()["address"], 201);
  EXPECT_EQ(r[253].toObject(), (QJsonObject{{"address", 255}, {"status", "ok"}, {"records", 2}}));
  EXPECT_FALSE(rig.asked("%US256"));
}

// A pull keeps its records in the store; the query shows them with their holder's name.
TEST(Cli, PulledRecordsQueriedWithTheirHolders) {
  CliRig rig;
  sim::SimReader& reader = rig.sim.addReader(3, SimModel::TS30P);
  reader.settings.recordType = 2;
  reader.records = {{4242, QDateTime(QDate(2026, 12, 7), QTime(8, 30, 15)), {}},
                    {77, QDateTime(QDate(2026, 12, 8), QTime(0, 0)), {}}};
  const QStringList db = {"--db", rig.path("store.sqlite")};
  EXPECT_EQ(rig.run(QStringList{"records", "pull", "--id", "3", "--model", "TS-30P", "--log", rig.path("log.txt")} + db), kDone);
  EXPECT_EQ(rig.runBare(QStringList{"holders", "import", rig.write("h.csv", "4242;\"Çağrı Öztürk; İğdır\"\n")} + db), kDone);
  EXPECT_EQ(rig.out, "imported 1 card holders\n");
  EXPECT_EQ(rig.runBare(QStringList{"records", "query", "--json", "--to", "2026-12-07"} + db), kDone) << rig.err.toStdString();
  EXPECT_EQ(QJsonDocument::fromJson(rig.out.toUtf8()).object(),
            (QJsonObject{{"command", "records query"},
                         {"passages", QJsonArray{QJsonObject{{"time", "2026-12-07 08:30:15"}, {"line", rig.link[1]}, {"reader", 3},
                                                             {"card", 4242}, {"direction", "exit"}, {"holder", "Çağrı Öztürk; İğdır"}}}}}));
  const struct { QStringList filter; const char* cards; } rows[] = {
      {{}, "4242 77"}, {{"--from", "2026-12-07 08:30", "--to", "2026-12-07T08:30"}, "4242"}, {{"--from", "2026-12-07T08:30:16"}, "77"},
      {{"--to", "2026-12-07T23:59"}, "4242"}, {{"--from", "2026-12-08", "--to", "2026-12-08T00:00:00"}, "77"},
      {{"--card", "77", "--id", "2-3"}, "77"}, {{"--id", "1,4-255"}, ""}};
  for (const auto& row : rows) {
    EXPECT_EQ(rig.runBare(QStringList{"records", "query", "--csv"} + row.filter + db), kDone);
    QStringList cards;
    for (const QString& line : rig.out.split('\n', Qt::SkipEmptyParts).mid(1)) cards << line.section(',', 3, 3);
    EXPECT_EQ(cards.join(' '), row.cards) << row.filter.join(' ').toStdString();
  }
  EXPECT_EQ(rig.runBare(QStringList{"records", "query"} + db), kDone);
  EXPECT_EQ(rig.out.section('\n', 0, 0).simplified(), "TIME LINE READER CARD DIRECTION HOLDER");
}

// A log's bad line is named and skipped, the rest imported under the line it came from (TESSARO_LINE unless told).
TEST(Cli, ImportsALogUnderItsLine) {
  CliRig rig;
  const QString log = rig.write("AccessFile.txt", "001,0000000011,1,2026/01/01,08:00:00\r\n001,00000011,1\r\n"
                                                  "002,0000000022,2,2026/01/01,08:00:01\r\n");
  rig.runBare({"holders", "import", rig.write("none.csv", "")});  // the store to import into
  qputenv("TESSARO_LINE", "gate");
  EXPECT_EQ(rig.runBare({"records", "import", log}), kSomeFailed);
  qunsetenv("TESSARO_LINE");
  EXPECT_EQ(rig.out, "imported 2, already there 0, unreadable 1\n");
  EXPECT_EQ(rig.err, "tessaro-cli: " + log + " line 2 is no log line, skipped: 001,00000011,1\n");
  EXPECT_EQ(rig.runBare({"records", "import", log, "--line", "10.0.0.20:5600"}), kSomeFailed);
  EXPECT_EQ(rig.out, "imported 2, already there 0, unreadable 1\n");
  EXPECT_EQ(rig.runBare({"records", "query", "--json", "--id", "2"}), kDone);
  const QJsonArray passages = QJsonDocument::fromJson(rig.out.toUtf8())["passages"].toArray();
  ASSERT_EQ(passages.size(), 2) << rig.out.toStdString();
  EXPECT_EQ(passages[0]["line"].toString() + passages[1]["line"].toString(), "gate10.0.0.20:5600");
}

// A shared PostgreSQL database that takes no writes keeps the records in the reader.
TEST(Cli, StoreThatRefusesKeepsTheRecords) {
  test::PgServer& pg = test::PgServer::instance();
  const QString url = pg.newDatabase();
  ASSERT_FALSE(url.isEmpty()) << pg.why().toStdString();
  {
    StoreOpen opened = RecordStore::open(*ParseStoreAddress(url));
    ASSERT_TRUE(opened.store);
    ASSERT_TRUE(QSqlQuery(opened.store->db()).exec("ALTER DATABASE " + opened.store->address().database + " SET default_transaction_read_only = on"));
  }
  CliRig rig;
  sim::SimReader& reader = rig.sim.addReader(1, SimModel::TS30P);
  sim::ReaderSim::generateRecords(reader, 2, rig.now);
  EXPECT_EQ(rig.run({"records", "pull", "--id", "1", "--model", "TS-30P", "--erase", "--log", rig.path("log.txt"), "--db", url, "--csv"}),
            kSomeFailed);
  EXPECT_TRUE(rig.out.startsWith("address,status,error,records,record_type,erased\n1,store error,\"reader 1: the store ") &&
              rig.out.endsWith(",0,entry,no\n")) << rig.out.toStdString();
  EXPECT_TRUE(rig.err.startsWith("tessaro-cli: reader 1: the store " + ParseStoreAddress(url)->shown() + " refused its records (")) << rig.err.toStdString();
  EXPECT_EQ(reader.records.size(), 2u);
}

// Bad input is refused before any reader is asked anything: the usage
// error, a message naming what was wrong, nothing on the line, no log made.
TEST(Cli, RefusalsSendNothing) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS30P);
  const QStringList tcp = rig.link;
  const QStringList count = {"records", "count", "--model", "TS-30P"};
  const QString badCards = rig.write("bad.txt", "7\r\n12x\r\n");
  const QStringList apply = {"line", "apply", rig.write("line.json", R"({"format": 1, "readers": [{"address": 7, "model": "TS-40"}]})"),
                             "--model", "TS-40", "--yes"};
  const QStringList one = tcp + count + QStringList{"--id", "1"};
  rig.runBare({"holders", "import", rig.write("none.csv", "")});  // the window's store, for the store's commands
  const struct { QStringList args, words; } rows[] = {  // the words of the message
      {one + QStringList{"--baud", "1201"}, {"--baud"}}, {one + QStringList{"--parity", "mark"}, {"--parity"}},
      {tcp + count + QStringList{"--id"}, {"--id"}}, {one + QStringList{"--id", "2"}, {"--id"}},
      {tcp + count + QStringList{"--id", "1-2-3"}, {"--id", "1-2-3"}}, {tcp + count, {"--id"}},
      {tcp + QStringList{"records", "count", "--model", "TS-50", "--id", "1"}, {"TS-50", "TS-90C)"}},
      {count + QStringList{"--id", "1", "--port", "0"}, {"--port"}}, {count + QStringList{"--id", "1", "--port", "17"}, {"--port"}},
      {count + QStringList{"--id", "1", "--tcp", ":0"}, {"--tcp: '0' is not a port"}},  // the port is looked at first
      {count + QStringList{"--id", "1", "--tcp", "127.0.0.1:65536"}, {"--tcp"}},
      {count + QStringList{"--id", "1", "--tcp", ":5600"}, {"--tcp"}},
      {count + QStringList{"--id", "1"}, {"--tcp", "--serial", "--port"}},
      {one + QStringList{"--serial", "/dev/null"}, {"--tcp", "--serial"}},
      {tcp + QStringList{"clock", "sync", "--model", "TS-30P", "--id", "1", "--max-drift", "-1"}, {"--max-drift"}},
      {tcp + QStringList{"clock", "sync", "--model", "TS-30P", "--id", "1", "--max-drift", "86401"}, {"--max-drift"}},
      {tcp + QStringList{"clock", "set", "--model", "TS-30P", "--id", "1", "--time", "2026-13-05T14:03:09"}, {"--time"}},
      {tcp + QStringList{"clock", "set", "--model", "TS-30P", "--id", "1", "--time", "2026-12-05"}, {"--time: '2026-12-05' gives no time of day"}},
      {one + QStringList{"--gap", "1001"}, {"--gap"}}, {one + QStringList{"--gap"}, {"--gap"}},
      {one + QStringList{"--json", "--csv"}, {"--json", "--csv"}}, {one + QStringList{"--json=yes"}, {"--json takes no value"}},
      {one + QStringList{"--colour"}, {"--colour"}}, {one + QStringList{"--erase"}, {"--erase"}},
      {tcp + QStringList{"scan", "--id", "1"}, {"--id"}}, {tcp + QStringList{"scan", "--from", "5", "--to", "3"}, {"--from"}},
      {tcp + QStringList{"scan", "--to", "256"}, {"--to"}}, {tcp + QStringList{"scan", "--from", "0"}, {"--from"}}, {tcp + count + QStringList{"extra", "--id", "1"}, {"extra"}},
      {tcp + QStringList{"cards", "diff", "a.txt", "b.txt", "--id", "1", "--model", "TS-40"}, {"b.txt"}},
      {tcp + QStringList{"cards", "push", "--id", "1"}, {"FILE"}}, {tcp + QStringList{"line", "plan", "--id", "1"}, {"FILE"}},
      {tcp + QStringList{"line", "apply", "--id", "1"}, {"line apply needs FILE"}},
      {tcp + QStringList{"cards", "push", rig.path("missing.txt"), "--id", "1"}, {"missing.txt"}},
      {tcp + QStringList{"cards", "push", badCards, "--id", "1"}, {"line 2", "12x"}},
      {tcp + QStringList{"cards", "erase", "--id", "1"}, {"cards erase empties the readers' card memory; without a terminal give --yes"}},
      {tcp + QStringList{"cards", "push", rig.write("one.txt", "1"), "--erase-first", "--id", "1"}, {"cards push empties"}},
      {tcp + QStringList{"settings", "set", "--id", "1"}, {"FIELD=VALUE"}},
      {tcp + QStringList{"settings", "set", "relay_time=99", "--id", "1"}, {"invalid value for relay_time: give 1-64"}},
      {tcp + QStringList{"settings", "set", "trigger_time=0", "--id", "1"}, {"invalid value for trigger_time: give 1-9"}},
      {tcp + QStringList{"settings", "set", "run_mode=read-only", "--id", "1", "--model", "TS-20"}, {"read-only"}},
      {tcp + QStringList{"settings", "set", "colour=red", "--id", "1"}, {"colour=red"}},
      {tcp + QStringList{"settings", "set", "relay_time", "--id", "1"}, {"relay_time"}},
      {tcp + QStringList{"settings", "set", "new_id=5", "--id", "1,2"}, {"new_id"}},
      {tcp + QStringList{"settings", "set", "new_id=5", "--id", "all"}, {"new_id"}},
      {one + QStringList{"--trace", "/nonexistent/trace.txt"}, {"/nonexistent/trace.txt"}},
      {tcp + QStringList{"records", "pull", "--model", "TS-30P", "--id", "1", "--log", "/nonexistent/log.txt"}, {"/nonexistent/log.txt"}},
      {tcp + QStringList{"records", "pull", "--model", "TS-30P", "--id", "1", "--db", "postgresql://u@h/", "--log", rig.path("refused.txt")}, {"--db", "postgresql://u@h/", "database"}},
      {tcp + QStringList{"records", "pull", "--model", "TS-30P", "--id", "1", "--db", "postgresql://u@127.0.0.1:1/x", "--log", rig.path("refused.txt")}, {"postgresql://u@127.0.0.1:1/x"}},
      {one + QStringList{"--db", rig.path("store.sqlite")}, {"--db"}},
      {{"records", "query", "--from", "2026-02-30"}, {"--from", "2026-02-30"}},
      {{"records", "query", "--to", "2026-12-07T8:30"}, {"--to", "2026-12-07T8:30"}},
      {{"records", "query", "--id", "1,0"}, {"--id", "1,0"}}, {tcp + QStringList{"records", "query"}, {"--tcp"}},
      {{"records", "query", "--card", "4294967296"}, {"--card", "4294967296"}},
      {{"records", "import", rig.path("missing.txt"), "--line", "x"}, {"missing.txt"}},
      {{"records", "import", rig.path("missing.txt")}, {"records import needs the line the log came from: give --line"}},
      {{"records", "query", "--db", "postgresql:/tessaro@127.0.0.1/tessaro"}, {"'postgresql:/tessaro@127.0.0.1/tessaro' is no store address: its scheme"}},
      {{"records", "query", "--db", rig.path("nosuchdir/x.sqlite")}, {"no store at " + rig.path("nosuchdir/x.sqlite") + ": records query makes none"}},
      {{"records", "import", rig.path("missing.txt"), "--db", rig.path("new.sqlite")}, {"records import makes none"}},
      {{"records", "import", rig.path("missing.txt"), "--json"}, {"--json"}},
      {{"holders", "import", rig.write("bad.csv", "1;Ali\n2x;Veli\n")}, {"bad.csv line 2 has no card number"}},
      {tcp + apply + QStringList{"--id", "7", "--found-at", "0"}, {"--found-at: give"}},
      {tcp + apply + QStringList{"--id", "7", "--found-at", "256"}, {"--found-at: give"}},
      {tcp + apply + QStringList{"--id", "7,8", "--found-at", "1"}, {"--found-at takes one --id"}},
      {tcp + apply + QStringList{"--id", "8", "--found-at", "1"}, {"--found-at takes one --id"}},
      {tcp + apply.mid(0, 5) + QStringList{"--id", "7"}, {"--yes"}},
      {tcp + QStringList{"line", "plan", rig.write("bad.json", R"({"format": 1, "readers": [{"address": 3, "model": "TS-40", "relay_time": 65}]})"),
                         "--id", "3"}, {"bad.json, reader 3, field relay_time: '65' cannot be sent"}},
      {tcp + QStringList{"line", "plan", rig.write("cut.json", R"({"format": 1, "readers": [{"address": 3})"), "--id", "3"},
       {"cut.json: not JSON (at character 40)"}},
      {tcp + QStringList{"line", "save", rig.path("none/saved.json"), "--id", "3"}, {"none/saved.json: no such folder"}},
      {tcp + QStringList{"bogus", "--id", "1"}, {"bogus"}}, {tcp, {"command"}},
      // What the model cannot do, with the models that can.
      {tcp + QStringList{"clock", "get", "--model", "TS-40", "--id", "1"}, {"TS-40", "TS-30P"}},
      {tcp + QStringList{"clock", "set", "--model", "TS-90C", "--id", "1"}, {"TS-90C", "TS-30P"}},
      {tcp + QStringList{"clock", "sync", "--model", "TS-40", "--id", "1"}, {"TS-40", "TS-30P"}},
      {tcp + QStringList{"records", "count", "--model", "TS-30H", "--id", "1"}, {"TS-30H", "TS-30P"}},
      {tcp + QStringList{"records", "pull", "--id", "1", "--log", rig.path("refused.txt")}, {"needs the readers' model (--model): TS-30P"}},
      {tcp + QStringList{"clock", "get", "--model", "2=TS-30P", "--id", "1-2"}, {"clock get needs the readers' model"}},
      {tcp + QStringList{"cards", "pull", "--model", "TS-30P", "--id", "1"},
       {"TS-30P", "TS-40, TS-40B, TS-20B, TS-90, TS-90B, TS-90C"}},
      {tcp + QStringList{"cards", "diff", badCards, "--model", "TS-30H", "--id", "1"},
       {"TS-30H", "TS-40, TS-40B, TS-20B, TS-90, TS-90B, TS-90C"}},
  };
  for (const auto& row : rows) {
    const std::string line = row.args.join(' ').toStdString();
    EXPECT_EQ(rig.runBare(row.args), kUsage) << line;
    for (const QString& word : row.words) EXPECT_TRUE(rig.err.contains(word)) << line << ": " << rig.err.toStdString();
    EXPECT_TRUE(rig.out.isEmpty()) << line;
    EXPECT_TRUE(rig.sim.requests().empty()) << line;
  }
  EXPECT_FALSE(QFile::exists(rig.path("refused.txt")) || QFile::exists(rig.path("nosuchdir")) || QFile::exists(rig.path("new.sqlite")));
}

// The first and last value each option takes.
TEST(Cli, BoundaryValuesAreTaken) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS30P);
  rig.sim.addReader(255, SimModel::TS30P);
  const QStringList tcp = rig.link;
  const QStringList count = {"records", "count", "--model", "TS-30P"};
  const QStringList sync = {"clock", "sync", "--model", "TS-30P", "--id", "1"};
  const struct { QStringList args; int exit; } rows[] = {
      {tcp + count + QStringList{"--id", "1", "--baud", "1200"}, kDone},
      {tcp + count + QStringList{"--id", "1", "--baud", "38400"}, kDone},
      {tcp + count + QStringList{"--id", "255"}, kDone},
      {tcp + sync + QStringList{"--max-drift", "0"}, kDone},
      {tcp + sync + QStringList{"--max-drift", "86400"}, kDone},
      {tcp + QStringList{"scan", "--from", "255", "--to", "255"}, kDone},
      {tcp + QStringList{"settings", "set", "run_mode=online", "--id", "1", "--model", "TS-30P"}, kDone},
      {count + QStringList{"--id", "1", "--tcp", "127.0.0.1:1", "--trace", rig.path("trace.txt")}, kNoLink},
      {count + QStringList{"--id", "1", "--tcp", "127.0.0.1:65535"}, kNoLink},
      {count + QStringList{"--id", "1", "--port", "1"}, kNoLink},
  };
  for (const auto& row : rows) {
    const std::string line = row.args.join(' ').toStdString();
    EXPECT_EQ(rig.runBare(row.args), row.exit) << line << ": " << rig.err.toStdString();
  }
  // A link not opened says why.
  const std::pair<QStringList, QString> closed[] = {{{"--port", "16"}, "(port 16, /nonexistent/ttyS16): no such device"},
      {{"--tcp", "127.0.0.1:1"}, "(127.0.0.1:1): the connection was refused"}, {{"--serial", rig.write("plain.txt", "x")}, "plain.txt): not a serial device"}};
  for (const auto& [link, said] : closed) {
    EXPECT_EQ(rig.runBare(count + QStringList{"--id", "1"} + link), kNoLink);
    EXPECT_TRUE(rig.err.startsWith("tessaro-cli: cannot open the link ") && rig.err.endsWith(said + "\n")) << rig.err.toStdString();
  }
}


// Saved, changed by hand, planned, declined, applied: the plan names what a
// write would change and the readers that do not belong; a second plan finds
// nothing.
TEST(Cli, LineSavedPlannedAndApplied) {
  CliRig rig;
  rig.sim.addReader(3, SimModel::TS40).cards = {31, 32};
  rig.sim.addReader(4, SimModel::TS40);
  rig.sim.addReader(5, SimModel::TS40).cards = {51, 52, 53};
  const QString file = rig.path("line.json");
  ASSERT_EQ(rig.run({"line", "save", file, "--id", "3,5", "--model", "TS-40", "--csv"}), kDone);
  EXPECT_EQ(rig.out, "address,status,error,model,cards\n3,ok,,TS-40,2\n5,ok,,TS-40,3\n");
  QJsonObject doc = QJsonDocument::fromJson(rig.read("line.json")).object();
  QJsonArray entries = doc["readers"].toArray();
  QJsonObject three = entries[0].toObject(), five = entries[1].toObject();
  three["relay_time"] = 9;
  five["cards"] = QJsonArray{51, 53};
  entries = {three, five, QJsonObject{{"address", 6}, {"model", "TS-40"}}};
  doc["readers"] = entries;
  rig.write("line.json", QJsonDocument(doc).toJson());

  EXPECT_EQ(rig.run({"line", "plan", file, "--id", "3-6", "--model", "TS-40", "--json"}), kSomeFailed);
  QStringList plan;
  for (const QJsonValue& r : rig.readers()) plan << PlanOf(r.toObject());
  EXPECT_EQ(plan, (QStringList{"3 differs [relay_time:1->9] same +0-0", "4 not in file []  +0-0",
                               "5 differs [] erase all and send 2 (1 to remove) +2-1", "6 time-out []  +0-0"}));
  // Without --id, every address is asked. (A full line keeps the silences few.)
  CliRig full;
  for (int id = 1; id <= 255; ++id)
    if (id != 200) full.sim.addReader(id, SimModel::TS30P);
  const QString last = full.write("last.json", R"({"format": 1, "readers": [{"address": 255, "model": "TS-30P"}]})");
  full.progress = true;
  EXPECT_EQ(full.run({"line", "plan", last, "--model", "TS-30P", "--json", "--gap", "0"}), kSomeFailed);
  ASSERT_EQ(full.readers().size(), 254);
  EXPECT_EQ(full.readers()[0].toObject()["status"], "not in file");
  EXPECT_EQ(full.readers()[253].toObject()["status"], "ok");
  // The file's reader first, then the look for the others.
  EXPECT_LT(full.err.indexOf("\r\x1b[Kreading address 255, 1 of 1, 0 found"), full.err.indexOf("\r\x1b[Kscanning address 1, 1 of 254, 0 found"));
  EXPECT_TRUE(full.err.contains("\r\x1b[Kscanning address 254, 254 of 254, 252 found, 0:00 left")) << full.err.right(300).toStdString();
  // A save of the whole line asks each reader for its settings once (twice, to tell a collision).
  full.sim.clearRequests();
  EXPECT_EQ(full.run({"line", "save", full.path("all.json"), "--model", "TS-30P", "--gap", "0"}), kDone);
  EXPECT_EQ(QJsonDocument::fromJson(full.read("all.json"))["readers"].toArray().size(), 254);
  EXPECT_EQ(std::count(full.sim.requests().begin(), full.sim.requests().end(), "%US001**\r"), 2);

  QString question;
  bool yes = false;
  rig.progress = true;  // as on a terminal
  rig.confirm = [&](const QString& q) { return question = q, yes; };
  const QStringList apply = {"line", "apply", file, "--id", "3,5", "--model", "TS-40", "--json"};
  EXPECT_EQ(rig.run(apply), kSomeFailed);
  EXPECT_EQ(question, "Write this plan to 2 reader(s)?");
  EXPECT_TRUE(rig.err.contains("relay_time:1->9")) << "the plan is shown before the question";
  EXPECT_EQ(rig.readers()[0].toObject()["status"], "stopped");
  EXPECT_EQ(rig.readers()[1].toObject()["status"], "stopped");
  EXPECT_FALSE(rig.asked("%DS") || rig.asked("%EC") || rig.asked("%NC")) << "declined: nothing written";
  yes = true;
  EXPECT_EQ(rig.run(apply), kDone);
  EXPECT_TRUE(rig.err.contains("reading address 5, 2 of 2, 1 found") && rig.err.contains("writing address 5, 2 of 2")) << rig.err.toStdString();
  EXPECT_EQ(rig.readers()[1].toObject()["cards_sent"], 2);
  EXPECT_EQ(rig.readers()[0].toObject()["settings_written"], true);
}

// A reader new out of its box at address 1 takes entry 7: its settings and address, then its cards.
TEST(Cli, ReplacedReaderTakesItsEntry) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS40);
  const QString file = rig.write("line.json", R"({"format": 1, "readers": [{"address": 7, "model": "TS-40", "relay_time": 4, "cards": [12, 11]}]})");
  EXPECT_EQ(rig.run({"line", "plan", file, "--model", "TS-40", "--id", "7", "--found-at", "1", "--json"}), kSomeFailed);
  EXPECT_EQ(rig.readers()[0].toObject()["found_at"], 1);
  EXPECT_EQ(rig.readers()[0].toObject()["settings"].toArray().first(), "address:1->7");
  EXPECT_EQ(rig.run({"line", "apply", file, "--yes", "--model", "TS-40", "--id", "7", "--found-at", "1"}), kDone);
  ASSERT_TRUE(!rig.sim.reader(1) && rig.sim.reader(7));
  EXPECT_EQ(std::make_tuple(rig.sim.reader(7)->settings.relayTime, rig.sim.reader(7)->cards), std::make_tuple(4, std::vector<quint32>{11, 12}));
}

// A save that missed a reader, or was stopped, writes no file.
TEST(Cli, LineSavedWholeOrNotAtAll) {
  CliRig rig;
  rig.sim.addReader(3, SimModel::TS40);
  const QString saved = rig.path("saved.json");
  EXPECT_EQ(rig.run({"line", "save", saved, "--id", "3,4", "--model", "TS-40"}), kSomeFailed);
  EXPECT_TRUE(rig.err.contains("saved.json not written"));
  rig.interrupted = true;
  EXPECT_EQ(rig.run({"line", "save", saved, "--id", "3", "--model", "TS-40", "--csv"}), kSomeFailed);
  EXPECT_EQ(rig.out, "address,status,error\n3,stopped,reader 3: not saved: stopped by the user\n");
  EXPECT_FALSE(QFile::exists(saved));
}

// The program itself, its error output a terminal: a line apply asks nothing without a terminal
// on its input; long work shows one line rewritten in place. Ctrl-C says at once what it does: a
// scan ends after the exchange in progress; a records pull after the reader's download, and a
// second Ctrl-C ends that download now, nothing kept and nothing erased.
TEST(Cli, ProgramOnATerminalAndStoppedByCtrlC) {
  sim::PtyChannel terminal;
  QString error;
  ASSERT_TRUE(terminal.open(&error)) << error.toStdString();
  QByteArray shown;
  QObject::connect(terminal.reader, &QSocketNotifier::activated, [&] { shown += terminal.readAvailable(); });
  QTimer tick;  // the waits below look again at least this often
  tick.start(50);
  auto until = [](const std::function<bool()>& done) {
    for (QDeadlineTimer d(10000); !done() && !d.hasExpired();) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
  };
  auto start = [&](QProcess& p, const QStringList& args) {
    p.setStandardErrorFile(terminal.slaveName);
    p.start(TESSARO_CLI_PROGRAM, args);
  };
  QTemporaryDir dir;
  QProcess cli;
  start(cli, {"line", "apply", test::WriteFile(dir.filePath("line.json"), R"({"format": 1, "readers": []})"), "--id", "3", "--tcp", "127.0.0.1:1"});
  ASSERT_TRUE(cli.waitForFinished(30000));
  EXPECT_EQ(cli.exitCode(), kUsage);
  EXPECT_TRUE(until([&] { return shown.contains("without a terminal give --yes"); }));
  QTcpServer silent;  // takes the connection, never answers
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
  QProcess scan;
  start(scan, {"scan", "--csv", "--tcp", QStringLiteral("127.0.0.1:%1").arg(silent.serverPort())});
  ASSERT_TRUE(silent.waitForNewConnection(10000));
  ASSERT_TRUE(until([&] { return shown.contains("\r\x1b[Kscanning address 1, 1 of 255, 0 found"); })) << shown.toStdString();
  ::kill(static_cast<pid_t>(scan.processId()), SIGINT);
  EXPECT_TRUE(until([&] { return shown.contains("\r\x1b[Ktessaro-cli: stopping after the exchange in progress\n"); }));
  ASSERT_TRUE(scan.waitForFinished(10000));
  EXPECT_EQ(scan.exitCode(), kSomeFailed);
  const QString out = QString::fromLatin1(scan.readAllStandardOutput());
  EXPECT_TRUE(QRegularExpression("^address,status,error\n[12],stopped,reader [12]: not scanned from here on: stopped by the user\n$").match(out).hasMatch()) << out.toStdString();
  // One record of two comes, then the reader falls silent in mid-download.
  sim::ReaderSim sim;
  ASSERT_TRUE(sim.listenTcp());
  sim::ReaderSim::generateRecords(sim.addReader(1, SimModel::TS30P), 2, QDateTime::currentDateTime());
  sim.setFault("DD", sim::Fault{.kind = sim::FaultKind::StopAfterNoEnd, .arg = 1});
  bool downloading = false;
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& r) { downloading = downloading || r.startsWith("%DD"); });
  QProcess pull;
  start(pull, {"records", "pull", "--erase", "--id", "1", "--model", "TS-30P", "--csv", "--log", dir.filePath("log.txt"),
               "--db", dir.filePath("s.sqlite"), "--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())});
  ASSERT_TRUE(until([&] { return downloading; }));
  ::kill(static_cast<pid_t>(pull.processId()), SIGINT);
  EXPECT_TRUE(until([&] { return shown.contains("tessaro-cli: stopping after this reader's download; nothing will be erased"); }));
  ::kill(static_cast<pid_t>(pull.processId()), SIGINT);
  EXPECT_TRUE(until([&] { return pull.state() == QProcess::NotRunning; }));
  EXPECT_TRUE(shown.contains("tessaro-cli: ending the download now; nothing will be erased\n"));
  EXPECT_EQ(pull.readAllStandardOutput(), "address,status,error,records,record_type,erased\n1,stopped,reader 1: its download was ended by the user; nothing was logged or erased,0,entry,no\n");
  EXPECT_EQ(sim.reader(1)->records.size(), 2u);
}

// The progress line: k of n, the readers found and the time left at the pace so far; off a terminal nothing.
TEST(Cli, ProgressLine) {
  QString shown;
  QTextStream err(&shown);
  test::FakeClock clock;
  for (const bool terminal : {false, true}) {
    cli::Progress line(err, clock, terminal);
    line.within("reader 1 of 2 (address 7)");
    line.begin(5);
    line.step("card", 2, 1);
    clock.ms += 65000;  // two cards in 65 s: 65 s for the one in hand and the last
    line.step("card", 4);
    line.clear();
  }
  EXPECT_EQ(shown, "\r\x1b[Kreader 1 of 2 (address 7)\r\x1b[Kreader 1 of 2 (address 7): card 2 of 5, 1 found"
                   "\r\x1b[Kreader 1 of 2 (address 7): card 4 of 5, 1:05 left\r\x1b[K");
}

// The completion, run in bash: what it offers after each line typed so far.
TEST(Cli, BashCompletionOffersWhatTheTableTakes) {
  QTemporaryDir dir;
  const QString script = test::WriteFile(dir.filePath("completion.bash"), cli::BashCompletion().toUtf8());
  test::WriteFile(dir.filePath("cards.txt"), {});
  const QString d = dir.path();
  const std::pair<QString, QString> typed[] = {
      {"tessaro-cli li", "line"}, {"tessaro-cli -", "--help --version"},
      {"tessaro-cli line a", "apply"},
      {"tessaro-cli line apply x.json --se", "--serial --send-unreadable-cards"},
      {"tessaro-cli scan --se", "--serial"},
      {"tessaro-cli --model TS-9", "TS-90 TS-90B TS-90C"}, {"tessaro-cli --model TS-2", "TS-20 TS-20B"},
      {"tessaro-cli settings set --id 3 relay", "relay_time="},
      {"tessaro-cli cards push --tcp h " + d + "/ca", d + "/cards.txt"},
      {"tessaro-cli records pull --log " + d + "/ca", d + "/cards.txt"},
      {"tessaro-cli --serial /dev/nu", ""},
      {"tessaro-cli --serial /dev/tty", "/dev/tty"},
  };
  for (const auto& [line, offered] : typed) {
    QProcess bash;
    bash.start("bash", {"-c", QStringLiteral("source %1; COMP_WORDS=(%2); COMP_CWORD=%3; _tessaro_cli; echo \"${COMPREPLY[*]}\"")
                                  .arg(script, line)
                                  .arg(line.count(u' '))});
    ASSERT_TRUE(bash.waitForFinished(5000));
    const QString got = QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
    if (line.endsWith("/dev/tty")) EXPECT_TRUE(got.split(' ').contains(offered)) << got.toStdString();
    else EXPECT_EQ(got, offered) << line.toStdString() << "\n" << bash.readAllStandardError().toStdString();
  }
}

}  // namespace
}  // namespace tessaro
