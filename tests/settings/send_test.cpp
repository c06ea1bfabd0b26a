// "Ayarları Gönder": validation order and focus, the run-mode rules per model,
// confirmation, exact request bytes, result messages and the new address.

#include <gtest/gtest.h>

#include <functional>

#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::WindowHarness;
using M = DeviceModel;
using R = RunMode;

const QString kAsk = QStringLiteral("Cihaza yeni ayarları göndermek istiyor musunuz?");

QByteArray DsAck(const QByteArray& request) { return "$DS" + request.mid(3, 3) + "00**\r"; }

// The form as a user leaves it before clicking.
struct Form {
  M model = M::TS30P;
  R mode = R::Online;
  QString oldId = QStringLiteral("1"), newId = QStringLiteral("2"), relay = QStringLiteral("5");
  QString master = QStringLiteral("0"), loop = QStringLiteral("5");
  bool exit = false, epc6 = false, wiegand34 = false, detector = false;

  void apply(WindowHarness& h) const {
    h.chooseModel(model);
    h.chooseRunMode(mode);
    h.setText("txtOldID", oldId);
    h.setText("txtNewID", newId);
    h.setText("txtRelayTime", relay);  // also where Stand-Alone locked the box
    h.setText("txtMasterCardID", master);
    h.c<QRadioButton>(exit ? "opsOfflineRecordType_1" : "opsOfflineRecordType_0")->setChecked(true);
    h.c<QRadioButton>(epc6 ? "opsStartEPCWord_1" : "opsStartEPCWord_0")->setChecked(true);
    h.c<QRadioButton>(wiegand34 ? "opsWigType_1" : "opsWigType_0")->setChecked(true);
    h.c<QCheckBox>("chkLoop")->setChecked(detector);
    h.setText("txtLoopTime", loop);
  }
};

