// Receive, send, scan and the clock against the simulated reader, over TCP
// and over a pseudo-terminal, with the real pump and clock.

#include <gtest/gtest.h>

#include "settings/windowharness.h"
#include "sim/readersim.h"

namespace tessaro {
namespace {

using test::WindowHarness;
using M = DeviceModel;

enum class Transport { Tcp, Pty };

class EndToEnd : public ::testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    if (GetParam() == Transport::Tcp) {
      // The window reads its TCP port as a signed 16-bit number.
      const quint16 base = static_cast<quint16>(21000 + QCoreApplication::applicationPid() % 9000);
      bool listening = false;
      for (quint16 port = base; !listening && port < 32700; port += 11) {
        listening = sim.listenTcp(QHostAddress::LocalHost, port);
      }
      ASSERT_TRUE(listening);
      h.useTcp(sim.tcpPort());
    } else {
      ASSERT_TRUE(sim.openPty());
      h.useSerial(sim.ptyPath());
    }
    h.window->show();
  }

  sim::ReaderSim sim;
  WindowHarness h;
};

TEST_P(EndToEnd, ReceiveSendReceive) {
  sim.addReader(7, M::TS90C).settings = sim::SimSettings{12, 2, 1, 4294967295u, 1, 1, 1, 7};
  h.chooseModel(M::TS90C);
  h.setText("txtOldID", QStringLiteral("7"));
  h.click("cmdReceive");
  EXPECT_TRUE(h.prompts.shown.isEmpty());
  EXPECT_EQ(h.form(), QStringLiteral("new=7 relay=12 rec=2:01 mode=1 master=4294967295 epc=01 wig=01 loop=1:7"));

  // New address, Read-Only, entry records, another master card and options.
  h.setText("txtNewID", QStringLiteral("9"));
  h.chooseRunMode(RunMode::ReadOnly);
  h.setText("txtRelayTime", QStringLiteral("33"));
  h.c<QRadioButton>("opsOfflineRecordType_0")->setChecked(true);
  h.setText("txtMasterCardID", QStringLiteral("2147483648"));
  h.c<QRadioButton>("opsStartEPCWord_0")->setChecked(true);
  h.c<QCheckBox>("chkLoop")->setChecked(false);
  h.setText("txtLoopTime", QStringLiteral("3"));
  h.prompts.answers = {true};
  h.click("cmdSend");
  EXPECT_EQ(h.prompts.messages, QStringList{QStringLiteral("Ayarlar gönderildi")});
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("9"));
  ASSERT_NE(sim.reader(9), nullptr);
  const sim::SimSettings& s = sim.reader(9)->settings;
  // relay, record type, run mode, master card, EPC, Wiegand, detector, trigger
  EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8").arg(s.relayTime).arg(s.recordType).arg(s.runMode)
                .arg(s.masterCard).arg(s.epcStartWord).arg(s.wiegandType).arg(s.vehicleDetector).arg(s.triggerTime),
            QStringLiteral("33 1 2 2147483648 0 1 0 3"));

  // Read back under the new address.
  h.setText("txtNewID", QString());
  h.setText("txtMasterCardID", QString());
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages.size(), 1);
  EXPECT_EQ(h.form(), QStringLiteral("new=9 relay=33 rec=1:10 mode=2 master=2147483648 epc=10 wig=01 loop=0:3"));
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

// Records the progress caption each time the reader sees a request.
QStringList& CaptionsAtRequests(sim::ReaderSim& sim, WindowHarness& h, QStringList& captions) {
  auto* progress = h.c<QLabel>("lblScan");
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, progress,
                   [&captions, progress](const QByteArray&) { captions << progress->text(); });
  return captions;
}

