// "Cihaz ID Bul": start address, progress caption, found / cancelled / not
// found, what the scan fills in, and the commands it keeps out meanwhile.

#include <gtest/gtest.h>

#include <QTimer>

#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::SettingsText;
using test::UsReply;
using test::WindowHarness;
using M = DeviceModel;

// A complete reply with a wrong code: the try ends at once, as if no reader
// sat at that address, without waiting for the tick limit.
QByteArray Garbage() { return QByteArray("$XX") + QByteArray(30, '0') + "**\r"; }

int AddressOf(const QByteArray& request) { return request.mid(3, 3).toInt(); }
QByteArray UsRequest(int address) { return "%US" + QByteArray::number(address).rightJustified(3, '0') + "**\r"; }
QString Trying(int address) { return QStringLiteral("Deniyor...%1").arg(address); }

TEST(Scan, FoundAtSevenOverTcp) {
  WindowHarness h;
  h.window->show();
  h.chooseModel(M::TS30P);
  ScriptedPeer& peer = h.tcpPeer();
  h.setText("txtOldID", QStringLiteral("0"));
  QStringList during;
  peer.answer = [&](const QByteArray& req) {
    during << h.duringScan();
    // A reader in Read-Only mode, exit records, relay time 12.
    return AddressOf(req) != 7 ? Garbage() : UsReply(SettingsText("007", "12", '2', '2', "0000FFFF", false), M::TS30P);
  };
  QString atMessage;
  h.prompts.onShow = [&](const QString&) { atMessage = h.duringScan(); };
  h.click("cmdFindID");

  std::vector<QByteArray> requests;
  QStringList expected;
  for (int i = 0; i < 8; ++i) {
    requests.push_back(UsRequest(i));
    expected << "locked cancel idle " + Trying(i);
  }
  EXPECT_EQ(peer.requests, requests);
  EXPECT_EQ(during, expected);
  EXPECT_EQ(peer.connections, 1);
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:7")});
  EXPECT_EQ(atMessage, expected.back());  // the message comes before the clean-up
  EXPECT_EQ(h.afterScan(), QString());
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("7"));
  // The scan never selects Read-Only.
  EXPECT_EQ(h.form(), QStringLiteral("new=7 relay=12 rec=2:01 mode=1 master=65535 epc=10 wig=10 loop=0:5"));
  for (const char* n : WindowHarness::kKeptOut) EXPECT_TRUE(h.c<QWidget>(n)->isEnabled()) << n;
}

TEST(Scan, WhatAFoundReaderFillsIn) {
  // The Wiegand and detector controls are not filled by the scan.
  const std::tuple<M, QByteArray, const char*> cases[] = {
      // The TS-20 reads the master card one earlier, the TS-20B where the others do.
      {M::TS20, SettingsText("005", "09", '1', '1', "0000000A", true),
       "new=5 relay=9 rec=1:10 mode=1 master=10 epc=10 wig=10 loop=0:3"},
      {M::TS20B, SettingsText("005", "09", '1', '1', "0000000A", false),
       "new=5 relay=9 rec=1:10 mode=1 master=10 epc=10 wig=10 loop=0:3"},
      {M::TS90, SettingsText("005", "09", '1', '0', "FFFFFFFF", false),
       "new=5 relay=1! rec=1:10 mode=0 master=4294967295 epc=10 wig=10 loop=0:3"},
      // Run mode 7 reads as Online; an unusable master card keeps the text.
      {M::TS40, SettingsText("005", "09", '2', '7', "80000000", false),
       "new=5 relay=9 rec=2:01 mode=1 master=2147483648 epc=10 wig=10 loop=0:3"},
      {M::TS40, SettingsText("005", "09", '1', '1', "8000000Z", false),
       "new=5 relay=9 rec=1:10 mode=1 master=555 epc=10 wig=10 loop=0:3"},
  };
  for (const auto& [model, text, form] : cases) {
    WindowHarness h;
    h.chooseModel(model);
    h.ptyPeer().answer = [&](const QByteArray&) { return UsReply(text + "1119", model); };
    h.setText("txtOldID", QStringLiteral("5"));
    h.setText("txtMasterCardID", QStringLiteral("555"));
    h.setText("txtLoopTime", QStringLiteral("3"));
    h.click("cmdFindID");
    EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:5")}) << form;
    EXPECT_EQ(h.form(), QString::fromLatin1(form));
    EXPECT_FALSE(h.ctx().links().serial().isOpen()) << form;
    EXPECT_EQ(h.afterScan(), QString()) << form;
  }
}

// A scan in fake time over a silent pseudo-terminal; returns the progress
// captions seen, cancelling at the first one when asked to.
QStringList ScanSilence(WindowHarness& h, const QString& start, bool cancel) {
  ScriptedPeer& peer = h.ptyPeer();
  h.setText("txtOldID", start);
  QStringList captions;
  auto* progress = h.c<QLabel>("lblScan");
  h.onFakePass = [&] {
    const QString t = progress->text();
    if (t.isEmpty() || (!captions.isEmpty() && captions.back() == t)) return;
    captions << t;
    if (cancel) h.click("cmdCancelScan");
    peer.poll();  // keeps the pseudo-terminal from filling up
  };
  h.click("cmdFindID");
  peer.poll();
  h.onFakePass = nullptr;
  return captions;
}

