#include <gtest/gtest.h>

#include "printers.h"

#include "cards/cardcommands.h"
#include "common/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

QByteArray cardLine(quint32 card) {
  return "$UC001" + QByteArray::number(card, 16).toUpper().rightJustified(8, '0') + "**\r";
}
const QByteArray kEndLine("$UF001**\r");

TEST(CardNumber, ConvertsListTextToTheWireValue) {
  const struct {
    const char* text;
    std::optional<qint32> card;
  } cases[] = {
      {"255", 255}, {"  255  ", 255}, {"00255", 255}, {"255.0", 255}, {"-1", -1}, {"4294967295", -1},
      {"2147483647", 2147483647}, {"2147483648", qint32(0x80000000u)}, {"-2147483648", qint32(0x80000000u)},
      {"2.5", 2}, {"3.5", 4}, {"-0.5", 0},  // halves go to the even neighbour
      {"4294967295.4", -1}, {"4294967295.5", std::nullopt},  // rounds to 4294967296
      {"4294967296", std::nullopt}, {"-2147483649", std::nullopt}, {"", std::nullopt}, {"   ", std::nullopt},
      {"12a", std::nullopt}, {"x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CardNumberFromText(QString::fromLatin1(c.text)), c.card) << c.text;
}

TEST(SendCard, RequestBytes) {
  EXPECT_EQ(SendCardRequest(1, 255), QByteArray("%NC001000000FF**\r"));  // 17 bytes
  EXPECT_EQ(SendCardRequest(12, -1), QByteArray("%NC012FFFFFFFF**\r"));
  EXPECT_EQ(SendCardRequest(255, 10), QByteArray("%NC2550000000A**\r"));
}

TEST(SendCard, JudgesTheReply) {
  const struct {
    const char* name;
    QByteArray reply;  // empty: silence
    int status;
  } cases[] = {
      {"accepted", "$NC001O**\r", 1}, {"refused", "$NC001E**\r", -1}, {"noise before", "xx$NC001O**\r", 1},
      {"first $NC only", "$NC001E**\r$NC001O**\r", -1}, {"other code", "$XX001O**\r", -1},
      {"too short", "$NC001O\r", 0}, {"silence", "", 0},
  };
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    for (const auto& c : cases) {
      FakeEnv fe(kind);
      int readsBeforeWrite = -1;
      fe.link.onWrite = [&](const QByteArray&) {
        readsBeforeWrite = fe.link.reads;
        if (!c.reply.isEmpty()) fe.link.deliverAfter(300, c.reply);
      };
      ExchangeEnv env = fe.env();
      const qint64 start = fe.clock.ms;
      EXPECT_EQ(SendCard(env, 1, 255), c.status) << c.name;
      EXPECT_EQ(fe.link.requests, std::vector<QByteArray>{"%NC001000000FF**\r"});
      const int drain = kind == LinkKind::Serial ? 5001 : 32768;
      EXPECT_EQ(readsBeforeWrite, drain) << c.name;
      if (kind == LinkKind::Tcp && c.status != 0) {
        EXPECT_EQ(fe.link.reads, drain + 1 + 32768) << c.name;
      }
      const qint64 waited = fe.clock.ms - (c.status == 0 ? fe.link.writeTimeMs : start);
      if (c.status == 0) {
        EXPECT_GE(waited, 1000);
        EXPECT_LE(waited, 2000);
      } else {
        EXPECT_LT(waited, 1000) << c.name;
      }
    }
  }
}

TEST(EraseCards, AcceptsEcAnywhereAndWaitsUpTo25Seconds) {
  const struct {
    const char* name;
    QByteArray reply;
    qint64 delayMs;
    int status;
  } cases[] = {
      {"after 20 s", "$EC001**\r", 20'000, 1}, {"EC anywhere", "$XX001EC*\r", 100, 1},
      {"other reply", "$EM001**\r", 100, -1}, {"too late", "$EC001**\r", 25'500, 0},
  };
  for (const auto& c : cases) {
    FakeEnv fe(LinkKind::Serial, 1'700'000'000'100LL);
    int readsBeforeWrite = -1;
    fe.link.onWrite = [&](const QByteArray&) {
      readsBeforeWrite = fe.link.reads;
      fe.link.deliverAfter(c.delayMs, c.reply);
    };
    ExchangeEnv env = fe.env();
    EXPECT_EQ(EraseCards(env, 3), c.status) << c.name;
    EXPECT_EQ(fe.link.written, QByteArray("%EC003**\r"));
    EXPECT_EQ(readsBeforeWrite, 2002) << c.name;  // 2001 drain passes and one more read
    if (c.status == 0) {
      EXPECT_EQ(fe.clock.ms - fe.link.writeTimeMs, 24'900) << c.name;
    }
  }
}

TEST(CardStream, DecodesCardLines) {
  const struct {
    QByteArray line;
    std::optional<qint32> card;
  } cases[] = {
      {"$UC001000000FF**\r", 255}, {"$UC001FFFFFFFF**\r", -1}, {"$UC00180000000**\r", qint32(0x80000000u)},
      {"$UC001000000ff**\r", 255}, {"$UC001000000FF*#\r", std::nullopt}, {"$UC00100000GFF**\r", std::nullopt},
      {"$UC001FF**\r", std::nullopt}, {"$XUC01000000FF**\r", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CardStreamCollector::decodeCardLine(c.line), c.card) << c.line.constData();
}

TEST(CardStream, CollectsLinesAcrossPieces) {
  CardStreamCollector c;
  // Several lines in one piece, taken in order; noise before the first "$".
  EXPECT_EQ(c.feed("\x01zz" + cardLine(1) + cardLine(2) + cardLine(3).left(10)), (std::vector<qint32>{1, 2}));
  EXPECT_EQ(c.lineCount(), 2);
  EXPECT_EQ(c.feed(cardLine(3).mid(10)), std::vector<qint32>{3});  // taken when its CR arrives
  EXPECT_TRUE(c.feed("$UC001000000FF*X\r").empty());               // bad "**": counted, not listed
  EXPECT_EQ(c.lineCount(), 4);
  EXPECT_FALSE(c.ended());
  EXPECT_TRUE(c.feed(kEndLine + cardLine(9)).empty());
  EXPECT_EQ(c.state(), CardStreamCollector::State::EndLine);
  EXPECT_TRUE(c.feed(cardLine(10)).empty());
  EXPECT_EQ(c.lineCount(), 4);

  CardStreamCollector other;
  EXPECT_TRUE(other.feed("$NC001E**\r" + cardLine(5)).empty());
  EXPECT_EQ(other.state(), CardStreamCollector::State::Unexpected);
  EXPECT_EQ(other.lineCount(), 0);
}

TEST(CardStream, GivesUpOnALineThatNeverEndsAndKeepsOnlyTheUnfinishedLine) {
  CardStreamCollector c;
  c.feed(cardLine(1) + "$UC001");
  c.feed(QByteArray(58, 'A'));  // "$" + 64 characters: still a possible line
  EXPECT_FALSE(c.ended());
  c.feed("A");
  EXPECT_EQ(c.state(), CardStreamCollector::State::Overlong);
  EXPECT_EQ(c.lineCount(), 1);

  CardStreamCollector k;
  QByteArray all;
  for (int i = 0; i < 3000; ++i) all += cardLine(i);
  qsizetype most = 0;
  for (qsizetype at = 0; at < all.size(); at += 7) {
    k.feed(QByteArrayView(all).sliced(at, std::min<qsizetype>(7, all.size() - at)));
    most = std::max(most, k.pendingBytes());
  }
  EXPECT_EQ(k.lineCount(), 3000);
  EXPECT_LE(most, 4096 * 2 + 17);
  k.feed(QByteArray(10000, 'n'));  // noise without any "$" is dropped at once
  EXPECT_EQ(k.pendingBytes(), 0);
}

struct RecordingSink : CardSink {
  void cardsReceived(const std::vector<qint32>& c) override { cards.insert(cards.end(), c.begin(), c.end()); }
  void progress(int n) override { shown.push_back(n); }
  std::vector<qint32> cards;
  std::vector<int> shown;
};

// Runs ReadCards with the reader's pieces scheduled by `script` at the request.
struct ReadRun {
  explicit ReadRun(LinkKind kind, qint64 startMs = 1'700'000'000'000LL) : fe(kind, startMs) {}
  int run(std::function<void()> script) {
    fe.link.onWrite = [&](const QByteArray&) {
      readsBeforeWrite = fe.link.reads;
      pumpsBeforeWrite = fe.pump.pumps;
      script();
    };
    ExchangeEnv env = fe.env();
    return ReadCards(env, 1, esc, sink);
  }
  qint64 sinceWrite() const { return fe.clock.ms - fe.link.writeTimeMs; }
  FakeEnv fe;
  bool esc = false;
  RecordingSink sink;
  int readsBeforeWrite = -1, pumpsBeforeWrite = -1;
};

TEST(ReadCards, ReadsUntilTheEndLine) {
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    ReadRun r(kind);
    EXPECT_EQ(r.run([&] {
      r.fe.link.deliverAfter(100, cardLine(255) + cardLine(0xFFFFFFFF));
      r.fe.link.deliverAfter(4'900, cardLine(7).left(5));
      r.fe.link.deliverAfter(9'800, cardLine(7).mid(5) + "$UC001000000FF*.\r" + kEndLine);
    }), 4);
    EXPECT_EQ(r.fe.link.written, QByteArray("%UC001**\r"));
    EXPECT_EQ(r.sink.cards, (std::vector<qint32>{255, -1, 7}));
    if (kind == LinkKind::Serial) {
      EXPECT_EQ(r.readsBeforeWrite, 2001);
      EXPECT_EQ(r.sink.shown, (std::vector<int>{2, 3}));
    } else {
      EXPECT_EQ(r.pumpsBeforeWrite, 32768);
      EXPECT_TRUE(r.sink.shown.empty());
    }
  }
}

TEST(ReadCards, GivesUpFiveToSixSecondsAfterTheLastPiece) {
  for (qint64 startMs : {1'700'000'000'000LL, 1'700'000'000'990LL}) {
    ReadRun r(LinkKind::Tcp, startMs);
    EXPECT_EQ(r.run([&] {
      r.fe.link.deliverAfter(200, cardLine(1));
      r.fe.link.deliverAfter(3'000, cardLine(2));
    }), kReadCardsTimedOut);
    EXPECT_EQ(r.sink.cards, (std::vector<qint32>{1, 2}));  // kept for the list
    EXPECT_GE(r.sinceWrite() - 3'000, 5'000) << startMs;
    EXPECT_LE(r.sinceWrite() - 3'000, 6'000) << startMs;
  }
}

TEST(ReadCards, EscCancelsAndClearsTheFlag) {
  ReadRun r(LinkKind::Serial);
  r.fe.pump.onPass = [&] {
    if (r.fe.link.writeTimeMs >= 0 && r.sinceWrite() >= 1'000) r.esc = true;
  };
  EXPECT_EQ(r.run([&] { r.fe.link.deliverAfter(100, cardLine(1)); }), kReadCardsCancelled);
  EXPECT_FALSE(r.esc);
  EXPECT_EQ(r.sink.cards, std::vector<qint32>{1});
  EXPECT_LT(r.sinceWrite(), 1'100);
}

TEST(ReadCards, StopsAtTheLineCapAndOnAnEndlessLine) {
  ReadRun cap(LinkKind::Tcp);
  EXPECT_EQ(cap.run([&] {
    for (int i = 0; i < 5100; ++i) cap.fe.link.deliverAfter(10 + i / 100, cardLine(i));
  }), 5001);
  EXPECT_EQ(cap.sink.cards.size(), 5001u);
  EXPECT_EQ(cap.sink.cards.back(), 5000);
  // Bytes after a "$" without a CR would otherwise renew the deadline forever.
  ReadRun endless(LinkKind::Tcp);
  EXPECT_EQ(endless.run([&] {
    endless.fe.link.deliverAfter(10, cardLine(1) + "$UC001");
    for (int i = 1; i < 1000; ++i) endless.fe.link.deliverAfter(10 + i * 1000, "0123456789");
  }), 1);
  EXPECT_LT(endless.sinceWrite(), 10'000);
}

}  // namespace
}  // namespace tessaro
