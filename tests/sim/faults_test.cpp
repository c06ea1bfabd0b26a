// Fault injection: the command-line form and how each fault shapes a reply.

#include <gtest/gtest.h>

#include "sim/simprotocol.h"
#include "simclient.h"

using namespace tessaro;
using namespace tessaro::sim;
using test::MakeFault;

namespace {

Reply Lines(std::vector<QByteArray> lines, bool stream, int delayMs = 0) {
  Reply r;
  r.lines = std::move(lines);
  r.stream = stream;
  r.delayMs = delayMs;
  return r;
}

QByteArray Joined(const std::vector<OutPiece>& pieces) {
  QByteArray all;
  for (const OutPiece& p : pieces) all += p.data;
  return all;
}

Fault RawFault(const QByteArray& raw) {
  Fault f = MakeFault(FaultKind::Raw);
  f.raw = raw;
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
      {"UR:raw:\\xG1", false, "", FaultKind::None, 0},
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
  QByteArray code;
  Fault f;
  ASSERT_TRUE(ParseFault(QStringLiteral("UC:split:3:120"), &code, &f, nullptr));
  EXPECT_EQ(f.arg, 3);
  EXPECT_EQ(f.pauseMs, 120);
  ASSERT_TRUE(ParseFault(QStringLiteral("UR:raw:$UR001:x\\xFF\\r"), &code, &f, nullptr));
  EXPECT_EQ(f.kind, FaultKind::Raw);
  EXPECT_EQ(f.raw, QByteArray("$UR001:x\xFF\r"));
}

// How a stream is cut into pieces is the writer's business.
constexpr size_t kAny = SIZE_MAX;

TEST(SimFaults, ShapeReplies) {
  const Reply none;
  const Reply em = Lines({"$EM001**\r"}, false);
  const Reply cards = Lines({"$UC001000000FF**\r", "$UC00100000100**\r", "$UC00100000101**\r", "$UF001**\r"}, true);
  const Reply records = Lines({"$DD001000000042311226235958**\r", "$DD001000000043010127000001**\r", "$FD001**\r"}, true);
  struct Case {
    const char* name;
    const Reply& reply;
    Fault f;
    QByteArray bytes;
    size_t pieces;
  };
  const std::vector<Case> cases = {
      {"none", em, MakeFault(FaultKind::None), "$EM001**\r", 1},
      {"silence", em, MakeFault(FaultKind::Silence), "", 0},
      {"delay", em, MakeFault(FaultKind::Delay, 700), "$EM001**\r", 1},
      {"wrongcode", em, MakeFault(FaultKind::WrongCode), "$XX001**\r", 1},
      {"raw", em, RawFault("$XY"), "$XY", 1},
      {"split", em, MakeFault(FaultKind::Split, 4), "$EM001**\r", 3},
      {"stop single", em, MakeFault(FaultKind::StopAfter, 0), "$EM001**\r", 1},  // not a stream: unchanged
      {"drop", em, MakeFault(FaultKind::DropAfterBytes, 4), "$EM001**\r", 1},
      {"raw no reply", none, RawFault("$US001**\r"), "$US001**\r", kAny},
      {"noise no reply", none, MakeFault(FaultKind::Noise, 4), "", 0},
      {"stop 2", cards, MakeFault(FaultKind::StopAfter, 2), "$UC001000000FF**\r$UC00100000100**\r$UF001**\r", kAny},
      {"stop no end 2", cards, MakeFault(FaultKind::StopAfterNoEnd, 2), "$UC001000000FF**\r$UC00100000100**\r", kAny},
      {"stop no end 0", cards, MakeFault(FaultKind::StopAfterNoEnd, 0), "", 0},
      {"stop 0", cards, MakeFault(FaultKind::StopAfter, 0), "$UF001**\r", kAny},
      {"stop 9", cards, MakeFault(FaultKind::StopAfter, 9), cards.bytes(), kAny},
      {"stream wrongcode", cards, MakeFault(FaultKind::WrongCode),
       "$XX001000000FF**\r$UC00100000100**\r$UC00100000101**\r$UF001**\r", kAny},
      {"date 1", records, MakeFault(FaultKind::InvalidDate, 1),
       "$DD001000000042311226235958**\r$DD001000000043310227250000**\r$FD001**\r", kAny},
      {"date 0", records, MakeFault(FaultKind::InvalidDate, 0),
       "$DD001000000042310226250000**\r$DD001000000043010127000001**\r$FD001**\r", kAny},
      {"date beyond", records, MakeFault(FaultKind::InvalidDate, 5), records.bytes(), kAny},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<OutPiece> out = ShapeReply(c.reply, c.f);
    EXPECT_EQ(Joined(out), c.bytes);
    if (c.pieces != kAny) {
      EXPECT_EQ(out.size(), c.pieces);
    }
  }
  EXPECT_EQ(ShapeReply(em, MakeFault(FaultKind::Delay, 700)).front().delayMs, 700);
  EXPECT_EQ(ShapeReply(em, MakeFault(FaultKind::DropAfterBytes, 4)).front().dropAfter, 4);
}

TEST(SimFaults, SplitPiecesAndPauses) {
  Fault f = MakeFault(FaultKind::Split, 4);
  f.pauseMs = 80;
  const std::vector<OutPiece> out = ShapeReply(Lines({"$EC001**\r"}, false, 300), f);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].data, "$EC0");
  EXPECT_EQ(out[1].data, "01**");
  EXPECT_EQ(out[2].data, "\r");
  EXPECT_EQ(out[0].delayMs, 300);  // the reader's own working time comes first
  EXPECT_EQ(out[1].delayMs, 80);
  EXPECT_EQ(out[2].delayMs, 80);
}

TEST(SimFaults, NoiseBeforeTheMarker) {
  const QByteArray bytes = Joined(ShapeReply(Lines({"$RC0010001**\r"}, false), MakeFault(FaultKind::Noise, 12)));
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

}  // namespace
