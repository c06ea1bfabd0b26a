// The two exchanges on a scripted link and a fake clock: drains, deadlines,
// thresholds, checks and the line splitting of streams.

#include <gtest/gtest.h>

#include <QList>

#include "exchange.h"
#include "traffic.h"
#include "support/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

class Lines : public LineSink {
 public:
  LineVerdict line(QByteArrayView l) override {
    got << l.toByteArray();
    return l.contains("E") ? LineVerdict::End : LineVerdict::More;
  }
  void pieceDone() override { ++pieces; }
  QList<QByteArray> got;
  int pieces = 0;
};

// Read-and-discard passes before the request, and how long a silent reader is waited for, on each link.
TEST(Exchange, DrainAndWaitOfEveryCommand) {
  const struct { const Command& cmd; int serialDrain, serialWait, tcpDrain, tcpWait; } rows[] = {
      {Cmd::SetClock, 2001, 1000, 2001, 1000}, {Cmd::ReadClock, 2001, 1000, 2001, 1000},
      {Cmd::ReadRecordCount, 2001, 1000, 2001, 1000}, {Cmd::EraseRecords, 2001, 1000, 2001, 1000},
      {Cmd::EraseRecordsAfterDownload, 20001, 1000, 20001, 1000}, {Cmd::EraseCards, 2001, 25000, 2001, 25000},
      {Cmd::SendCard, 5001, 2000, 32768, 2000}, {Cmd::WriteSettings, 2001, 2000, 2001, 2000},
      {Cmd::ReadSettings, 2001, 510, 1001, 1510}, {Cmd::ReadCards, 2001, 6000, 32768, 6000},
      {Cmd::DownloadRecords, 2001, 5000, 2001, 5000}};
  for (const auto& r : rows) {
    for (const LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
      SCOPED_TRACE(testing::Message() << r.cmd.code << (kind == LinkKind::Tcp ? " tcp" : " serial"));
      FakeEnv f(kind);
      ExchangeEnv env = f.env();
      const qint64 start = f.clock.ms;
      Lines sink;
      if (r.cmd.replyLength > 0 || &r.cmd == &Cmd::ReadSettings) {
        EXPECT_EQ(CommandExchange(env, r.cmd, {.deviceId = 1, .replyLength = 9}).outcome, Outcome::NoReply);
      } else {
        EXPECT_EQ(StreamExchange(env, r.cmd, 1, sink), StreamEnd::Silence);
      }
      EXPECT_EQ(f.link.readsBeforeWrite, kind == LinkKind::Serial ? r.serialDrain : r.tcpDrain);
      EXPECT_EQ(f.clock.ms - start, kind == LinkKind::Serial ? r.serialWait : r.tcpWait);
    }
  }
}

// A reply is taken once the command's count of characters is there, counted from its "$", up to the last
// moment before the deadline. Pieces: (ms after the request, bytes).
TEST(Exchange, ReplyCompleteAtItsLengthBeforeTheDeadline) {
  using Pieces = std::vector<std::pair<qint64, QByteArray>>;
  const struct { Pieces pieces; Outcome outcome; } rows[] = {
      {{{999, "$DR001**\r"}}, Outcome::Ok}, {{{1001, "$DR001**\r"}}, Outcome::NoReply}, {{{0, "$DR001**"}}, Outcome::NoReply},
      {{{0, "xx$DR001**\r"}}, Outcome::Ok}, {{{0, "$EM001**\r"}}, Outcome::BadReply}, {{{0, "DR001***\r"}}, Outcome::Ok},
      {{{300, "$DR0"}, {900, "01**\r"}}, Outcome::Ok}, {{{10, "**\r$DR001"}, {999, "**"}}, Outcome::NoReply},
      {{{10, "**\r$DR001"}, {20, "**\r"}}, Outcome::Ok}};
  for (const auto& r : rows) {
    FakeEnv f;
    QByteArray all;
    f.link.onWrite = [&](const QByteArray&) {
      for (const auto& [at, bytes] : r.pieces) f.link.deliverAfter(at, bytes);
    };
    for (const auto& piece : r.pieces) all += piece.second;
    ExchangeEnv env = f.env();
    const ExchangeResult got = CommandExchange(env, Cmd::SetClock, {.deviceId = 1});
    EXPECT_EQ(got.outcome, r.outcome) << all.constData();
    EXPECT_EQ(got.received, r.outcome == Outcome::NoReply ? QByteArray() : all);
  }
}

