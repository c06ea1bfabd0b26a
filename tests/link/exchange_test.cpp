#include <gtest/gtest.h>

#include "common/fakes.h"
#include "link/exchange.h"

namespace tessaro {
namespace {

using test::FakeEnv;

// A whole second on the fake clock: 2023-11-14 22:13:20 UTC.
constexpr qint64 kSecond = 1'700'000'000'000LL;

struct Piece {
  qint64 afterMs;  // after the request was written
  const char* bytes;
};

// Schedules the pieces of a reply when the request is written.
void replyWith(FakeEnv& f, std::vector<Piece> pieces) {
  f.link.onWrite = [&f, pieces](const QByteArray&) {
    for (const Piece& p : pieces) f.link.deliverAfter(p.afterMs, p.bytes);
  };
}

struct ReplyCase {
  const char* name;
  const CommandParams* cmd;
  qint16 id;
  const char* reply;
  Outcome outcome;
  int status;  // under the row's convention
};

TEST(CommandExchange, ReplyChecksAndStatusConventions) {
  const ReplyCase cases[] = {
      {"plain DR", &Cmd::SetClock, 1, "$DR001**\r", Outcome::Ok, 1},
      {"noise before $", &Cmd::SetClock, 1, "xx$DR001**\r", Outcome::Ok, 1},
      {"binary noise before $", &Cmd::SetClock, 1, "\xff\x81\x7f$DR001**\r", Outcome::Ok, 1},
      {"no $, code first", &Cmd::SetClock, 1, "DR001***\r", Outcome::Ok, 1},
      {"no $ at all", &Cmd::SetClock, 1, "xxDR001**\r", Outcome::BadReply, 0},
      {"reply to another command", &Cmd::SetClock, 1, "$EM001**\r", Outcome::BadReply, 0},
      {"lower-case code", &Cmd::SetClock, 1, "$dr001**\r", Outcome::BadReply, 0},
      {"first $ decides", &Cmd::SetClock, 1, "$EM001**\r$DR001**\r", Outcome::BadReply, 0},
      {"UR with clock", &Cmd::ReadClock, 1, "$UR001061224103000**\r\r\r", Outcome::Ok, 1},
      {"EM", &Cmd::EraseRecords, 3, "$EM003**\r", Outcome::Ok, 1},
      {"DS bad under NoReplyZero", &Cmd::WriteSettings, 1, "$XX001OK**\r", Outcome::BadReply, -1},
      {"DS ok", &Cmd::WriteSettings, 1, "$DS001OK**\r", Outcome::Ok, 1},
      {"EC anywhere", &Cmd::EraseCards, 1, "xxxxECxxx", Outcome::Ok, 1},
      {"EC missing", &Cmd::EraseCards, 1, "$XX001**\r", Outcome::BadReply, -1},
      {"NC accepted", &Cmd::SendCard, 1, "$NC001O**\r", Outcome::Ok, 1},
      {"NC refused", &Cmd::SendCard, 1, "$NC001E**\r", Outcome::BadReply, -1},
      {"NC after noise", &Cmd::SendCard, 1, "x$NC001O**\r", Outcome::Ok, 1},
      {"NC status beyond the text", &Cmd::SendCard, 1, "xxx$NC001", Outcome::BadReply, -1},
      {"EM echoes the address", &Cmd::EraseRecordsAfterDownload, 7, "$EM007**\r", Outcome::Ok, 1},
      {"EM echoes another address", &Cmd::EraseRecordsAfterDownload, 8, "$EM007**\r", Outcome::BadReply, 0},
      {"EM echo ignores the code", &Cmd::EraseRecordsAfterDownload, 255, "$XX255**\r", Outcome::Ok, 1},
  };
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    for (const ReplyCase& c : cases) {
      FakeEnv f(kind, kSecond);
      replyWith(f, {{20, c.reply}});
      ExchangeEnv env = f.env();
      const ExchangeResult r = CommandExchange(env, *c.cmd, c.id);
      EXPECT_EQ(r.outcome, c.outcome) << c.name;
      EXPECT_EQ(r.status(c.cmd->convention), c.status) << c.name;
      EXPECT_EQ(r.received, QByteArray(c.reply)) << c.name;
    }
  }
}

TEST(CommandExchange, StatusCodes) {
  EXPECT_EQ(StatusCode(Outcome::Ok, StatusConvention::NoReplyMinusOne), 1);
  EXPECT_EQ(StatusCode(Outcome::BadReply, StatusConvention::NoReplyMinusOne), 0);
  EXPECT_EQ(StatusCode(Outcome::NoReply, StatusConvention::NoReplyMinusOne), -1);
  EXPECT_EQ(StatusCode(Outcome::Ok, StatusConvention::NoReplyZero), 1);
  EXPECT_EQ(StatusCode(Outcome::BadReply, StatusConvention::NoReplyZero), -1);
  EXPECT_EQ(StatusCode(Outcome::NoReply, StatusConvention::NoReplyZero), 0);
}

TEST(CommandExchange, ExactRequestBytes) {
  FakeEnv f(LinkKind::Serial, kSecond);
  ExchangeEnv env = f.env();
  CommandExchange(env, Cmd::ReadClock, 7);
  CommandExchange(env, Cmd::SetClock, 255, "061224103000");
  CommandExchange(env, Cmd::EraseRecords, 0);
  ASSERT_EQ(f.link.requests.size(), 3u);
  EXPECT_EQ(f.link.requests[0], QByteArray("%UR007**\r"));
  EXPECT_EQ(f.link.requests[1], QByteArray("%DR255061224103000**\r"));
  EXPECT_EQ(f.link.requests[2], QByteArray("%EM000**\r"));
  EXPECT_EQ(f.link.prepares, 3);
}

struct DeadlineCase {
  const char* name;
  const CommandParams* cmd;
  qint64 startOffsetMs;  // where in the clock second the request goes out
  qint64 waitedMs;       // fake time from the write to the time-out
};

// A k-second deadline waits until the clock second reaches start + k: between k-1 and k seconds.
TEST(CommandExchange, WholeSecondDeadlines) {
  const DeadlineCase cases[] = {
      {"1 s at .000", &Cmd::SetClock, 0, 1000},        {"1 s at .001", &Cmd::SetClock, 1, 999},
      {"1 s at .500", &Cmd::ReadClock, 500, 500},      {"1 s at .950", &Cmd::ReadClock, 950, 50},
      {"1 s at .999", &Cmd::EraseRecords, 999, 1},     {"2 s at .000", &Cmd::SendCard, 0, 2000},
      {"2 s at .700", &Cmd::WriteSettings, 700, 1300}, {"25 s at .250", &Cmd::EraseCards, 250, 24750},
  };
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    for (const DeadlineCase& c : cases) {
      FakeEnv f(kind, kSecond + c.startOffsetMs);
      ExchangeEnv env = f.env();
      const ExchangeResult r = CommandExchange(env, *c.cmd, 1);
      EXPECT_EQ(r.outcome, Outcome::NoReply) << c.name;
      EXPECT_EQ(f.link.writeTimeMs, kSecond + c.startOffsetMs) << c.name;
      EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, c.waitedMs) << c.name;
      EXPECT_EQ(r.status(c.cmd->convention), c.cmd->convention == StatusConvention::NoReplyZero ? 0 : -1) << c.name;
    }
  }
}