TEST(Scan, StartAddressAndCancelAtTheFirstTry) {
  const std::pair<const char*, int> cases[] = {{"", 0},    {"abc", 0}, {"300", 0},     {"-5", 0},    {"-0.4", 0},
                                               {"12", 12}, {" 12", 12}, {"254.5", 254}, {"255", 255}, {"255.5", 0}};
  for (const auto& [text, start] : cases) {
    WindowHarness h(WindowHarness::Timing::Fake);
    EXPECT_EQ(ScanSilence(h, QString::fromLatin1(text), true), QStringList{Trying(start)}) << text;
    EXPECT_EQ(h.peer->requests, std::vector<QByteArray>{UsRequest(start)}) << text;
    // A click during the last try stays pending for the next scan.
    EXPECT_EQ(h.prompts.shown, QStringList{start == 255 ? QStringLiteral("Cihaz bulunamadı")
                                                        : QStringLiteral("Tarama İptal Edildi")}) << text;
    EXPECT_EQ(h.ctx().state().scanCancelFlag, start == 255) << text;
    EXPECT_EQ(h.afterScan(), QString()) << text;
  }
}

TEST(Scan, PendingCancelEndsTheNextScanAtOnce) {
  WindowHarness h;
  ScriptedPeer& peer = h.tcpPeer();
  h.ctx().state().scanCancelFlag = true;
  h.click("cmdFindID");
  EXPECT_TRUE(peer.requests.empty());
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
  EXPECT_FALSE(h.ctx().state().scanCancelFlag);
  EXPECT_EQ(h.afterScan(), QString());
}

TEST(Scan, OtherDeviceCommandsStayOutAndComeBackAsTheyWere) {
  // A control disabled on its own before the scan, and the frame the TS-20B profile disables.
  const std::pair<M, const char*> cases[] = {{M::TS30P, nullptr}, {M::TS30P, "cmdReadData"}, {M::TS20B, nullptr}};
  for (const auto& [model, disabledBefore] : cases) {
    WindowHarness h;
    h.window->show();
    h.chooseModel(model);
    ScriptedPeer& peer = h.tcpPeer();
    h.setText("txtOldID", QStringLiteral("3"));
    if (disabledBefore) h.c<QWidget>(disabledBefore)->setEnabled(false);
    const auto own = [&] {
      QStringList off;
      for (const char* n : WindowHarness::kKeptOut) {
        if (h.c<QWidget>(n)->testAttribute(Qt::WA_ForceDisabled)) off << QString::fromLatin1(n);
      }
      return off;
    };
    const QStringList ownBefore = own();
    h.prompts.answers = {true, true};
    peer.answer = [&](const QByteArray& req) {
      if (!req.startsWith("%US")) return QByteArray();
      // Clicks on the clock, record and settings buttons during the try do nothing.
      for (const char* n : {"cmdSendRTC", "cmdReceiveRTC", "cmdReadData", "cmdReadCounter", "cmdClearCounter",
                            "cmdSend", "cmdReceive", "cmdFindID"}) {
        h.click(n);
      }
      return AddressOf(req) == 3 ? UsReply(SettingsText("003", "05", '1', '1', "00000001", false), model) : Garbage();
    };
    h.click("cmdFindID");
    const std::string name = std::to_string(static_cast<int>(model)) + " " + (disabledBefore ? disabledBefore : "");
    EXPECT_EQ(peer.requests, std::vector<QByteArray>{"%US003**\r"}) << name;
    EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:3")}) << name;
    EXPECT_EQ(own(), ownBefore) << name;
    EXPECT_EQ(h.c<QWidget>("cmdSendRTC")->isEnabled(), model == M::TS30P) << name;
  }
}

// Closing the window while a try waits on a silent reader: the try still runs
// out on the tick counter, and the scan ends at its next check.
TEST(Scan, ClosingTheWindowEndsTheScanAfterThePendingTry) {
  WindowHarness h;
  h.window->show();
  ScriptedPeer& peer = h.ptyPeer();
  h.setText("txtOldID", QStringLiteral("9"));
  peer.answer = [&](const QByteArray&) {
    h.window->close();
    return QByteArray();
  };
  // Without ticks the try would never end; this guard only breaks the hang.
  bool stuck = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    stuck = true;
    for (int i = 0; i < 200; ++i) h.ctx().state().tickCounter.advance();
  });
  guard.start(3000);
  h.click("cmdFindID");
  EXPECT_FALSE(stuck);
  EXPECT_FALSE(h.window->isVisible());
  EXPECT_EQ(peer.requests, std::vector<QByteArray>{"%US009**\r"});
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
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
  EXPECT_EQ(h.afterScan(), QString());
}

}  // namespace
}  // namespace tessaro