TEST(Exchange, RequestPortCheckAndDrains) {
  FakeEnv t(LinkKind::Tcp);
  t.link.deliverAfter(0, "$NC007E**\r");  // a late reply to an earlier request: the drain reads it away
  t.answer("$NC007O**\r");
  ExchangeEnv env = t.env();
  // The payload is made after the drain, at the time of sending.
  qint64 madeAt = -1;
  const auto payload = [&] { madeAt = t.clock.ms; return QByteArray("000000FF"); };
  EXPECT_EQ(CommandExchange(env, Cmd::SendCard, {.deviceId = 7, .payloadAtSending = payload}).outcome, Outcome::Ok);
  EXPECT_EQ(t.link.requests, std::vector<QByteArray>{"%NC007000000FF**\r"});
  EXPECT_EQ(madeAt, 1'000'000);
  // Over TCP the card write drains again after its reply.
  EXPECT_EQ(t.link.reads - t.link.readsBeforeWrite, 1 + 32768);
  // On a serial port what arrives in the drain's last pass goes with the emptied buffers.
  FakeEnv s;
  int passes = 0;
  s.pump.onPass = [&] { if (++passes == 5001) s.link.deliverAfter(0, "$NC007E**\r"); };
  s.answer("$NC007O**\r");
  ExchangeEnv serialEnv = s.env();
  EXPECT_EQ(CommandExchange(serialEnv, Cmd::SendCard, {.deviceId = 7}).outcome, Outcome::Ok);
  // A serial port that reports an error sends nothing.
  FakeEnv f;
  f.link.portOk = false;
  ExchangeEnv serial = f.env();
  EXPECT_EQ(CommandExchange(serial, Cmd::ReadSettings, {.deviceId = 1, .replyLength = 28}).outcome, Outcome::BadReply);
  EXPECT_TRUE(f.link.requests.empty());
}

TEST(Exchange, ReplyChecks) {
  const struct { const Command& cmd; qint16 id; const char* received; bool ok; } rows[] = {
      {Cmd::EraseCards, 1, "xxEC", true}, {Cmd::EraseCards, 1, "$ECx", true}, {Cmd::EraseCards, 1, "$XE001C**\r", false},
      {Cmd::SendCard, 1, "$NC001O**\r", true}, {Cmd::SendCard, 1, "$NC001E**\r", false}, {Cmd::SendCard, 1, "NC001O**\r", false},
      {Cmd::SendCard, 1, "$NC001", false}, {Cmd::SendCard, 1, "$XX001O$NC002O**\r", true},
      {Cmd::EraseRecordsAfterDownload, 1, "$XX001**\r", true}, {Cmd::EraseRecordsAfterDownload, 1, "$EM002**\r", false},
      {Cmd::EraseRecordsAfterDownload, 12, "$EM012**\r", true}, {Cmd::ReadClock, 1, "$ur001", false}};
  for (const auto& r : rows) EXPECT_EQ(CheckReply(r.received, r.cmd, r.id), r.ok) << r.cmd.code << " " << r.received;
}

TEST(Exchange, LineSplitter) {
  // Pieces → the lines handed on, or an overlong end.
  const struct { std::vector<QByteArray> pieces; QByteArray lines; bool overlong; } rows[] = {
      {{"xx$UC1\r$U", "C2\r"}, "$UC1\r|$UC2\r|", false}, {{"\r$A\r"}, "$A\r|", false},
      {{"$" + QByteArray(63, 'a'), "\r"}, "$" + QByteArray(63, 'a') + "\r|", false},
      {{"$" + QByteArray(64, 'a')}, "", true}, {{"$" + QByteArray(64, 'a') + "\r"}, "", true}};
  for (const auto& r : rows) {
    LineSplitter s;
    QByteArray lines;
    LineSplitter::Result last = LineSplitter::Result::More;
    for (const QByteArray& p : r.pieces) last = s.feed(p, [&](QByteArrayView l) { lines += l.toByteArray() + "|"; return true; });
    EXPECT_EQ(lines, r.lines);
    EXPECT_EQ(last == LineSplitter::Result::Overlong, r.overlong);
  }
  LineSplitter s;
  int seen = 0;
  EXPECT_EQ(s.feed("$1\r$2\r", [&](QByteArrayView) { return ++seen < 1; }), LineSplitter::Result::Stopped);
  EXPECT_EQ(seen, 1);
}

