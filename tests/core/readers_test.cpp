// The whole reader operations the command-line tool and the bus view share.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "accesslog.h"
#include "line.h"
#include "readers.h"
#include "scan.h"
#include "support/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

TEST(Readers, ProbeTellsFamilyAndCollision) {
  const QByteArray ts90c = "$US0030510000200000000A1234567**\r", ts40 = "$US003051000010000000000A1**\r";
  QByteArray garbled = ts40;
  garbled[13] = 'x';  // its run mode no digit
  const struct { std::vector<QByteArray> replies; bool present, collision; int models; qint64 relay; } rows[] = {
      {{ts90c, ts90c}, true, false, 1, 5}, {{ts40, ts40}, true, false, 6, 5}, {{ts40, ts90c}, true, true, 6, -1},
      {{"$US003\x04\x05**\r", "$US003\x04\x05**\r"}, true, true, 0, -1}, {{}, false, false, 0, -1},
      {{garbled, garbled}, true, true, 6, -1}};
  for (const auto& r : rows) {
    FakeEnv f;
    f.answerInTurn(r.replies, 5);
    const ProbedReader p = ProbeReader(f.env, 3);
    EXPECT_EQ(std::make_tuple(p.present, p.collision, static_cast<int>(p.family.candidates().size())), std::make_tuple(r.present, r.collision, r.models));
    EXPECT_EQ(p.settings ? p.settings->relayTime : -1, r.relay);
  }
  FakeEnv f;  // a card list that never comes is no list, not an empty one
  f.answerInTurn({ts40, ts40}, 5);
  EXPECT_EQ(SaveReader(f.env, 3, DeviceModel::TS40).why, Why::TimedOut);
}

// A settings reply read as what is known of the model: its length narrows the
// candidates; what they read apart is not known; another model's reply is told as such.
TEST(Readers, SettingsReadAsTheModelKnown) {
  using M = DeviceModel;
  // Address 3, relay 5, entry, run mode at 11; the master card 0x6F at 16-23 (at 15-22 it reads 0x6).
  auto reply = [](char runMode) { return QByteArray("$US0030510000") + runMode + "00000000006F**\r"; };
  const ReaderModel all, family28 = ReaderModel::Among({M::TS30H, M::TS30P, M::TS40, M::TS40B, M::TS20B, M::TS90});
  const struct { ReaderModel given; QByteArray reply; Why why; ReaderModel model; std::optional<quint32> master; bool runModeKnown; } rows[] = {
      {all, reply('1'), Why::Done, family28, std::nullopt, true},
      {all, reply('2'), Why::Done, family28, std::nullopt, false},  // Read-Only on some, Stand-Alone on others
      {M::TS40, reply('2'), Why::Done, M::TS40, 111, true},
      {M::TS20B, reply('0'), Why::Done, M::TS20B, 6, true},
      {M::TS90C, reply('0'), Why::OtherModel, family28, std::nullopt, true},
      {all, "$US00305**\r", Why::BadReply, all, std::nullopt, true},
      {all, "$DS003OK**\r$US003051000000000000006F**\r", Why::BadReply, all, std::nullopt, true},
      {all, {}, Why::TimedOut, all, std::nullopt, true}};
  for (const auto& r : rows) {
    FakeEnv f;
    if (!r.reply.isEmpty()) f.answer(r.reply);
    const ReaderSettings s = ReadReaderSettings(f.env, 3, r.given);
    EXPECT_EQ(s.why, r.why) << r.reply.constData();
    if (r.why == Why::Done || r.why == Why::OtherModel) { EXPECT_EQ(s.model, r.model) << r.reply.constData(); }
    if (r.why != Why::Done) continue;
    EXPECT_EQ(s.settings.masterCard, r.master) << r.reply.constData();
    EXPECT_EQ(std::make_tuple(s.settings.masterCardUnknown, s.settings.runModeUnknown, s.settings.relayTime),
              std::make_tuple(!r.model.known(), !r.runModeKnown, qint64(5))) << r.reply.constData();
  }
}

