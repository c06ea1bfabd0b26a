#include <gtest/gtest.h>

#include "common/fakes.h"
#include "link/exchange.h"

namespace tessaro {
namespace {

using test::FakeEnv;
using K = LinkKind;
constexpr Outcome Ok = Outcome::Ok, Bad = Outcome::BadReply, None = Outcome::NoReply;
const CommandParams &DR = Cmd::SetClock, &UR = Cmd::ReadClock, &EM = Cmd::EraseRecords, &EC = Cmd::EraseCards,
                    &NC = Cmd::SendCard, &DS = Cmd::WriteSettings, &US = Cmd::ReadSettings,
                    &EM2 = Cmd::EraseRecordsAfterDownload;

// A whole second on the fake clock: 2023-11-14 22:13:20 UTC.
constexpr qint64 kSecond = 1'700'000'000'000LL;

struct Piece {
  qint64 afterMs;  // after the request was written
  const char* bytes;
};

// Runs one exchange; the pieces of the reply are scheduled when the request is written.
ExchangeResult run(FakeEnv& f, const CommandParams& cmd, qint16 id = 1, std::vector<Piece> reply = {}) {
  if (!reply.empty()) {
    f.link.onWrite = [&f, reply](const QByteArray&) {
      for (const Piece& p : reply) f.link.deliverAfter(p.afterMs, p.bytes);
    };
  }
  ExchangeEnv env = f.env();
  return CommandExchange(env, cmd, id);
}

TEST(CommandExchange, ReplyChecksAndStatusConventions) {
  const struct {
    const char* name;
    const CommandParams& cmd;
    qint16 id;
    const char* reply;
    Outcome outcome;
    int status;  // under the row's convention
  } cases[] = {
      {"plain", DR, 1, "$DR001**\r", Ok, 1},                  {"noise before $", DR, 1, "xx$DR001**\r", Ok, 1},
      {"binary noise", DR, 1, "\xff\x81\x7f$DR001**\r", Ok, 1}, {"no $, code first", DR, 1, "DR001***\r", Ok, 1},
      {"no $ at all", DR, 1, "xxDR001**\r", Bad, 0},            {"other command", DR, 1, "$EM001**\r", Bad, 0},
      {"lower case", DR, 1, "$dr001**\r", Bad, 0},              {"first $", DR, 1, "$EM001**\r$DR001**\r", Bad, 0},
      {"UR", UR, 1, "$UR001061224103000**\r\r\r", Ok, 1},       {"EM", EM, 3, "$EM003**\r", Ok, 1},
      {"DS bad", DS, 1, "$XX001OK**\r", Bad, -1},               {"DS", DS, 1, "$DS001OK**\r", Ok, 1},
      {"EC anywhere", EC, 1, "xxxxECxxx", Ok, 1},               {"EC missing", EC, 1, "$XX001**\r", Bad, -1},
      {"NC accepted", NC, 1, "$NC001O**\r", Ok, 1},             {"NC refused", NC, 1, "$NC001E**\r", Bad, -1},
      {"NC after noise", NC, 1, "x$NC001O**\r", Ok, 1},         {"NC status beyond text", NC, 1, "xxx$NC001", Bad, -1},
      {"EM echo", EM2, 7, "$EM007**\r", Ok, 1},                 {"EM echo other", EM2, 8, "$EM007**\r", Bad, 0},
      {"EM echo, any code", EM2, 255, "$XX255**\r", Ok, 1},
  };
  for (LinkKind kind : {K::Serial, K::Tcp}) {
    for (const auto& c : cases) {
      FakeEnv f(kind, kSecond);
      const ExchangeResult r = run(f, c.cmd, c.id, {{20, c.reply}});
      EXPECT_EQ(r.outcome, c.outcome) << c.name;
      EXPECT_EQ(r.status(c.cmd.convention), c.status) << c.name;
      EXPECT_EQ(r.received, QByteArray(c.reply)) << c.name;
    }
  }
}

TEST(CommandExchange, ExactRequestBytes) {
  FakeEnv f(K::Serial, kSecond);
  ExchangeEnv env = f.env();
  CommandExchange(env, UR, 7);
  CommandExchange(env, DR, 255, "061224103000");
  CommandExchange(env, EM, 0);
  EXPECT_EQ(f.link.requests, std::vector<QByteArray>({"%UR007**\r", "%DR255061224103000**\r", "%EM000**\r"}));
  EXPECT_EQ(f.link.prepares, 3);
}

// A k-second deadline waits until the clock second reaches start + k: between
// k-1 and k seconds. Sent at 12:00:00.95 with k = 1, the wait ends at 12:00:01;
// the clock is read before the pump, so what the pass at 12:00:01.000 brings still counts.
TEST(CommandExchange, WholeSecondDeadlines) {
  const struct {
    const CommandParams& cmd;
    qint64 startMs;  // where in the clock second the request goes out
    std::vector<Piece> pieces;
    Outcome outcome;
    qint64 waitedMs;  // fake time from the write to the end of the wait
  } cases[] = {
      {DR, 0, {}, None, 1000},     {DR, 1, {}, None, 999},     {UR, 500, {}, None, 500},  {UR, 950, {}, None, 50},
      {EM, 999, {}, None, 1},      {NC, 0, {}, None, 2000},    {DS, 700, {}, None, 1300}, {EC, 250, {}, None, 24750},
      {DR, 950, {{49, "$DR001**\r"}}, Ok, 49}, {DR, 950, {{50, "$DR001**\r"}}, Ok, 50},
      {DR, 950, {{51, "$DR001**\r"}}, None, 50},
      {DR, 0, {{10, "$D"}, {300, "R00"}, {999, "1**\r"}}, Ok, 999},  // pieces, the last just in time
      {DR, 0, {{10, "$D"}, {300, "R00"}, {1001, "1**\r"}}, None, 1000},
      {DR, 0, {{10, "$DR001**"}}, None, 1000},  // short
      {DR, 0, {{1, "$"}, {2, "D"}, {3, "R"}, {4, "0"}, {5, "0"}, {6, "1"}, {7, "*"}, {8, "*"}, {9, "\r"}}, Ok, 9},
      {DR, 0, {{120, "$DR001**\rtrailing"}}, Ok, 120},  // extra characters are kept
  };
  for (LinkKind kind : {K::Serial, K::Tcp}) {
    for (const auto& c : cases) {
      FakeEnv f(kind, kSecond + c.startMs);
      const ExchangeResult r = run(f, c.cmd, 1, c.pieces);
      QByteArray all;
      for (const Piece& p : c.pieces) all += p.bytes;
      const std::string name = std::string(c.cmd.code) + " at ." + std::to_string(c.startMs) + " " + all.toStdString();
      EXPECT_EQ(r.outcome, c.outcome) << name;
      EXPECT_EQ(f.link.writeTimeMs, kSecond + c.startMs) << name;
      EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, c.waitedMs) << name;
      EXPECT_EQ(r.received, c.outcome == Ok ? all : QByteArray()) << name;
      const int noReply = c.cmd.convention == StatusConvention::NoReplyZero ? 0 : -1;
      EXPECT_EQ(r.status(c.cmd.convention), c.outcome == Ok ? 1 : noReply) << name;
    }
  }
}

// Reads and pumps before the request, port checks, and reads in all once a
// reply (of any content) has come: the card write drains the socket again.
TEST(CommandExchange, DrainCountsAndPortChecks) {
  const std::tuple<const CommandParams&, LinkKind, int, int, int, int> cases[] = {
      // command, link, reads before the write, pumps before the write, port checks, reads in all
      {DR, K::Serial, 2001, 2001, 0, 2002},   {DR, K::Tcp, 2001, 2001, 0, 2002},     {UR, K::Tcp, 2001, 2001, 0, 2002},
      {Cmd::ReadRecordCount, K::Serial, 2001, 2001, 0, 2002},                     {EM, K::Serial, 2001, 2001, 0, 2002},
      {EM2, K::Serial, 20001, 20001, 0, 20002}, {EM2, K::Tcp, 20001, 20001, 0, 20002},
      {EC, K::Serial, 2002, 2001, 0, 2003},   {EC, K::Tcp, 2001, 2001, 0, 2002},
      {NC, K::Serial, 5001, 5001, 0, 5002},   {NC, K::Tcp, 32768, 32768, 0, 65537},
      {DS, K::Serial, 2001, 2001, 1, 2002},   {DS, K::Tcp, 2001, 2001, 0, 2002},
      {US, K::Serial, 2001, 2001, 1, 2002},   {US, K::Tcp, 1001, 1001, 0, 1002},
      {Cmd::ReadCards, K::Serial, 2001, 2001, 0, 2002}, {Cmd::ReadCards, K::Tcp, 32768, 32768, 0, 32769},
      {Cmd::DownloadRecords, K::Serial, 2001, 2001, 0, 2002}, {Cmd::DownloadRecords, K::Tcp, 2001, 2001, 0, 2002},
  };
  for (const auto& [cmd, kind, readsBefore, pumpsBefore, portChecks, readsInAll] : cases) {
    FakeEnv f(kind, kSecond);
    int reads = -1, pumps = -1;
    f.link.onWrite = [&](const QByteArray&) {
      reads = f.link.reads;
      pumps = f.pump.pumps;
      f.link.deliverAfter(10, QByteArray(40, 'x'));
    };
    run(f, cmd);
    const std::string name = std::string(cmd.code) + (kind == K::Tcp ? " tcp" : " serial");
    EXPECT_EQ(reads, readsBefore) << name;
    EXPECT_EQ(pumps, pumpsBefore) << name;
    EXPECT_EQ(f.link.portChecks, portChecks) << name;
    EXPECT_EQ(f.link.reads, readsInAll) << name;
  }
}

TEST(CommandExchange, FailedPortCheckSendsNothing) {
  for (const CommandParams* cmd : {&DS, &US}) {
    FakeEnv f(K::Serial, kSecond);
    f.link.portOk = false;
    const ExchangeResult r = run(f, *cmd);
    EXPECT_EQ(r.outcome, Bad) << cmd->code;
    EXPECT_EQ(r.status(cmd->convention), -1) << cmd->code;
    EXPECT_TRUE(f.link.written.isEmpty()) << cmd->code;
    EXPECT_EQ(f.clock.ms, kSecond) << cmd->code;
  }
}

// A late reply to an earlier request, waiting before the drain or trickling in
// during it, is read away on both links so the "$" search finds this answer.
TEST(CommandExchange, DrainDiscardsStaleReplies) {
  for (LinkKind kind : {K::Serial, K::Tcp}) {
    for (qint64 staleAtMs : {0, 500}) {
      FakeEnv f(kind, kSecond);
      f.pump.onPass = [&] { ++f.clock.ms; };  // each drain pass takes 1 ms here
      f.link.deliverAfter(staleAtMs, "$EM001**\r");
      const ExchangeResult r = run(f, DR, 1, {{30, "$DR001**\r"}});
      EXPECT_EQ(r.outcome, Ok) << staleAtMs;
      EXPECT_EQ(r.received, QByteArray("$DR001**\r")) << staleAtMs;
    }
  }
}

// The settings read ends with no reply once TickCounter passes 50 (serial) or 150 (TCP).
TEST(CommandExchange, SettingsReadTimesOutOnTheTickCounter) {
  const std::tuple<LinkKind, qint64, Outcome, qint64> cases[] = {
      // link, reply after ms (-1: none), outcome, fake time waited
      {K::Serial, -1, None, 510}, {K::Tcp, -1, None, 1510},  {K::Serial, 510, Ok, 510},
      {K::Serial, 511, None, 510}, {K::Tcp, 1200, Ok, 1200}, {K::Tcp, 1511, None, 1510}};
  for (const auto& [kind, replyAfterMs, outcome, waitedMs] : cases) {
    FakeEnv f(kind, kSecond);
    // The counter runs from program start; the read resets it just before writing.
    for (int i = 0; i < 29990; ++i) f.ticks.advance();
    qint16 ticksAtWrite = -1;
    f.link.onWrite = [&, replyAfterMs](const QByteArray&) {
      ticksAtWrite = f.ticks.value();
      if (replyAfterMs >= 0) f.link.deliverAfter(replyAfterMs, "$US001" "0123456789012345678" "**\r");  // 28
    };
    CommandParams params = US;
    params.threshold = 28;
    const ExchangeResult r = run(f, params);
    const std::string name = std::to_string(replyAfterMs) + (kind == K::Tcp ? " tcp" : " serial");
    EXPECT_EQ(ticksAtWrite, 0) << name;
    EXPECT_EQ(r.outcome, outcome) << name;
    EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, waitedMs) << name;
    EXPECT_EQ(r.status(params.convention), outcome == Ok ? 1 : 0) << name;
  }
}

TEST(CommandExchange, WaitingSleepsInsteadOfPolling) {
  FakeEnv f(K::Serial, kSecond);
  test::FakePump quiet(f.clock);  // no timer ticks, no data
  ExchangeEnv env{f.link, quiet, f.clock, nullptr};
  // Without timers or data a 25 s wait is a handful of sleeps to the next second.
  CommandExchange(env, EC, 1);
  EXPECT_LE(quiet.waits, 26);
  EXPECT_EQ(quiet.sleptMs, 25000);
}

TEST(TickCounter, CountsToThirtyThousandThenWrapsToZero) {
  TickCounter t;
  std::vector<qint16> seen{t.value()};
  for (int i = 0; i < 30002; ++i) {
    t.advance();
    if (i >= 29998) seen.push_back(t.value());
  }
  EXPECT_EQ(seen, std::vector<qint16>({0, 29999, 30000, 0, 1}));
}

}  // namespace
}  // namespace tessaro