// The silence deadline is renewed by every piece; the sink or the user ends the stream.
TEST(Exchange, StreamEnds) {
  const struct { qint64 gap; bool cancel; StreamEnd end; int pieces, lines; } rows[] = {
      {5000, false, StreamEnd::EndLine, 4, 3}, {5001, false, StreamEnd::Silence, 1, 1}, {10, true, StreamEnd::Cancelled, 1, 1}};
  for (const auto& r : rows) {
    FakeEnv f(LinkKind::Tcp);
    f.link.onWrite = [&](const QByteArray&) {
      f.link.deliverAfter(100, "$DD1\r");
      f.link.deliverAfter(100 + r.gap, "$DD2\r");
      f.link.deliverAfter(100 + 2 * r.gap, "$E");
      f.link.deliverAfter(101 + 2 * r.gap, "\r");  // a piece of one character
    };
    ExchangeEnv env = f.env();
    Lines sink;
    EXPECT_EQ(StreamExchange(env, Cmd::DownloadRecords, 3, sink, [&] { return r.cancel; }), r.end) << r.gap;
    EXPECT_EQ(sink.pieces, r.pieces);
    EXPECT_EQ(sink.got.size(), r.lines);
    EXPECT_EQ(f.link.requests, std::vector<QByteArray>{"%DD003**\r"});
  }
}

// The monitor's record: each piece tied to its exchange, failed replies, time-outs and stray bytes marked.
TEST(Exchange, TrafficOfEveryExchange) {
  FakeEnv f;
  TrafficLog traffic(5);
  TracingLink traced(f.link, &traffic, f.clock, f.clock.ms);
  ExchangeEnv env{traced, f.pump, f.clock};
  f.link.deliverAfter(0, "$old");  // read by the drain, before any request
  const QByteArray replies[] = {"$DR001**\r", "$XX002**\r", ""};
  int n = 0;
  f.link.onWrite = [&](const QByteArray&) { f.link.deliverAfter(7, replies[n++]); };
  for (const qint16 id : {1, 2, 3}) CommandExchange(env, Cmd::SetClock, {.deviceId = id, .payload = "X"});
  QStringList rows;
  for (const TrafficFrame& t : traffic.frames())
    rows << QStringLiteral("%1 %2 %3%4 %5%6").arg(t.ms).arg(int(t.kind)).arg(QString::fromLatin1(t.code)).arg(t.address)
                .arg(QString::fromLatin1(t.bytes)).arg(t.failed ? " failed" : t.stray ? " stray" : "");
  // Five frames at most: the stray bytes and the first request went out of the ring.
  EXPECT_EQ(rows, QStringList({"7 1 DR1 $DR001**\r", "7 0 DR2 %DR002X**\r", "14 1 DR2 $XX002**\r failed",
                               "14 0 DR3 %DR003X**\r", "1014 2 DR3 "}));
  EXPECT_EQ(TrafficText(traffic.frames()).split('\n').at(1), "0.007 TX 25 44 52 30 30 32 58 2A 2A 0D |%DR002X**.|");
  EXPECT_TRUE(TrafficCsv(traffic.frames()).contains("\n14,RX,2,DR,9,24 58 58 30 30 32 2A 2A 0D,\"$XX002**.\",bad reply\n"));
  traffic.clear();
  f.link.deliverAfter(0, "late");
  traced.readAll();
  ASSERT_EQ(traffic.frames().size(), 1u);
  EXPECT_TRUE(traffic.frames().front().stray);
}

TEST(Exchange, PauseSleepsItsTime) {
  FakeEnv f;
  const qint64 start = f.clock.ms;
  Pause(f.pump, f.clock, 2000);
  EXPECT_EQ(f.clock.ms - start, 2000);
}

}  // namespace
}  // namespace tessaro
