// The simulated reader on a real line: TCP and its pseudo-terminal, with
// address filtering, several readers, faults in time, pacing and its memory file.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <set>

#include "common/pty.h"
#include "sim/simstate.h"
#include "simclient.h"

using namespace tessaro;
using namespace tessaro::sim;
using namespace tessaro::sim::test;

namespace {

// Reader 1 (TS-30P) listening on TCP, one client connected.
struct Live : ::testing::Test {
  void SetUp() override {
    sim.addReader(1, DeviceModel::TS30P);
    ASSERT_TRUE(sim.listenTcp());
    c = std::make_unique<TcpClient>(sim.tcpPort());
    ASSERT_TRUE(c->connected);
  }
  ReaderSim sim;
  std::unique_ptr<TcpClient> c;
};

TEST_F(Live, SeveralReadersEachAnswerTheirOwnAddress) {
  EXPECT_LT(sim.tcpPort(), 32768);  // within the tool's port box
  sim.addReader(2, DeviceModel::TS30P).records.push_back({5, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {}});
  c->send("%RC003**\r");
  c->send("%RC256**\r");
  RunFor(150);
  EXPECT_TRUE(c->take().isEmpty());
  // A request in pieces after garbage.
  c->send("\x80\xFFjunk%R");
  RunFor(30);
  c->send("C0");
  RunFor(30);
  EXPECT_EQ(c->ask("01**\r", 13), "$RC0010001**\r");
  EXPECT_EQ(c->ask("%RC002**\r", 13), "$RC0020002**\r");
  EXPECT_EQ(sim.requests(), (std::vector<QByteArray>{"%RC003**\r", "%RC256**\r", "%RC001**\r", "%RC002**\r"}));
}

TEST_F(Live, KeepsCollectingRequestsWhileStreaming) {
  ReaderSim::generateCards(*sim.reader(1), 40);
  sim.setBaud(38400);  // 40 card lines take about 0.2 s
  c->send("%UC001**\r");
  RunFor(30);
  c->send("%RC001**\r");
  const QByteArray all = c->receiveUntil("$RC0010001**\r", 3000);
  EXPECT_EQ(sim.requests().size(), 2u);
  // The second reply follows the whole stream.
  EXPECT_EQ(all.count("$UC001"), 40);
  EXPECT_EQ(all.indexOf("$UF001**\r") + 9, all.indexOf("$RC0010001**\r"));
}

TEST_F(Live, EraseCardsTakesItsTime) {
  sim.setEraseCardsDelayMs(300);
  c->send("%EC001**\r");
  EXPECT_EQ(c->receive(9, 3000), "$EC001**\r");
  ASSERT_EQ(c->arrivals.size(), 1u);
  EXPECT_GE(c->arrivals[0].atMs, 290);
  EXPECT_LT(c->arrivals[0].atMs, 1000);
  sim.setEraseCardsDelayMs(60000);  // capped at the readers' 25 s
  sim.setEraseCardsDelayMs(-5);
  EXPECT_EQ(c->ask("%EC001**\r", 9), "$EC001**\r");
}

TEST_F(Live, FaultsInTime) {
  sim.setFault("RC", MakeFault(FaultKind::Silence, 0, true));
  c->send("%RC001**\r");
  RunFor(150);
  EXPECT_TRUE(c->take().isEmpty());
  c->send("%RC001**\r");  // a fault given once is gone
  EXPECT_EQ(c->receive(13), "$RC0010001**\r");

  sim.setFault("UR", MakeFault(FaultKind::Delay, 250));
  c->arrivals.clear();
  const qint64 sent = c->clock.elapsed();
  c->send("%UR001**\r");
  EXPECT_EQ(c->receive(23).size(), 23);
  ASSERT_FALSE(c->arrivals.empty());
  EXPECT_GE(c->arrivals.front().atMs - sent, 240);

  Fault split = MakeFault(FaultKind::Split, 3);
  split.pauseMs = 60;
  sim.setFault("EM", split);
  c->arrivals.clear();
  EXPECT_EQ(c->ask("%EM001**\r", 9), "$EM001**\r");
  // Three pieces 60 ms apart (a slow reader may take two at once).
  ASSERT_GE(c->arrivals.size(), 2u);
  EXPECT_GE(c->arrivals.back().atMs - c->arrivals.front().atMs, 110);

  // An empty code applies to every command without one of its own.
  sim.clearFaults();
  sim.setFault("", MakeFault(FaultKind::WrongCode));
  EXPECT_EQ(c->ask("%RC001**\r", 13), "$XX0010001**\r");
  sim.setFault("", MakeFault(FaultKind::None));
  EXPECT_EQ(c->ask("%RC001**\r", 13), "$RC0010001**\r");
}

TEST_F(Live, DropsTheConnectionAfterBytes) {
  ReaderSim::generateCards(*sim.reader(1), 5);
  sim.setFault("UC", MakeFault(FaultKind::DropAfterBytes, 20));
  c->send("%UC001**\r");
  ASSERT_TRUE(WaitUntil([&] { return c->socket.state() == QAbstractSocket::UnconnectedState; }, 2000));
  EXPECT_EQ(c->received.size(), 20);
  EXPECT_TRUE(c->received.startsWith("$UC001"));
  // The reader stays reachable on a new connection.
  TcpClient again(sim.tcpPort());
  EXPECT_EQ(again.ask("%RC001**\r", 13), "$RC0010001**\r");
}

TEST_F(Live, EndlessReplyWithoutCrStopsAtTheNextRequest) {
  sim.setFault("UC", MakeFault(FaultKind::EndlessNoCr));
  sim.reader(1)->cards = {255};
  c->send("%UC001**\r");
  RunFor(200);
  const QByteArray got = c->take();
  EXPECT_TRUE(got.startsWith("$UC")) << got.left(40).toStdString() << " size " << got.size();
  EXPECT_GT(got.size(), 100);
  EXPECT_FALSE(got.contains('\r'));
  c->send("%RC001**\r");
  EXPECT_TRUE(c->receiveUntil("$RC0010001**\r").endsWith("$RC0010001**\r"));
  RunFor(60);
  EXPECT_TRUE(c->take().isEmpty());  // the filler ended with the new request

  sim.setFault("UC", MakeFault(FaultKind::EndlessNoCr, 100));  // or after a set number of bytes
  c->send("%UC001**\r");
  RunFor(300);
  EXPECT_EQ(c->take().size(), 3 + 100);
}

TEST_F(Live, LogHasEveryRequestAndReply) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sim.log"));
  ASSERT_TRUE(sim.setLogFile(path));
  c->send("%RC001**\r");
  c->receive(13);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith("< %RC001**<CR>"));
  EXPECT_TRUE(lines[1].endsWith("> $RC0010001**<CR>"));
  EXPECT_TRUE(QDateTime::fromString(QString::fromLatin1(lines[0].left(23)), "yyyy-MM-dd hh:mm:ss.zzz").isValid());
}

