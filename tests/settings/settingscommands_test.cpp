// The %DS and %US routines, the master card conversions and the reply fields.

#include <gtest/gtest.h>

#include <functional>

#include "common/fakes.h"
#include "settings/settingscommands.h"

namespace tessaro {
namespace {

using test::FakeEnv;

// Answers every request once, `delayMs` after it was written; an empty reply is silence.
void AnswerWith(FakeEnv& f, const QByteArray& reply, qint64 delayMs = 20) {
  if (reply.isEmpty()) return;
  f.link.onWrite = [&f, reply, delayMs](const QByteArray&) { f.link.deliverAfter(delayMs, reply); };
}

// The bytes of every layout are pinned through the send form, model by model.
TEST(WriteSettings, RequestBytesAndOutcomes) {
  struct Case {
    const char* name;
    std::function<void(SettingsRecord&)> edit;
    QByteArray reply;
    bool portOk;
    int status;
    QByteArray written;  // empty: nothing sent
  };
  const QByteArray ack = "$DS001**\r\r\r", basic = "%DS0010510120112345678**\r";
  const auto same = [](SettingsRecord&) {};
  const Case cases[] = {
      {"basic", same, ack, true, 1, basic},
      {"field limits", [](SettingsRecord& r) {
         r.currentId = 0; r.relayTime = 64; r.offlineRecordType = 2; r.newId = 255; r.runMode = 2;
         r.masterCardId = QStringLiteral("4294967295");
       }, "$DS000**\r\r\r", true, 1, "%DS0006422550" "2" "FFFFFFFF**\r"},
      {"master card too big", [](SettingsRecord& r) { r.masterCardId = QStringLiteral("4294967296"); }, ack, true, -1,
       ""},
      {"noise before the marker", same, "xx$DS001**\r", true, 1, basic},
      {"a settings read reply", same, "xx$US001**\r", true, -1, basic},
      {"silence", same, "", true, 0, basic},
      {"short reply", same, "$DS001**\r", true, 0, basic},
      {"port check fails", same, ack, false, -1, ""},
  };
  for (const Case& c : cases) {
    FakeEnv f;
    f.link.portOk = c.portOk;
    AnswerWith(f, c.reply);
    SettingsRecord r;
    r.currentId = 1, r.relayTime = 5, r.offlineRecordType = 1, r.newId = 12, r.runMode = 1;
    r.masterCardId = QStringLiteral("305419896");
    c.edit(r);
    ExchangeEnv env = f.env();
    EXPECT_EQ(WriteSettings(env, r), c.status) << c.name;
    EXPECT_EQ(f.link.written, c.written) << c.name;
  }
}

TEST(WriteSettings, TimeOutAfterTwoWholeSeconds) {
  // Sent 0.2 s into a second: the deadline is the second after next.
  FakeEnv f(LinkKind::Tcp, 1'700'000'000'200LL);
  SettingsRecord r;
  r.masterCardId = QStringLiteral("0");
  ExchangeEnv env = f.env();
  EXPECT_EQ(WriteSettings(env, r), 0);
  EXPECT_EQ(f.clock.ms, 1'700'000'002'000LL);
}

TEST(MasterCard, EncodeExactOverUnsigned32Bits) {
  const std::pair<const char*, const char*> cases[] = {  // text, hex (nullptr: rejected)
      {"0", "00000000"},           {"32768", "00008000"},       {"65535", "0000FFFF"},
      {"305419896", "12345678"},   {"2147483647", "7FFFFFFF"},  {"2147483648", "80000000"},
      {"2147483649", "80000001"},  {"4294967295", "FFFFFFFF"},  {" 10 ", "0000000A"},
      {"+7", "00000007"},          {"2.5", "00000002"},         {"3.5", "00000004"},
      {"-0.4", "00000000"},        {"4294967294.5", "FFFFFFFE"}, {"1e3", "000003E8"},
      {"-1", nullptr},             {"-2147483648", nullptr},    {"4294967296", nullptr},
      {"4294967295.5", nullptr},   {"-0.6", nullptr},           {"1e10", nullptr},
      {"", nullptr},               {"abc", nullptr},            {"12a", nullptr},
  };
  for (const auto& [text, hex] : cases) {
    const std::optional<QByteArray> got = EncodeMasterCard(QString::fromLatin1(text));
    EXPECT_EQ(got.value_or("rejected"), QByteArray(hex ? hex : "rejected")) << text;
  }
}

TEST(MasterCard, DecodeExactOverUnsigned32Bits) {
  const std::pair<const char*, const char*> cases[] = {  // field, decimal (nullptr: not usable)
      {"00000000", "0"},          {"00008000", "32768"},      {"0000FFFF", "65535"},
      {"7FFFFFFF", "2147483647"}, {"80000000", "2147483648"}, {"FFFFFFFF", "4294967295"},
      {"12345678", "305419896"},  {"ffffffff", "4294967295"}, {"  00FFFF", "65535"},
      {"0000FFF", nullptr},       {"", nullptr},              {"0000FFFG", nullptr},
      {"        ", nullptr},      {"-0000001", nullptr},      {"00 0FFFF", nullptr},
  };
  for (const auto& [field, decimal] : cases) {
    const std::optional<QString> got = DecodeMasterCard(QByteArrayView(field));
    EXPECT_EQ(got.value_or("unusable"), QString::fromLatin1(decimal ? decimal : "unusable")) << field;
  }
}

// A reply of `length` characters: "$US" + address "007" + settings.
QByteArray UsReply(int length) { return QByteArray("$US007051000010000ABCDEF01231119").left(length - 3) + "**\r"; }

TEST(ReadSettings, WaitsForEachModelsReplyLength) {
  for (const DeviceProfile& p : DeviceProfiles()) {
    for (int length : {p.settingsReplyLength - 1, p.settingsReplyLength}) {
      FakeEnv f;
      AnswerWith(f, UsReply(length));
      QByteArray reply("stale");
      ExchangeEnv env = f.env();
      const bool complete = length == p.settingsReplyLength;
      EXPECT_EQ(ReadSettings(env, 7, p.model, &reply), complete ? 1 : 0) << p.typeText << " " << length;
      EXPECT_EQ(reply, complete ? UsReply(length).mid(3) : QByteArray()) << p.typeText << " " << length;
      EXPECT_EQ(f.link.written, QByteArray("%US007**\r"));
    }
  }
}

TEST(ReadSettings, DrainAndTickTimeOut) {
  // A TS-90C selection waits for 32 characters; this reader sends 28. The
  // limit is 51 ticks of 10 ms on a serial link and 151 over TCP; the drain
  // before the request takes 2001 passes (with a port check) or 1001.
  struct Case { LinkKind kind; DeviceModel model; qint64 delayMs; int status; qint64 waitedMs; int pumps, portChecks; };
  const Case cases[] = {{LinkKind::Serial, DeviceModel::TS90C, 30, 0, 510, 2001, 1},
                        {LinkKind::Tcp, DeviceModel::TS90C, 30, 0, 1510, 1001, 0},
                        {LinkKind::Serial, DeviceModel::TS30P, 505, 1, -1, 2001, 1},  // just before the limit
                        {LinkKind::Tcp, DeviceModel::TS40, 10, 1, -1, 1001, 0}};
  for (const Case& c : cases) {
    FakeEnv f(c.kind);
    int pumpsAtWrite = -1;
    f.link.onWrite = [&](const QByteArray&) {
      pumpsAtWrite = f.pump.pumps;
      f.link.deliverAfter(c.delayMs, UsReply(28));
    };
    QByteArray reply;
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadSettings(env, 7, c.model, &reply), c.status) << c.delayMs;
    EXPECT_EQ(reply.isEmpty(), c.status != 1) << c.delayMs;
    EXPECT_EQ(pumpsAtWrite, c.pumps) << c.delayMs;
    EXPECT_EQ(f.link.portChecks, c.portChecks) << c.delayMs;
    if (c.waitedMs >= 0) {
      EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, c.waitedMs);
    }
  }
}

