// One real exchange of every command through the core's links, over TCP and
// over the simulator's pseudo-terminal, on the real event loop and wall clock.

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>

#include "link/devicelinks.h"
#include "link/eventpump.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "sim/readersim.h"
#include "simclient.h"

using namespace tessaro;
using namespace tessaro::sim;

namespace {

class EndToEnd : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    SimReader& r = sim.addReader(1, DeviceModel::TS90C);
    r.cards = {255, 0xFFFFFFFF};
    r.records.push_back({123456789, QDateTime(QDate(2026, 12, 5), QTime(10, 6, 9)), {}});
    sim.setEraseCardsDelayMs(100);
    sim.setNow([] { return QDateTime(QDate(2025, 12, 31), QTime(9, 59, 59)); });
    // The window's 10 ms timer, which the settings read counts on.
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [this] { ticks.advance(); });
    tick.start();
    ConnectionSettings cs;
    if (tcp()) {
      ASSERT_TRUE(sim.listenTcp());
      cs.tcp = true;
      cs.host = QStringLiteral("127.0.0.1");
      cs.tcpPort = static_cast<qint16>(sim.tcpPort());
    } else {
      ASSERT_TRUE(sim.openPty()) << sim.lastError().toStdString();
      const QString path = sim.ptyPath();
      links.serial().setPortResolver([path](int n) { return n == 1 ? path : QString(); });
      cs.serialPort = 1;
      cs.serialSettings = QStringLiteral("38400,o,8,1");
    }
    QString fail;
    link = links.open(cs, &fail);
    ASSERT_NE(link, nullptr) << fail.toStdString();
  }
  void TearDown() override { links.closeSerial(); }
  bool tcp() const { return GetParam(); }

  // A one-second deadline leaves between 0 and 1 s; start early in a second
  // so a reply a few milliseconds away is never cut off.
  void earlyInSecond() {
    const int left = clock.msUntilNextSecond();
    if (left < 300) QThread::msleep(static_cast<unsigned long>(left + 10));
  }

  ExchangeResult exchange(const CommandParams& p, QByteArrayView payload = {}) {
    earlyInSecond();
    ExchangeEnv env = links.env(*link);
    return CommandExchange(env, p, 1, payload);
  }

  // A streamed request: drain, write, then collect raw bytes until `end` or 5 s of silence.
  QByteArray stream(const CommandParams& p, const QByteArray& end) {
    ExchangeEnv env = links.env(*link);
    DrainForCommand(env, p);
    WriteRequest(env, BuildRequest(QByteArrayView(p.code, 2), 1));
    QByteArray got;
    qint64 last = clock.nowSeconds();
    qint64 deadline = last + p.deadlineSeconds;
    while (last <= deadline && !got.contains(end)) {
      WaitPass(env, last, deadline + 1);
      last = clock.nowSeconds();
      if (env.link.available() > 0) {
        got += env.link.readAll();
        deadline = last + p.deadlineSeconds;
      }
    }
    return got;
  }

  ReaderSim sim;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TickCounter ticks;
  QTimer tick;
  DeviceLinks links{pump, clock, ticks};
  Link* link = nullptr;
};

TEST_P(EndToEnd, EveryCommand) {
  CommandParams readSettings = Cmd::ReadSettings;
  readSettings.threshold = ProfileOf(DeviceModel::TS90C).settingsReplyLength;  // 32
  const struct {
    const CommandParams& p;
    QByteArray payload;
    QByteArray reply;
    const char* streamEnd;  // a streamed reply, collected raw up to its end code
  } steps[] = {
      {readSettings, "", QByteArray("$US") + "001" + "01" + "1" + "0000" + "0" + "0000" + "00000000" + "0005" + "**\r",
       nullptr},
      {Cmd::WriteSettings, "05200100000000FF1119", "$DS001OK**\r", nullptr},
      {Cmd::SendCard, "0000ABCD", "$NC001O**\r", nullptr},
      {Cmd::ReadCards, "", "$UC001000000FF**\r$UC001FFFFFFFF**\r$UC0010000ABCD**\r$UF001**\r", "UF"},
      {Cmd::EraseCards, "", "$EC001**\r", nullptr},
      {Cmd::ReadRecordCount, "", "$RC0010002**\r", nullptr},
      {Cmd::DownloadRecords, "", "$DD001123456789051226100609**\r$FD001**\r", "FD"},
      {Cmd::EraseRecords, "", "$EM001**\r", nullptr},
      {Cmd::EraseRecordsAfterDownload, "", "$EM001**\r", nullptr},
      {Cmd::SetClock, "05012509030701", "$DR001**\r", nullptr},
      {Cmd::ReadClock, "", "$UR00105012509030701**\r", nullptr},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.p.code);
    if (s.streamEnd) {
      EXPECT_EQ(stream(s.p, s.streamEnd), s.reply);
      continue;
    }
    const ExchangeResult r = exchange(s.p, s.payload);
    EXPECT_EQ(r.status(s.p.convention), 1);
    EXPECT_EQ(r.received, s.reply);
  }
  EXPECT_EQ(sim.reader(1)->settings.triggerTime, 9);
  std::vector<QByteArray> codes;
  for (const QByteArray& q : sim.requests()) codes.push_back(q.mid(1, 2));
  EXPECT_EQ(codes, (std::vector<QByteArray>{"US", "DS", "NC", "UC", "EC", "RC", "DD", "EM", "EM", "DR", "UR"}));
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEnd, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Tcp" : "Pty"; });

}  // namespace
