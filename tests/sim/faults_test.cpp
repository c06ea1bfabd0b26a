// Fault injection: the command-line form and how each fault shapes a reply.

#include <gtest/gtest.h>

#include "sim/readersim.h"
#include "sim/simprotocol.h"

using namespace tessaro;
using namespace tessaro::sim;

namespace {

Reply stream(std::vector<QByteArray> lines) {
  Reply r;
  r.lines = std::move(lines);
  r.stream = true;
  return r;
}

Reply single(QByteArray line, int delayMs = 0) {
  Reply r;
  r.lines = {std::move(line)};
  r.delayMs = delayMs;
  return r;
}

QByteArray joined(const std::vector<OutPiece>& pieces) {
  QByteArray all;
  for (const OutPiece& p : pieces) all += p.data;
  return all;
}

Fault fault(FaultKind kind, int arg = 0) {
  Fault f;
  f.kind = kind;
  f.arg = arg;
  return f;
}

TEST(SimFaults, ParseCommandLineForm) {
  struct Case {
    const char* text;
    bool ok;
    QByteArray code;
    FaultKind kind;
    int arg;
  };
  const std::vector<Case> cases = {
      {"US:silence", true, "US", FaultKind::Silence, 0},
      {"dd:stopafter:3", true, "DD", FaultKind::StopAfter, 3},
      {"DD:stopafternoend:2", true, "DD", FaultKind::StopAfterNoEnd, 2},
      {"UR:delay:1500", true, "UR", FaultKind::Delay, 1500},
      {"RC:noise", true, "RC", FaultKind::Noise, 8},
      {"RC:noise:3", true, "RC", FaultKind::Noise, 3},
      {"UC:split:5", true, "UC", FaultKind::Split, 5},
      {"EM:wrongcode", true, "EM", FaultKind::WrongCode, 0},
      {"DD:invaliddate:1", true, "DD", FaultKind::InvalidDate, 1},
      {"UC:drop:20", true, "UC", FaultKind::DropAfterBytes, 20},
      {"UC:endless", true, "UC", FaultKind::EndlessNoCr, 0},
      {"ALL:silence", true, "", FaultKind::Silence, 0},
      {"%NC:silence", true, "NC", FaultKind::Silence, 0},
      {"US", false, "", FaultKind::None, 0},
      {"US:vanish", false, "", FaultKind::None, 0},
      {"USX:silence", false, "", FaultKind::None, 0},
      {"UR:delay", false, "", FaultKind::None, 0},
      {"UR:delay:-5", false, "", FaultKind::None, 0},
      {"UR:delay:abc", false, "", FaultKind::None, 0},
      {"UR:raw", false, "", FaultKind::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    QByteArray code = "unchanged";
    Fault f;
    QString error;
    EXPECT_EQ(ParseFault(QString::fromLatin1(c.text), &code, &f, &error), c.ok);
    if (c.ok) {
      EXPECT_EQ(code, c.code);
      EXPECT_EQ(f.kind, c.kind);
      EXPECT_EQ(f.arg, c.arg);
    } else {
      EXPECT_FALSE(error.isEmpty());
      EXPECT_EQ(code, "unchanged");
    }
  }
}

TEST(SimFaults, ParseSplitPauseAndRawEscapes) {
  QByteArray code;
  Fault f;
  ASSERT_TRUE(ParseFault(QStringLiteral("UC:split:3:120"), &code, &f, nullptr));
  EXPECT_EQ(f.arg, 3);
  EXPECT_EQ(f.pauseMs, 120);
  ASSERT_TRUE(ParseFault(QStringLiteral("UR:raw:$UR001:x\\xFF\\r"), &code, &f, nullptr));
  EXPECT_EQ(f.kind, FaultKind::Raw);
  EXPECT_EQ(f.raw, QByteArray("$UR001:x\xFF\r"));
  EXPECT_FALSE(ParseFault(QStringLiteral("UR:raw:\\xG1"), &code, &f, nullptr));
}

TEST(SimFaults, ShapeSingleReply) {
  const Reply r = single("$EM001**\r");
  struct Case {
    Fault f;
    QByteArray bytes;
    size_t pieces;
  };
  Fault raw = fault(FaultKind::Raw);
  raw.raw = "$XY";
  const std::vector<Case> cases = {
      {fault(FaultKind::None), "$EM001**\r", 1},
      {fault(FaultKind::Silence), "", 0},
      {fault(FaultKind::Delay, 700), "$EM001**\r", 1},
      {fault(FaultKind::WrongCode), "$XX001**\r", 1},
      {raw, "$XY", 1},
      {fault(FaultKind::Split, 4), "$EM001**\r", 3},
      {fault(FaultKind::StopAfter, 0), "$EM001**\r", 1},  // not a stream: unchanged
      {fault(FaultKind::DropAfterBytes, 4), "$EM001**\r", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.f.kind));
    const std::vector<OutPiece> out = ShapeReply(r, c.f);
    EXPECT_EQ(joined(out), c.bytes);
    EXPECT_EQ(out.size(), c.pieces);
  }
  EXPECT_EQ(ShapeReply(r, fault(FaultKind::Delay, 700)).front().delayMs, 700);
  EXPECT_EQ(ShapeReply(r, fault(FaultKind::DropAfterBytes, 4)).front().dropAfter, 4);
}

TEST(SimFaults, SplitPiecesAndPauses) {
  Fault f = fault(FaultKind::Split, 4);
  f.pauseMs = 80;
  const std::vector<OutPiece> out = ShapeReply(single("$EC001**\r", 300), f);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].data, "$EC0");
  EXPECT_EQ(out[1].data, "01**");
  EXPECT_EQ(out[2].data, "\r");
  EXPECT_EQ(out[0].delayMs, 300);  // the reader's own working time comes first
  EXPECT_EQ(out[1].delayMs, 80);
  EXPECT_EQ(out[2].delayMs, 80);
}

