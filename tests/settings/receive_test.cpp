// "Ayarları Al": validation, link, busy state, messages and the filling of the
// settings controls per model.

#include <gtest/gtest.h>

#include <QComboBox>

#include "settings/settingspanel.h"
#include "settings/settingsreply.h"
#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::SettingsText;
using test::UsReply;
using test::WindowHarness;

const QString kAskOldId = QStringLiteral("Lütfen cihazın mevcut ID'sini giriniz");

QByteArray SettingsReplyOf(WindowHarness& h) {
  return h.window->findChild<SettingsPanel*>(QStringLiteral("SettingsPanel"))->settingsReply();
}

int RunModeIndex(WindowHarness& h) { return static_cast<int>(h.ctx().runMode()); }

TEST(Receive, InvalidCurrentIdOpensNoLink) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  for (const char* text : {"256", "-1", "abc", "", "255.5", "1 2"}) {
    WindowHarness h;
    h.useTcp(peer.tcpPort());
    h.c<QComboBox>("cmbPortNumber")->setCurrentIndex(4);
    h.setText("txtOldID", QString::fromLatin1(text));
    h.click("cmdReceive");
    EXPECT_EQ(h.prompts.shown, QStringList{kAskOldId}) << text;
    EXPECT_EQ(h.focus(), QStringLiteral("txtOldID")) << text;
    // The port number is taken on every click, before the validation.
    EXPECT_EQ(h.ctx().links().serial().portNumber(), 5);
  }
  EXPECT_EQ(peer.connections, 0);
}

TEST(Receive, AcceptedAddresses) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  peer.answer = [](const QByteArray& req) {
    return UsReply(SettingsText(req.mid(3, 3), "05", '1', '1', "0000000A", false), DeviceModel::TS30P);
  };
  struct Case {
    const char* text;
    const char* request;
  };
  const Case cases[] = {{"0", "%US000**\r"}, {" 12", "%US012**\r"}, {"255", "%US255**\r"}, {"7.5", "%US008**\r"}};
  for (const Case& c : cases) {
    WindowHarness h;
    h.chooseModel(DeviceModel::TS30P);
    h.useTcp(peer.tcpPort());
    h.setText("txtOldID", QString::fromLatin1(c.text));
    peer.requests.clear();
    h.click("cmdReceive");
    EXPECT_EQ(peer.requests, std::vector<QByteArray>{c.request}) << c.text;
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << c.text;
    // txtOldID is never changed by a receive.
    EXPECT_EQ(h.text("txtOldID"), QString::fromLatin1(c.text));
  }
}

TEST(Receive, FillsTheControlsPerModel) {
  struct Case {
    const char* name;
    DeviceModel model;
    QByteArray text;
    const char* newId;
    const char* relay;
    bool relayEnabled;
    bool entry;
    int runMode;
    const char* master;
    int epc, wiegand;  // option index, -1: untouched (stays 0)
    bool loop;
    const char* loopTime;
  };
  using M = DeviceModel;
  const Case cases[] = {
      {"TS-20: Read-Only is not offered", M::TS20, SettingsText("007", "12", '1', '2', "0000FFFF", true), "7", "1",
       false, true, 0, "65535", 0, 0, false, "5"},
      {"TS-40: Read-Only", M::TS40, SettingsText("007", "12", '1', '2', "0000FFFF", false), "7", "12", true, true, 2,
       "65535", 0, 0, false, "5"},
      {"TS-20B: master card one earlier", M::TS20B, SettingsText("200", "03", '2', '1', "80000000", true), "200", "3",
       true, false, 1, "2147483648", 0, 0, false, "5"},
      {"TS-90: exit, Stand-Alone", M::TS90, SettingsText("001", "64", '2', '0', "FFFFFFFF", false), "1", "1", false,
       false, 0, "4294967295", 0, 0, false, "5"},
      {"TS-30H: Read-Only becomes Stand-Alone", M::TS30H, SettingsText("010", "09", 'x', '2', "12345678", false), "10",
       "1", false, false, 0, "305419896", 0, 0, false, "5"},
      {"TS-90B: Wiegand options", M::TS90B, SettingsText("007", "05", '1', '1', "00000001", false, "10"), "7", "5",
       true, true, 1, "1", 1, 0, false, "5"},
      {"TS-90C: all extras", M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "0117"), "7", "5", true,
       true, 1, "1", 0, 1, true, "7"},
      {"TS-90C: trigger 0 shows 5", M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "1110"), "7",
       "5", true, true, 1, "1", 1, 1, true, "5"},
      {"TS-90C: blanks", M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "    "), "7", "5", true,
       true, 1, "1", 0, 0, false, "5"},
      {"TS-90C: detector other than 1", M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "0029"), "7",
       "5", true, true, 1, "1", 0, 0, false, "9"},
  };
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  for (const Case& c : cases) {
    WindowHarness h;
    h.chooseModel(c.model);
    h.useTcp(peer.tcpPort());
    h.setText("txtLoopTime", QStringLiteral("3"));
    h.c<QCheckBox>("chkLoop")->setChecked(c.loop ? false : true);
    peer.answer = [&](const QByteArray&) { return UsReply(c.text, c.model); };
    h.click("cmdReceive");
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << c.name;
    EXPECT_EQ(h.text("txtOldID"), QStringLiteral("1")) << c.name;
    EXPECT_EQ(h.text("txtNewID"), QString::fromLatin1(c.newId)) << c.name;
    EXPECT_EQ(h.text("txtRelayTime"), QString::fromLatin1(c.relay)) << c.name;
    EXPECT_EQ(h.c<QLineEdit>("txtRelayTime")->isEnabled(), c.relayEnabled) << c.name;
    EXPECT_EQ(h.checked("opsOfflineRecordType_0"), c.entry) << c.name;
    EXPECT_EQ(h.checked("opsOfflineRecordType_1"), !c.entry) << c.name;
    EXPECT_EQ(h.ctx().state().offlineRecordType, c.entry ? 1 : 2) << c.name;
    EXPECT_EQ(RunModeIndex(h), c.runMode) << c.name;
    EXPECT_EQ(h.text("txtMasterCardID"), QString::fromLatin1(c.master)) << c.name;
    EXPECT_TRUE(h.checked(c.epc == 0 ? "opsStartEPCWord_0" : "opsStartEPCWord_1")) << c.name;
    EXPECT_TRUE(h.checked(c.wiegand == 0 ? "opsWigType_0" : "opsWigType_1")) << c.name;
    if (c.model == M::TS90C) {
      EXPECT_EQ(h.checked("chkLoop"), c.loop) << c.name;
      EXPECT_EQ(h.text("txtLoopTime"), QString::fromLatin1(c.loopTime)) << c.name;
    } else {
      // Only the TS-90C reads the detector fields.
      EXPECT_EQ(h.checked("chkLoop"), !c.loop) << c.name;
      EXPECT_EQ(h.text("txtLoopTime"), QStringLiteral("3")) << c.name;
    }
    EXPECT_EQ(SettingsReplyOf(h), UsReply(c.text, c.model).mid(3)) << c.name;
  }
}

