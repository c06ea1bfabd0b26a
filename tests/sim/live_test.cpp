// The simulated reader on a real line: TCP and its pseudo-terminal, with
// address filtering, several readers, faults in time, pacing and its memory file.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "sim/readersim.h"
#include "sim/simstate.h"
#include "simclient.h"

using namespace tessaro;
using namespace tessaro::sim;
using namespace tessaro::sim::test;

namespace {

struct Live {
  Live() {
    sim.addReader(1, DeviceModel::TS30P);
    ok = sim.listenTcp();
  }
  ReaderSim sim;
  bool ok = false;
};

TEST(SimLive, AnswersOnlyItsOwnAddress) {
  Live l;
  ASSERT_TRUE(l.ok);
  TcpClient c(l.sim.tcpPort());
  ASSERT_TRUE(c.connected);
  c.send("%RC002**\r");
  c.send("%RC256**\r");
  RunFor(150);
  EXPECT_TRUE(c.take().isEmpty());
  c.send("%RC001**\r");
  EXPECT_EQ(c.receive(13), "$RC0010001**\r");
  EXPECT_EQ(l.sim.requests(), (std::vector<QByteArray>{"%RC002**\r", "%RC256**\r", "%RC001**\r"}));
}

TEST(SimLive, RequestsInPiecesAfterGarbage) {
  Live l;
  ASSERT_TRUE(l.ok);
  TcpClient c(l.sim.tcpPort());
  c.send("\x80\xFFjunk%U");
  RunFor(30);
  c.send("R0");
  RunFor(30);
  c.send("01**\r");
  EXPECT_EQ(c.receive(23).left(6), "$UR001");
  ASSERT_EQ(l.sim.requests().size(), 1u);
  EXPECT_EQ(l.sim.requests()[0], "%UR001**\r");
}

TEST(SimLive, SeveralReadersOnOneLine) {
  Live l;
  ASSERT_TRUE(l.ok);
  l.sim.addReader(2, DeviceModel::TS30P).records.push_back({5, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), {}});
  l.sim.addReader(3, DeviceModel::TS30P);
  TcpClient c(l.sim.tcpPort());
  c.send("%NC003000000FF**\r");
  EXPECT_EQ(c.receive(10), "$NC003O**\r");
  c.send("%RC001**\r");
  EXPECT_EQ(c.receive(13), "$RC0010001**\r");
  c.send("%RC002**\r");
  EXPECT_EQ(c.receive(13), "$RC0020002**\r");
  c.send("%UC001**\r");
  EXPECT_EQ(c.receiveUntil("UF"), "$UF001**\r");
  c.send("%UC003**\r");
  EXPECT_EQ(c.receiveUntil("UF"), "$UC003000000FF**\r$UF003**\r");
  // A new address taken by "%DS" is the one it answers to from then on.
  c.send("%DS0020110090012345678**\r");
  EXPECT_EQ(c.receive(11), "$DS009OK**\r");
  c.send("%RC002**\r");
  RunFor(100);
  EXPECT_TRUE(c.take().isEmpty());
  c.send("%RC009**\r");
  EXPECT_EQ(c.receive(13), "$RC0090002**\r");
}

TEST(SimLive, KeepsCollectingRequestsWhileStreaming) {
  Live l;
  ASSERT_TRUE(l.ok);
  ReaderSim::generateCards(*l.sim.reader(1), 40);
  l.sim.setBaud(38400);  // 40 card lines take about 0.2 s
  TcpClient c(l.sim.tcpPort());
  c.send("%UC001**\r");
  RunFor(30);
  c.send("%RC001**\r");
  const QByteArray all = c.receiveUntil("$RC0010001**\r", 3000);
  EXPECT_EQ(l.sim.requests().size(), 2u);
  // The second reply follows the whole stream.
  EXPECT_EQ(all.count("$UC001"), 40);
  EXPECT_EQ(all.indexOf("$UF001**\r") + 9, all.indexOf("$RC0010001**\r"));
}

TEST(SimLive, EraseCardsTakesItsTime) {
  Live l;
  ASSERT_TRUE(l.ok);
  l.sim.setEraseCardsDelayMs(300);
  TcpClient c(l.sim.tcpPort());
  c.send("%EC001**\r");
  EXPECT_EQ(c.receive(9, 3000), "$EC001**\r");
  ASSERT_EQ(c.arrivals.size(), 1u);
  EXPECT_GE(c.arrivals[0].atMs, 290);
  EXPECT_LT(c.arrivals[0].atMs, 1000);
  l.sim.setEraseCardsDelayMs(60000);  // capped at the readers' 25 s
  l.sim.setEraseCardsDelayMs(-5);
  c.arrivals.clear();
  c.send("%EC001**\r");
  EXPECT_EQ(c.receive(9), "$EC001**\r");
}