TEST_P(EndToEnd, ScanFindsTheReaderAtSeven) {
  sim::SimReader& r = sim.addReader(7, M::TS20);
  r.settings.relayTime = 4;
  r.settings.runMode = 1;
  r.settings.masterCard = 65535;
  h.chooseModel(M::TS20);
  h.setText("txtOldID", QStringLiteral("5"));  // 5 and 6 stay silent
  QStringList captions;
  CaptionsAtRequests(sim, h, captions);
  h.click("cmdFindID");
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...5"), QStringLiteral("Deniyor...6"),
                                   QStringLiteral("Deniyor...7")}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:7")});
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("4"));
  EXPECT_TRUE(h.checked("opsRunMode_1"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("65535"));
  EXPECT_EQ(h.afterScan(), QString());
}

TEST_P(EndToEnd, ClockSetAndReadBack) {
  sim.addReader(1, M::TS30P);
  sim.setNow([] { return QDateTime(QDate(2024, 6, 1), QTime(12, 0, 0)); });
  h.chooseModel(M::TS30P);
  h.prompts.answers = {true};
  h.click("cmdSendRTC");
  h.click("cmdReceiveRTC");
  EXPECT_EQ(h.prompts.shown, (QStringList{QStringLiteral("?PC saatini cihaza göndermek istediğinizden emin misiniz?"),
                                          QStringLiteral("Saat Gönderildi")}));
  EXPECT_EQ(h.text("lblDeviceRTC"), QStringLiteral("05/01/2025 09:03:07"));
  EXPECT_EQ(sim.requests().front(), QByteArray("%DR00105012509030701**\r"));
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEnd, ::testing::Values(Transport::Tcp, Transport::Pty),
                         [](const auto& info) { return info.param == Transport::Tcp ? "Tcp" : "Pty"; });

// Scans that run into silence are kept to the pseudo-terminal, where a try
// gives up after half a second.
class EndToEndPty : public EndToEnd {};

TEST_P(EndToEndPty, ScanCancelledDuringATry) {
  sim.addReader(200, M::TS30P);
  h.setText("txtOldID", QStringLiteral("40"));
  QStringList captions;
  CaptionsAtRequests(sim, h, captions);
  // The user clicks while the reader stays silent.
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, h.window.get(), [&](const QByteArray& req) {
    if (req.startsWith("%US041")) h.click("cmdCancelScan");
  });
  QString atMessage;
  h.prompts.onShow = [&](const QString&) { atMessage = h.duringScan(); };
  h.click("cmdFindID");
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...40"), QStringLiteral("Deniyor...41")}));
  EXPECT_EQ(sim.requests(), (std::vector<QByteArray>{"%US040**\r", "%US041**\r"}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
  EXPECT_EQ(atMessage, QStringLiteral("locked cancel idle Deniyor...41"));  // still scanning at the message
  EXPECT_FALSE(h.ctx().state().scanCancelFlag);
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("40"));
  EXPECT_EQ(h.afterScan(), QString());
}

TEST_P(EndToEndPty, ScanFromAHighAddressFindsNothing) {
  sim.addReader(7, M::TS30P);
  h.setText("txtOldID", QStringLiteral("252"));
  QStringList captions;
  CaptionsAtRequests(sim, h, captions);
  QString atMessage = QStringLiteral("no message");
  bool portOpenAtMessage = false;
  h.prompts.onShow = [&](const QString&) {
    atMessage = h.afterScan();
    portOpenAtMessage = h.ctx().links().serial().isOpen();
  };
  h.click("cmdFindID");
  EXPECT_EQ(atMessage, QString());  // all is back before the message, with the port still open
  EXPECT_TRUE(portOpenAtMessage);
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...252"), QStringLiteral("Deniyor...253"),
                                   QStringLiteral("Deniyor...254"), QStringLiteral("Deniyor...255")}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz bulunamadı")});
  EXPECT_EQ(h.afterScan(), QString());
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEndPty, ::testing::Values(Transport::Pty),
                         [](const auto&) { return "Pty"; });

}  // namespace
}  // namespace tessaro
