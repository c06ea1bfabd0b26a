// The program against the simulated reader in real time, over TCP and over a
// pseudo-terminal, as a user goes through a commissioning visit.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTimer>

#include "readers.h"
#include "recordquery.h"
#include "support/pgserver.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;

TEST(EndToEnd, CommissioningVisitOverBothLinks) {
  for (const bool tcp : {true, false}) {
    SCOPED_TRACE(tcp ? "tcp" : "pty");
    WindowRig rig(WindowRig::Timing::Real);
    tcp ? rig.overTcp() : rig.overPty();
    // Two readers on the line: a TS-40 at the door with cards, a TS-30P that keeps records.
    sim::SimReader& door = rig.reader(2, sim::SimModel::TS40);
    door.cards = {100, 200};
    sim::SimReader& reader = rig.reader(1, sim::SimModel::TS30P);
    reader.settings = {4, 2, 1, 305419896u, 0, 0, 0, 5};
    sim::ReaderSim::generateRecords(reader, 40, rig.now);
    // Find the reader, read its settings and give it address 9.
    rig.set("txtOldID", "0");
    rig.click("cmdFindID");
    rig.click("cmdReceive");
    EXPECT_EQ(rig.text("txtMasterCardID"), "305419896");
    rig.set("txtNewID", "9");
    rig.prompts.answers = {true};
    rig.click("cmdSend");
    EXPECT_EQ(reader.id, 9);
    // Set its clock and read it back.
    rig.prompts.answers = {true};
    rig.click("cmdSendRTC");
    rig.click("cmdReceiveRTC");
    EXPECT_EQ(rig.text("lblDeviceRTC"), "05/01/2025 09:03:07");
    // Replace the door's cards with the list, then read them back.
    rig.click("opsDevice_3");
    rig.set("txtOldID", "2");
    for (const char* card : {"4000000000", "17"}) {
      rig.set("txtCardID", card);
      rig.click("cmdAdd");
    }
    rig.prompts.answers = {true, true};
    rig.click("cmdEraseAll");
    rig.click("cmdSendAllCards");
    rig.prompts.answers = {true};
    rig.click("cmdReceiveAllCards");
    EXPECT_EQ(rig.w<QListWidget>("lstCardID")->count(), 2);
    EXPECT_EQ(rig.w<QListWidget>("lstCardID")->item(0)->text(), "-294967296");
    EXPECT_EQ(door.cards, std::vector<quint32>({4000000000u, 17}));
    // Download the records of the other reader into the log and erase them.
    rig.click("opsDevice_2");
    rig.set("txtOldID", "9");
    rig.prompts.answers = {true};
    rig.click("cmdReadData");
    EXPECT_EQ(rig.text("lblProcess"), text::kDoneErased + "9");
    QFile log(rig.logPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    EXPECT_EQ(lines.size(), 41);
    EXPECT_TRUE(lines[0].startsWith("009,") && lines[0].endsWith("\r") && lines[0].size() == 37) << lines[0].constData();
    EXPECT_TRUE(reader.records.empty());
    EXPECT_EQ(rig.prompts.take(), QStringList({text::kFound + "1", "?" + text::kSendQuestion, text::kSent,
                                               "?" + text::kSendClockQuestion, text::kClockSent, "?" + text::kEraseCardsQuestion,
                                               text::kCardsErased, "?" + text::kSendCardsQuestion, text::kDone,
                                               "?" + text::kReceiveCardsQuestion, text::kCardsReceived, "?" + text::kDownloadQuestion, "<beep>"}));
  }
}

// Between reader and PC a USB adapter delivers in bursts or late, and a slow reader's last characters
// reach the next exchange: cards go once each without a retry, and records are logged whole.
TEST(EndToEnd, ThroughAUsbAdapter) {
  const struct { bool tcp; sim::FaultKind kind; int arg, pauseMs; bool records; } rows[] = {
      {true, sim::FaultKind::StaleTail, 3, 20, false}, {false, sim::FaultKind::StaleTail, 3, 20, false},
      {false, sim::FaultKind::Bursts, 16, 0, true}, {false, sim::FaultKind::DelayTail, 3, 40, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.kind));
    WindowRig rig(WindowRig::Timing::Real);
    r.tcp ? rig.overTcp() : rig.overPty();
    if (!r.tcp) rig.sim.setBaud(38400);
    sim::SimReader& reader = rig.reader(1, sim::SimModel::TS30P);
    sim::ReaderSim::generateRecords(reader, 30, rig.now);
    const sim::Fault fault{.kind = r.kind, .arg = r.arg, .pauseMs = r.pauseMs};
    rig.sim.setFault("NC", fault);
    rig.sim.setFault("DD", fault);
    for (const char* card : {"11", "22", "33"}) {
      rig.set("txtCardID", card);
      rig.click("cmdAdd");
    }
    rig.prompts.answers = {true, true};
    rig.click("cmdSendAllCards");
    if (r.records) rig.click("cmdReadData");
    EXPECT_EQ(rig.prompts.take(), r.records ? QStringList({"?" + text::kSendCardsQuestion, text::kDone, "?" + text::kDownloadQuestion, "<beep>"})
                                            : QStringList({"?" + text::kSendCardsQuestion, text::kDone}));
    EXPECT_EQ(reader.cards, std::vector<quint32>({11, 22, 33}));
    EXPECT_EQ(std::count_if(rig.sim.requests().begin(), rig.sim.requests().end(), [](const QByteArray& q) { return q.startsWith("%NC"); }), 3);
    if (!r.records) continue;
    EXPECT_EQ(rig.text("lblProcess"), text::kDoneErased + "1");
    QFile log(rig.logPath());
    EXPECT_TRUE(log.open(QIODevice::ReadOnly) && log.readAll().count("\r\n") == 30);
  }
}