TEST(Receive, UnknownRunModeAndUnusableMasterCardLeaveTheControls) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  WindowHarness h;
  h.chooseModel(DeviceModel::TS30P);
  h.useTcp(peer.tcpPort());
  h.chooseRunMode(RunMode::Online);
  h.setText("txtMasterCardID", QStringLiteral("999"));
  for (const QByteArray& master : {QByteArray("0000FFFG"), QByteArray("-0000001"), QByteArray("12")}) {
    peer.answer = [&](const QByteArray&) {
      return UsReply(SettingsText("007", "12", '1', '5', master, false), DeviceModel::TS30P);
    };
    h.click("cmdReceive");
    EXPECT_EQ(RunModeIndex(h), 1) << master.constData();
    EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("12"));
    EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("999")) << master.constData();
    EXPECT_TRUE(h.prompts.shown.isEmpty());
  }
}

TEST(Receive, BadReplyAndBusyState) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  WindowHarness h;
  h.useTcp(peer.tcpPort());
  h.setText("txtNewID", QStringLiteral("44"));
  bool busyDuringExchange = false;
  bool busyAtMessage = true;
  peer.answer = [&](const QByteArray&) {
    busyDuringExchange = h.ctx().busy();
    return QByteArray("$DS001") + QByteArray(22, '0') + "**\r";
  };
  h.prompts.onShow = [&](const QString&) { busyAtMessage = h.ctx().busy(); };
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar alınamadı. (Hata oluştu)")});
  EXPECT_TRUE(busyDuringExchange);
  EXPECT_FALSE(busyAtMessage);
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("44"));
  EXPECT_TRUE(SettingsReplyOf(h).isEmpty());
}

TEST(Receive, TimeOutLeavesEverythingAndClosesThePort) {
  // Fake time: the pseudo-terminal stays silent for 51 ticks of fake time.
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  WindowHarness h(WindowHarness::Timing::Fake);
  h.useSerial(peer.ptyPath());
  h.chooseModel(DeviceModel::TS90C);
  h.setText("txtNewID", QStringLiteral("44"));
  h.setText("txtMasterCardID", QStringLiteral("123"));
  h.setText("txtLoopTime", QStringLiteral("8"));
  bool openAtMessage = false;
  h.prompts.onShow = [&](const QString&) { openAtMessage = h.ctx().links().serial().isOpen(); };
  const qint64 startMs = h.fakeClock.ms;
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar alınamadı. (Zaman aşımı)")});
  EXPECT_GE(h.fakeClock.ms - startMs, 510);
  EXPECT_LT(h.fakeClock.ms - startMs, 600);
  EXPECT_TRUE(openAtMessage);
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("44"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("123"));
  EXPECT_EQ(h.text("txtLoopTime"), QStringLiteral("8"));
  EXPECT_EQ(h.ctx().state().offlineRecordType, 0);
  EXPECT_TRUE(SettingsReplyOf(h).isEmpty());
}

TEST(Receive, OverThePseudoTerminal) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  peer.answer = [](const QByteArray& req) {
    return UsReply(SettingsText(req.mid(3, 3), "20", '1', '1', "00000010", false), DeviceModel::TS40);
  };
  WindowHarness h;
  h.useSerial(peer.ptyPath());
  h.chooseModel(DeviceModel::TS40);
  h.setText("txtOldID", QStringLiteral("9"));
  h.click("cmdReceive");
  EXPECT_EQ(peer.requests, std::vector<QByteArray>{"%US009**\r"});
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("9"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("20"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("16"));
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

TEST(Receive, LinkFailures) {
  WindowHarness h;
  h.useTcp(0);
  h.click("cmdReceive");
  h.useSerial(QString());  // no device behind port 1
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages,
            (QStringList{QStringLiteral("TCPIP Portu Açılamadı"), QStringLiteral("Haberleşme Portu Açılamadı")}));
  EXPECT_FALSE(h.ctx().busy());
}

}  // namespace
}  // namespace tessaro
