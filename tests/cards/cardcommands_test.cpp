#include <gtest/gtest.h>

#include "printers.h"

#include "cards/cardcommands.h"
#include "common/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

QByteArray cardLine(quint32 card, int id = 1) {
  return QByteArray("$UC") + QByteArray::number(id).rightJustified(3, '0') +
         QByteArray::number(card, 16).toUpper().rightJustified(8, '0') + "**\r";
}
const QByteArray kEndLine("$UF001**\r");

TEST(CardNumber, ConvertsListTextToTheWireValue) {
  struct Case {
    const char* text;
    std::optional<qint32> card;
  } cases[] = {
      {"255", 255},
      {"  255  ", 255},
      {"00255", 255},
      {"255.0", 255},
      {"-1", -1},
      {"4294967295", -1},
      {"2147483647", 2147483647},
      {"2147483648", qint32(0x80000000u)},
      {"-2147483648", qint32(0x80000000u)},
      {"2.5", 2},   // halves go to the even neighbour
      {"3.5", 4},
      {"-0.5", 0},
      {"4294967295.4", -1},
      {"4294967295.5", std::nullopt},  // rounds to 4294967296
      {"4294967296", std::nullopt},
      {"-2147483649", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"12a", std::nullopt},
      {"x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CardNumberFromText(QString::fromLatin1(c.text)), c.card) << c.text;
}

TEST(SendCard, RequestBytes) {
  EXPECT_EQ(SendCardRequest(1, 255), QByteArray("%NC001000000FF**\r"));
  EXPECT_EQ(SendCardRequest(1, 255).size(), 17);
  EXPECT_EQ(SendCardRequest(12, -1), QByteArray("%NC012FFFFFFFF**\r"));
  EXPECT_EQ(SendCardRequest(255, 10), QByteArray("%NC2550000000A**\r"));
}

struct ReplyCase {
  const char* name;
  QByteArray reply;  // empty: silence
  int status;
};

TEST(SendCard, JudgesTheReply) {
  const ReplyCase cases[] = {
      {"accepted", "$NC001O**\r", 1},
      {"refused", "$NC001E**\r", -1},
      {"noise before", "xx$NC001O**\r", 1},
      {"status of the first $NC only", "$NC001E**\r$NC001O**\r", -1},
      {"other code", "$XX001O**\r", -1},
      {"too short", "$NC001O\r", 0},
      {"silence", "", 0},
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
      ASSERT_EQ(fe.link.requests.size(), 1u);
      EXPECT_EQ(fe.link.requests[0], QByteArray("%NC001000000FF**\r"));
      const int drain = kind == LinkKind::Serial ? 5001 : 32768;
      EXPECT_EQ(readsBeforeWrite, drain) << c.name;
      if (kind == LinkKind::Tcp && c.status != 0) {
        // The reply read plus the second drain.
        EXPECT_EQ(fe.link.reads, drain + 1 + 32768) << c.name;
      }
      if (c.status == 0) {
        const qint64 waited = fe.clock.ms - fe.link.writeTimeMs;
        EXPECT_GE(waited, 1000);
        EXPECT_LE(waited, 2000);
      } else {
        EXPECT_LT(fe.clock.ms - start, 1000) << c.name;
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
      {"after 20 s", "$EC001**\r", 20'000, 1},
      {"EC anywhere", "$XX001EC*\r", 100, 1},
      {"other reply", "$EM001**\r", 100, -1},
      {"too late", "$EC001**\r", 25'500, 0},
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
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC001000000FF**\r"), 255);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC001FFFFFFFF**\r"), -1);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC00180000000**\r"), qint32(0x80000000u));
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC001000000ff**\r"), 255);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC001000000FF*#\r"), std::nullopt);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC00100000GFF**\r"), std::nullopt);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$UC001FF**\r"), std::nullopt);
  EXPECT_EQ(CardStreamCollector::decodeCardLine("$XUC01000000FF**\r"), std::nullopt);
}