// A pull killed between the log and the erase, run again: no record twice in the store or the log, on either engine.
TEST(EndToEnd, PullKilledBeforeTheEraseRunsAgain) {
  for (const bool postgres : {false, true}) {
    SCOPED_TRACE(postgres ? "postgres" : "sqlite");
    QTemporaryDir dir;
    if (postgres) {
      ASSERT_TRUE(test::PgServer::instance().running()) << test::PgServer::instance().why().toStdString();
    }
    const QString store = postgres ? test::PgServer::instance().newDatabase() : dir.filePath("records.sqlite");
    sim::ReaderSim sim;
    sim::ReaderSim::generateRecords(sim.addReader(1, sim::SimModel::TS30P), 25, QDateTime(QDate(2026, 5, 4), QTime(8, 0)));
    ASSERT_TRUE(sim.listenTcp());
    // The simulated reader answers from this process's event loop while the pull runs in its own.
    auto run = [&](const QStringList& more) {
      QProcess pull;
      QEventLoop loop;
      QObject::connect(&pull, &QProcess::finished, &loop, &QEventLoop::quit);
      QTimer::singleShot(60000, &loop, &QEventLoop::quit);
      pull.start(TESSARO_PULL_PROCESS, QStringList{QString::number(sim.tcpPort()), store, dir.filePath("AccessFile.txt")} + more);
      loop.exec();
      return pull.exitStatus() == QProcess::CrashExit ? -1 : pull.exitCode();
    };
    auto lines = [&] {
      QFile log(dir.filePath("AccessFile.txt"));
      return log.open(QIODevice::ReadOnly) ? log.readAll().count("\r\n") : -1;
    };
    EXPECT_EQ(run({QString::number(static_cast<int>(PullStage::Erasing))}), -1);
    EXPECT_EQ(lines(), 25);
    EXPECT_EQ(sim.reader(1)->records.size(), 25u);
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(lines(), 25);
    EXPECT_TRUE(sim.reader(1)->records.empty());
    StoreOpen opened = RecordStore::open(ParseStoreAddress(store).value());
    ASSERT_TRUE(opened.store);
    EXPECT_EQ(CountPassages(*opened.store, {}), 25);
  }
}

}  // namespace
}  // namespace tessaro
