// The clock panel in the window: confirmation, link, busy state, messages and labels.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "clock/clockcommands.h"
#include "settings/windowharness.h"

namespace tessaro {
namespace {

using test::ScriptedPeer;
using test::WindowHarness;

const QString kAsk = QStringLiteral("PC saatini cihaza göndermek istediğinizden emin misiniz?");

class ClockPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.listenTcp());
    h.chooseModel(DeviceModel::TS30P);
    h.useTcp(peer.tcpPort());
    peer.answer = [this](const QByteArray& request) {
      busyDuringExchange = h.ctx().busy();
      const QByteArray code = request.mid(1, 2);
      if (code == "DR") return QByteArray("$DR") + request.mid(3, 3) + "**\r";
      if (code == "UR") return QByteArray("$UR") + request.mid(3, 3) + "31122509595904" + "**\r";
      return QByteArray();
    };
    h.prompts.onShow = [this](const QString&) { busyAtMessage = h.ctx().busy(); };
  }

  ScriptedPeer peer;
  WindowHarness h;
  bool busyDuringExchange = false;
  bool busyAtMessage = true;
};

TEST_F(ClockPanelTest, SetClockAsksFirst) {
  h.click("cmdSendRTC");
  EXPECT_EQ(h.prompts.questions, QStringList{kAsk});
  EXPECT_TRUE(h.prompts.messages.isEmpty());
  EXPECT_EQ(peer.connections, 0);
  EXPECT_TRUE(peer.requests.empty());
}

TEST_F(ClockPanelTest, SetClockSendsThePcTime) {
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  ASSERT_EQ(peer.requests.size(), 1u);
  EXPECT_EQ(peer.requests[0], QByteArray("%DR00105012509030701**\r"));
  EXPECT_EQ(h.prompts.shown, (QStringList{QStringLiteral("?") + kAsk, QStringLiteral("Saat Gönderildi")}));
  EXPECT_TRUE(busyDuringExchange);
  EXPECT_FALSE(busyAtMessage);
}

TEST_F(ClockPanelTest, SetClockFailure) {
  peer.answer = [](const QByteArray&) { return QByteArray("$EM001**\r"); };
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Hata! Saat Gönderilemedi")});
  EXPECT_FALSE(h.ctx().busy());
}

TEST_F(ClockPanelTest, AddressWithoutRangeCheck) {
  struct Case {
    const char* oldId;
    const char* set;
    const char* read;
  };
  const Case cases[] = {
      {"", "%DR000", "%UR000**\r"},
      {"300", "%DR300", "%UR300**\r"},
      {"abc", "%DR000", "%UR000**\r"},
      {"7.5", "%DR008", "%UR008**\r"},
  };
  for (const Case& c : cases) {
    peer.requests.clear();
    h.setText("txtOldID", QString::fromLatin1(c.oldId));
    h.prompts.answers = {true};
    h.click("cmdSendRTC");
    h.click("cmdReceiveRTC");
    ASSERT_EQ(peer.requests.size(), 2u) << c.oldId;
    EXPECT_EQ(peer.requests[0], QByteArray(c.set) + "05012509030701**\r");
    EXPECT_EQ(peer.requests[1], QByteArray(c.read));
  }
}

TEST_F(ClockPanelTest, ReadClockShowsTheReadersTimeSilently) {
  h.click("cmdReceiveRTC");
  EXPECT_EQ(peer.requests, std::vector<QByteArray>{"%UR001**\r"});
  EXPECT_EQ(h.text("lblDeviceRTC"), QStringLiteral("31/12/2025 09:59:59"));
  EXPECT_TRUE(h.prompts.shown.isEmpty());
  EXPECT_TRUE(busyDuringExchange);
  EXPECT_FALSE(h.ctx().busy());
}

TEST_F(ClockPanelTest, ReadClockFailureLeavesTheLabel) {
  h.c<QLabel>("lblDeviceRTC")->setText(QStringLiteral("01/01/2024 00:00:00"));
  // 23 characters, but the code of the set command.
  peer.answer = [](const QByteArray&) { return QByteArray("$DR001" "31122509595904" "**\r"); };
  h.click("cmdReceiveRTC");
  EXPECT_EQ(h.text("lblDeviceRTC"), QStringLiteral("01/01/2024 00:00:00"));
  EXPECT_TRUE(h.prompts.shown.isEmpty());
  EXPECT_FALSE(h.ctx().busy());
}

TEST_F(ClockPanelTest, LinkFailure) {
  h.setText("txtPort", QStringLiteral("0"));
  h.click("cmdReceiveRTC");
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  EXPECT_EQ(h.prompts.shown, (QStringList{QStringLiteral("TCPIP Portu Açılamadı"), QStringLiteral("?") + kAsk,
                                          QStringLiteral("TCPIP Portu Açılamadı")}));
  EXPECT_TRUE(peer.requests.empty());
  EXPECT_FALSE(h.ctx().busy());
}

TEST_F(ClockPanelTest, SerialPortStaysOpen) {
  ScriptedPeer serialPeer;
  ASSERT_TRUE(serialPeer.openPty());
  serialPeer.answer = peer.answer;
  h.useSerial(serialPeer.ptyPath());
  h.click("cmdReceiveRTC");
  EXPECT_TRUE(h.ctx().links().serial().isOpen());
  h.c<QLabel>("lblDeviceRTC")->clear();
  // The second read finds the port open and still succeeds.
  h.click("cmdReceiveRTC");
  EXPECT_EQ(h.text("lblDeviceRTC"), QStringLiteral("31/12/2025 09:59:59"));
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  EXPECT_TRUE(h.ctx().links().serial().isOpen());
  EXPECT_EQ(serialPeer.requests,
            (std::vector<QByteArray>{"%UR001**\r", "%UR001**\r", "%DR00105012509030701**\r"}));
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Saat Gönderildi")});
}

TEST_F(ClockPanelTest, PcClockLabelFollowsTheTimer) {
  // Empty at start; each ClockTimer tick writes the injected local time.
  EXPECT_TRUE(h.text("lblPCRTC").isEmpty());
  // The first tick comes a second after start-up; allow for a loaded machine.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !h.text("lblPCRTC").isEmpty(); }, 5000));
  EXPECT_EQ(h.text("lblPCRTC"), PcClockText(h.now, SeparatorsOf(QLocale::system())));
  EXPECT_TRUE(h.text("lblPCRTC").startsWith(QStringLiteral("05")));
}

}  // namespace
}  // namespace tessaro
