// "Cihaz ID Bul": start address, progress caption, found / cancelled / not
// found, what the scan fills in, and the commands it keeps out meanwhile.

#include <gtest/gtest.h>

#include "settings/settingsreply.h"
#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::SettingsText;
using test::UsReply;
using test::WindowHarness;
using M = DeviceModel;

const char* const kKeptOut[] = {"cmdSend", "cmdReceive", "cmdFindID", "frKart", "cmdSendRTC", "cmdReceiveRTC",
                                "cmdReadData", "cmdReadCounter", "cmdClearCounter"};

// A complete reply with a wrong code: the try ends at once, as if no reader
// sat at that address, without waiting for the tick limit.
QByteArray Garbage() { return QByteArray("$XX") + QByteArray(30, '0') + "**\r"; }

int AddressOf(const QByteArray& request) { return request.mid(3, 3).toInt(); }
QByteArray UsRequest(int address) { return "%US" + QByteArray::number(address).rightJustified(3, '0') + "**\r"; }

struct ScanState {
  bool scanOwnDisabled = true;  // every control of kKeptOut disabled
  bool cancelUsable = false;
  bool busy = true;
  QString progress;
};

ScanState Observe(WindowHarness& h) {
  ScanState s;
  for (const char* n : kKeptOut) s.scanOwnDisabled = s.scanOwnDisabled && !h.c<QWidget>(n)->isEnabled();
  auto* cancel = h.c<QPushButton>("cmdCancelScan");
  s.cancelUsable = cancel->isVisible() && cancel->isEnabled();
  s.busy = h.ctx().busy();
  s.progress = h.text("lblScan");
  return s;
}

void ExpectIdle(WindowHarness& h, const char* name = "") {
  for (const char* n : {"cmdSend", "cmdReceive", "cmdFindID", "frKart"}) {
    EXPECT_TRUE(h.c<QWidget>(n)->isEnabled()) << n << " " << name;
  }
  EXPECT_FALSE(h.c<QWidget>("cmdCancelScan")->isVisible()) << name;
  EXPECT_TRUE(h.text("lblScan").isEmpty()) << name;
  EXPECT_EQ(h.c<QPushButton>("cmdFindID")->text(), QStringLiteral("Cihaz ID Bul")) << name;
  EXPECT_FALSE(h.ctx().busy()) << name;
}

TEST(Scan, FoundAtSevenOverTcp) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  WindowHarness h;
  h.window->show();
  h.chooseModel(M::TS30P);
  h.useTcp(peer.tcpPort());
  h.setText("txtOldID", QStringLiteral("0"));
  std::vector<ScanState> during;
  peer.answer = [&](const QByteArray& req) {
    during.push_back(Observe(h));
    if (AddressOf(req) != 7) return Garbage();
    // A reader in Read-Only mode, exit records, relay time 12.
    return UsReply(SettingsText("007", "12", '2', '2', "0000FFFF", false), M::TS30P);
  };
  ScanState atMessage;
  h.prompts.onShow = [&](const QString&) { atMessage = Observe(h); };
  h.click("cmdFindID");

  ASSERT_EQ(peer.requests.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(peer.requests[i], UsRequest(i));
    EXPECT_EQ(during[i].progress, QStringLiteral("Deniyor...%1").arg(i));
    EXPECT_TRUE(during[i].scanOwnDisabled);
    EXPECT_TRUE(during[i].cancelUsable);
    EXPECT_FALSE(during[i].busy);
  }
  EXPECT_EQ(peer.connections, 1);
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:7")});
  // The message comes before the clean-up.
  EXPECT_TRUE(atMessage.scanOwnDisabled);
  EXPECT_TRUE(atMessage.cancelUsable);
  ExpectIdle(h);
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("7"));
  // The scan never selects Read-Only.
  EXPECT_TRUE(h.checked("opsRunMode_1"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("12"));
  EXPECT_TRUE(h.checked("opsOfflineRecordType_1"));
  EXPECT_EQ(h.ctx().state().offlineRecordType, 2);
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("65535"));
  for (const char* n : kKeptOut) EXPECT_TRUE(h.c<QWidget>(n)->isEnabled()) << n;
}

