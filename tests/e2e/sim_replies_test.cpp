// The simulated reader's replies as literal bytes, written out by hand from the
// readers' reply layouts, so that neither the simulator's nor the program's
// model table can supply the expectation; and what the simulator's user types.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <set>
#include <tuple>

#include "readersim.h"
#include "simpacer.h"
#include "support/printers.h"

using namespace tessaro::sim;

namespace {

// Reader 123: relay 37 s, exit records, Online, master card 89ABCDEF. The
// Wiegand fields differ per row so that a swapped pair shows.
TEST(SimRepliesE2e, SettingsReplyPerModel) {
  const struct { SimModel model; int epcStartWord, wiegandType; const char* reply; } rows[] = {
      // "$US", address, relay time, record type, positions 7-10, run mode, the
      // unused positions before the master card, master card, further fields, "**" CR.
      {SimModel::TS20, 1, 1, "$US123" "37" "2" "0000" "1" "000" "89ABCDEF" "**\r"},
      {SimModel::TS30H, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS30P, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS40, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS40B, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS20B, 1, 1, "$US123" "37" "2" "0000" "1" "000" "89ABCDEF" "0" "**\r"},
      {SimModel::TS90, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS90B, 0, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "01" "**\r"},
      {SimModel::TS90C, 1, 0, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "1018" "**\r"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "model " << static_cast<int>(row.model));
    ReaderSim sim;
    SimSettings& s = sim.addReader(123, row.model).settings;
    s = {37, 2, 1, 0x89ABCDEFu, row.epcStartWord, row.wiegandType, 1, 8};
    EXPECT_EQ(sim.replyFor("%US123**\r"), QByteArray(row.reply));
  }
}

// One reader through the other commands, in this order: the erases and the
// new address change what the later rows see.
TEST(SimRepliesE2e, CommandRepliesInOrder) {
  ReaderSim sim;
  sim.setNow([] { return QDateTime(QDate(2025, 1, 5), QTime(9, 3, 7)); });  // a Sunday
  SimReader& r = sim.addReader(45, SimModel::TS40B);
  r.cards = {0x0A1B2C3Du};
  r.records = {{987654321u, QDateTime(QDate(2024, 2, 29), QTime(23, 58, 7)), {}}};
  const struct { const char* request; const char* reply; } rows[] = {
      {"%UC045**\r", "$UC0450A1B2C3D**\r$UF045**\r"},
      {"%DD045**\r", "$DD045987654321290224235807**\r$FD045**\r"},
      {"%RC045**\r", "$RC0450002**\r"},
      {"%UR045**\r", "$UR04505012509030701**\r"},
      {"%NC045FEDCBA98**\r", "$NC045O**\r"},
      {"%NC04512345**\r", "$NC045X**\r"},
      {"%UC045**\r", "$UC0450A1B2C3D**\r$UC045FEDCBA98**\r$UF045**\r"},
      {"%EC045**\r", "$EC045**\r"},
      {"%UC045**\r", "$UF045**\r"},
      {"%EM045**\r", "$EM045**\r"},
      {"%RC045**\r", "$RC0450001**\r"},
      {"%DR04531122523595904**\r", "$DR045**\r"},
      {"%UR045**\r", "$UR04531122523595904**\r"},
      {"%DS0453110670289ABCDEF**\r", "$DS067OK**\r"},  // Read-Only, new address 67
      {"%US045**\r", ""},
      {"%US067**\r", "$US06731100002000089ABCDEF**\r"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.request);
    EXPECT_EQ(sim.replyFor(row.request), QByteArray(row.reply));
  }
}

// --fault as the simulator's user writes it.
TEST(SimRepliesE2e, FaultText) {
  const struct { const char* text; QByteArray code; FaultKind kind; int arg, pauseMs; QByteArray raw; const char* error = ""; } rows[] = {
      {"%us:Silence", "US", FaultKind::Silence, 0, 50, ""},
      {"ALL:noise", "", FaultKind::Noise, 8, 50, ""},
      {"*:bursts", "", FaultKind::Bursts, 16, 50, ""},
      {"DD:stopafter:3", "DD", FaultKind::StopAfter, 3, 50, ""},
      {"UC:split:5:0", "UC", FaultKind::Split, 5, 0, ""},
      {"NC:delaytail:2:75", "NC", FaultKind::DelayTail, 2, 75, ""},
      {"RC:raw:$RC0:1\\r\\x41", "RC", FaultKind::Raw, 0, 50, "$RC0:1\rA"},
      {"DD", {}, {}, 0, 0, {}, "a fault is CMD:KIND[:ARG]"},
      {"D1:silence", {}, {}, 0, 0, {}, "unknown command 'D1'"},
      {"DD:Sleep", {}, {}, 0, 0, {}, "unknown fault kind 'Sleep'"},
      {"DD:delay", {}, {}, 0, 0, {}, "fault 'delay' needs an argument"},
      {"DD:split:-1", {}, {}, 0, 0, {}, "bad argument '-1'"},
      {"DD:staletail:3:x", {}, {}, 0, 0, {}, "bad pause 'x'"},
      {"DD:noise:4:10", {}, {}, 0, 0, {}, "too many fields in 'DD:noise:4:10'"},
      {"RC:raw:\\x4", {}, {}, 0, 0, {}, "bad \\x escape in raw reply"},
  };
  for (const auto& r : rows) {
    QByteArray code;
    Fault f;
    QString error;
    EXPECT_EQ(ParseFault(r.text, &code, &f, &error), !*r.error) << r.text;
    EXPECT_EQ(error, QString::fromLatin1(r.error)) << r.text;
    if (!*r.error) {
      EXPECT_EQ(std::tie(code, f.kind, f.arg, f.pauseMs, f.raw), std::tie(r.code, r.kind, r.arg, r.pauseMs, r.raw)) << r.text;
    }
  }
}

// --cards N gives N distinct cards; the pty's link goes with the simulator.
TEST(SimRepliesE2e, GeneratedCardsAndPtyLink) {
  SimReader r;
  ReaderSim::generateCards(r, 3);
  EXPECT_EQ(std::set<quint32>(r.cards.begin(), r.cards.end()).size(), 3u);
  QTemporaryDir dir;
  const QString link = dir.filePath("tty");
  {
    ReaderSim sim;
    ASSERT_TRUE(sim.openPty(link)) << sim.lastError().toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
  }
  EXPECT_FALSE(QFileInfo(link).isSymLink());
}

// A paced character reaches the program once its last bit has, and the request takes its own line time first: at
// 38400 baud the CR of a 23-character reply to a 9-character request comes 32 characters' time after the request.
TEST(SimRepliesE2e, PacedReplyEndsAfterItsLineTime) {
  ReaderSim sim;
  sim.addReader(1, SimModel::TS30P);
  ASSERT_TRUE(sim.openPty());
  sim.setBaud(38400);
  QSerialPort port(sim.ptyPath());
  ASSERT_TRUE(port.open(QIODevice::ReadWrite));
  QElapsedTimer t;
  t.start();
  port.write("%UR001**\r");
  QByteArray reply;
  while (!reply.endsWith('\r') && t.elapsed() < 2000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    reply += port.readAll();
  }
  const qint64 ns = t.nsecsElapsed();
  EXPECT_GE(ns * 38400, 32 * 11'000'000'000LL);
  EXPECT_LT(ns, 2'000'000'000LL);
}

// Notes when each write reaches the line and how many characters the line has carried by then.
struct NotingLine : Channel {
  qint64 writeSome(const QByteArray& data) override {
    ends.emplace_back(clock.nsecsElapsed(), chars += data.size());
    return data.size();
  }
  void dropLine() override {}
  bool alive() const override { return true; }
  QElapsedTimer clock;
  qint64 chars = 0;
  std::vector<std::pair<qint64, qint64>> ends;
};

// No paced character is handed on before its last bit: a UART hands each on alone, a USB adapter several together.
TEST(SimRepliesE2e, PacedDeliveryUartAndUsb) {
  for (const Delivery delivery : {Delivery::Uart, Delivery::Usb}) {
    NotingLine line;
    Pacer pacer(line, {});
    pacer.setBaud(38400);
    pacer.setDelivery(delivery);
    line.clock.start();
    pacer.queue({.data = QByteArray(30, 'x')});
    pacer.service();
    while (line.chars < 30 && line.clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    for (const auto& [ns, chars] : line.ends) EXPECT_GE(ns * 38400, chars * 11'000'000'000LL) << chars;
    EXPECT_EQ(line.chars, 30);
    // 30 characters take 8.6 ms: a USB adapter hands them on in a write a millisecond at most.
    EXPECT_TRUE(delivery == Delivery::Uart ? line.ends.size() == 30u : line.ends.size() <= 10u) << line.ends.size();
  }
}

// --state: what one simulator saves, the next one loads.
TEST(SimRepliesE2e, StateFileRoundTrip) {
  QTemporaryDir dir;
  const QString file = dir.filePath("state.json");
  {
    ReaderSim sim;
    SimReader& r = sim.addReader(7, SimModel::TS90C);
    r.settings.relayTime = 42;
    r.cards = {0x12345678u, 5u};
    ASSERT_TRUE(sim.saveState(file));
  }
  ReaderSim sim;
  EXPECT_FALSE(sim.loadState(dir.filePath("none.json")));
  QString error;
  ASSERT_TRUE(sim.loadState(file, &error)) << error.toStdString();
  const SimReader* r = sim.reader(7);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::tie(r->model, r->settings.relayTime, r->cards),
            std::tuple(SimModel::TS90C, 42, std::vector<quint32>{0x12345678u, 5u}));
}

}  // namespace