struct ArrivalCase {
  const char* name;
  qint64 startMs;
  std::vector<Piece> pieces;
  Outcome outcome;
};

TEST(CommandExchange, ArrivalsAroundTheDeadline) {
  const ArrivalCase cases[] = {
      // Sent at 12:00:00.95 with k = 1: the clock second 12:00:01 ends the wait.
      {"reply at 12:00:00.999", kSecond + 950, {{49, "$DR001**\r"}}, Outcome::Ok},
      // The clock is read before the pump, so what the pass at 12:00:01.000 brings still counts.
      {"reply at 12:00:01.000", kSecond + 950, {{50, "$DR001**\r"}}, Outcome::Ok},
      {"reply at 12:00:01.001", kSecond + 950, {{51, "$DR001**\r"}}, Outcome::NoReply},
      {"pieces, last just before", kSecond, {{10, "$D"}, {300, "R00"}, {999, "1**\r"}}, Outcome::Ok},
      {"pieces, last too late", kSecond, {{10, "$D"}, {300, "R00"}, {1001, "1**\r"}}, Outcome::NoReply},
      {"short reply", kSecond, {{10, "$DR001**"}}, Outcome::NoReply},
      {"piece by piece", kSecond, {{1, "$"}, {2, "D"}, {3, "R"}, {4, "0"}, {5, "0"}, {6, "1"}, {7, "*"}, {8, "*"},
                                   {9, "\r"}}, Outcome::Ok},
  };
  for (const ArrivalCase& c : cases) {
    FakeEnv f(LinkKind::Serial, c.startMs);
    replyWith(f, c.pieces);
    ExchangeEnv env = f.env();
    EXPECT_EQ(CommandExchange(env, Cmd::SetClock, 1).outcome, c.outcome) << c.name;
  }
}

TEST(CommandExchange, ReplyEndsTheWaitAtOnceAndExtraCharactersAreKept) {
  FakeEnv f(LinkKind::Serial, kSecond);
  replyWith(f, {{120, "$DR001**\rtrailing"}});
  ExchangeEnv env = f.env();
  const ExchangeResult r = CommandExchange(env, Cmd::SetClock, 1);
  EXPECT_EQ(r.outcome, Outcome::Ok);
  EXPECT_EQ(r.received, QByteArray("$DR001**\rtrailing"));
  EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, 120);
}