TEST(Scan, WhatAFoundReaderFillsIn) {
  struct Case {
    const char* name;
    M model;
    QByteArray text;
    const char* master;
    bool standAlone;
    const char* relay;
    bool entry;
  };
  const Case cases[] = {
      {"TS-20 reads the master card one earlier", M::TS20, SettingsText("005", "09", '1', '1', "0000000A", true), "10",
       false, "9", true},
      {"TS-20B reads it where the others do", M::TS20B, SettingsText("005", "09", '1', '1', "0000000A", false), "10",
       false, "9", true},
      {"Stand-Alone locks the relay time", M::TS90, SettingsText("005", "09", '1', '0', "FFFFFFFF", false),
       "4294967295", true, "1", true},
      {"run mode 7 reads as Online", M::TS40, SettingsText("005", "09", '2', '7', "80000000", false), "2147483648",
       false, "9", false},
      {"unusable master card keeps the text", M::TS40, SettingsText("005", "09", '1', '1', "8000000Z", false), "555",
       false, "9", true},
  };
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  for (const Case& c : cases) {
    WindowHarness h;
    h.chooseModel(c.model);
    h.useSerial(peer.ptyPath());
    h.setText("txtOldID", QStringLiteral("5"));
    h.setText("txtMasterCardID", QStringLiteral("555"));
    h.setText("txtLoopTime", QStringLiteral("3"));
    peer.answer = [&](const QByteArray&) { return UsReply(c.text + "1119", c.model); };
    h.click("cmdFindID");
    EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:5")}) << c.name;
    EXPECT_EQ(h.text("txtMasterCardID"), QString::fromLatin1(c.master)) << c.name;
    EXPECT_EQ(h.checked("opsRunMode_0"), c.standAlone) << c.name;
    EXPECT_EQ(h.checked("opsRunMode_1"), !c.standAlone) << c.name;
    EXPECT_EQ(h.text("txtRelayTime"), QString::fromLatin1(c.relay)) << c.name;
    EXPECT_EQ(h.c<QLineEdit>("txtRelayTime")->isEnabled(), !c.standAlone) << c.name;
    EXPECT_EQ(h.ctx().state().offlineRecordType, c.entry ? 1 : 2) << c.name;
    // The Wiegand and detector controls are not filled by the scan.
    EXPECT_TRUE(h.checked("opsWigType_0")) << c.name;
    EXPECT_FALSE(h.checked("chkLoop")) << c.name;
    EXPECT_EQ(h.text("txtLoopTime"), QStringLiteral("3")) << c.name;
    EXPECT_FALSE(h.ctx().links().serial().isOpen()) << c.name;
    ExpectIdle(h, c.name);
  }
}

TEST(Scan, StartAddress) {
  struct Case {
    const char* text;
    int start;
  };
  const Case cases[] = {{"", 0},    {"abc", 0},   {"300", 0},  {"-5", 0},    {"-0.4", 0},
                        {"12", 12}, {" 12", 12},  {"254.5", 254}, {"255", 255}, {"255.5", 0}};
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  for (const Case& c : cases) {
    WindowHarness h(WindowHarness::Timing::Fake);
    h.useSerial(peer.ptyPath());
    h.setText("txtOldID", QString::fromLatin1(c.text));
    QStringList captions;
    auto* progress = h.c<QLabel>("lblScan");
    // Cancel as soon as the first try is under way.
    h.onFakePass = [&] {
      const QString t = progress->text();
      if (!t.isEmpty() && (captions.isEmpty() || captions.back() != t)) {
        captions << t;
        h.click("cmdCancelScan");
      }
    };
    peer.requests.clear();
    h.click("cmdFindID");
    peer.poll();
    EXPECT_EQ(captions, QStringList{QStringLiteral("Deniyor...%1").arg(c.start)}) << c.text;
    EXPECT_EQ(peer.requests, std::vector<QByteArray>{UsRequest(c.start)}) << c.text;
    if (c.start == 255) {
      // A click during the last try stays pending for the next scan.
      EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz bulunamadı")});
      EXPECT_TRUE(h.ctx().state().scanCancelFlag);
    } else {
      EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")}) << c.text;
      EXPECT_FALSE(h.ctx().state().scanCancelFlag);
    }
    ExpectIdle(h, c.text);
  }
}

TEST(Scan, NotFoundAfterAddress255) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  WindowHarness h(WindowHarness::Timing::Fake);
  h.useSerial(peer.ptyPath());
  h.setText("txtOldID", QStringLiteral("abc"));
  QStringList captions;
  auto* progress = h.c<QLabel>("lblScan");
  h.onFakePass = [&] {
    const QString t = progress->text();
    if (!t.isEmpty() && (captions.isEmpty() || captions.back() != t)) {
      captions << t;
      peer.poll();  // keeps the pseudo-terminal from filling up
    }
  };
  bool idleAtMessage = false;
  bool portOpenAtMessage = false;
  h.prompts.onShow = [&](const QString&) {
    idleAtMessage = h.c<QWidget>("cmdSend")->isEnabled() && !h.c<QWidget>("cmdCancelScan")->isVisible() &&
                    h.text("lblScan").isEmpty();
    portOpenAtMessage = h.ctx().links().serial().isOpen();
  };
  const qint64 startMs = h.fakeClock.ms;
  h.click("cmdFindID");
  peer.poll();
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz bulunamadı")});
  EXPECT_TRUE(idleAtMessage);
  EXPECT_TRUE(portOpenAtMessage);
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
  ASSERT_EQ(captions.size(), 256);
  ASSERT_EQ(peer.requests.size(), 256u);
  for (int a = 0; a < 256; ++a) {
    EXPECT_EQ(captions[a], QStringLiteral("Deniyor...%1").arg(a));
    EXPECT_EQ(AddressOf(peer.requests[a]), a);
  }
  // Each try waits 51 ticks of 10 ms on the serial link.
  EXPECT_GE(h.fakeClock.ms - startMs, 256 * 510);
  EXPECT_LT(h.fakeClock.ms - startMs, 256 * 530);
  ExpectIdle(h);
}