TEST(Readers, ClockCardsAndRecords) {
  const QDateTime pc(QDate(2026, 12, 5), QTime(14, 3, 9));
  FakeEnv f;
  // 100 s ahead; set; then 2 s ahead: still within 2 s.
  f.answerInTurn({"$UR00105122614044907**\r", "$DR001**\r", "$UR00105122614031107**\r"}, 5);
  const ClockSync s = SyncClock(f.env, 1, 2, [&] { return pc; });
  EXPECT_EQ(std::make_tuple(s.before.seconds, s.set, s.after->seconds, s.ok()), std::make_tuple(qint64(100), true, qint64(2), true));
  f.answerInTurn({"$UR00105122614044907**\r", "$DR001**\r", "$UR00105122614031207**\r"}, 5);  // 3 s ahead after the set: not taken
  EXPECT_EQ(SyncClock(f.env, 1, 2, [&] { return pc; }).why(), Why::NotTaken);
  f.answerInTurn({"$EC001**\r", "$NC001O**\r", "$NC001E**\r"}, 5);
  const CardPush push = PushCards(f.env, 1, {7, 8, 9}, true);
  EXPECT_EQ(std::make_tuple(push.sent, push.why(), push.eraseFailed), std::make_tuple(1, Why::MemoryFull, false));  // "E": full
  EXPECT_EQ(f.link.requests.back(), "%NC00100000008**\r");
  f.answerInTurn({"$NC001O**\r"}, 5);  // stopped after the first card: not a push that went through
  const CardPush stop = PushCards(f.env, 1, {7, 8}, false, [n = 0]() mutable { return n++ == 1; });
  EXPECT_EQ(std::make_tuple(stop.sent, stop.why()), std::make_tuple(1, Why::Stopped));
  // The record type is the reader's own: "2" at position 6 of its settings is exit.
  QTemporaryDir dir;
  AccessLog log(dir.filePath("log.txt"));
  f.answerInTurn({"$US001052000010000000000A1**\r", "$RC0010002**\r", "$DD001000000042051226140309**\r$FD001**\r"}, 5);
  const ReaderPull pull = PullReaderRecords(f.env, 1, DeviceModel::TS40, log, false);
  EXPECT_EQ(std::make_tuple(pull.recordType, pull.pull.end, pull.pull.records), std::make_tuple(2, PullEnd::Kept, 1));
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

// The scan on a line of replies by address: a reader at 1, one answering 300 ms late at 2, two at 4 whose
// replies garble each other, one at 6 (the last) 200 ms late; 3 and 5 silent.
TEST(Scan, ShortWaitsThenFullReadsOfWhatWasHeard) {
  FakeEnv f;
  const QByteArray tail = "051000010000000000A1**\r";  // relay 5, the rest of a TS-40's reply
  f.link.onWrite = [&](const QByteArray& request) {
    const int a = request.mid(3, 3).toInt();
    const QByteArray line = "$US" + request.mid(3, 3) + tail;
    if (a == 1) f.link.deliverAfter(5, line);
    if (a == 2) f.link.deliverAfter(300, line);
    if (a == 4) f.link.deliverAfter(5, "$US004" + QByteArray(tail).replace('5', 'x'));
    if (a == 6) f.link.deliverAfter(200, line);
  };
  const qint64 start = f.clock.ms;
  QStringList asked;
  const LineScan scan = ScanLine(f.env, {1, 2, 3, 4, 5, 6}, {.asking = [&](int a, int answered) { asked << QStringLiteral("%1:%2").arg(a).arg(answered); }});
  QStringList found;
  for (const ScannedReader& r : scan.readers) found << QStringLiteral("%1%2").arg(r.address).arg(r.probe.collision ? "!" : "");
  EXPECT_EQ(found, QStringList({"1", "2", "4!", "6"}));
  EXPECT_EQ(asked, QStringList({"1:0", "2:1", "3:1", "4:1", "5:2", "6:2"}));  // 2 heard late
  QStringList requests;
  for (const QByteArray& r : f.link.requests) requests << QString::fromLatin1(r.mid(3, 3));
  // The first pass, then a second read of 1 and two full reads of the others heard.
  EXPECT_EQ(requests, QStringList({"001", "002", "003", "004", "005", "006", "001", "002", "002", "004", "004", "006", "006"}));
  EXPECT_LT(f.clock.ms - start, 6 * 60 + 510 + 2 * 300 + 2 * 200 + 200);
  // Bytes that name no address: every address within its full wait is asked again; the one they come under then is read in full.
  f.link.requests.clear();
  f.link.onWrite = [&](const QByteArray& request) { if (request.startsWith("%US003")) f.link.deliverAfter(5, "\x01\x7F"); };
  EXPECT_TRUE(ScanLine(f.env, {1, 2, 3}).readers.empty());
  requests.clear();
  for (const QByteArray& r : f.link.requests) requests << QString::fromLatin1(r.mid(3, 3));
  EXPECT_EQ(requests, QStringList({"001", "002", "003", "001", "002", "003", "003"}));
  // A reply in two pieces is one reply, and a line end alone is no noise: nothing is looked into again.
  f.link.requests.clear();
  f.link.onWrite = [&](const QByteArray& request) {
    if (request.startsWith("%US001")) f.link.deliverAfter(5, "$US001"), f.link.deliverAfter(8, tail);
    if (request.startsWith("%US002")) f.link.deliverAfter(5, "\r\n");
  };
  EXPECT_EQ(ScanLine(f.env, {1, 2}).readers.size(), size_t(1));
  EXPECT_EQ(f.link.requests.size(), size_t(3));  // the first pass and the second read of 1
  // Stopped: only what answered at once is read again, and the first address not asked is named.
  f.link.requests.clear();
  f.link.onWrite = [&](const QByteArray& request) { f.link.deliverAfter(5, "$US" + request.mid(3, 3) + tail); };
  int n = 0;
  const LineScan stopped = ScanLine(f.env, {7, 8, 9}, {.cancelled = [&] { return ++n > 2; }});
  EXPECT_EQ(std::make_pair(stopped.readers.size(), stopped.stoppedAt), std::make_pair(size_t(2), std::optional<int>(9)));
}

TEST(Scan, WaitFromTheLinesSpeedAndItsReplies) {
  const struct { LinkKind kind; int baud; qint64 slowestUs; int ms; } rows[] = {
      {LinkKind::Serial, 38400, 0, 43}, {LinkKind::Serial, 1200, 0, 123}, {LinkKind::Serial, 38400, 30'001, 61},
      {LinkKind::Tcp, 0, 0, 50}, {LinkKind::Tcp, 0, 2'000'000, 1510}, {LinkKind::Serial, 9600, 10'000'000, 510}};
  for (const auto& r : rows) EXPECT_EQ(ScanWaitMs(r.kind, r.baud, r.slowestUs), r.ms) << r.baud << " " << r.slowestUs;
}

}  // namespace
}  // namespace tessaro
