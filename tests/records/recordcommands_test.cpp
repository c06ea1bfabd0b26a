#include "records/recordcommands.h"

#include <gtest/gtest.h>

#include "common/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

// A record frame: "$DD" + address + nine card digits + DDMMYYhhmmss + "**" CR.
QByteArray RecordFrame(int card, const char* stamp, const char* address = "001") {
  return QByteArray("$DD") + address + QByteArray::number(card).rightJustified(9, '0') + stamp + "**\r";
}
const QByteArray kEnd = "$FD001**\r";

QByteArray ManyRecords(int n) {
  QByteArray all;
  for (int i = 0; i < n; ++i) all += RecordFrame(100000 + i, "051226140309");
  return all;
}

// Replies `reply` (in pieces of `piece` characters, `gapMs` apart) to every request.
void ReplyWith(FakeEnv& f, const QByteArray& reply, int piece = 0, qint64 gapMs = 10) {
  f.link.onWrite = [&f, reply, piece, gapMs](const QByteArray&) {
    if (piece <= 0) {
      f.link.deliverAfter(5, reply);
      return;
    }
    qint64 at = 5;
    for (qsizetype i = 0; i < reply.size(); i += piece, at += gapMs) f.link.deliverAfter(at, reply.mid(i, piece));
  };
}

TEST(ReadRecordCount, DecodesTheCounter) {
  const struct {
    const char* reply;
    int expected;
  } cases[] = {
      {"$RC0010001**\r", 0}, {"$RC0010010**\r", 9},  // counter is records plus one
      {"$RC0013501**\r", 3500}, {"xx$RC0010005**\r", 4}, {"$RC0010000**\r", -1},  // 0 is no valid counter
      {"$RC001ABCD**\r", -1}, {"$XX0010010**\r", -1}, {"$RC0010010**", -1} /* short */, {"", -1},
      // The integer is taken after the subtraction, halves to even: 1.5 - 1 is 0, 3.5 - 1 is 2.
      {"$RC0011.5 **\r", 0}, {"$RC0013.5 **\r", 2}, {"$RC0010.5 **\r", 0},
  };
  for (const auto& c : cases) {
    FakeEnv f(LinkKind::Tcp);
    if (*c.reply) ReplyWith(f, c.reply);
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadRecordCount(env, 1), c.expected) << c.reply;
    EXPECT_EQ(f.link.written, QByteArray("%RC001**\r"));
  }
}

TEST(EraseRecords, BothFormsJudgeTheReplyDifferently) {
  const struct {
    const char* reply;
    qint16 id;
    int erase, afterDownload;
  } cases[] = {
      {"$EM001**\r", 1, 1, 1}, {"$XX001**\r", 1, 0, 1},  // the second form only checks the echoed address
      {"$EM002**\r", 1, 1, -1}, {"$EM255**\r", 255, 1, 1}, {"$EM00", 1, -1, -1} /* short */, {"", 1, -1, -1},
  };
  for (const auto& c : cases) {
    for (bool after : {false, true}) {
      FakeEnv f;
      int readsBeforeWrite = -1;
      f.link.onWrite = [&](const QByteArray&) {
        readsBeforeWrite = f.link.reads;
        if (*c.reply) f.link.deliverAfter(5, c.reply);
      };
      ExchangeEnv env = f.env();
      const int result = after ? EraseRecordsAfterDownload(env, c.id) : EraseRecords(env, c.id);
      EXPECT_EQ(result, after ? c.afterDownload : c.erase) << c.reply << " after=" << after;
      EXPECT_EQ(f.link.written, "%EM" + QByteArray::number(c.id).rightJustified(3, '0') + "**\r");
      // The erase after a download waits ten times as long for the reader to settle.
      EXPECT_EQ(readsBeforeWrite, after ? 20001 : 2001);
    }
  }
}

TEST(DownloadRecords, OnePieceAndSplitGiveTheSameRecords) {
  const QByteArray stream =
      RecordFrame(12345678, "051226140309") + RecordFrame(0, "010107000000") + RecordFrame(999999999, "311299235959") + kEnd;
  for (int piece : {0, 1, 7, 29, 30, 31, 1000}) {
    FakeEnv f(LinkKind::Tcp);
    ReplyWith(f, "noise" + stream, piece);
    ExchangeEnv env = f.env();
    OfflineRecordTable table;
    DownloadEnd end = DownloadEnd::None;
    ASSERT_EQ(DownloadRecords(env, 1, table, &end), 3) << piece;
    EXPECT_EQ(end, DownloadEnd::Complete);
    EXPECT_EQ(f.link.written, QByteArray("%DD001**\r"));
    const std::pair<int, QDateTime> expected[] = {{12345678, {{2026, 12, 5}, {14, 3, 9}}},
                                                  {0, {{2007, 1, 1}, {0, 0, 0}}},  // "07" is 2007
                                                  {999999999, {{2099, 12, 31}, {23, 59, 59}}}};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::make_pair(table[i].cardNumber, table[i].stamp), expected[i]) << i;
    EXPECT_FALSE(table[3].stamp.isValid());  // untouched
  }
}

