// The simulated reader's replies byte for byte. The expected frames are written
// out from the documented layouts, field by field, not produced by the simulator.

#include <gtest/gtest.h>

#include <random>

#include "sim/readersim.h"
#include "sim/simprotocol.h"

using namespace tessaro;
using namespace tessaro::sim;

namespace {

const QDateTime kPcNow(QDate(2025, 12, 31), QTime(9, 59, 59));

// Reader 7: relay 5 s, exit records, Online, master 12345678 hex, start word "6",
// Wiegand 34, detector on, trigger 9 s. Unused positions are "0".
TEST(SimReplies, SettingsReplyPerModel) {
  //              "$US" addr  relay type 7-10   run  unused          master        tail
  const QByteArray head = QByteArray("$US") + "007" + "05" + "2" + "0000" + "1";
  const struct {
    DeviceModel model;
    QByteArray expected;
    int beforeCr;
  } cases[] = {
      {DeviceModel::TS20, head + "000" + "12345678" + "**\r", 27},
      {DeviceModel::TS20B, head + "000" + "12345678" + "0" + "**\r", 28},
      {DeviceModel::TS30H, head + "0000" + "12345678" + "**\r", 28},
      {DeviceModel::TS30P, head + "0000" + "12345678" + "**\r", 28},
      {DeviceModel::TS40, head + "0000" + "12345678" + "**\r", 28},
      {DeviceModel::TS40B, head + "0000" + "12345678" + "**\r", 28},
      {DeviceModel::TS90, head + "0000" + "12345678" + "**\r", 28},
      {DeviceModel::TS90B, head + "0000" + "12345678" + "1" + "1" + "**\r", 30},
      {DeviceModel::TS90C, head + "0000" + "12345678" + "1" + "1" + "1" + "9" + "**\r", 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ProfileOf(c.model).typeText);
    ReaderSim sim;
    SimSettings& s = sim.addReader(7, c.model).settings;
    s.relayTime = 5;
    s.recordType = 2;
    s.runMode = 1;
    s.masterCard = 0x12345678;
    s.epcStartWord = 1;
    s.wiegandType = 1;
    s.vehicleDetector = 1;
    s.triggerTime = 9;
    const QByteArray reply = sim.replyFor("%US007**\r");
    EXPECT_EQ(reply, c.expected);
    EXPECT_EQ(reply.size() - 1, c.beforeCr);
  }
}

TEST(SimReplies, SettingsDefaultsAndHighMasterCard) {
  ReaderSim sim;
  SimReader& r = sim.addReader(255, DeviceModel::TS90C);
  r.settings.masterCard = 0xFFFFFFFF;
  // Defaults: relay 1, entry, Stand-Alone, start word "4", Wiegand 26, no detector, trigger 5.
  EXPECT_EQ(sim.replyFor("%US255**\r"), QByteArray("$US") + "255" + "01" + "1" + "0000" + "0" + "0000" + "FFFFFFFF" +
                                            "0" + "0" + "0" + "5" + "**\r");
}

struct DsCase {
  DeviceModel model;
  QByteArray request;
  QByteArray reply;
  QByteArray settingsAfter;  // the "%US" reply to the new address, empty when unchanged
};

TEST(SimReplies, WriteSettingsAppliesAndAcknowledges) {
  const std::vector<DsCase> cases = {
      // The documented example: address 1 → 12, relay 5, entry, Online, master 305419896.
      {DeviceModel::TS30P, "%DS0010510120112345678**\r", "$DS012OK**\r",
       QByteArray("$US") + "012" + "05" + "1" + "0000" + "1" + "0000" + "12345678" + "**\r"},
      {DeviceModel::TS20, "%DS0016420030080000000**\r", "$DS003OK**\r",
       QByteArray("$US") + "003" + "64" + "2" + "0000" + "0" + "000" + "80000000" + "**\r"},
      {DeviceModel::TS90B, "%DS00101200102FFFFFFFF10**\r", "$DS001OK**\r",
       QByteArray("$US") + "001" + "01" + "2" + "0000" + "2" + "0000" + "FFFFFFFF" + "1" + "0" + "**\r"},
      {DeviceModel::TS90C, "%DS00101100100000000FF1119**\r", "$DS001OK**\r",
       QByteArray("$US") + "001" + "01" + "1" + "0000" + "0" + "0000" + "000000FF" + "1119" + "**\r"},
  };
  for (const DsCase& c : cases) {
    SCOPED_TRACE(c.request.constData());
    ReaderSim sim;
    sim.addReader(1, c.model);
    sim.addReader(2, DeviceModel::TS30P);  // another reader on the line; keeping its own address is fine
    EXPECT_EQ(sim.replyFor(c.request), c.reply);
    const QByteArray newAddr = c.reply.mid(3, 3);
    EXPECT_EQ(sim.replyFor("%US" + newAddr + "**\r"), c.settingsAfter);
    if (newAddr != "001") {
      EXPECT_TRUE(sim.replyFor("%US001**\r").isEmpty());  // the old address is free again
    }
  }
}

TEST(SimReplies, WriteSettingsRefusesBadPayloads) {
  const std::vector<std::pair<DeviceModel, QByteArray>> cases = {
      {DeviceModel::TS30P, "%DS001051012011234567**\r"},        // master card one digit short
      {DeviceModel::TS30P, "%DS00105101201123456781**\r"},      // Wiegand field on a basic model
      {DeviceModel::TS90B, "%DS0010510120112345678**\r"},       // Wiegand fields missing
      {DeviceModel::TS90C, "%DS00105101201123456781110**\r"},    // trigger time 0
      {DeviceModel::TS30P, "%DS0010010120112345678**\r"},       // relay time 0
      {DeviceModel::TS30P, "%DS0016510120112345678**\r"},       // relay time 65
      {DeviceModel::TS30P, "%DS0010530120112345678**\r"},       // record type 3
      {DeviceModel::TS30P, "%DS0010510000112345678**\r"},       // new address 0
      {DeviceModel::TS30P, "%DS0010512560112345678**\r"},       // new address 256
      {DeviceModel::TS30P, "%DS0010510121112345678**\r"},       // reserved not "0"
      {DeviceModel::TS30P, "%DS0010510120212345678**\r"},       // Read-Only on a model without it
      {DeviceModel::TS30P, "%DS001051012011234567G**\r"},       // master card not hexadecimal
      {DeviceModel::TS30P, "%DS0010510020112345678**\r"},       // address 2 is the other reader's
  };
  for (const auto& [model, request] : cases) {
    SCOPED_TRACE(request.constData());
    ReaderSim sim;
    SimReader& r = sim.addReader(1, model);
    sim.addReader(2, DeviceModel::TS30P);
    const SimSettings before = r.settings;
    EXPECT_EQ(sim.replyFor(request), "$ER001DS**\r");
    EXPECT_EQ(r.id, 1);
    EXPECT_EQ(r.settings.relayTime, before.relayTime);
    EXPECT_EQ(r.settings.masterCard, before.masterCard);
  }
}

TEST(SimReplies, CardCommands) {
  ReaderSim sim;
  SimReader& r = sim.addReader(1, DeviceModel::TS30P);
  EXPECT_EQ(sim.replyFor("%UC001**\r"), "$UF001**\r");
  EXPECT_EQ(sim.replyFor("%NC001000000FF**\r"), "$NC001O**\r");
  EXPECT_EQ(sim.replyFor("%NC001FFFFFFFF**\r"), "$NC001O**\r");
  EXPECT_EQ(sim.replyFor("%NC001000000FF**\r"), "$NC001O**\r");  // known card: accepted, kept once
  EXPECT_EQ(r.cards, (std::vector<quint32>{255, 0xFFFFFFFF}));
  EXPECT_EQ(sim.replyFor("%UC001**\r"), "$UC001000000FF**\r$UC001FFFFFFFF**\r$UF001**\r");
  EXPECT_EQ(sim.replyFor("%NC0010000FF**\r"), "$NC001X**\r");     // not eight digits
  EXPECT_EQ(sim.replyFor("%EC001**\r"), "$EC001**\r");
  EXPECT_TRUE(r.cards.empty());
}

TEST(SimReplies, CardLimitPerModel) {
  for (DeviceModel m : {DeviceModel::TS20, DeviceModel::TS30H, DeviceModel::TS40B}) {
    SCOPED_TRACE(ProfileOf(m).typeText);
    ReaderSim sim;
    SimReader& r = sim.addReader(9, m);
    const int limit = m == DeviceModel::TS20 ? 255 : m == DeviceModel::TS40B ? 5000 : 2000;
    for (int i = 0; i < limit; ++i) r.cards.push_back(static_cast<quint32>(1000 + i));
    EXPECT_EQ(sim.replyFor("%NC00900000001**\r"), "$NC009E**\r");
    EXPECT_EQ(sim.replyFor("%NC009000003E8**\r"), "$NC009O**\r");  // 1000 is already held
    r.cards.pop_back();
    EXPECT_EQ(sim.replyFor("%NC00900000001**\r"), "$NC009O**\r");
  }
}

TEST(SimReplies, RecordCommands) {
  ReaderSim sim;
  SimReader& r = sim.addReader(1, DeviceModel::TS30P);
  EXPECT_EQ(sim.replyFor("%RC001**\r"), "$RC0010001**\r");
  EXPECT_EQ(sim.replyFor("%DD001**\r"), "$FD001**\r");
  r.records.push_back({123456789, QDateTime(QDate(2007, 3, 4), QTime(5, 6, 7)), {}});
  r.records.push_back({42, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)), {}});
  r.records.push_back({7, {}, "310225250000"});
  const QByteArray dd = sim.replyFor("%DD001**\r");
  EXPECT_EQ(dd, QByteArray("$DD001") + "123456789" + "040307050607" + "**\r" +  //
                    "$DD001" + "000000042" + "311226235958" + "**\r" +            //
                    "$DD001" + "000000007" + "310225250000" + "**\r" +            //
                    "$FD001**\r");
  EXPECT_EQ(sim.replyFor("%RC001**\r"), "$RC0010004**\r");
  EXPECT_EQ(sim.replyFor("%EM001**\r"), "$EM001**\r");
  EXPECT_TRUE(r.records.empty());
  EXPECT_EQ(sim.replyFor("%RC001**\r"), "$RC0010001**\r");
}

