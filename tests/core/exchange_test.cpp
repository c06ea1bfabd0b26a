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

// Before its request every command reads the line until it has been quiet for its settle time, never less than
// the gap; a silent reader is then waited for as long as the command allows, on each link.
TEST(Exchange, QuietLineAndWaitOfEveryCommand) {
  const Command* commands[] = {&Cmd::SetClock,   &Cmd::ReadClock,     &Cmd::ReadRecordCount, &Cmd::EraseRecords,
                               &Cmd::EraseRecordsAfterDownload,      &Cmd::EraseCards,      &Cmd::SendCard,
                               &Cmd::WriteSettings, &Cmd::ReadSettings, &Cmd::ReadCards,   &Cmd::DownloadRecords};
  for (const Command* cmd : commands) {
    for (const LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
      for (const int gap : {0, 7, 40}) {
        SCOPED_TRACE(testing::Message() << cmd->code << (kind == LinkKind::Tcp ? " tcp" : " serial") << " gap " << gap);
        FakeEnv f(kind);
        f.pace.gapMs = gap;
        const qint64 start = f.clock.ms;
        f.link.deliverAfter(0, "stale");
        qint64 sentAt = -1;
        f.link.onWrite = [&](const QByteArray&) { sentAt = f.clock.ms; };
        Lines sink;
        if (cmd->replyLength > 0 || cmd == &Cmd::ReadSettings) {
          EXPECT_EQ(CommandExchange(f.env, *cmd, {.deviceId = 1, .replyLength = 9}).outcome, Outcome::NoReply);
        } else {
          EXPECT_EQ(StreamExchange(f.env, *cmd, 1, sink), StreamEnd::Silence);
        }
        const Transport& t = cmd->on(kind);
        EXPECT_EQ(sentAt - start, std::max(t.settleMs, gap));
        EXPECT_GE(f.link.readsBeforeWrite, 1);
        EXPECT_EQ(f.clock.ms - sentAt, t.waitMs);
      }
    }
  }
}

// Bytes that keep coming hold the request back until the line falls quiet, up to the drain's bound; then the
// request goes out all the same. Times of stray pieces, gap 5 → when the request went out.
TEST(Exchange, DrainWaitsForAQuietLineUpToItsBound) {
  std::vector<qint64> babble;
  for (qint64 at = 0; at < 2 * kDrainBoundMs; at += 4) babble.push_back(at);
  const struct { std::vector<qint64> pieces; qint64 sentAt; } rows[] = {
      {{}, 5}, {{0}, 5}, {{0, 4, 8}, 13}, {{0, 5, 11}, 10}, {{6}, 5}, {babble, kDrainBoundMs}};
  for (const auto& r : rows) {
    FakeEnv f;
    for (const qint64 at : r.pieces) f.link.deliverAfter(at, "x");
    qint64 sentAt = -1;
    f.link.onWrite = [&](const QByteArray&) {
      if (sentAt < 0) sentAt = f.clock.ms;
    };
    const qint64 start = f.clock.ms;
    CommandExchange(f.env, Cmd::SendCard, {.deviceId = 1, .payload = "00000001"});
    EXPECT_EQ(sentAt - start, r.sentAt) << r.pieces.size();
    EXPECT_EQ(f.link.requests.size(), 1u);
  }
}

