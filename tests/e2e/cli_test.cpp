// tessaro-cli against the simulated reader, in-process, over TCP and a
// pseudo-terminal: what it prints, what it returns, what reaches the readers.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "run.h"
#include "support/windowrig.h"

namespace tessaro {
namespace {

using sim::SimModel;

struct CliRig {
  explicit CliRig(bool tcp = true) {
    sim.setNow([this] { return now; });
    sim.setEraseCardsDelayMs(0);
    if (tcp ? !sim.listenTcp() : !sim.openPty()) std::abort();
    link = tcp ? QStringList{"--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}
               : QStringList{"--serial", sim.ptyPath(), "--parity", "none"};
  }
  int run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    cli::Console console{o, e, false, pump, clock};
    console.now = [this] { return now; };
    console.interrupted = &interrupted;
    return cli::RunCli(args + link, console);
  }
  QJsonArray readers() const { return QJsonDocument::fromJson(out.toUtf8()).object()["readers"].toArray(); }
  QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

  sim::ReaderSim sim;
  QStringList link;
  test::FakeClock clock;
  test::FastPump pump{clock};
  QDateTime now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9));
  QString out, err;
  QTemporaryDir dir;
  std::atomic<bool> interrupted{false};
};

TEST(Cli, ScanListsEveryReaderAndACollision) {
  for (const bool tcp : {true, false}) {
    CliRig rig(tcp);
    rig.sim.addReader(1, SimModel::TS30P).settings.relayTime = 7;
    rig.sim.addReader(2, SimModel::TS40);
    rig.sim.addSecondReader(2, SimModel::TS40).settings.relayTime = 9;
    rig.sim.addReader(4, SimModel::TS90C).settings.masterCard = 305419896;
    EXPECT_EQ(rig.run({"scan", "--from", "1", "--to", "5", "--json"}), cli::kSomeFailed);
    const QJsonArray r = rig.readers();
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].toObject()["relay_time"], 7);
    EXPECT_TRUE(r[0].toObject()["models"].toArray().contains("TS-30P"));
    EXPECT_EQ(r[1].toObject()["address"], 2);
    EXPECT_EQ(r[1].toObject()["status"], "collision");
    EXPECT_EQ(r[2].toObject()["models"], QJsonArray{"TS-90C"});
    EXPECT_EQ(r[2].toObject()["master_card"], "305419896");
  }
}

// A silent reader fails alone; the others are downloaded, logged with their own record type and erased.
TEST(Cli, RecordsFromSeveralReadersWithASilentOne) {
  CliRig rig;
  sim::SimReader& exit = rig.sim.addReader(1, SimModel::TS30P);
  exit.settings.recordType = 2;
  sim::ReaderSim::generateRecords(exit, 3, rig.now);
  sim::ReaderSim::generateRecords(rig.sim.addReader(4, SimModel::TS30P), 2, rig.now);
  EXPECT_EQ(rig.run({"records", "pull", "--id", "1,3-4", "--model", "TS-30P", "--erase", "--log", rig.path("log.txt"), "--json"}),
            cli::kSomeFailed);
  const QJsonArray r = rig.readers();
  ASSERT_EQ(r.size(), 3);
  EXPECT_EQ(r[0].toObject(), (QJsonObject{{"address", 1}, {"status", "ok"}, {"records", 3}, {"record_type", "exit"}, {"erased", true}}));
  EXPECT_EQ(r[1].toObject()["status"], "time-out");
  EXPECT_EQ(r[2].toObject()["records"], 2);
  EXPECT_TRUE(rig.err.contains("reader 3:"));
  QFile log(rig.path("log.txt"));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = log.readAll().split('\n');
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
  EXPECT_EQ(rig.run({"records", "pull", "--id", "1,2", "--model", "TS-30P", "--erase", "--log", rig.path("log.txt"), "--csv"}), cli::kSomeFailed);
  EXPECT_EQ(rig.out, "address,status,records,record_type,erased\n1,stopped,2,entry,no\n2,stopped,,,\n");
  EXPECT_EQ(first.records.size(), 2u);
}

// --gap holds between a reader's reply and the next request.
TEST(Cli, GapBetweenReplyAndRequest) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS40);
  std::vector<qint64> cardsAt;
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& r) {
    if (r.startsWith("%NC")) cardsAt.push_back(rig.clock.ms);
  });
  QFile cards(rig.path("cards.txt"));
  ASSERT_TRUE(cards.open(QIODevice::WriteOnly) && cards.write("11\r\n12\r\n") == 8);
  cards.close();
  EXPECT_EQ(rig.run({"cards", "push", cards.fileName(), "--id", "1", "--gap", "400"}), cli::kDone);
  ASSERT_EQ(cardsAt.size(), 2u);
  EXPECT_GE(cardsAt[1] - cardsAt[0], 400);
}

