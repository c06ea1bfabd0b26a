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

// A TS-30P window with a scripted reader over TCP that answers both clock
// commands and notes whether the window was busy during the exchange.
class ClockPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.chooseModel(DeviceModel::TS30P);
    h.tcpPeer().answer = [this](const QByteArray& request) {
      busyDuringExchange = h.ctx().busy();
      if (!reply.isEmpty()) return reply;
      if (request.startsWith("%DR")) return "$DR" + request.mid(3, 3) + "**\r";
      return "$UR" + request.mid(3, 3) + "31122509595904" + "**\r";
    };
  }

  WindowHarness h;
  QByteArray reply;  // when set, the reader answers this instead
  bool busyDuringExchange = false;
};

TEST_F(ClockPanelTest, SetAndRead) {
  struct Case {
    const char* name;
    const char* button;
    bool yes;
    QByteArray reply;  // empty: the reader's own answer
    QStringList shown;
    QByteArray request;  // empty: nothing sent
    const char* label;
  };
  const QString kBefore = QStringLiteral("01/01/2024 00:00:00");  // the label before each click
  const QByteArray kSet = "%DR00105012509030701**\r";
  const Case cases[] = {
      {"set, answered No", "cmdSendRTC", false, {}, {"?" + kAsk}, {}, "01/01/2024 00:00:00"},
      {"set", "cmdSendRTC", true, {}, {"?" + kAsk, QStringLiteral("Saat Gönderildi")}, kSet, "01/01/2024 00:00:00"},
      {"set, another reply", "cmdSendRTC", true, "$EM001**\r", {"?" + kAsk, QStringLiteral("Hata! Saat Gönderilemedi")},
       kSet, "01/01/2024 00:00:00"},
      {"read, silently", "cmdReceiveRTC", false, {}, {}, "%UR001**\r", "31/12/2025 09:59:59"},
      // 23 characters, but the code of the set command.
      {"read, wrong code", "cmdReceiveRTC", false, "$DR001" "31122509595904" "**\r", {}, "%UR001**\r",
       "01/01/2024 00:00:00"},
  };
  for (const Case& c : cases) {
    h.peer->requests.clear();
    h.prompts.shown.clear();
    h.c<QLabel>("lblDeviceRTC")->setText(kBefore);
    busyDuringExchange = false;
    bool busyAtMessage = false;
    h.prompts.onShow = [&](const QString&) { busyAtMessage = busyAtMessage || h.ctx().busy(); };
    reply = c.reply;
    h.prompts.answers = {c.yes};
    const int connections = h.peer->connections;
    h.click(c.button);
    EXPECT_EQ(h.peer->connections > connections, !c.request.isEmpty()) << c.name;
    EXPECT_EQ(h.prompts.shown, c.shown) << c.name;
    EXPECT_EQ(h.peer->requests, c.request.isEmpty() ? std::vector<QByteArray>{} : std::vector<QByteArray>{c.request})
        << c.name;
    EXPECT_EQ(h.text("lblDeviceRTC"), QString::fromLatin1(c.label)) << c.name;
    EXPECT_EQ(busyDuringExchange, !c.request.isEmpty()) << c.name;
    EXPECT_FALSE(busyAtMessage) << c.name;
    EXPECT_FALSE(h.ctx().busy()) << c.name;
  }
}

TEST_F(ClockPanelTest, AddressWithoutRangeCheck) {
  struct Case { const char* oldId; const char* set; const char* read; };
  const Case cases[] = {
      {"", "%DR000", "%UR000**\r"},
      {"300", "%DR300", "%UR300**\r"},
      {"abc", "%DR000", "%UR000**\r"},
      {"7.5", "%DR008", "%UR008**\r"},
  };
  for (const Case& c : cases) {
    h.peer->requests.clear();
    h.setText("txtOldID", QString::fromLatin1(c.oldId));
    h.prompts.answers = {true};
    h.click("cmdSendRTC");
    h.click("cmdReceiveRTC");
    EXPECT_EQ(h.peer->requests, (std::vector<QByteArray>{QByteArray(c.set) + "05012509030701**\r", c.read}))
        << c.oldId;
  }
}

TEST_F(ClockPanelTest, LinkFailure) {
  h.setText("txtPort", QStringLiteral("0"));
  h.click("cmdReceiveRTC");
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  EXPECT_EQ(h.prompts.shown, (QStringList{QStringLiteral("TCPIP Portu Açılamadı"), QStringLiteral("?") + kAsk,
                                          QStringLiteral("TCPIP Portu Açılamadı")}));
  EXPECT_TRUE(h.peer->requests.empty());
  EXPECT_FALSE(h.ctx().busy());
}

TEST_F(ClockPanelTest, SerialPortStaysOpen) {
  const auto answer = h.peer->answer;
  ScriptedPeer& serialPeer = h.ptyPeer();
  serialPeer.answer = answer;
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
