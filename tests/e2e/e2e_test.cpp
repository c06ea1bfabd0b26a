// The programs against the simulated reader in real time: over TCP and over a
// pseudo-terminal behind the faults of a USB adapter, and a pull killed halfway.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>

#include "recordquery.h"
#include "support/pgserver.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;

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
    for (const char* code : {"NC", "DD"}) rig.sim.setFault(code, fault);
    rig.addCards({"11", "22", "33"});
    rig.click("cmdSendAllCards", {true, true});
    if (r.records) rig.click("cmdReadData");
    EXPECT_EQ(rig.prompts.take(), r.records ? QStringList({"?" + text::kSendCardsQuestion, text::kDone, "?" + text::kDownloadQuestion, "<beep>"})
                                            : QStringList({"?" + text::kSendCardsQuestion, text::kDone}));
    EXPECT_EQ(reader.cards, std::vector<quint32>({11, 22, 33}));
    EXPECT_EQ(std::count_if(rig.sim.requests().begin(), rig.sim.requests().end(), [](const QByteArray& q) { return q.startsWith("%NC"); }), 3);
    EXPECT_TRUE(!r.records || (rig.text("lblProcess") == text::kDoneErased + "1" && test::ReadFile(rig.logPath()).count("\r\n") == 30));
  }
}

// tessaro-cli killed as it asks for the erase, the reader gone from the line at that moment, then run
// again: no record twice in the store or the log, on either engine, and the reader erased.
TEST(EndToEnd, PullKilledBeforeTheEraseRunsAgain) {
  for (const bool postgres : {false, true}) {
    SCOPED_TRACE(postgres ? "postgres" : "sqlite");
    QTemporaryDir dir;
    const QString store = postgres ? test::PgServer::instance().newDatabase() : dir.filePath("records.sqlite");
    ASSERT_FALSE(store.isEmpty()) << test::PgServer::instance().why().toStdString();
    sim::ReaderSim sim;
    sim::SimReader& reader = sim.addReader(1, sim::SimModel::TS30P);
    sim::ReaderSim::generateRecords(reader, 25, QDateTime(QDate(2026, 5, 4), QTime(8, 0)));
    ASSERT_TRUE(sim.listenTcp());
    const QString log = dir.filePath("AccessFile.txt");
    QProcess pull;
    bool killed = false;
    QObject::connect(&sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& request) {
      if (request.startsWith("%EM") && !killed) killed = true, reader.id = 2, pull.kill();
    });
    // The simulated reader answers from this process's event loop while the pull runs in its own.
    auto run = [&] {
      QEventLoop loop;
      QObject::connect(&pull, &QProcess::finished, &loop, &QEventLoop::quit);
      pull.start(TESSARO_CLI_PROGRAM, {"records", "pull", "--erase", "--tcp", QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                                       "--id", "1", "--model", "TS-30P", "--db", store, "--log", log});
      loop.exec();
      return pull.exitStatus() == QProcess::CrashExit ? -1 : pull.exitCode();
    };
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(reader.records.size(), 25u);
    reader.id = 1;
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(test::ReadFile(log).count("\r\n") == 25 && reader.records.empty());
    const StoreOpen opened = RecordStore::open(ParseStoreAddress(store).value());
    ASSERT_TRUE(opened.store);
    EXPECT_EQ(CountPassages(*opened.store, {}), 25);
  }
}

}  // namespace
}  // namespace tessaro