TEST(ReadSettings, ReplyCheckAndStoredText) {
  struct Case { const char* name; QByteArray received; bool portOk; int status; QByteArray stored; };
  const QByteArray body = "007051000010000ABCDEF0123**\r";  // 28 characters with "$US"
  const Case cases[] = {
      {"plain", "$US" + body, true, 1, body},
      {"noise before the marker", "x$US" + body, true, 1, body},
      {"without a marker, judged on the first two", "US" + body + "x", true, 1, body + "x"},
      {"another code", "$DS" + body, true, -1, ""},
      {"lower case code", "$us" + body, true, -1, ""},
      {"port check fails", "$US" + body, false, -1, ""},
  };
  for (const Case& c : cases) {
    FakeEnv f(c.portOk ? LinkKind::Tcp : LinkKind::Serial);  // only a serial port is checked
    f.link.portOk = c.portOk;
    AnswerWith(f, c.received);
    QByteArray reply("stale");
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadSettings(env, 7, DeviceModel::TS40, &reply), c.status) << c.name;
    EXPECT_EQ(reply, c.stored) << c.name;
    EXPECT_EQ(f.link.written, QByteArray(c.portOk ? "%US007**\r" : "")) << c.name;
  }
}

// address relay type run-mode master(or "-") epc wiegand detector trigger
QString Fields(const SettingsReplyFields& f) {
  return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
      .arg(f.address).arg(f.relayTime).arg(f.recordType).arg(f.runMode)
      .arg(f.masterCard.value_or(QStringLiteral("-")))
      .arg(f.epcStartWord).arg(f.wiegandType).arg(f.vehicleDetector).arg(f.triggerTime);
}

TEST(SettingsReply, FieldPositions) {
  //                         address relay type 7-10 mode 12-14 | 15..23     24 25 26 27
  const QByteArray ts90c =
      QByteArray("007") + "12" + "2" + "xxxx" + "1" + "yyy" + "G80000000" + "1" + "1" + "1" + "7" + "**\r";
  struct Case { const char* name; QByteArray reply; MasterCardAt at; const char* fields; };
  const Case cases[] = {
      {"late master card", ts90c, MasterCardAt::Late, "7 12 2 1 2147483648 1 1 1 7"},
      {"early master card", ts90c, MasterCardAt::Early, "7 12 2 1 - 1 1 1 7"},
      {"early, hexadecimal", QByteArray("001") + "05" + "1" + "0000" + "2" + "xxx" + "12345678" + "00**\r",
       MasterCardAt::Early, "1 5 1 2 305419896 0 0 0 0"},
      {"blanks and letters", QByteArray(" 7 ") + "x2" + " " + "abcd" + " " + "yyy" + " " + "0000FFFF" + "  a**",
       MasterCardAt::Late, "7 0 0 0 65535 0 0 0 0"},
      {"digits stop at a letter", QByteArray("2a3") + " 5" + "1" + "1234" + "9" + "yyy" + "z" + "0000000A",
       MasterCardAt::Late, "2 5 1 9 10 0 0 0 0"},
      {"short reply", "007", MasterCardAt::Late, "7 0 0 0 - 0 0 0 0"},
      {"empty", "", MasterCardAt::Early, "0 0 0 0 - 0 0 0 0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fields(DecodeSettingsReply(c.reply, c.at)), QString::fromLatin1(c.fields)) << c.name;
  }
}

}  // namespace
}  // namespace tessaro