TEST(SimLive, FaultsInTime) {
  Live l;
  ASSERT_TRUE(l.ok);
  TcpClient c(l.sim.tcpPort());
  Fault f;
  f.kind = FaultKind::Silence;
  f.once = true;
  l.sim.setFault("RC", f);
  c.send("%RC001**\r");
  RunFor(150);
  EXPECT_TRUE(c.take().isEmpty());
  c.send("%RC001**\r");  // a fault given once is gone
  EXPECT_EQ(c.receive(13), "$RC0010001**\r");

  f = Fault{};
  f.kind = FaultKind::Delay;
  f.arg = 250;
  l.sim.setFault("UR", f);
  c.arrivals.clear();
  const qint64 sent = c.clock.elapsed();
  c.send("%UR001**\r");
  EXPECT_EQ(c.receive(23).size(), 23);
  ASSERT_FALSE(c.arrivals.empty());
  EXPECT_GE(c.arrivals.front().atMs - sent, 240);

  f = Fault{};
  f.kind = FaultKind::Split;
  f.arg = 3;
  f.pauseMs = 60;
  l.sim.setFault("EM", f);
  c.arrivals.clear();
  c.send("%EM001**\r");
  EXPECT_EQ(c.receive(9), "$EM001**\r");
  ASSERT_EQ(c.arrivals.size(), 3u);
  EXPECT_GE(c.arrivals[2].atMs - c.arrivals[0].atMs, 110);

  // An empty code applies to every command without one of its own.
  l.sim.clearFaults();
  f = Fault{};
  f.kind = FaultKind::WrongCode;
  l.sim.setFault("", f);
  c.send("%RC001**\r");
  EXPECT_EQ(c.receive(13), "$XX0010001**\r");
  f.kind = FaultKind::None;
  l.sim.setFault("", f);
  c.send("%RC001**\r");
  EXPECT_EQ(c.receive(13), "$RC0010001**\r");
}

TEST(SimLive, DropsTheConnectionAfterBytes) {
  Live l;
  ASSERT_TRUE(l.ok);
  ReaderSim::generateCards(*l.sim.reader(1), 5);
  Fault f;
  f.kind = FaultKind::DropAfterBytes;
  f.arg = 20;
  l.sim.setFault("UC", f);
  TcpClient c(l.sim.tcpPort());
  c.send("%UC001**\r");
  ASSERT_TRUE(WaitUntil([&] { return c.socket.state() == QAbstractSocket::UnconnectedState; }, 2000));
  EXPECT_EQ(c.received.size(), 20);
  EXPECT_TRUE(c.received.startsWith("$UC001"));
  // The reader stays reachable on a new connection.
  TcpClient again(l.sim.tcpPort());
  again.send("%RC001**\r");
  EXPECT_EQ(again.receive(13), "$RC0010001**\r");
}

TEST(SimLive, EndlessReplyWithoutCrStopsAtTheNextRequest) {
  Live l;
  ASSERT_TRUE(l.ok);
  Fault f;
  f.kind = FaultKind::EndlessNoCr;
  l.sim.setFault("UC", f);
  l.sim.reader(1)->cards = {255};
  TcpClient c(l.sim.tcpPort());
  c.send("%UC001**\r");
  RunFor(200);
  const QByteArray got = c.take();
  EXPECT_TRUE(got.startsWith("$UC")) << got.left(40).toStdString() << " size " << got.size();
  EXPECT_GT(got.size(), 500);
  EXPECT_FALSE(got.contains('\r'));
  c.send("%RC001**\r");
  const QByteArray tail = c.receiveUntil("$RC0010001**\r");
  EXPECT_TRUE(tail.endsWith("$RC0010001**\r"));
  RunFor(60);
  EXPECT_TRUE(c.take().isEmpty());  // the filler ended with the new request

  f.arg = 100;  // or after a set number of bytes
  l.sim.setFault("UC", f);
  c.send("%UC001**\r");
  RunFor(300);
  EXPECT_EQ(c.take().size(), 3 + 100);
}

// The slave side of the simulator's pseudo-terminal, raw and non-blocking.
int OpenSlave(const QString& path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return fd;
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(fd, TCSANOW, &t);
  return fd;
}

QByteArray ReadFd(int fd) {
  QByteArray out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, n);
  }
  return out;
}