// A reader gets the gap between the end of its reply and the next request, counted from the last byte heard,
// not from the next drain's start; over TCP a card reply is followed by a wait for the quiet line.
TEST(Exchange, GapAfterEveryReply) {
  for (const LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    for (const int gap : {0, 9}) {
      SCOPED_TRACE(testing::Message() << (kind == LinkKind::Tcp ? "tcp" : "serial") << " gap " << gap);
      FakeEnv f(kind);
      f.pace.gapMs = gap;
      std::vector<qint64> sent;
      // The reply, and its CR a little later.
      f.link.onWrite = [&](const QByteArray&) {
        sent.push_back(f.clock.ms);
        f.link.deliverAfter(20, "$NC001O**");
        f.link.deliverAfter(23, "\r");
      };
      EXPECT_EQ(CommandExchange(f.env, Cmd::SendCard, {.deviceId = 1, .payload = "00000001"}).outcome, Outcome::Ok);
      const qint64 returnedAt = f.clock.ms;
      EXPECT_EQ(CommandExchange(f.env, Cmd::SendCard, {.deviceId = 1, .payload = "00000002"}).outcome, Outcome::Ok);
      ASSERT_EQ(sent.size(), 2u);
      // The reply is complete at 20 ms, its CR comes at 23; with a gap the second request goes that long after
      // the CR, without one at once.
      EXPECT_EQ(sent[1] - sent[0], gap ? 23 + gap : 20);
      EXPECT_EQ(returnedAt - sent[0], kind == LinkKind::Tcp && gap ? 23 + gap : 20);
    }
  }
}

// A reply is taken once the command's count of characters is there, counted from its "$", up to the last
// moment before the deadline of a second, on either link. Pieces: (ms after the request, bytes).
TEST(Exchange, ReplyCompleteAtItsLengthBeforeTheDeadline) {
  using Pieces = std::vector<std::pair<qint64, QByteArray>>;
  const struct { Pieces pieces; Outcome outcome; } rows[] = {
      {{{999, "$DR001**\r"}}, Outcome::Ok}, {{{1001, "$DR001**\r"}}, Outcome::NoReply}, {{{0, "$DR001**"}}, Outcome::NoReply},
      {{{0, "xx$DR001**\r"}}, Outcome::Ok}, {{{0, "$EM001**\r"}}, Outcome::BadReply}, {{{0, "DR001***\r"}}, Outcome::Ok},
      {{{300, "$DR0"}, {900, "01**\r"}}, Outcome::Ok}, {{{10, "**\r$DR001"}, {999, "**"}}, Outcome::NoReply},
      {{{10, "**\r$DR001"}, {20, "**\r"}}, Outcome::Ok}};
  for (const auto& r : rows) {
    for (const LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
      FakeEnv f(kind);
      QByteArray all;
      f.link.onWrite = [&](const QByteArray&) {
        for (const auto& [at, bytes] : r.pieces) f.link.deliverAfter(at, bytes);
      };
      for (const auto& piece : r.pieces) all += piece.second;
      const ExchangeResult got = CommandExchange(f.env, Cmd::SetClock, {.deviceId = 1});
      EXPECT_EQ(got.outcome, r.outcome) << all.constData() << (kind == LinkKind::Tcp ? " tcp" : " serial");
      EXPECT_EQ(got.received, r.outcome == Outcome::NoReply ? QByteArray() : all);
    }
  }
}