TEST_F(Live, AutoSaveAfterChanges) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("auto.json"));
  sim.setAutoSave(path);
  c->send("%RC001**\r");
  c->receive(13);
  RunFor(400);
  EXPECT_FALSE(QFile::exists(path));  // reading changes nothing
  c->send("%NC001000000FF**\r%NC00100000100**\r");
  c->receive(20);
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(path); }, 2000));
  ReaderSim again;
  ASSERT_TRUE(again.loadState(path));
  EXPECT_EQ(again.reader(1)->cards, (std::vector<quint32>{255, 256}));
}

TEST(SimPty, DroppedPtyComesBackUnderItsLink) {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyDrop"));
  ReaderSim sim;
  sim.addReader(1, DeviceModel::TS30P);
  sim.setFault("RC", MakeFault(FaultKind::DropAfterBytes, 5, true));
  ASSERT_TRUE(sim.openPty(link));
  {
    PtySlave s(link);
    ASSERT_GE(s.fd, 0);
    s.send("%RC001**\r");
    QByteArray got;
    WaitUntil([&] { got += s.read(); return s.hungUp; }, 2000);
    EXPECT_TRUE(s.hungUp);
    EXPECT_EQ(got, "$RC00");
  }
  RunFor(50);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  PtySlave s(link);
  ASSERT_GE(s.fd, 0);
  s.send("%RC001**\r");
  EXPECT_EQ(s.receive(13), "$RC0010001**\r");
}

TEST(SimPty, SerialPort) {
  // A pseudo-terminal stands in for the real port: the simulator opens its
  // slave side as a serial device, the test plays the program on the master.
  tessaro::test::PtyPair line;
  ASSERT_TRUE(line.ok());
  ReaderSim sim;
  sim.addReader(3, DeviceModel::TS40);
  sim.setSerialParity('n');
  ASSERT_TRUE(sim.openSerial(line.slavePath(), 9600)) << sim.lastError().toStdString();
  line.write("%RC003**\r");
  QByteArray got;
  WaitUntil([&] { return (got += line.read()).size() >= 13; }, 2000);
  EXPECT_EQ(got, "$RC0030001**\r");
  EXPECT_FALSE(sim.openSerial(QStringLiteral("/nonexistent/ttyS99"), 9600));
  EXPECT_FALSE(sim.lastError().isEmpty());
}