TEST(SimLive, PtyWithSymlinkRemovedAtTheEnd) {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyTessaro"));
  {
    ReaderSim sim;
    sim.addReader(4, DeviceModel::TS20);
    ASSERT_TRUE(sim.openPty(link)) << sim.lastError().toStdString();
    EXPECT_EQ(sim.ptyPath(), link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    const int fd = OpenSlave(link);
    ASSERT_GE(fd, 0);
    ::write(fd, "%RC004**\r", 9);
    QByteArray got;
    WaitUntil([&] { got += ReadFd(fd); return got.size() >= 13; }, 2000);
    EXPECT_EQ(got, "$RC0040001**\r");
    ::close(fd);
  }
  EXPECT_FALSE(QFileInfo::exists(link));
  EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(SimLive, DroppedPtyComesBackUnderItsLink) {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyDrop"));
  ReaderSim sim;
  sim.addReader(1, DeviceModel::TS30P);
  Fault f;
  f.kind = FaultKind::DropAfterBytes;
  f.arg = 5;
  f.once = true;
  sim.setFault("RC", f);
  ASSERT_TRUE(sim.openPty(link));
  int fd = OpenSlave(link);
  ASSERT_GE(fd, 0);
  ::write(fd, "%RC001**\r", 9);
  QByteArray got;
  bool hungUp = false;
  WaitUntil(
      [&] {
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, n);
        hungUp = n == 0 || (n < 0 && errno != EAGAIN);
        return hungUp;
      },
      2000);
  ::close(fd);
  EXPECT_TRUE(hungUp);
  EXPECT_EQ(got, "$RC00");
  RunFor(50);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  fd = OpenSlave(link);
  ASSERT_GE(fd, 0);
  ::write(fd, "%RC001**\r", 9);
  got.clear();
  WaitUntil([&] { got += ReadFd(fd); return got.size() >= 13; }, 2000);
  ::close(fd);
  EXPECT_EQ(got, "$RC0010001**\r");
}

TEST(SimLive, PacingMatchesTheLineRate) {
  ReaderSim sim;
  SimReader& r = sim.addReader(1, DeviceModel::TS30P);
  ReaderSim::generateCards(r, 30);  // 30 lines of 17 and the end line: 519 characters
  sim.setBaud(9600);
  ASSERT_TRUE(sim.openPty());
  const int fd = OpenSlave(sim.ptyPath());
  ASSERT_GE(fd, 0);
  ::write(fd, "%UC001**\r", 9);
  QElapsedTimer t;
  t.start();
  QByteArray got;
  qint64 firstMs = -1, lastMs = -1;
  WaitUntil(
      [&] {
        const QByteArray d = ReadFd(fd);
        if (!d.isEmpty()) {
          if (firstMs < 0) firstMs = t.elapsed();
          lastMs = t.elapsed();
          got += d;
        }
        return got.size() >= 519;
      },
      3000);
  ::close(fd);
  ASSERT_EQ(got.size(), 519);
  // 9600 baud at 11 bits a character: 872.7 characters a second.
  const double rate = (got.size() - 1) * 1000.0 / std::max<qint64>(1, lastMs - firstMs);
  EXPECT_NEAR(rate, 9600.0 / 11.0, 9600.0 / 11.0 * 0.12);
}

TEST(SimLive, StateRoundTrip) {
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
  SimReader& r2 = a.addReader(200, DeviceModel::TS20);
  r2.cards = {0, 255};
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

TEST(SimLive, BadStateFilesLeaveTheMemoryAlone) {
  const std::vector<QByteArray> bad = {
      "not json",
      R"({"readers": 5})",
      R"({"readers": [{"id": 0, "model": "TS-30P"}]})",
      R"({"readers": [{"id": 1, "model": "TS-99"}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P"}, {"id": 1, "model": "TS-30P"}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "cards": [4294967296]}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "cards": [1.5]}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "settings": {"relayTime": 65}}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "records": [{"card": 1000000000, "stamp": "2026-01-01T00:00:00"}]}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "records": [{"card": 1, "stamp": "yesterday"}]}]})",
      R"({"readers": [{"id": 1, "model": "TS-30P", "records": [{"card": 1, "rawStamp": "3102252500"}]}]})",
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

TEST(SimLive, GeneratedMemoryIsPlausible) {
  SimReader r;
  r.model = DeviceModel::TS20;
  ReaderSim::generateCards(r, 400);
  EXPECT_EQ(r.cards.size(), 255u);  // the model's limit
  std::set<quint32> distinct(r.cards.begin(), r.cards.end());
  EXPECT_EQ(distinct.size(), r.cards.size());
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

TEST(SimLive, LogHasEveryRequestAndReply) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sim.log"));
  Live l;
  ASSERT_TRUE(l.ok);
  ASSERT_TRUE(l.sim.setLogFile(path));
  TcpClient c(l.sim.tcpPort());
  c.send("%RC001**\r");
  c.receive(13);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith("< %RC001**<CR>"));
  EXPECT_TRUE(lines[1].endsWith("> $RC0010001**<CR>"));
  EXPECT_EQ(QDateTime::fromString(QString::fromLatin1(lines[0].left(23)), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).isValid(),
            true);
}

}  // namespace