TEST(SimFaults, NoiseBeforeTheMarker) {
  const std::vector<OutPiece> out = ShapeReply(single("$RC0010001**\r"), fault(FaultKind::Noise, 12));
  const QByteArray bytes = joined(out);
  EXPECT_EQ(bytes.size(), 12 + 13);
  EXPECT_EQ(bytes.indexOf('$'), 12);
  EXPECT_TRUE(bytes.endsWith("$RC0010001**\r"));
  const QByteArray noise = bytes.left(12);
  EXPECT_FALSE(noise.contains('\r'));
  EXPECT_FALSE(noise.contains('%'));
  bool nonAscii = false, printable = false;
  for (char c : noise) {
    nonAscii |= static_cast<unsigned char>(c) >= 0x80;
    printable |= c >= 0x21 && c < 0x7F;
  }
  EXPECT_TRUE(nonAscii);
  EXPECT_TRUE(printable);
}

TEST(SimFaults, ShapeStreams) {
  const Reply cards = stream({"$UC001000000FF**\r", "$UC00100000100**\r", "$UC00100000101**\r", "$UF001**\r"});
  struct Case {
    Fault f;
    QByteArray bytes;
  };
  const std::vector<Case> cases = {
      {fault(FaultKind::StopAfter, 2), "$UC001000000FF**\r$UC00100000100**\r$UF001**\r"},
      {fault(FaultKind::StopAfterNoEnd, 2), "$UC001000000FF**\r$UC00100000100**\r"},
      {fault(FaultKind::StopAfter, 0), "$UF001**\r"},
      {fault(FaultKind::StopAfter, 9), cards.bytes()},
      {fault(FaultKind::WrongCode), "$XX001000000FF**\r$UC00100000100**\r$UC00100000101**\r$UF001**\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.f.kind));
    EXPECT_EQ(joined(ShapeReply(cards, c.f)), c.bytes);
  }
  EXPECT_TRUE(ShapeReply(cards, fault(FaultKind::StopAfterNoEnd, 0)).empty());
}

TEST(SimFaults, InvalidDateOnTheChosenRecord) {
  const Reply records = stream({"$DD001000000042311226235958**\r", "$DD001000000043010127000001**\r", "$FD001**\r"});
  EXPECT_EQ(joined(ShapeReply(records, fault(FaultKind::InvalidDate, 1))),
            "$DD001000000042311226235958**\r$DD001000000043310227250000**\r$FD001**\r");
  EXPECT_EQ(joined(ShapeReply(records, fault(FaultKind::InvalidDate, 0))),
            "$DD001000000042310226250000**\r$DD001000000043010127000001**\r$FD001**\r");
  EXPECT_EQ(joined(ShapeReply(records, fault(FaultKind::InvalidDate, 5))), records.bytes());
}

TEST(SimFaults, EndlessStartsAtTheMarker) {
  const std::vector<OutPiece> out = ShapeReply(stream({"$UC001000000FF**\r", "$UF001**\r"}), fault(FaultKind::EndlessNoCr, 500));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].data, "$UC");
  EXPECT_TRUE(out[0].endless);
  EXPECT_EQ(out[0].endlessLimit, 500);
}

TEST(SimFaults, RawAnswersEvenWithoutAReply) {
  Fault raw = fault(FaultKind::Raw);
  raw.raw = "$US001**\r";
  EXPECT_EQ(joined(ShapeReply(Reply{}, raw)), "$US001**\r");
  EXPECT_TRUE(ShapeReply(Reply{}, fault(FaultKind::Noise, 4)).empty());
}

}  // namespace