struct DrainCase {
  const char* name;
  const CommandParams* cmd;
  LinkKind kind;
  int readsBeforeWrite;
  int pumpsBeforeWrite;
  int portChecks;
};

TEST(CommandExchange, DrainCountsAndPortChecks) {
  using K = LinkKind;
  const DrainCase cases[] = {
      {"DR serial", &Cmd::SetClock, K::Serial, 2001, 2001, 0},
      {"DR tcp", &Cmd::SetClock, K::Tcp, 2001, 2001, 0},
      {"UR tcp", &Cmd::ReadClock, K::Tcp, 2001, 2001, 0},
      {"RC serial", &Cmd::ReadRecordCount, K::Serial, 2001, 2001, 0},
      {"EM serial", &Cmd::EraseRecords, K::Serial, 2001, 2001, 0},
      {"EM second form serial", &Cmd::EraseRecordsAfterDownload, K::Serial, 20001, 20001, 0},
      {"EM second form tcp", &Cmd::EraseRecordsAfterDownload, K::Tcp, 20001, 20001, 0},
      {"EC serial, one more read", &Cmd::EraseCards, K::Serial, 2002, 2001, 0},
      {"EC tcp", &Cmd::EraseCards, K::Tcp, 2001, 2001, 0},
      {"NC serial", &Cmd::SendCard, K::Serial, 5001, 5001, 0},
      {"NC tcp", &Cmd::SendCard, K::Tcp, 32768, 32768, 0},
      {"DS serial with port check", &Cmd::WriteSettings, K::Serial, 2001, 2001, 1},
      {"DS tcp without", &Cmd::WriteSettings, K::Tcp, 2001, 2001, 0},
      {"US serial with port check", &Cmd::ReadSettings, K::Serial, 2001, 2001, 1},
      {"US tcp", &Cmd::ReadSettings, K::Tcp, 1001, 1001, 0},
      {"UC serial", &Cmd::ReadCards, K::Serial, 2001, 2001, 0},
      {"UC tcp", &Cmd::ReadCards, K::Tcp, 32768, 32768, 0},
      {"DD serial", &Cmd::DownloadRecords, K::Serial, 2001, 2001, 0},
      {"DD tcp", &Cmd::DownloadRecords, K::Tcp, 2001, 2001, 0},
  };
  for (const DrainCase& c : cases) {
    FakeEnv f(c.kind, kSecond);
    int reads = -1, pumps = -1;
    f.link.onWrite = [&](const QByteArray&) {
      reads = f.link.reads;
      pumps = f.pump.pumps;
    };
    ExchangeEnv env = f.env();
    CommandExchange(env, *c.cmd, 1);
    EXPECT_EQ(reads, c.readsBeforeWrite) << c.name;
    EXPECT_EQ(pumps, c.pumpsBeforeWrite) << c.name;
    EXPECT_EQ(f.link.portChecks, c.portChecks) << c.name;
  }
}

TEST(CommandExchange, FailedPortCheckSendsNothing) {
  for (const CommandParams* cmd : {&Cmd::WriteSettings, &Cmd::ReadSettings}) {
    FakeEnv f(LinkKind::Serial, kSecond);
    f.link.portOk = false;
    ExchangeEnv env = f.env();
    const ExchangeResult r = CommandExchange(env, *cmd, 1);
    EXPECT_EQ(r.outcome, Outcome::BadReply) << cmd->code;
    EXPECT_EQ(r.status(cmd->convention), -1) << cmd->code;
    EXPECT_TRUE(f.link.written.isEmpty()) << cmd->code;
    EXPECT_EQ(f.clock.ms, kSecond) << cmd->code;
  }
  // The TCP twin has no port check and sends.
  FakeEnv t(LinkKind::Tcp, kSecond);
  t.link.portOk = false;
  ExchangeEnv env = t.env();
  CommandExchange(env, Cmd::WriteSettings, 1);
  EXPECT_EQ(t.link.written, QByteArray("%DS001**\r"));
}

// A late reply to an earlier request waits in the socket; the drain reads it
// away so the "$" search finds the answer to this request.
TEST(CommandExchange, TcpDrainDiscardsStaleReplies) {
  FakeEnv f(LinkKind::Tcp, kSecond);
  f.link.deliverAfter(0, "$UR001061224103000**\r");
  replyWith(f, {{30, "$DR001**\r"}});
  ExchangeEnv env = f.env();
  const ExchangeResult r = CommandExchange(env, Cmd::SetClock, 1);
  EXPECT_EQ(r.outcome, Outcome::Ok);
  EXPECT_EQ(r.received, QByteArray("$DR001**\r"));
}