TEST(SimPty, PacingMatchesTheLineRate) {
  ReaderSim sim;
  ReaderSim::generateCards(sim.addReader(1, DeviceModel::TS30P), 30);  // 30 lines of 17 and the end line: 519
  sim.setBaud(9600);
  ASSERT_TRUE(sim.openPty());
  PtySlave s(sim.ptyPath());
  ASSERT_GE(s.fd, 0);
  s.send("%UC001**\r");
  QElapsedTimer t;
  t.start();
  QByteArray got;
  qint64 firstMs = -1, lastMs = -1;
  WaitUntil(
      [&] {
        const QByteArray d = s.read();
        if (!d.isEmpty()) {
          if (firstMs < 0) firstMs = t.elapsed();
          lastMs = t.elapsed();
          got += d;
        }
        return got.size() >= 519;
      },
      3000);
  ASSERT_EQ(got.size(), 519);
  // 9600 baud at 11 bits a character: 872.7 characters a second; 10 bits (960) must fail.
  const double rate = (got.size() - 1) * 1000.0 / std::max<qint64>(1, lastMs - firstMs);
  EXPECT_NEAR(rate, 9600.0 / 11.0, 9600.0 / 11.0 * 0.06);
}

TEST(SimMemory, StateRoundTrip) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("state.json"));
  ReaderSim a;
  SimReader& r1 = a.addReader(1, DeviceModel::TS90C);
  r1.settings.masterCard = 0xFFFFFFFF;
  r1.settings.triggerTime = 9;
  r1.settings.vehicleDetector = 1;
  r1.clockOffsetSeconds = -3600;
  ReaderSim::generateCards(r1, 12);
  ReaderSim::generateRecords(r1, 7, QDateTime(QDate(2026, 5, 1), QTime(12, 0)));
  r1.records.push_back({999999999, {}, "310225250000"});
  a.addReader(200, DeviceModel::TS20).cards = {0, 255};
  ASSERT_TRUE(a.saveState(path));

  ReaderSim b;
  QString error;
  ASSERT_TRUE(b.loadState(path, &error)) << error.toStdString();
  ASSERT_EQ(b.readers().size(), 2u);
  for (const char* req : {"%US001**\r", "%UC001**\r", "%DD001**\r", "%RC001**\r", "%US200**\r", "%UC200**\r"}) {
    SCOPED_TRACE(req);
    EXPECT_EQ(b.replyFor(req), a.replyFor(req));
  }
  EXPECT_EQ(b.reader(1)->clockOffsetSeconds, -3600);
  EXPECT_EQ(b.reader(200)->model, DeviceModel::TS20);
  EXPECT_EQ(StateToJson(b.readers()), StateToJson(a.readers()));
}

TEST(SimMemory, BadStateFilesLeaveTheMemoryAlone) {
  const QByteArray one = R"({"readers": [{"id": 1, "model": "TS-30P", )";
  const std::vector<QByteArray> bad = {
      "not json",
      R"({"readers": 5})",
      R"({"readers": [{"id": 0, "model": "TS-30P"}]})",
      R"({"readers": [{"id": 1, "model": "TS-99"}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P"}, {"id": 1, "model": "TS-30P"}]})",
      one + R"("cards": [4294967296]}]})",
      one + R"("cards": [1.5]}]})",
      one + R"("settings": {"relayTime": 65}}]})",
      one + R"("records": [{"card": 1000000000, "stamp": "2026-01-01T00:00:00"}]}]})",
      one + R"("records": [{"card": 1, "stamp": "yesterday"}]}]})",
      one + R"("records": [{"card": 1, "rawStamp": "3102252500"}]}]})",
  };
  for (const QByteArray& json : bad) {
    SCOPED_TRACE(json.constData());
    std::vector<SimReader> readers(1);
    readers[0].id = 77;
    QString error;
    EXPECT_FALSE(StateFromJson(json, &readers, &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_EQ(readers.size(), 1u);
    EXPECT_EQ(readers[0].id, 77);
  }
}

TEST(SimMemory, GeneratedMemoryIsPlausible) {
  SimReader r;
  r.model = DeviceModel::TS20;
  ReaderSim::generateCards(r, 400);
  EXPECT_EQ(r.cards.size(), 255u);  // the model's limit
  EXPECT_EQ(std::set<quint32>(r.cards.begin(), r.cards.end()).size(), r.cards.size());
  const QDateTime newest(QDate(2026, 3, 1), QTime(8, 0));
  ReaderSim::generateRecords(r, 50, newest);
  ASSERT_EQ(r.records.size(), 50u);
  for (size_t i = 0; i < r.records.size(); ++i) {
    EXPECT_LE(r.records[i].card, 999999999u);
    EXPECT_LE(r.records[i].stamp, newest);
    EXPECT_GE(r.records[i].stamp.date().year(), 2025);
    if (i > 0) {
      EXPECT_LT(r.records[i - 1].stamp, r.records[i].stamp);  // oldest first
    }
  }
}

}  // namespace