TEST(CardStream, CollectsLinesAcrossPieces) {
  CardStreamCollector c;
  // Several lines in one piece, taken in order; noise before the first "$".
  auto cards = c.feed("\x01zz" + cardLine(1) + cardLine(2) + cardLine(3).left(10));
  EXPECT_EQ(cards, (std::vector<qint32>{1, 2}));
  EXPECT_EQ(c.lineCount(), 2);
  // The split line is taken when its CR arrives.
  cards = c.feed(cardLine(3).mid(10));
  EXPECT_EQ(cards, (std::vector<qint32>{3}));
  // A bad "**" place is counted but lists nothing.
  cards = c.feed("$UC001000000FF*X\r");
  EXPECT_TRUE(cards.empty());
  EXPECT_EQ(c.lineCount(), 4);
  EXPECT_FALSE(c.ended());
  cards = c.feed(kEndLine + cardLine(9));
  EXPECT_TRUE(cards.empty());
  EXPECT_EQ(c.state(), CardStreamCollector::State::EndLine);
  EXPECT_TRUE(c.feed(cardLine(10)).empty());
  EXPECT_EQ(c.lineCount(), 4);
}

TEST(CardStream, EndsOnAnUnexpectedLine) {
  CardStreamCollector c;
  EXPECT_TRUE(c.feed("$NC001E**\r" + cardLine(5)).empty());
  EXPECT_EQ(c.state(), CardStreamCollector::State::Unexpected);
  EXPECT_EQ(c.lineCount(), 0);
}

TEST(CardStream, TakesAtMost5001Lines) {
  CardStreamCollector c;
  QByteArray all;
  for (int i = 0; i < 5003; ++i) all += cardLine(i);
  const auto cards = c.feed(all);
  EXPECT_EQ(cards.size(), 5001u);
  EXPECT_EQ(cards.back(), 5000);
  EXPECT_EQ(c.lineCount(), 5001);
  EXPECT_EQ(c.state(), CardStreamCollector::State::LineLimit);
}

TEST(CardStream, GivesUpOnALineThatNeverEnds) {
  CardStreamCollector c;
  c.feed(cardLine(1) + "$UC001");
  EXPECT_FALSE(c.ended());
  c.feed(QByteArray(58, 'A'));  // "$" + 64 characters: still a possible line
  EXPECT_FALSE(c.ended());
  c.feed("A");
  EXPECT_EQ(c.state(), CardStreamCollector::State::Overlong);
  EXPECT_EQ(c.lineCount(), 1);
}

TEST(CardStream, KeepsOnlyTheUnfinishedLine) {
  CardStreamCollector c;
  QByteArray all;
  for (int i = 0; i < 3000; ++i) all += cardLine(i);
  qsizetype most = 0;
  for (qsizetype at = 0; at < all.size(); at += 7) {
    c.feed(QByteArrayView(all).sliced(at, std::min<qsizetype>(7, all.size() - at)));
    most = std::max(most, c.pendingBytes());
  }
  EXPECT_EQ(c.lineCount(), 3000);
  EXPECT_LE(most, 4096 * 2 + 17);
  // Noise without any "$" is dropped at once.
  c.feed(QByteArray(10000, 'n'));
  EXPECT_EQ(c.pendingBytes(), 0);
}

class RecordingSink : public CardSink {
 public:
  void cardsReceived(const std::vector<qint32>& c) override { cards.insert(cards.end(), c.begin(), c.end()); ++batches; }
  void progress(int n) override { shown.push_back(n); }
  std::vector<qint32> cards;
  std::vector<int> shown;
  int batches = 0;
};