// Either refused (the message, the focused control) or sent (the request bytes);
// the record type kept afterwards in both cases.
TEST(Send, ValidationOrRequest) {
  struct Case {
    const char* name;
    std::function<void(Form&)> edit;
    QByteArray outcome;  // a request ("%DS…") or the message
    const char* focus;
    int recordType;
  };
  const QByteArray kOldId = "Lütfen cihazın mevcut ID'sini giriniz", kNewId = "Lütfen 1-255 arası bir ID giriniz",
                   kRelay = "Lütfen 1-64 snd arası bir röle süresi giriniz",
                   kMaster = "Lütfen geçerli bir Master Kart ID'si giriniz",
                   kLoop = "Lütfen 1-9 snd arası bir röle süresi giriniz";
  const Case cases[] = {
      {"current ID above 255, new ID 0", [](Form& f) { f.oldId = "256"; f.newId = "0"; }, kOldId, "txtOldID", 0},
      {"current ID not numeric", [](Form& f) { f.oldId = "abc"; }, kOldId, "txtOldID", 0},
      {"current ID empty", [](Form& f) { f.oldId = ""; }, kOldId, "txtOldID", 0},
      {"new ID 0", [](Form& f) { f.oldId = "0"; f.newId = "0"; }, kNewId, "txtNewID", 0},
      {"new ID 256", [](Form& f) { f.newId = "256"; }, kNewId, "txtNewID", 0},
      {"new ID empty", [](Form& f) { f.newId = ""; }, kNewId, "txtNewID", 0},
      // Stand-Alone locks the box, so the focus cannot move into it.
      {"TS-40 Stand-Alone reads the relay time",
       [](Form& f) { f.model = M::TS40; f.mode = R::StandAlone; f.relay = "65"; }, kRelay, "txtOldID", 1},
      {"relay time 0", [](Form& f) { f.relay = "0"; }, kRelay, "txtRelayTime", 1},
      {"relay time not numeric, exit", [](Form& f) { f.relay = "abc"; f.exit = true; }, kRelay, "txtRelayTime", 2},
      {"Read-Only relay time 64.5", [](Form& f) { f.model = M::TS40B; f.mode = R::ReadOnly; f.relay = "64.5"; }, kRelay,
       "txtRelayTime", 1},
      {"TS-20 Stand-Alone ignores the relay time",
       [](Form& f) { f.model = M::TS20; f.mode = R::StandAlone; f.relay = "abc"; f.master = ""; }, kMaster,
       "txtMasterCardID", 1},
      {"TS-30H Read-Only falls back without reading it",
       [](Form& f) { f.model = M::TS30H; f.mode = R::ReadOnly; f.relay = "abc"; f.master = ""; }, kMaster,
       "txtMasterCardID", 1},
      {"master card of 11 characters", [](Form& f) { f.master = "12345678901"; }, kMaster, "txtMasterCardID", 1},
      {"master card above 32 bits", [](Form& f) { f.master = "4294967296"; }, kMaster, "txtMasterCardID", 1},
      {"master card rounding above 32 bits", [](Form& f) { f.master = "4.2949673e9"; }, kMaster, "txtMasterCardID", 1},
      {"TS-90C trigger time 10", [](Form& f) { f.model = M::TS90C; f.loop = "10"; }, kLoop, "txtLoopTime", 1},
      {"TS-90C trigger time 0", [](Form& f) { f.model = M::TS90C; f.loop = "0"; }, kLoop, "txtLoopTime", 1},
      {"TS-90C master card before trigger time", [](Form& f) { f.model = M::TS90C; f.loop = "10"; f.master = ""; },
       kMaster, "txtMasterCardID", 1},
      {"the example", [](Form& f) { f.newId = "12"; f.master = "305419896"; }, "%DS0010510120112345678**\r", nullptr,
       1},
      {"TS-20 Stand-Alone sends relay time 1",
       [](Form& f) { f.model = M::TS20; f.mode = R::StandAlone; f.relay = "33"; }, "%DS0010110020000000000**\r",
       nullptr, 1},
      {"TS-40 Stand-Alone sends the box", [](Form& f) { f.model = M::TS40; f.mode = R::StandAlone; f.relay = "33"; },
       "%DS0013310020000000000**\r", nullptr, 1},
      {"TS-40B Read-Only", [](Form& f) { f.model = M::TS40B; f.mode = R::ReadOnly; f.relay = "7"; },
       "%DS0010710020200000000**\r", nullptr, 1},
      {"TS-20B Read-Only", [](Form& f) { f.model = M::TS20B; f.mode = R::ReadOnly; f.relay = "64"; },
       "%DS0016410020200000000**\r", nullptr, 1},
      {"TS-30H Read-Only left over", [](Form& f) { f.model = M::TS30H; f.mode = R::ReadOnly; f.relay = "30"; },
       "%DS0010110020000000000**\r", nullptr, 1},
      {"TS-90B Wiegand", [](Form& f) { f.model = M::TS90B; f.epc6 = true; f.wiegand34 = true; f.detector = true; },
       "%DS001051002010000000011**\r", nullptr, 1},
      {"TS-90C everything on", [](Form& f) {
         f.model = M::TS90C; f.epc6 = true; f.wiegand34 = true; f.detector = true; f.loop = "9"; f.master = "305419896";
       }, "%DS00105100201123456781119**\r", nullptr, 1},
      {"TS-90C everything off", [](Form& f) { f.model = M::TS90C; f.loop = " 3 "; }, "%DS00105100201000000000003**\r",
       nullptr, 1},
      {"address 0", [](Form& f) { f.oldId = "0"; }, "%DS0000510020100000000**\r", nullptr, 1},
      {"new ID with a blank", [](Form& f) { f.newId = " 12"; }, "%DS0010510120100000000**\r", nullptr, 1},
      {"rounding and exit", [](Form& f) {
         f.oldId = "7.5"; f.newId = "255"; f.relay = "2.5"; f.exit = true; f.master = " 4294967295 ";
       }, "%DS00802225501FFFFFFFF**\r", nullptr, 2},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    ScriptedPeer& peer = h.tcpPeer();
    bool busyDuringExchange = false, busyAtMessage = false;
    QString oldIdAtMessage;
    peer.answer = [&](const QByteArray& req) {
      busyDuringExchange = h.ctx().busy();
      return DsAck(req);
    };
    h.prompts.onShow = [&](const QString&) {
      busyAtMessage = busyAtMessage || h.ctx().busy();
      oldIdAtMessage = h.text("txtOldID");
    };
    Form f;
    c.edit(f);
    f.apply(h);
    h.prompts.answers = {true};
    h.click("cmdSend");
    const QString outcome = QString::fromUtf8(c.outcome);
    EXPECT_FALSE(busyAtMessage) << c.name;
    if (c.outcome.startsWith("%DS")) {
      EXPECT_EQ(peer.requests, std::vector<QByteArray>{c.outcome}) << c.name;
      EXPECT_EQ(h.prompts.shown, (QStringList{"?" + kAsk, QStringLiteral("Ayarlar gönderildi")})) << c.name;
      EXPECT_TRUE(busyDuringExchange) << c.name;
      // The new ID becomes the current one as it is, before the message.
      EXPECT_EQ(oldIdAtMessage, f.newId) << c.name;
      EXPECT_EQ(h.text("txtOldID"), f.newId) << c.name;
    } else {
      EXPECT_EQ(h.prompts.shown, QStringList{outcome}) << c.name;
      EXPECT_EQ(h.focus(), QString::fromLatin1(c.focus)) << c.name;
      EXPECT_EQ(peer.connections, 0) << c.name;
    }
    EXPECT_EQ(h.ctx().state().offlineRecordType, c.recordType) << c.name;
  }
}