TEST(SimReplies, ClockCommands) {
  ReaderSim sim;
  sim.setNow([] { return kPcNow; });
  SimReader& r = sim.addReader(1, DeviceModel::TS30P);
  // Wednesday 31 December 2025 is weekday 04 (Sunday = 01).
  EXPECT_EQ(sim.replyFor("%UR001**\r"), QByteArray("$UR001") + "31122509595904" + "**\r");
  // Sunday 5 January 2025 09:03:07, as the tool sends it.
  EXPECT_EQ(sim.replyFor("%DR001050125090307" "01" "**\r"), "$DR001**\r");
  EXPECT_EQ(r.clockOffsetSeconds, QDateTime(QDate(2025, 12, 31), QTime(9, 59, 59)).secsTo(
                                      QDateTime(QDate(2025, 1, 5), QTime(9, 3, 7))));
  EXPECT_EQ(sim.replyFor("%UR001**\r"), QByteArray("$UR001") + "05012509030701" + "**\r");
  // Saturday 29 February 2020 is a leap day, weekday 07.
  EXPECT_EQ(sim.replyFor("%DR001290220235959" "07" "**\r"), "$DR001**\r");
  EXPECT_EQ(sim.replyFor("%UR001**\r"), QByteArray("$UR001") + "29022023595907" + "**\r");
  for (const char* bad : {"%DR001310225250000" "01" "**\r", "%DR00105012509030" "01" "**\r",
                          "%DR0010501250903070" "8" "**\r", "%DR001AB0125090307" "01" "**\r"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(sim.replyFor(bad), "$ER001DR**\r");
  }
}

TEST(SimReplies, AddressesAndUnknownRequests) {
  ReaderSim sim;
  sim.addReader(1, DeviceModel::TS30P);
  for (const char* req : {"%UR002**\r", "%UR000**\r", "%UR**\r", "%UR00A**\r", "%ZZ001**\r", "%UR001*\r",
                          "UR001**\r", "%ur001**\r"}) {
    SCOPED_TRACE(req);
    EXPECT_TRUE(sim.replyFor(req).isEmpty());
  }
  EXPECT_EQ(sim.replyFor("%RC001xx**\r"), "$ER001RC**\r");  // a read request carries no payload
}

TEST(SimRequestAssembler, FramesFromPieces) {
  struct Case {
    std::vector<QByteArray> pieces;
    std::vector<QByteArray> frames;
  };
  const std::vector<Case> cases = {
      {{"%UR001**\r"}, {"%UR001**\r"}},
      {{"%U", "R0", "01**", "\r"}, {"%UR001**\r"}},
      {{QByteArray("\xFF\x00zz%UR001**\r", 14)}, {"%UR001**\r"}},
      {{"%UR001**\r%RC002**\r"}, {"%UR001**\r", "%RC002**\r"}},
      {{"%UR0%RC001**\r"}, {"%RC001**\r"}},
      {{"garbage\r", "%EM001**\r"}, {"%EM001**\r"}},
      {{"%" + QByteArray(300, 'A'), "%UR001**\r"}, {"%UR001**\r"}},
      {{"%UR001**"}, {}},
  };
  for (const Case& c : cases) {
    RequestAssembler a;
    std::vector<QByteArray> got;
    for (const QByteArray& p : c.pieces)
      for (QByteArray& f : a.feed(p)) got.push_back(f);
    EXPECT_EQ(got, c.frames) << c.pieces.front().toStdString();
    EXPECT_LE(a.pending(), RequestAssembler::kMaxFrame + 9);
  }
}

// Random lines of request-like bytes: whatever arrives, every reply is a whole
// frame from "$" to "**" CR and carries the address it was asked with.
TEST(SimReplies, ArbitraryRequestsGetWholeFramesOrNothing) {
  std::mt19937 rng(20261206);
  const QByteArray alphabet = "%$*\r0123456789ABCDEFURSDNCMEX \xFF";
  const char* codes[] = {"US", "DS", "NC", "UC", "EC", "RC", "EM", "DD", "DR", "UR"};
  ReaderSim sim;
  sim.addReader(1, DeviceModel::TS20);
  sim.addReader(2, DeviceModel::TS90C);
  RequestAssembler assembler;
  int answered = 0;
  for (int i = 0; i < 20000; ++i) {
    QByteArray bytes;
    const bool plausible = rng() % 2;  // a real request with a random payload, or any bytes
    if (plausible) bytes = QByteArray("%") + codes[rng() % 10] + (rng() % 2 ? "001" : "002");
    for (int k = static_cast<int>(rng() % (plausible ? 24 : 40)); k > 0; --k)
      bytes += plausible ? "0123456789ABCDEF"[rng() % 16] : alphabet[static_cast<qsizetype>(rng() % alphabet.size())];
    if (plausible) bytes += "**\r";
    for (const QByteArray& frame : assembler.feed(bytes)) {
      ASSERT_TRUE(frame.startsWith('%') && frame.endsWith('\r'));
      const auto req = ParseRequest(frame);
      const QByteArray reply = sim.replyFor(frame);
      if (reply.isEmpty()) continue;
      ++answered;
      ASSERT_TRUE(req.has_value());
      ASSERT_TRUE(reply.startsWith('$') && reply.endsWith("**\r")) << reply.constData();
      // "%DS" may move the reader; everything else answers under the address asked.
      if (req->code != "DS") {
        EXPECT_EQ(reply.mid(3, 3), frame.mid(3, 3)) << frame.constData();
      }
    }
    // Keep the two readers reachable for the next rounds.
    if (!sim.reader(1)) sim.readers().front().id = 1;
    if (!sim.reader(2)) sim.readers().back().id = 2;
  }
  EXPECT_GT(answered, 5000);
}

}  // namespace
