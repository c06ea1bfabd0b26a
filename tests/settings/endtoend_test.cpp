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
      for (quint16 port = base; !listening && port < 32700; port += 11) listening = sim.listenTcp(QHostAddress::LocalHost, port);
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
  sim::SimReader& r = sim.addReader(7, M::TS90C);
  r.settings = sim::SimSettings{12, 2, 1, 4294967295u, 1, 1, 1, 7};
  h.chooseModel(M::TS90C);
  h.setText("txtOldID", QStringLiteral("7"));
  h.click("cmdReceive");
  EXPECT_TRUE(h.prompts.shown.isEmpty());
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("12"));
  EXPECT_TRUE(h.checked("opsOfflineRecordType_1"));
  EXPECT_TRUE(h.checked("opsRunMode_1"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("4294967295"));
  EXPECT_TRUE(h.checked("opsStartEPCWord_1"));
  EXPECT_TRUE(h.checked("opsWigType_1"));
  EXPECT_TRUE(h.checked("chkLoop"));
  EXPECT_EQ(h.text("txtLoopTime"), QStringLiteral("7"));

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
  EXPECT_EQ(s.relayTime, 33);
  EXPECT_EQ(s.recordType, 1);
  EXPECT_EQ(s.runMode, 2);
  EXPECT_EQ(s.masterCard, 2147483648u);
  EXPECT_EQ(s.epcStartWord, 0);
  EXPECT_EQ(s.wiegandType, 1);
  EXPECT_EQ(s.vehicleDetector, 0);
  EXPECT_EQ(s.triggerTime, 3);

  // Read back under the new address.
  h.setText("txtNewID", QString());
  h.setText("txtMasterCardID", QString());
  h.click("cmdReceive");
  EXPECT_EQ(h.prompts.messages.size(), 1);
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("9"));
  EXPECT_TRUE(h.checked("opsRunMode_2"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("33"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("2147483648"));
  EXPECT_FALSE(h.checked("chkLoop"));
  EXPECT_EQ(h.text("txtLoopTime"), QStringLiteral("3"));
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

TEST_P(EndToEnd, ScanFindsTheReaderAtSeven) {
  sim::SimReader& r = sim.addReader(7, M::TS20);
  r.settings.relayTime = 4;
  r.settings.runMode = 1;
  r.settings.masterCard = 65535;
  h.chooseModel(M::TS20);
  h.setText("txtOldID", QStringLiteral("5"));  // 5 and 6 stay silent
  QStringList captions;
  auto* progress = h.c<QLabel>("lblScan");
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, progress,
                   [&](const QByteArray&) { captions << progress->text(); });
  h.click("cmdFindID");
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...5"), QStringLiteral("Deniyor...6"),
                                   QStringLiteral("Deniyor...7")}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz ID Bulundu, ID:7")});
  EXPECT_EQ(h.text("txtOldID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtNewID"), QStringLiteral("7"));
  EXPECT_EQ(h.text("txtRelayTime"), QStringLiteral("4"));
  EXPECT_TRUE(h.checked("opsRunMode_1"));
  EXPECT_EQ(h.text("txtMasterCardID"), QStringLiteral("65535"));
  EXPECT_TRUE(h.text("lblScan").isEmpty());
  EXPECT_FALSE(h.c<QWidget>("cmdCancelScan")->isVisible());
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
  auto* progress = h.c<QLabel>("lblScan");
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, progress, [&](const QByteArray& req) {
    captions << progress->text();
    if (req.startsWith("%US041")) h.click("cmdCancelScan");
  });
  bool stillScanningAtMessage = false;
  h.prompts.onShow = [&](const QString&) { stillScanningAtMessage = !h.c<QWidget>("cmdSend")->isEnabled(); };
  h.click("cmdFindID");
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...40"), QStringLiteral("Deniyor...41")}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Tarama İptal Edildi")});
  EXPECT_TRUE(stillScanningAtMessage);
  EXPECT_TRUE(h.c<QWidget>("cmdSend")->isEnabled());
  EXPECT_TRUE(h.text("lblScan").isEmpty());
}

TEST_P(EndToEndPty, ScanFromAHighAddressFindsNothing) {
  sim.addReader(7, M::TS30P);
  h.setText("txtOldID", QStringLiteral("252"));
  QStringList captions;
  auto* progress = h.c<QLabel>("lblScan");
  QObject::connect(&sim, &sim::ReaderSim::requestReceived, progress,
                   [&](const QByteArray&) { captions << progress->text(); });
  h.click("cmdFindID");
  EXPECT_EQ(captions, (QStringList{QStringLiteral("Deniyor...252"), QStringLiteral("Deniyor...253"),
                                   QStringLiteral("Deniyor...254"), QStringLiteral("Deniyor...255")}));
  EXPECT_EQ(h.prompts.shown, QStringList{QStringLiteral("Cihaz bulunamadı")});
  EXPECT_TRUE(h.text("lblScan").isEmpty());
  EXPECT_FALSE(h.ctx().links().serial().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEndPty, ::testing::Values(Transport::Pty),
                         [](const auto&) { return "Pty"; });

}  // namespace
}  // namespace tessaro