TEST(Scan, CancelDuringATry) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.openPty());
  WindowHarness h;
  h.window->show();
  h.useSerial(peer.ptyPath());
  h.setText("txtOldID", QStringLiteral("38"));
  peer.answer = [&](const QByteArray& req) {
    if (AddressOf(req) < 40) return Garbage();
    h.click("cmdCancelScan");  // the user clicks while the reader stays silent
    return QByteArray();
  };
  ScanState atMessage;
  h.prompts.onShow = [&](const QString&) { atMessage = Observe(h); };
  h.click("cmdFindID");
  EXPECT_EQ(peer.requests, (std::vector<QByteArray>{"%US038**\r", "%US039**\r", "%US040**\r"}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
  EXPECT_TRUE(atMessage.scanOwnDisabled);
  EXPECT_EQ(atMessage.progress, QStringLiteral("Deniyor...40"));
  EXPECT_FALSE(h.ctx().state().scanCancelFlag);
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("38"));
  ExpectIdle(h);
}

TEST(Scan, PendingCancelEndsTheNextScanAtOnce) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  WindowHarness h;
  h.useTcp(peer.tcpPort());
  h.ctx().state().scanCancelFlag = true;
  h.click("cmdFindID");
  EXPECT_TRUE(peer.requests.empty());
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
  EXPECT_FALSE(h.ctx().state().scanCancelFlag);
  ExpectIdle(h);
}

TEST(Scan, OtherDeviceCommandsStayOutAndComeBackAsTheyWere) {
  ScriptedPeer peer;
  ASSERT_TRUE(peer.listenTcp());
  struct Case {
    const char* name;
    M model;
    const char* disabledBefore;  // a control disabled on its own before the scan, or nullptr
  };
  const Case cases[] = {
      {"TS-30P, all usable", M::TS30P, nullptr},
      {"TS-30P, one button disabled before", M::TS30P, "cmdReadData"},
      {"TS-20B, the frame disabled by the profile", M::TS20B, nullptr},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    h.window->show();
    h.chooseModel(c.model);
    h.useTcp(peer.tcpPort());
    h.setText("txtOldID", QStringLiteral("3"));
    if (c.disabledBefore) h.c<QWidget>(c.disabledBefore)->setEnabled(false);
    std::map<QString, bool> ownBefore;
    for (const char* n : kKeptOut) ownBefore[n] = !h.c<QWidget>(n)->testAttribute(Qt::WA_ForceDisabled);
    h.prompts.answers = {true, true};
    peer.requests.clear();
    peer.answer = [&](const QByteArray& req) {
      if (req.startsWith("%US")) {
        // Clicks on the clock and record buttons during the try do nothing.
        for (const char* n : {"cmdSendRTC", "cmdReceiveRTC", "cmdReadData", "cmdReadCounter", "cmdClearCounter",
                              "cmdSend", "cmdReceive", "cmdFindID"}) {
          h.click(n);
        }
        return AddressOf(req) == 3 ? UsReply(SettingsText("003", "05", '1', '1', "00000001", false), c.model)
                                   : Garbage();
      }
      return QByteArray();
    };
    h.click("cmdFindID");
    EXPECT_EQ(peer.requests, std::vector<QByteArray>{"%US003**\r"}) << c.name;
    EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:3")}) << c.name;
    for (const char* n : kKeptOut) {
      const bool own = !h.c<QWidget>(n)->testAttribute(Qt::WA_ForceDisabled);
      EXPECT_EQ(own, ownBefore[n]) << n << " " << c.name;
    }
    EXPECT_EQ(h.c<QWidget>("cmdSendRTC")->isEnabled(), c.model == M::TS30P) << c.name;
  }
}

TEST(Scan, LinkFailureDisablesNothing) {
  WindowHarness h;
  h.window->show();
  h.useTcp(0);
  bool cancelShown = true;
  h.prompts.onShow = [&](const QString&) { cancelShown = h.c<QWidget>("cmdCancelScan")->isVisible(); };
  h.click("cmdFindID");
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("TCPIP Portu Açılamadı")});
  EXPECT_FALSE(cancelShown);
  ExpectIdle(h);
}

}  // namespace
}  // namespace tessaro