TEST(CommandExchange, StaleDataArrivingDuringTheDrainIsDiscarded) {
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    FakeEnv f(kind, kSecond);
    // The old reply trickles in while the drain runs (each pass is 1 ms here).
    f.pump.onPass = [&] { ++f.clock.ms; };
    f.link.deliverAfter(500, "$EM001**\r");
    replyWith(f, {{30, "$DR001**\r"}});
    ExchangeEnv env = f.env();
    const ExchangeResult r = CommandExchange(env, Cmd::SetClock, 1);
    EXPECT_EQ(r.outcome, Outcome::Ok);
    EXPECT_EQ(r.received, QByteArray("$DR001**\r"));
  }
}

TEST(CommandExchange, CardWriteDrainsTheSocketAgainAfterTheReply) {
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    FakeEnv f(kind, kSecond);
    replyWith(f, {{30, "$NC001O**\r"}});
    ExchangeEnv env = f.env();
    const int expectedDrain = kind == LinkKind::Tcp ? 32768 : 5001;
    const ExchangeResult r = CommandExchange(env, Cmd::SendCard, 1);
    EXPECT_EQ(r.outcome, Outcome::Ok);
    const int after = kind == LinkKind::Tcp ? 32768 : 0;
    EXPECT_EQ(f.link.reads, expectedDrain + 1 + after);
  }
}

struct TickCase {
  const char* name;
  LinkKind kind;
  qint64 replyAfterMs;  // -1: none
  Outcome outcome;
  qint64 waitedMs;
};

// The settings read ends with no reply once TickCounter passes 50 (serial) or 150 (TCP).
TEST(CommandExchange, SettingsReadTimesOutOnTheTickCounter) {
  const TickCase cases[] = {
      {"serial silent", LinkKind::Serial, -1, Outcome::NoReply, 510},
      {"tcp silent", LinkKind::Tcp, -1, Outcome::NoReply, 1510},
      {"serial at tick 51", LinkKind::Serial, 510, Outcome::Ok, 510},
      {"serial after tick 51", LinkKind::Serial, 511, Outcome::NoReply, 510},
      {"tcp at 1.2 s", LinkKind::Tcp, 1200, Outcome::Ok, 1200},
      {"tcp after tick 151", LinkKind::Tcp, 1511, Outcome::NoReply, 1510},
  };
  for (const TickCase& c : cases) {
    FakeEnv f(c.kind, kSecond);
    // The counter runs from program start; the read resets it just before writing.
    for (int i = 0; i < 29990; ++i) f.ticks.advance();
    qint16 ticksAtWrite = -1;
    const QByteArray reply("$US001" "0123456789012345678" "**\r");  // 28 characters
    f.link.onWrite = [&](const QByteArray&) {
      ticksAtWrite = f.ticks.value();
      if (c.replyAfterMs >= 0) f.link.deliverAfter(c.replyAfterMs, reply);
    };
    CommandParams params = Cmd::ReadSettings;
    params.threshold = 28;
    ExchangeEnv env = f.env();
    const ExchangeResult r = CommandExchange(env, params, 1);
    EXPECT_EQ(ticksAtWrite, 0) << c.name;
    EXPECT_EQ(r.outcome, c.outcome) << c.name;
    EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, c.waitedMs) << c.name;
    EXPECT_EQ(r.status(params.convention), c.outcome == Outcome::Ok ? 1 : 0) << c.name;
  }
}

TEST(CommandExchange, WaitingSleepsInsteadOfPolling) {
  FakeEnv f(LinkKind::Serial, kSecond);
  test::FakePump quiet(f.clock);  // no timer ticks, no data
  ExchangeEnv env{f.link, quiet, f.clock, nullptr};
  // Without timers or data a 25 s wait is a handful of sleeps to the next second.
  CommandExchange(env, Cmd::EraseCards, 1);
  EXPECT_LE(quiet.waits, 26);
  EXPECT_EQ(quiet.sleptMs, 25000);
}

TEST(TickCounter, CountsToThirtyThousandThenWrapsToZero) {
  TickCounter t;
  EXPECT_EQ(t.value(), 0);
  for (int i = 0; i < 30000; ++i) t.advance();
  EXPECT_EQ(t.value(), 30000);
  t.advance();
  EXPECT_EQ(t.value(), 0);
  t.advance();
  EXPECT_EQ(t.value(), 1);
  for (int i = 0; i < 100000; ++i) {
    t.advance();
    ASSERT_GE(t.value(), 0);
    ASSERT_LE(t.value(), 30000);
  }
}

}  // namespace
}  // namespace tessaro