TEST(Send, OverThePseudoTerminal) {
  WindowHarness h;
  h.ptyPeer().answer = DsAck;
  Form().apply(h);
  h.prompts.answers = {true};
  h.click("cmdSend");
  EXPECT_EQ(h.peer->requests, std::vector<QByteArray>{"%DS0010510020100000000**\r"});
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar gönderildi")});
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

TEST(Send, NotSent) {
  struct Case {
    const char* name;
    bool yes;
    bool tcp;  // else serial port 1 with no device behind it
    QString message;  // after the question
  };
  const Case cases[] = {
      {"answered No", false, true, {}},
      {"error reply", true, true, QStringLiteral("Ayarlar gönderilemedi. (Hata oluştu)")},
      {"no port", true, false, QStringLiteral("Haberleşme Portu Açılamadı")},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    ScriptedPeer& peer = h.tcpPeer();
    peer.answer = [](const QByteArray&) { return QByteArray("$US001**\r\r\r"); };
    if (!c.tcp) h.useSerial(QString());
    Form().apply(h);
    h.prompts.answers = {c.yes};
    h.click("cmdSend");
    QStringList shown{QStringLiteral("?") + kAsk};
    if (!c.message.isEmpty()) shown << c.message;
    EXPECT_EQ(h.prompts.shown, shown) << c.name;
    EXPECT_EQ(peer.connections, c.yes && c.tcp ? 1 : 0) << c.name;
    EXPECT_EQ(h.text("txtOldID"), QStringLiteral("1")) << c.name;
    EXPECT_FALSE(h.ctx().busy()) << c.name;
  }
}

TEST(Send, TimeOut) {
  WindowHarness h(WindowHarness::Timing::Fake);
  h.ptyPeer();
  Form f;
  f.exit = true;
  f.apply(h);
  h.prompts.answers = {true};
  h.click("cmdSend");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar gönderilemedi. (Zaman aşımı)")});
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("1"));
  EXPECT_EQ(h.ctx().state().offlineRecordType, 2);
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
  EXPECT_FALSE(h.ctx().busy());
}

TEST(Send, ReadOnlyFallbackHappensBeforeTheQuestion) {
  for (M model : {M::TS20, M::TS30H, M::TS30P}) {
    WindowHarness h;
    ScriptedPeer& peer = h.tcpPeer();
    // Read-Only chosen while a TS-40 was selected, then the model changed.
    h.chooseModel(M::TS40);
    h.chooseRunMode(R::ReadOnly);
    h.setText("txtRelayTime", QStringLiteral("30"));
    h.chooseModel(model);
    h.setText("txtNewID", QStringLiteral("2"));
    h.setText("txtMasterCardID", QStringLiteral("0"));
    int modeAtQuestion = -1;
    h.prompts.onShow = [&](const QString&) { modeAtQuestion = static_cast<int>(h.ctx().runMode()); };
    h.prompts.answers = {false};
    h.click("cmdSend");
    EXPECT_EQ(modeAtQuestion, 0);
    EXPECT_TRUE(h.checked("opsRunMode_0"));
    EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("1"));
    EXPECT_FALSE(h.c<QLineEdit>("txtRelayTime")->isEnabled());
    EXPECT_EQ(peer.connections, 0);
  }
}

}  // namespace
}  // namespace tessaro