TEST(DownloadRecords, HowTheCollectionEnds) {
  const QByteArray shortFrame = "$DD00112345678051226140309**\r";  // one card digit missing
  const struct {
    const char* name;
    QByteArray stream;
    int piece, count;
    DownloadEnd end;
    std::vector<std::pair<int, int>> cards;  // table index → card number
  } cases[] = {
      {"wrong length dropped without a gap", RecordFrame(1, "051226140309") + shortFrame +
       RecordFrame(3, "051226140310") + kEnd, 0, 2, DownloadEnd::Complete, {{0, 1}, {1, 3}, {2, 0}}},
      // -1 leaves the table as it was.
      {"first frame not DD", "$XX001**\r" + RecordFrame(1, "051226140309") + kEnd, 0, -1, DownloadEnd::Unexpected,
       {{0, 4242}}},
      {"unexpected reply", ManyRecords(2) + "$NC001E**\r" + RecordFrame(3, "051226140309"), 0, 2,
       DownloadEnd::Unexpected, {{0, 100000}, {1, 100001}, {2, 0}}},
      {"3600 records", ManyRecords(3600) + kEnd, 4096, 3501, DownloadEnd::Full, {{3500, 103500}, {3501, 0}}},
  };
  for (const auto& c : cases) {
    FakeEnv f;
    ReplyWith(f, c.stream, c.piece);
    ExchangeEnv env = f.env();
    OfflineRecordTable table;
    table[0].cardNumber = 4242;
    DownloadEnd end = DownloadEnd::None;
    EXPECT_EQ(DownloadRecords(env, 1, table, &end), c.count) << c.name;
    EXPECT_EQ(end, c.end) << c.name;
    for (const auto& [i, card] : c.cards) EXPECT_EQ(table[i].cardNumber, card) << c.name << " " << i;
    // An unexpected reply ends the collection at once, not by the deadline.
    if (c.end == DownloadEnd::Unexpected) {
      EXPECT_LT(f.clock.ms - f.link.writeTimeMs, 1000) << c.name;
    }
  }
}

TEST(DownloadRecords, SilenceWithoutEndFrameDiscardsEverything) {
  FakeEnv f;
  ReplyWith(f, ManyRecords(3), 30, 200);
  ExchangeEnv env = f.env();
  OfflineRecordTable table;
  DownloadEnd end = DownloadEnd::Complete;
  EXPECT_EQ(DownloadRecords(env, 1, table, &end), -1);
  EXPECT_EQ(end, DownloadEnd::None);
  EXPECT_EQ(table[0].cardNumber, 0);
  // The last piece came at write + 405 ms; five whole seconds of silence after it.
  const qint64 lastPiece = f.link.writeTimeMs + 405;
  EXPECT_GE(f.clock.ms - lastPiece, 4000);
  EXPECT_LE(f.clock.ms - lastPiece, 5000);
  EXPECT_EQ(f.clock.ms % 1000, 0);  // ends on a whole-second tick

  FakeEnv slow;  // pieces 4 s apart: 20 s in all, never 5 s of silence
  ReplyWith(slow, ManyRecords(4) + kEnd, 30, 4000);
  ExchangeEnv slowEnv = slow.env();
  EXPECT_EQ(DownloadRecords(slowEnv, 1, table), 4);
  EXPECT_GE(slow.clock.ms - slow.link.writeTimeMs, 16000);
}

TEST(DownloadRecords, EndlessFrameWithoutLineEndEndsTheCollection) {
  FakeEnv f;
  f.link.onWrite = [&f](const QByteArray&) {
    f.link.deliverAfter(5, ManyRecords(2) + "$DD001");
    for (int i = 0; i < 2000; ++i) f.link.deliverAfter(10 + i * 10, "0123456789");
  };
  ExchangeEnv env = f.env();
  OfflineRecordTable table;
  DownloadEnd end = DownloadEnd::None;
  EXPECT_EQ(DownloadRecords(env, 1, table, &end), 2);
  EXPECT_EQ(end, DownloadEnd::Unexpected);
  EXPECT_LT(f.clock.ms - f.link.writeTimeMs, 200);
}