TEST(ReadCards, ReadsUntilTheEndLine) {
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    FakeEnv fe(kind);
    int readsBeforeWrite = -1;
    int pumpsBeforeWrite = -1;
    fe.link.onWrite = [&](const QByteArray&) {
      readsBeforeWrite = fe.link.reads;
      pumpsBeforeWrite = fe.pump.pumps;
      fe.link.deliverAfter(100, cardLine(255) + cardLine(0xFFFFFFFF));
      fe.link.deliverAfter(4'900, cardLine(7).left(5));
      fe.link.deliverAfter(9'800, cardLine(7).mid(5) + "$UC001000000FF*.\r" + kEndLine);
    };
    ExchangeEnv env = fe.env();
    bool esc = false;
    RecordingSink sink;
    EXPECT_EQ(ReadCards(env, 1, esc, sink), 4);
    EXPECT_EQ(fe.link.written, QByteArray("%UC001**\r"));
    EXPECT_EQ(sink.cards, (std::vector<qint32>{255, -1, 7}));
    if (kind == LinkKind::Serial) {
      EXPECT_EQ(readsBeforeWrite, 2001);
      EXPECT_EQ(sink.shown, (std::vector<int>{2, 3}));
    } else {
      EXPECT_EQ(pumpsBeforeWrite, 32768);
      EXPECT_TRUE(sink.shown.empty());
    }
  }
}

TEST(ReadCards, GivesUpFiveToSixSecondsAfterTheLastPiece) {
  for (qint64 startMs : {1'700'000'000'000LL, 1'700'000'000'990LL}) {
    FakeEnv fe(LinkKind::Tcp, startMs);
    qint64 lastPiece = 0;
    fe.link.onWrite = [&](const QByteArray&) {
      fe.link.deliverAfter(200, cardLine(1));
      fe.link.deliverAfter(3'000, cardLine(2));
      lastPiece = fe.clock.ms + 3'000;
    };
    ExchangeEnv env = fe.env();
    bool esc = false;
    RecordingSink sink;
    EXPECT_EQ(ReadCards(env, 1, esc, sink), kReadCardsTimedOut);
    EXPECT_EQ(sink.cards, (std::vector<qint32>{1, 2}));  // kept for the list
    const qint64 silent = fe.clock.ms - lastPiece;
    EXPECT_GE(silent, 5'000) << startMs;
    EXPECT_LE(silent, 6'000) << startMs;
  }
}

TEST(ReadCards, EmptyReaderAndErrorReply) {
  for (const QByteArray& first : {kEndLine, QByteArray("$XX001**\r")}) {
    FakeEnv fe(LinkKind::Serial);
    fe.link.onWrite = [&](const QByteArray&) { fe.link.deliverAfter(50, first); };
    ExchangeEnv env = fe.env();
    bool esc = false;
    RecordingSink sink;
    EXPECT_EQ(ReadCards(env, 1, esc, sink), 0);
    EXPECT_TRUE(sink.cards.empty());
  }
}

TEST(ReadCards, EscCancelsAndClearsTheFlag) {
  FakeEnv fe(LinkKind::Serial);
  bool esc = false;
  bool written = false;
  fe.link.onWrite = [&](const QByteArray&) {
    written = true;
    fe.link.deliverAfter(100, cardLine(1));
  };
  fe.pump.onPass = [&] {
    if (written && fe.clock.ms - fe.link.writeTimeMs >= 1'000) esc = true;
  };
  ExchangeEnv env = fe.env();
  RecordingSink sink;
  EXPECT_EQ(ReadCards(env, 1, esc, sink), kReadCardsCancelled);
  EXPECT_FALSE(esc);
  EXPECT_EQ(sink.cards, (std::vector<qint32>{1}));
  EXPECT_LT(fe.clock.ms - fe.link.writeTimeMs, 1'100);
}

TEST(ReadCards, StopsAtTheLineCapAndOnAnEndlessLine) {
  {
    FakeEnv fe(LinkKind::Tcp);
    fe.link.onWrite = [&](const QByteArray&) {
      for (int i = 0; i < 5100; ++i) fe.link.deliverAfter(10 + i / 100, cardLine(i));
    };
    ExchangeEnv env = fe.env();
    bool esc = false;
    RecordingSink sink;
    EXPECT_EQ(ReadCards(env, 1, esc, sink), 5001);
    EXPECT_EQ(sink.cards.size(), 5001u);
  }
  {
    // Bytes after a "$" without a CR would otherwise renew the deadline forever.
    FakeEnv fe(LinkKind::Tcp);
    fe.link.onWrite = [&](const QByteArray&) {
      fe.link.deliverAfter(10, cardLine(1) + "$UC001");
      for (int i = 1; i < 1000; ++i) fe.link.deliverAfter(10 + i * 1000, "0123456789");
    };
    ExchangeEnv env = fe.env();
    bool esc = false;
    RecordingSink sink;
    EXPECT_EQ(ReadCards(env, 1, esc, sink), 1);
    EXPECT_LT(fe.clock.ms - fe.link.writeTimeMs, 10'000);
  }
}

}  // namespace
}  // namespace tessaro
