// The settings, clock and card commands: request bytes, reply decoding and
// the rules that turn what the user typed into a request.

#include <gtest/gtest.h>

#include <array>

#include "cardfile.h"
#include "cards.h"
#include "clock.h"
#include "settings.h"
#include "support/fakes.h"
#include "textformat.h"

namespace tessaro {
namespace {

using test::FakeEnv;

TEST(Settings, WriteRequestPerLayout) {
  SettingsRecord r{.currentId = 1, .relayTime = 5, .offlineRecordType = 1, .newId = 12, .runMode = 1,
                   .masterCardId = "305419896", .epcStartWord = 1, .wiegandType = 0, .vehicleDetector = 1, .triggerTime = 9};
  const std::pair<SettingsLayout, const char*> rows[] = {{SettingsLayout::Basic, "%DS0010510120112345678**\r"},
      {SettingsLayout::WiegandOnly, "%DS001051012011234567810**\r"}, {SettingsLayout::WiegandAndDetector, "%DS00105101201123456781019**\r"}};
  for (const auto& [layout, bytes] : rows) {
    FakeEnv f;
    f.answer("$DS012OK**\r");
    r.layout = layout;
    EXPECT_EQ(WriteSettings(f.env, r), Outcome::Ok);
    EXPECT_EQ(f.link.requests, std::vector<QByteArray>{bytes});
  }
  FakeEnv f;
  r.masterCardId = "4294967296";  // not a card number: nothing goes out
  EXPECT_EQ(WriteSettings(f.env, r), Outcome::BadReply);
  EXPECT_TRUE(f.link.requests.empty());
}

TEST(Settings, MasterCardBothWays) {
  const std::pair<const char*, const char*> encode[] = {{"0", "00000000"}, {"305419896", "12345678"}, {"2147483648", "80000000"},
      {"4294967295", "FFFFFFFF"}, {" 10 ", "0000000A"}, {"2.5", "00000002"}, {"-0.4", "00000000"}, {"-1", ""},
      {"4294967296", ""}, {"4294967295.5", ""}, {"12a", ""}};
  for (const auto& [text, hex] : encode) EXPECT_EQ(EncodeMasterCard(QString::fromLatin1(text)).value_or(""), QByteArray(hex)) << text;
  const std::pair<const char*, std::optional<quint32>> decode[] = {{"80000000", 2147483648u}, {"0000FFFF", 65535u},
      {"ffffffff", 4294967295u}, {"  00FFFF", 65535u}, {"0000FFF", {}}, {"0000FFFG", {}}, {"        ", {}}, {"00 0FFFF", {}}};
  for (const auto& [field, value] : decode) EXPECT_EQ(DecodeMasterCard(field), value) << field;
}

// What differs per model, written out here rather than taken from the program's tables: the length
// of the %US reply, where receiving and scanning find the master card, and which run modes take the relay time.
TEST(Settings, EachModel) {
  const struct { DeviceModel model; int length; quint32 received, scanned; bool relayStandAlone, readOnly; } rows[] = {
      {DeviceModel::TS20, 27, 0xA, 0xA, false, false}, {DeviceModel::TS30H, 28, 0xA1, 0xA1, false, false},
      {DeviceModel::TS30P, 28, 0xA1, 0xA1, false, false}, {DeviceModel::TS40, 28, 0xA1, 0xA1, true, true},
      {DeviceModel::TS40B, 28, 0xA1, 0xA1, false, true}, {DeviceModel::TS20B, 28, 0xA, 0xA1, false, true},
      {DeviceModel::TS90, 28, 0xA1, 0xA1, false, true}, {DeviceModel::TS90B, 30, 0xA1, 0xA1, false, true},
      {DeviceModel::TS90C, 32, 0xA1, 0xA1, false, true}};
  const QByteArray full = "$US00705100002000" "0000000A1" "23456789";  // master card at 15-22 or 16-23
  for (const auto& r : rows) {
    SCOPED_TRACE(r.length);
    for (const int sent : {r.length - 1, r.length}) {
      FakeEnv f;
      f.answer(full.left(sent), 5);
      const SettingsRead read = ReadSettings(f.env, 7, r.model);
      EXPECT_EQ(read.outcome, sent == r.length ? Outcome::Ok : Outcome::NoReply);
      EXPECT_EQ(read.reply, sent == r.length ? full.mid(3, sent - 3) : QByteArray());
      EXPECT_EQ(f.link.requests, std::vector<QByteArray>{"%US007**\r"});
    }
    EXPECT_EQ(DecodeSettingsReply(full.mid(3), r.model).masterCard, r.received);
    EXPECT_EQ(DecodeSettingsReply(full.mid(3), r.model, true).masterCard, r.scanned);
    SettingsForm form{.oldId = "1", .newId = "2", .relayTime = "x", .masterCard = "3", .triggerTime = "4"};
    EXPECT_EQ(CheckSettingsForm(form, r.model).invalid.has_value(), r.relayStandAlone);
    form.runMode = RunMode::ReadOnly;
    const SettingsCheck c = CheckSettingsForm(form, r.model);
    EXPECT_EQ(std::make_pair(c.invalid.has_value(), c.standAloneForced), std::make_pair(r.readOnly, !r.readOnly));
  }
  FakeEnv f;
  f.answer("$DS007051000020000ABCDEF0123**\r");
  EXPECT_EQ(ReadSettings(f.env, 7, DeviceModel::TS40).outcome, Outcome::BadReply);
}

TEST(Settings, ReplyFields) {
  const QByteArray reply = QByteArray("007") + "12" + "2" + "wxyz" + "1" + "abc" + "G80000000" + "0" + "1" + "1" + "7";
  const SettingsReplyFields late = DecodeSettingsReply(reply, DeviceModel::TS90C);
  EXPECT_EQ(std::vector<qint64>({late.address, late.relayTime, late.recordType, late.runMode, late.epcStartWord,
                                 late.wiegandType, late.vehicleDetector, late.triggerTime}),
            std::vector<qint64>({7, 12, 2, 1, 0, 1, 1, 7}));
  EXPECT_EQ(late.masterCard, 2147483648u);
  EXPECT_FALSE(DecodeSettingsReply(reply, DeviceModel::TS20).masterCard);
  EXPECT_FALSE(DecodeSettingsReply("abcde012345678", DeviceModel::TS20).masterCard);
  // Run-mode codes: Read-Only only where the model knows it.
  EXPECT_EQ(ReceivedRunMode(0, DeviceModel::TS40), RunMode::StandAlone);
  EXPECT_EQ(ReceivedRunMode(1, DeviceModel::TS20), RunMode::Online);
  EXPECT_EQ(ReceivedRunMode(2, DeviceModel::TS20B), RunMode::ReadOnly);
  EXPECT_EQ(ReceivedRunMode(2, DeviceModel::TS30P), RunMode::StandAlone);
  EXPECT_EQ(ReceivedRunMode(3, DeviceModel::TS40), std::nullopt);
  const std::pair<const char*, int> starts[] = {{"", 0}, {"abc", 0}, {"300", 0}, {"255", 255}, {"12.5", 12}, {"-5", 0}};
  for (const auto& [typed, start] : starts) EXPECT_EQ(ScanStartAddress(QString::fromLatin1(typed)), start) << typed;
}

// The form field by field: the first invalid field (its index), or the request that goes out (the detector
// on in Online rows, off in the others).
TEST(Settings, FormChecks) {
  const struct { DeviceModel model; RunMode mode; int field; const char* value; const char* result; } rows[] = {
      {DeviceModel::TS40, RunMode::Online, -1, "", "%DS00310201201FFFFFFFF**"}, {DeviceModel::TS40, RunMode::StandAlone, -1, "", "%DS00310201200FFFFFFFF**"},
      {DeviceModel::TS20B, RunMode::ReadOnly, -1, "", "%DS00310201202FFFFFFFF**"}, {DeviceModel::TS90B, RunMode::Online, 4, "10", "%DS00310201201FFFFFFFF11**"},
      {DeviceModel::TS90C, RunMode::Online, -1, "", "%DS00310201201FFFFFFFF1118**"}, {DeviceModel::TS40, RunMode::Online, 0, "256", "0"},
      {DeviceModel::TS40, RunMode::Online, 0, "-1", "0"}, {DeviceModel::TS40, RunMode::Online, 1, "0", "1"}, {DeviceModel::TS40, RunMode::Online, 2, "65", "2"},
      {DeviceModel::TS40, RunMode::StandAlone, 2, "0.5", "2"}, {DeviceModel::TS40, RunMode::Online, 3, "", "3"},
      {DeviceModel::TS40, RunMode::Online, 3, "12345678901", "3"}, {DeviceModel::TS40, RunMode::Online, 3, "-1", "3"}, {DeviceModel::TS90C, RunMode::Online, 4, "10", "4"},
      {DeviceModel::TS90C, RunMode::Online, 4, "0", "4"}, {DeviceModel::TS90C, RunMode::StandAlone, -1, "", "%DS00301201200FFFFFFFF1108**"}};
  for (const auto& r : rows) {
    SettingsForm f{.oldId = " 3", .newId = "12", .relayTime = "9.5", .masterCard = " 4294967295 ", .triggerTime = "8",
                   .entry = false, .runMode = r.mode, .epcStartWord = 1, .wiegandType = 1, .vehicleDetector = r.mode == RunMode::Online};
    if (r.field >= 0) *std::array{&f.oldId, &f.newId, &f.relayTime, &f.masterCard, &f.triggerTime}[r.field] = QString::fromLatin1(r.value);
    const SettingsCheck c = CheckSettingsForm(f, r.model);
    const QString got = c.invalid ? QString::number(static_cast<int>(*c.invalid))
                                  : "%DS" + FormatDec3(c.record.currentId.value()) + SettingsPayload(c.record).value_or("?") + "**";
    EXPECT_EQ(got, QString::fromLatin1(r.result)) << r.field << "=" << r.value;
    // The record type is settled once both addresses passed.
    EXPECT_EQ(c.recordType.value_or(0), r.field == 0 || r.field == 1 ? 0 : 2);
  }
}

TEST(Clock, SetSendsThePcTimeAndReadShowsTheReaders) {
  FakeEnv f;
  f.answer("$DR001**\r");
  const QDateTime sunday(QDate(2025, 1, 5), QTime(9, 3, 7)), saturday(QDate(2026, 12, 12), QTime(23, 59, 58));
  EXPECT_EQ(SetClock(f.env, 1, [&] { return sunday; }), Outcome::Ok);
  EXPECT_EQ(SetClock(f.env, 1, [&] { return saturday; }), Outcome::Ok);
  EXPECT_EQ(f.link.requests, std::vector<QByteArray>({"%DR00105012509030701**\r", "%DR00112122623595807**\r"}));
  f.answer("x$UR0013112250959590" "4**\r");
  EXPECT_EQ(ReadClock(f.env, 1).deviceTime, "31/12/2025 09:59:59");
  f.answer("$DR00131122509595904**\r");
  EXPECT_EQ(ReadClock(f.env, 1).outcome, Outcome::BadReply);
  EXPECT_EQ(DeviceTimeText("$UR0013112"), "31/12/20 ::");
}

TEST(Cards, NumbersAndLines) {
  const std::pair<const char*, qint64> numbers[] = {{"255", 255}, {" 7 ", 7}, {"-1", 4294967295}, {"4294967295", 4294967295},
      {"-2147483648", 2147483648}, {"2.5", 2}, {"3.5", 4}, {"-2147483649", 99}, {"4294967296", 99}, {"", 99}, {"x", 99}};
  for (const auto& [text, card] : numbers) EXPECT_EQ(CardNumberFromText(QString::fromLatin1(text)).value_or(99), card) << text;
  const std::pair<const char*, qint64> lines[] = {{"$UC0010A1B2C3D**\r", 0x0A1B2C3D}, {"$UC001ffffffff**\r", 4294967295},
      {"$UC0010A1B2C3D**", 0x0A1B2C3D}, {"$UC0010A1B2C3D*x\r", 99}, {"$UC0010A1B2C3G**\r", 99}, {"$UD0010A1B2C3D**\r", 99}, {"$UC0010A1B2C3D*", 99}};
  for (const auto& [line, card] : lines) EXPECT_EQ(DecodeCardLine(line).value_or(99), card) << line;
  FakeEnv f(LinkKind::Tcp);
  f.answer("$NC001O**\r");
  EXPECT_EQ(SendCard(f.env, 1, 255), Outcome::Ok);
  f.answer("$EC001**\r", 24999);
  EXPECT_EQ(EraseCards(f.env, 1), Outcome::Ok);
  EXPECT_EQ(f.link.requests, std::vector<QByteArray>({"%NC001000000FF**\r", "%EC001**\r"}));
}

TEST(Cards, ReadStream) {
  const QByteArray card = "$UC0010000000A**\r", end = "$UF001**\r";
  QByteArray many;
  for (int i = 0; i < 5002; ++i) many += card;
  const struct { QByteArray stream; StreamEnd end; int lines; int cards; } rows[] = {
      {"$UC001000000FF**\r$UC00100000100*x\r" + end, StreamEnd::EndLine, 2, 1}, {end, StreamEnd::EndLine, 0, 0},
      {card + "$ER001UC**\r" + "$NC001**\r", StreamEnd::Unexpected, 2, 1}, {card, StreamEnd::Silence, 1, 1},
      {many, StreamEnd::Full, 5001, 5001}};
  for (const auto& r : rows) {
    FakeEnv f;
    f.answer(r.stream, 10);
    std::vector<quint32> got;
    int batches = 0;
    const CardsRead read = ReadCards(f.env, 1, [&](const std::vector<quint32>& c) { ++batches; got.insert(got.end(), c.begin(), c.end()); });
    EXPECT_EQ(read.end, r.end);
    EXPECT_EQ(read.lines, r.lines);
    EXPECT_EQ(static_cast<int>(got.size()), r.cards);
    EXPECT_EQ(batches, r.cards ? 1 : 0);
  }
  EXPECT_EQ(std::vector<quint32>({255}), [] {
    FakeEnv f(LinkKind::Tcp);
    f.answer("$UC001000000FF**\r$UF001**\r");
    std::vector<quint32> got;
    ReadCards(f.env, 1, [&](const std::vector<quint32>& c) { got = c; });
    return got;
  }());
}

TEST(Cards, CardFile) {
  EXPECT_EQ(CardFileBytes({"1", "2", "-3"}), QByteArray("1\r\n2\r\n-3\r\n"));
  EXPECT_EQ(ParseCardFile("\n 5 \r\n\rx\ny\r\n z"), QStringList({"", "5", "", "x", "y", "z"}));
  EXPECT_TRUE(ParseCardFile("").isEmpty());
}

TEST(Models, ByName) {
  EXPECT_EQ(ModelFromName(u"TS-30P"), DeviceModel::TS30P);
  EXPECT_EQ(ModelFromName(u"ts 90c"), DeviceModel::TS90C);
  EXPECT_EQ(ModelFromName(u"TS-20B"), DeviceModel::TS20B);
  EXPECT_EQ(ModelFromName(u"TS-50"), std::nullopt);
  using M = DeviceModel;
  // A family's brief name: letters go only where two models share a number.
  const std::pair<std::vector<M>, const char*> families[] = {{{M::TS90C}, "TS-90C"},
      {{M::TS30H, M::TS30P, M::TS40, M::TS40B, M::TS20B, M::TS90}, "TS-30/40/20B/90"}, {{M::TS20, M::TS20B}, "TS-20"},
      {{M::TS40B, M::TS90B}, "TS-40B/90B"}, {{}, ""}};
  for (const auto& [family, name] : families) EXPECT_EQ(FamilyName(family), QLatin1String(name)) << name;
  EXPECT_EQ(ModelNames({M::TS30H, M::TS90C}), "TS-30H, TS-90C");
}

// What is known of a reader's model: a model is never picked from its candidates.
TEST(Models, KnownOrCandidates) {
  using M = DeviceModel;
  const ReaderModel family = ReaderModel::Among({M::TS40, M::TS20B, M::TS30P, M::TS40});
  EXPECT_EQ(family.candidates(), (std::vector<M>{M::TS30P, M::TS40, M::TS20B}));
  EXPECT_TRUE(!family.known() && ReaderModel().candidates().size() == 9u);  // nothing known: every model
  EXPECT_TRUE(family.within(M::TS40) == ReaderModel(M::TS40) && family.within(M::TS90C).none() && family.within(ReaderModel()) == family);
  // An ability only where every candidate has it; some have it.
  EXPECT_TRUE(!family.can(Ability::CardDownload) && ReaderModel::Among({M::TS40, M::TS90C}).can(Ability::CardDownload));
  EXPECT_TRUE(family.mayCan(Ability::ClockAndRecords) && !family.within(M::TS40).mayCan(Ability::ClockAndRecords));
  EXPECT_FALSE(ReaderModel::Among({}).can(Ability::CardDownload));
  // The longest list every candidate holds.
  EXPECT_EQ(std::make_pair(family.cardLimit(), ReaderModel::Among({M::TS40B, M::TS90}).cardLimit()), std::make_pair(255, 2000));
}

}  // namespace
}  // namespace tessaro