TEST(Exchange, RequestAndPortCheck) {
  FakeEnv t(LinkKind::Tcp);
  t.link.deliverAfter(0, "$NC007E**\r");  // a late reply to an earlier request: the drain reads it away
  t.answer("$NC007O**\r");
  // The payload is made after the drain, at the time of sending.
  qint64 madeAt = -1;
  const auto payload = [&] { madeAt = t.clock.ms; return QByteArray("000000FF"); };
  EXPECT_EQ(CommandExchange(t.env, Cmd::SendCard, {.deviceId = 7, .payloadAtSending = payload}).outcome, Outcome::Ok);
  EXPECT_EQ(t.link.requests, std::vector<QByteArray>{"%NC007000000FF**\r"});
  EXPECT_EQ(madeAt, 1'000'000 + kDefaultGapMs);
  // A serial port that reports an error sends nothing, whether the settings are read whole or as a stream.
  FakeEnv f;
  f.link.portOk = false;
  EXPECT_EQ(CommandExchange(f.env, Cmd::ReadSettings, {.deviceId = 1, .replyLength = 28}).outcome, Outcome::BadReply);
  Lines sink;
  EXPECT_EQ(StreamExchange(f.env, Cmd::ReadSettings, 1, sink), StreamEnd::PortFault);
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
      {{"$" + QByteArray(64, 'a')}, "", true}, {{"$" + QByteArray(64, 'a') + "\r"}, "", true},
      {{"x" + QByteArray("$A\r").repeated(1400) + "$B", "C\r"}, QByteArray("$A\r|").repeated(1400) + "$BC\r|", false}};  // the read front dropped
  for (const auto& r : rows) {
    LineSplitter s;
    QByteArray lines;
    LineSplitter::Result last = LineSplitter::Result::More;
    for (const QByteArray& p : r.pieces) last = s.feed(p, [&](QByteArrayView l) { lines += l.toByteArray() + "|"; return true; });
    EXPECT_EQ(std::make_pair(lines, last == LineSplitter::Result::Overlong), std::make_pair(r.lines, r.overlong));
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
    Lines sink;
    EXPECT_EQ(StreamExchange(f.env, Cmd::DownloadRecords, 3, sink, [&] { return r.cancel; }), r.end) << r.gap;
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
  ExchangeEnv env{traced, f.pump, f.clock, f.pace};
  f.link.deliverAfter(0, "$old");  // read by the drain, before any request
  f.answerInTurn({"$DR001**\r", "$XX002**\r"}, 7);
  for (const qint16 id : {1, 2, 3}) CommandExchange(env, Cmd::SetClock, {.deviceId = id, .payload = "X"});
  QStringList rows;
  for (const TrafficFrame& t : traffic.frames())
    rows << QStringLiteral("%1 %2 %3%4 %5%6").arg(t.ms).arg(int(t.kind)).arg(QString::fromLatin1(t.code)).arg(t.address)
                .arg(QString::fromLatin1(t.bytes)).arg(t.failed ? " failed" : t.stray ? " stray" : "");
  // Five frames at most: the stray bytes and the first request went out of the ring.
  // Each request goes out a gap after the line was last busy.
  EXPECT_EQ(rows, QStringList({"12 1 DR1 $DR001**\r", "17 0 DR2 %DR002X**\r", "24 1 DR2 $XX002**\r failed",
                               "29 0 DR3 %DR003X**\r", "1029 2 DR3 "}));
  EXPECT_EQ(TrafficText(traffic.frames()).split('\n').at(1), "0.017 TX 25 44 52 30 30 32 58 2A 2A 0D |%DR002X**.|");
  EXPECT_TRUE(TrafficCsv(traffic.frames()).contains("\n24,RX,2,DR,9,24 58 58 30 30 32 2A 2A 0D,\"$XX002**.\",bad reply\n"));
  traffic.clear();
  f.link.deliverAfter(0, "late");
  traced.readAll();
  ASSERT_EQ(traffic.frames().size(), 1u);
  EXPECT_TRUE(traffic.frames().front().stray);
  TrafficLog two(2);  // a ring that drops the request while its bad reply comes in two pieces: both are marked
  TracingLink small(f.link, &two, f.clock, f.clock.ms);
  ExchangeEnv smallEnv{small, f.pump, f.clock, f.pace};
  f.link.onWrite = [&](const QByteArray&) { f.link.deliverAfter(7, "$XX0"); f.link.deliverAfter(9, "04**\r"); };
  EXPECT_EQ(CommandExchange(smallEnv, Cmd::SetClock, {.deviceId = 4}).outcome, Outcome::BadReply);
  EXPECT_TRUE(two.frames().size() == 2 && two.frames().front().failed && two.frames().back().failed);
}

TEST(Exchange, GapFromText) {
  const struct { const char* text; std::optional<int> ms; } rows[] = {
      {"0", 0}, {" 7 ", 7}, {"1000", 1000}, {"1001", {}}, {"-1", {}}, {"5x", {}}, {"", {}}};
  for (const auto& r : rows) EXPECT_EQ(GapFromText(QString::fromLatin1(r.text)), r.ms) << r.text;
}

TEST(Exchange, PauseSleepsItsTime) {
  FakeEnv f;
  const qint64 start = f.clock.ms;
  Pause(f.pump, f.clock, 2000);
  EXPECT_EQ(f.clock.ms - start, 2000);
}

}  // namespace
}  // namespace tessaro