TEST(Cli, TraceHoldsEveryByteInOrder) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS30P);
  EXPECT_EQ(rig.run({"clock", "get", "--id", "1", "--trace", rig.path("trace.txt")}), cli::kDone);
  QFile trace(rig.path("trace.txt"));
  ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
  QString text = QString::fromLatin1(trace.readAll());
  text.replace(QRegularExpression("^\\d+\\.\\d{3} ", QRegularExpression::MultilineOption), "t ");
  EXPECT_EQ(text,
            "t TX 25 55 52 30 30 31 2A 2A 0D |%UR001**.|\n"
            "t RX 24 55 52 30 30 31 30 35 31 32 32 36 31 34 30 33 30 39 30 37 2A 2A 0D |$UR00105122614030907**.|\n");
  EXPECT_TRUE(rig.out.contains("2026-12-05T14:03:09"));
}

TEST(Cli, SettingsCardsAndClock) {
  CliRig rig;
  sim::SimReader& r = rig.sim.addReader(7, SimModel::TS40);
  r.clockOffsetSeconds = 100;
  const QStringList reader = {"--id", "7", "--model", "TS-40"};
  EXPECT_EQ(rig.run(QStringList{"settings", "set", "relay_time=9", "run_mode=online", "record_type=exit", "master_card=305419896"} + reader),
            cli::kDone);
  EXPECT_EQ(std::make_tuple(r.settings.relayTime, r.settings.runMode, r.settings.recordType, r.settings.masterCard),
            std::make_tuple(9, 1, 2, 305419896u));
  EXPECT_EQ(rig.run(QStringList{"settings", "get", "--csv"} + reader),
            cli::kDone);
  EXPECT_EQ(rig.out, "address,status,new_id,relay_time,record_type,run_mode,master_card\n7,ok,7,9,exit,online,305419896\n");
  QFile cards(rig.path("cards.txt"));
  ASSERT_TRUE(cards.open(QIODevice::WriteOnly) && cards.write("1\r\n-1\r\n") == 7);
  cards.close();
  r.cards = {3};
  EXPECT_EQ(rig.run(QStringList{"cards", "push", cards.fileName(), "--erase-first"} + reader), cli::kDone);
  EXPECT_EQ(r.cards, std::vector<quint32>({1, 0xFFFFFFFFu}));
  r.cards.push_back(5);
  EXPECT_EQ(rig.run(QStringList{"cards", "diff", cards.fileName(), "--json"} + reader), cli::kDone);
  EXPECT_EQ(rig.readers()[0].toObject()["only_on_reader"], QJsonArray{"5"});
  EXPECT_EQ(rig.readers()[0].toObject()["only_in_file"], QJsonArray{});
  EXPECT_EQ(rig.run(QStringList{"clock", "sync", "--max-drift", "5", "--json"} + reader), cli::kDone);
  EXPECT_EQ(rig.readers()[0].toObject()["drift_s"], 100);
  EXPECT_EQ(rig.readers()[0].toObject()["drift_after_s"], 0);
}

// Bad input is refused before any reader is asked anything.
TEST(Cli, BadInputTouchesNoReader) {
  CliRig rig;
  rig.sim.addReader(1, SimModel::TS20);
  const QStringList rows[] = {{"records", "count", "--id", "1", "--model", "TS-50"}, {"records", "count", "--id", "0"},
                              {"records", "count"}, {"records", "count", "--id", "1", "--json", "--csv"},
                              {"cards", "push", rig.path("missing.txt"), "--id", "1"}, {"settings", "set", "relay_time=99", "--id", "1"},
                              {"settings", "set", "run_mode=read-only", "--id", "1", "--model", "TS-20"}, {"settings", "set", "colour=red", "--id", "1"},
                              {"settings", "set", "new_id=5", "--id", "1,2"}, {"settings", "set", "relay_time", "--id", "1"},
                              {"records", "pull", "--id", "1", "--log", "/nonexistent/AccessFile.txt"}, {"bogus"},
                              {"records", "count", "--id", "1", "--gap", "1001"}, {"records", "count", "--id", "1", "--gap"}};
  for (const QStringList& args : rows) {
    EXPECT_EQ(rig.run(args), cli::kUsage) << args.join(' ').toStdString();
    EXPECT_FALSE(rig.err.isEmpty());
  }
  EXPECT_TRUE(rig.sim.requests().empty());
  rig.link = {"--tcp", "127.0.0.1:1"};
  EXPECT_EQ(rig.run({"records", "count", "--id", "1"}), cli::kNoLink);
  EXPECT_EQ(rig.run({"--help"}), cli::kDone);
  EXPECT_TRUE(rig.out.startsWith("Usage: tessaro-cli COMMAND"));
}

}  // namespace
}  // namespace tessaro
