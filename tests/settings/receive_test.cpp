// "Ayarları Al": validation, link, busy state, messages and the filling of the
// settings controls per model.

#include <gtest/gtest.h>

#include <QComboBox>

#include "settings/settingspanel.h"
#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::SettingsText;
using test::UsReply;
using test::WindowHarness;
using M = DeviceModel;

QByteArray SettingsReplyOf(WindowHarness& h) {
  return h.window->findChild<SettingsPanel*>(QStringLiteral("SettingsPanel"))->settingsReply();
}

TEST(Receive, CurrentId) {
  const std::pair<const char*, QByteArray> cases[] = {  // txtOldID, request (empty: refused)
      {"256", ""},   {"-1", ""},           {"abc", ""},          {"", ""},          {"255.5", ""},
      {"1 2", ""},   {"0", "%US000**\r"},  {" 12", "%US012**\r"}, {"255", "%US255**\r"}, {"7.5", "%US008**\r"}};
  for (const auto& [text, request] : cases) {
    WindowHarness h;
    h.chooseModel(M::TS30P);
    ScriptedPeer& peer = h.tcpPeer();
    peer.answer = [](const QByteArray& req) {
      return UsReply(SettingsText(req.mid(3, 3), "05", '1', '1', "0000000A", false), M::TS30P);
    };
    h.c<QComboBox>("cmbPortNumber")->setCurrentIndex(4);
    h.setText("txtOldID", QString::fromLatin1(text));
    h.click("cmdReceive");
    const bool refused = request.isEmpty();
    EXPECT_EQ(peer.requests, refused ? std::vector<QByteArray>{} : std::vector<QByteArray>{request}) << text;
    EXPECT_EQ(peer.connections, refused ? 0 : 1) << text;
    EXPECT_EQ(h.prompts.shown, refused ? QStringList{QStringLiteral("Lütfen cihazın mevcut ID'sini giriniz")}
                                       : QStringList{}) << text;
    if (refused) {
      EXPECT_EQ(h.focus(), QStringLiteral("txtOldID")) << text;
    }
    // txtOldID is never changed by a receive; the port number is taken on
    // every click, before the validation.
    EXPECT_EQ(h.text("txtOldID"), QString::fromLatin1(text));
    EXPECT_EQ(h.ctx().links().serial().portNumber(), 5);
  }
}

TEST(Receive, FillsTheControlsPerModel) {
  struct Case { M model; QByteArray text; bool loopBefore; const char* form; };
  const Case cases[] = {
      // TS-20: Read-Only is not offered; its master card sits one earlier.
      {M::TS20, SettingsText("007", "12", '1', '2', "0000FFFF", true), true,
       "new=7 relay=1! rec=1:10 mode=0 master=65535 epc=10 wig=10 loop=1:3"},
      {M::TS40, SettingsText("007", "12", '1', '2', "0000FFFF", false), true,
       "new=7 relay=12 rec=1:10 mode=2 master=65535 epc=10 wig=10 loop=1:3"},
      {M::TS20B, SettingsText("200", "03", '2', '1', "80000000", true), true,
       "new=200 relay=3 rec=2:01 mode=1 master=2147483648 epc=10 wig=10 loop=1:3"},
      {M::TS90, SettingsText("001", "64", '2', '0', "FFFFFFFF", false), true,
       "new=1 relay=1! rec=2:01 mode=0 master=4294967295 epc=10 wig=10 loop=1:3"},
      // TS-30H: Read-Only becomes Stand-Alone.
      {M::TS30H, SettingsText("010", "09", 'x', '2', "12345678", false), true,
       "new=10 relay=1! rec=2:01 mode=0 master=305419896 epc=10 wig=10 loop=1:3"},
      {M::TS90B, SettingsText("007", "05", '1', '1', "00000001", false, "10"), true,
       "new=7 relay=5 rec=1:10 mode=1 master=1 epc=01 wig=10 loop=1:3"},
      // Only the TS-90C reads the detector fields; trigger 0 shows 5.
      {M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "0117"), false,
       "new=7 relay=5 rec=1:10 mode=1 master=1 epc=10 wig=01 loop=1:7"},
      {M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "1110"), false,
       "new=7 relay=5 rec=1:10 mode=1 master=1 epc=01 wig=01 loop=1:5"},
      {M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "    "), true,
       "new=7 relay=5 rec=1:10 mode=1 master=1 epc=10 wig=10 loop=0:5"},
      {M::TS90C, SettingsText("007", "05", '1', '1', "00000001", false, "0029"), true,
       "new=7 relay=5 rec=1:10 mode=1 master=1 epc=10 wig=10 loop=0:9"},
      // An unknown run mode and an unusable master card leave their controls.
      {M::TS30P, SettingsText("007", "12", '1', '5', "0000FFFG", false), true,
       "new=7 relay=12 rec=1:10 mode=1 master=999 epc=10 wig=10 loop=1:3"},
      {M::TS30P, SettingsText("007", "12", '1', '5', "-0000001", false), true,
       "new=7 relay=12 rec=1:10 mode=1 master=999 epc=10 wig=10 loop=1:3"},
      {M::TS30P, SettingsText("007", "12", '1', '5', "12", false), true,
       "new=7 relay=12 rec=1:10 mode=1 master=999 epc=10 wig=10 loop=1:3"},
  };
  for (const Case& c : cases) {
    WindowHarness h;
    h.chooseModel(c.model);
    h.tcpPeer().answer = [&](const QByteArray&) { return UsReply(c.text, c.model); };
    h.chooseRunMode(RunMode::Online);
    h.setText("txtMasterCardID", QStringLiteral("999"));
    h.setText("txtLoopTime", QStringLiteral("3"));
    h.c<QCheckBox>("chkLoop")->setChecked(c.loopBefore);
    h.click("cmdReceive");
    EXPECT_EQ(h.form(), QString::fromLatin1(c.form));
    EXPECT_TRUE(h.prompts.shown.isEmpty()) << c.form;
    EXPECT_EQ(h.text("txtOldID"), QStringLiteral("1")) << c.form;
    EXPECT_EQ(SettingsReplyOf(h), UsReply(c.text, c.model).mid(3)) << c.form;
  }
}

TEST(Receive, BadReplyAndBusyState) {
  WindowHarness h;
  ScriptedPeer& peer = h.tcpPeer();
  h.setText("txtNewID", QStringLiteral("44"));
  bool busyDuringExchange = false, busyAtMessage = true;
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
  WindowHarness h(WindowHarness::Timing::Fake);
  h.ptyPeer();
  h.chooseModel(M::TS90C);
  h.setText("txtNewID", QStringLiteral("44"));
  h.setText("txtMasterCardID", QStringLiteral("123"));
  h.setText("txtLoopTime", QStringLiteral("8"));
  bool openAtMessage = false;
  h.prompts.onShow = [&](const QString&) { openAtMessage = h.ctx().links().serial().isOpen(); };
  const QString before = h.form();
  const qint64 startMs = h.fakeClock.ms;
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar alınamadı. (Zaman aşımı)")});
  EXPECT_GE(h.fakeClock.ms - startMs, 510);
  EXPECT_LT(h.fakeClock.ms - startMs, 600);
  EXPECT_TRUE(openAtMessage);
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
  EXPECT_EQ(h.form(), before);
  EXPECT_TRUE(before.contains(QStringLiteral("rec=0:")));
  EXPECT_TRUE(SettingsReplyOf(h).isEmpty());
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