TEST(RecordFrameCollector, FrameLengthLimitDoesNotDependOnPieces) {
  // 64 characters from "$" to the CR are still a frame; 65 are not.
  for (int length : {64, 65}) {
    const QByteArray frame = "$DD" + QByteArray(length - 3, '1') + "\r";
    for (int piece : {1, 10, 1000}) {
      RecordFrameCollector c;
      const QByteArray stream = frame + kEnd;
      for (qsizetype i = 0; i < stream.size() && c.end() == DownloadEnd::None; i += piece) c.feed(stream.mid(i, piece));
      EXPECT_EQ(c.end(), length <= kMaxPendingFrame ? DownloadEnd::Complete : DownloadEnd::Unexpected)
          << length << " " << piece;
      EXPECT_EQ(c.frames().size(), length <= kMaxPendingFrame ? 1u : 0u);
    }
  }
}

TEST(RecordFrameCollector, FramesAreTakenFromTheirMarkerToTheirLineEnd) {
  RecordFrameCollector c;
  EXPECT_EQ(c.feed("junk\r\r$DD1"), DownloadEnd::None);
  EXPECT_EQ(c.feed("\rgarbage$DD2\r$D"), DownloadEnd::None);
  EXPECT_EQ(c.feed("D3\r$FD\r$DD4\r"), DownloadEnd::Complete);
  EXPECT_EQ(c.frames(), (std::vector<QByteArray>{"$DD1\r", "$DD2\r", "$DD3\r"}));
  EXPECT_EQ(c.feed("$DD5\r"), DownloadEnd::Complete);  // nothing after the end
  EXPECT_EQ(c.frames().size(), 3u);
}

TEST(PauseBeforeDownload, EndsMoreThanOneWholeSecondLater) {
  // Started anywhere in a second, the pause ends at the start of the second after next.
  for (qint64 offsetMs : {0, 1, 500, 999}) {
    FakeEnv f(LinkKind::Serial, 1'700'000'000'000LL + offsetMs);
    const qint64 start = f.clock.ms;
    PauseBeforeDownload(f.pump, f.clock);
    EXPECT_EQ(f.clock.ms, 1'700'000'002'000LL) << offsetMs;
    EXPECT_GE(f.clock.ms - start, 1000);
    EXPECT_EQ(f.pump.sleptMs, f.clock.ms - start);  // slept, never spun
    EXPECT_LE(f.pump.waits, 200);                   // woken by the 10 ms ticks at most
  }
}

TEST(ConvertRecordFrame, InvalidStampKeepsTheReadersDigits) {
  const struct {
    QByteArray frame;
    bool counts, validStamp;
    QByteArray raw;
  } cases[] = {
      {RecordFrame(7, "310226250000"), true, false, "310226250000"},  // 31 February, hour 25
      {RecordFrame(7, "290224120000"), true, true, "290224120000"},   // leap day
      {RecordFrame(7, "2902251200a0"), true, false, "2902251200a0"},
      {RecordFrame(7, "051226140309").replace(1, 2, "DX"), false, false, ""},
      {"$DD00100000000705122614030**\r", false, false, ""},
  };
  for (const auto& c : cases) {
    OfflineRecord r;
    EXPECT_EQ(ConvertRecordFrame(c.frame, &r), c.counts) << c.frame.constData();
    if (!c.counts) continue;
    EXPECT_EQ(r.cardNumber, 7);
    EXPECT_EQ(r.stamp.isValid(), c.validStamp);
    EXPECT_EQ(r.rawStamp, c.raw);
  }
}

TEST(DownloadRecords, InvalidStampNeverBorrowsAnotherRecordsTime) {
  FakeEnv f;
  ReplyWith(f, RecordFrame(1, "051226140309") + RecordFrame(2, "310226250000") + kEnd);
  ExchangeEnv env = f.env();
  OfflineRecordTable table;
  table[1].stamp = QDateTime(QDate(2020, 1, 1), QTime(1, 1, 1));  // from an earlier download
  ASSERT_EQ(DownloadRecords(env, 1, table), 2);
  EXPECT_FALSE(table[1].stamp.isValid());
  EXPECT_EQ(table[1].rawStamp, "310226250000");
}

}  // namespace
}  // namespace tessaro
