// The %DS and %US routines, the master card conversions and the reply fields.

#include <gtest/gtest.h>

#include "common/fakes.h"
#include "settings/settingscommands.h"

namespace tessaro {
namespace {

using test::FakeEnv;

SettingsRecord BasicRecord() {
  SettingsRecord r;
  r.currentId = 1;
  r.relayTime = 5;
  r.offlineRecordType = 1;
  r.newId = 12;
  r.runMode = 1;
  r.masterCardId = QStringLiteral("305419896");
  return r;
}

// Answers every request once, `delayMs` after it was written.
void AnswerWith(FakeEnv& f, const QByteArray& reply, qint64 delayMs = 20) {
  f.link.onWrite = [&f, reply, delayMs](const QByteArray&) { f.link.deliverAfter(delayMs, reply); };
}

TEST(WriteSettings, RequestBytesPerLayout) {
  struct Case {
    SettingsLayout layout;
    int epc, wiegand, detector, trigger;
    QByteArray expected;
  };
  const Case cases[] = {
      {SettingsLayout::Basic, 1, 1, 1, 9, "%DS0010510120112345678**\r"},
      {SettingsLayout::WiegandOnly, 1, 0, 1, 9, "%DS001051012011234567810**\r"},
      {SettingsLayout::WiegandAndDetector, 1, 1, 1, 9, "%DS00105101201123456781119**\r"},
      {SettingsLayout::WiegandAndDetector, 0, 0, 0, 1, "%DS00105101201123456780001**\r"},
  };
  for (const Case& c : cases) {
    FakeEnv f;
    AnswerWith(f, "$DS001**\r\r\r");
    SettingsRecord r = BasicRecord();
    r.layout = c.layout;
    r.epcStartWord = c.epc;
    r.wiegandType = c.wiegand;
    r.vehicleDetector = c.detector;
    r.triggerTime = c.trigger;
    ExchangeEnv env = f.env();
    EXPECT_EQ(WriteSettings(env, r), 1);
    ASSERT_EQ(f.link.requests.size(), 1u);
    EXPECT_EQ(f.link.requests[0], c.expected);
  }
}

TEST(WriteSettings, FieldEncodings) {
  SettingsRecord r = BasicRecord();
  r.currentId = 0;
  r.relayTime = 64;
  r.offlineRecordType = 2;
  r.newId = 255;
  r.runMode = 2;
  r.masterCardId = QStringLiteral("4294967295");
  FakeEnv f;
  AnswerWith(f, "$DS000**\r\r\r");
  ExchangeEnv env = f.env();
  EXPECT_EQ(WriteSettings(env, r), 1);
  EXPECT_EQ(f.link.written, QByteArray("%DS0006422550" "2" "FFFFFFFF**\r"));
}

TEST(WriteSettings, Outcomes) {
  struct Case {
    const char* name;
    QByteArray reply;  // empty: silence
    bool portOk;
    int status;
    bool sent;
  };
  const Case cases[] = {
      {"ack", "$DS001**\r\r\r", true, 1, true},
      {"noise before the marker", "xx$DS001**\r", true, 1, true},
      {"a settings read reply", "xx$US001**\r", true, -1, true},
      {"silence", "", true, 0, true},
      {"short reply", "$DS001**\r", true, 0, true},
      {"port check fails", "$DS001**\r\r\r", false, -1, false},
  };
  for (const Case& c : cases) {
    FakeEnv f;
    f.link.portOk = c.portOk;
    if (!c.reply.isEmpty()) AnswerWith(f, c.reply);
    ExchangeEnv env = f.env();
    EXPECT_EQ(WriteSettings(env, BasicRecord()), c.status) << c.name;
    EXPECT_EQ(!f.link.requests.empty(), c.sent) << c.name;
  }
}

TEST(WriteSettings, TimeOutAfterTwoWholeSeconds) {
  // Sent 0.2 s into a second: the deadline is the second after next.
  FakeEnv f(LinkKind::Tcp, 1'700'000'000'200LL);
  ExchangeEnv env = f.env();
  EXPECT_EQ(WriteSettings(env, BasicRecord()), 0);
  EXPECT_EQ(f.clock.ms, 1'700'000'002'000LL);
}

TEST(WriteSettings, UnencodableMasterCardSendsNothing) {
  FakeEnv f;
  AnswerWith(f, "$DS001**\r\r\r");
  SettingsRecord r = BasicRecord();
  r.masterCardId = QStringLiteral("4294967296");
  ExchangeEnv env = f.env();
  EXPECT_EQ(WriteSettings(env, r), -1);
  EXPECT_TRUE(f.link.written.isEmpty());
}

TEST(MasterCard, EncodeExactOverUnsigned32Bits) {
  struct Case {
    const char* text;
    const char* hex;  // nullptr: rejected
  };
  const Case cases[] = {
      {"0", "00000000"},           {"32768", "00008000"},       {"65535", "0000FFFF"},
      {"305419896", "12345678"},   {"2147483647", "7FFFFFFF"},  {"2147483648", "80000000"},
      {"2147483649", "80000001"},  {"4294967295", "FFFFFFFF"},  {" 10 ", "0000000A"},
      {"+7", "00000007"},          {"2.5", "00000002"},         {"3.5", "00000004"},
      {"-0.4", "00000000"},        {"4294967294.5", "FFFFFFFE"}, {"1e3", "000003E8"},
      {"-1", nullptr},             {"-2147483648", nullptr},    {"4294967296", nullptr},
      {"4294967295.5", nullptr},   {"-0.6", nullptr},           {"1e10", nullptr},
      {"", nullptr},               {"abc", nullptr},            {"12a", nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<QByteArray> got = EncodeMasterCard(QString::fromLatin1(c.text));
    if (c.hex) {
      ASSERT_TRUE(got) << c.text;
      EXPECT_EQ(*got, QByteArray(c.hex)) << c.text;
    } else {
      EXPECT_FALSE(got) << c.text << " gave " << got->constData();
    }
  }
}

TEST(MasterCard, DecodeExactOverUnsigned32Bits) {
  struct Case {
    const char* field;
    const char* decimal;  // nullptr: not usable
  };
  const Case cases[] = {
      {"00000000", "0"},          {"00008000", "32768"},      {"0000FFFF", "65535"},
      {"7FFFFFFF", "2147483647"}, {"80000000", "2147483648"}, {"FFFFFFFF", "4294967295"},
      {"12345678", "305419896"},  {"ffffffff", "4294967295"}, {"  00FFFF", "65535"},
      {"0000FFF", nullptr},       {"", nullptr},              {"0000FFFG", nullptr},
      {"        ", nullptr},      {"-0000001", nullptr},      {"00 0FFFF", nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<QString> got = DecodeMasterCard(QByteArrayView(c.field));
    if (c.decimal) {
      ASSERT_TRUE(got) << c.field;
      EXPECT_EQ(*got, QString::fromLatin1(c.decimal)) << c.field;
    } else {
      EXPECT_FALSE(got) << c.field;
    }
  }
}

TEST(MasterCard, RoundTrip) {
  for (quint64 v = 0; v <= 0xFFFFFFFFULL; v += 0x0F0F0F0FULL + 7) {
    const QString text = QString::number(v);
    const std::optional<QByteArray> hex = EncodeMasterCard(text);
    ASSERT_TRUE(hex) << v;
    EXPECT_EQ(DecodeMasterCard(*hex), text);
  }
}

// A reply of `length` characters: "$US" + address "007" + settings.
QByteArray UsReply(int length) {
  QByteArray r("$US007051000010000ABCDEF01231119");
  r = r.left(length - 3);
  return r + "**\r";
}

TEST(ReadSettings, WaitsForEachModelsReplyLength) {
  for (const DeviceProfile& p : DeviceProfiles()) {
    for (int length : {p.settingsReplyLength - 1, p.settingsReplyLength}) {
      FakeEnv f;
      AnswerWith(f, UsReply(length));
      QByteArray reply("stale");
      ExchangeEnv env = f.env();
      const int status = ReadSettings(env, 7, p.model, &reply);
      if (length == p.settingsReplyLength) {
        EXPECT_EQ(status, 1) << p.typeText;
        EXPECT_EQ(reply, UsReply(length).mid(3)) << p.typeText;
      } else {
        EXPECT_EQ(status, 0) << p.typeText << " with " << length;
        EXPECT_TRUE(reply.isEmpty());
      }
      EXPECT_EQ(f.link.written, QByteArray("%US007**\r"));
    }
  }
}

TEST(ReadSettings, TickTimeOutPerLink) {
  // A TS-90C selection waits for 32 characters; this reader sends 28.
  struct Case {
    LinkKind kind;
    qint64 waitedMs;  // from the write to giving up: 51 or 151 ticks of 10 ms
  };
  for (const Case& c : {Case{LinkKind::Serial, 510}, Case{LinkKind::Tcp, 1510}}) {
    FakeEnv f(c.kind);
    AnswerWith(f, UsReply(28), 30);
    QByteArray reply;
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadSettings(env, 7, DeviceModel::TS90C, &reply), 0);
    EXPECT_EQ(f.clock.ms - f.link.writeTimeMs, c.waitedMs);
    EXPECT_TRUE(reply.isEmpty());
  }
}

TEST(ReadSettings, ReplyJustBeforeTheTickLimitIsTaken) {
  FakeEnv f;
  AnswerWith(f, UsReply(28), 505);
  QByteArray reply;
  ExchangeEnv env = f.env();
  EXPECT_EQ(ReadSettings(env, 7, DeviceModel::TS30P, &reply), 1);
}

TEST(ReadSettings, DrainBeforeTheRequest) {
  struct Case {
    LinkKind kind;
    int pumps;
    int portChecks;
  };
  for (const Case& c : {Case{LinkKind::Serial, 2001, 1}, Case{LinkKind::Tcp, 1001, 0}}) {
    FakeEnv f(c.kind);
    int pumpsAtWrite = -1;
    f.link.onWrite = [&](const QByteArray&) {
      pumpsAtWrite = f.pump.pumps;
      f.link.deliverAfter(10, UsReply(28));
    };
    QByteArray reply;
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadSettings(env, 1, DeviceModel::TS40, &reply), 1);
    EXPECT_EQ(pumpsAtWrite, c.pumps);
    EXPECT_EQ(f.link.portChecks, c.portChecks);
  }
}

TEST(ReadSettings, ReplyCheckAndStoredText) {
  struct Case {
    const char* name;
    QByteArray received;
    int status;
    QByteArray stored;
  };
  const QByteArray body = "007051000010000ABCDEF0123**\r";  // 28 characters with "$US"
  const Case cases[] = {
      {"plain", "$US" + body, 1, body},
      {"noise before the marker", "x$US" + body, 1, body},
      {"without a marker, judged on the first two", "US" + body + "x", 1, body + "x"},
      {"another code", "$DS" + body, -1, ""},
      {"lower case code", "$us" + body, -1, ""},
  };
  for (const Case& c : cases) {
    FakeEnv f(LinkKind::Tcp);
    AnswerWith(f, c.received);
    QByteArray reply("stale");
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadSettings(env, 7, DeviceModel::TS40, &reply), c.status) << c.name;
    EXPECT_EQ(reply, c.stored) << c.name;
  }
}

TEST(ReadSettings, FailedPortCheckSendsNothing) {
  FakeEnv f;
  f.link.portOk = false;
  AnswerWith(f, UsReply(28));
  QByteArray reply("stale");
  ExchangeEnv env = f.env();
  EXPECT_EQ(ReadSettings(env, 7, DeviceModel::TS40, &reply), -1);
  EXPECT_TRUE(f.link.written.isEmpty());
  EXPECT_TRUE(reply.isEmpty());
}

TEST(SettingsReply, FieldPositions) {
  //                         address relay type 7-10 mode 12-14 | 15..23     24 25 26 27
  const QByteArray ts90c = QByteArray("007") + "12" + "2" + "xxxx" + "1" + "yyy" + "G80000000" + "1" + "1" + "1" + "7" + "**\r";
  struct Case {
    const char* name;
    QByteArray reply;
    MasterCardAt at;
    qint64 address, relay, type, mode;
    const char* master;  // nullptr: not usable
    qint64 epc, wiegand, detector, trigger;
  };
  const Case cases[] = {
      {"late master card", ts90c, MasterCardAt::Late, 7, 12, 2, 1, "2147483648", 1, 1, 1, 7},
      {"early master card", ts90c, MasterCardAt::Early, 7, 12, 2, 1, nullptr, 1, 1, 1, 7},
      {"early, hexadecimal", QByteArray("001") + "05" + "1" + "0000" + "2" + "xxx" + "12345678" + "00**\r", MasterCardAt::Early, 1, 5, 1, 2, "305419896", 0, 0, 0, 0},
      {"blanks and letters", QByteArray(" 7 ") + "x2" + " " + "abcd" + " " + "yyy" + " " + "0000FFFF" + "  a**", MasterCardAt::Late, 7, 0, 0, 0, "65535", 0, 0, 0, 0},
      {"digits stop at a letter", QByteArray("2a3") + " 5" + "1" + "1234" + "9" + "yyy" + "z" + "0000000A", MasterCardAt::Late, 2, 5, 1, 9, "10", 0, 0, 0, 0},
      {"short reply", "007", MasterCardAt::Late, 7, 0, 0, 0, nullptr, 0, 0, 0, 0},
      {"empty", "", MasterCardAt::Early, 0, 0, 0, 0, nullptr, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const SettingsReplyFields f = DecodeSettingsReply(c.reply, c.at);
    EXPECT_EQ(f.address, c.address) << c.name;
    EXPECT_EQ(f.relayTime, c.relay) << c.name;
    EXPECT_EQ(f.recordType, c.type) << c.name;
    EXPECT_EQ(f.runMode, c.mode) << c.name;
    EXPECT_EQ(f.masterCard.has_value(), c.master != nullptr) << c.name;
    if (c.master && f.masterCard) {
      EXPECT_EQ(*f.masterCard, QString::fromLatin1(c.master)) << c.name;
    }
    EXPECT_EQ(f.epcStartWord, c.epc) << c.name;
    EXPECT_EQ(f.wiegandType, c.wiegand) << c.name;
    EXPECT_EQ(f.vehicleDetector, c.detector) << c.name;
    EXPECT_EQ(f.triggerTime, c.trigger) << c.name;
  }
}

}  // namespace
}  // namespace tessaro
