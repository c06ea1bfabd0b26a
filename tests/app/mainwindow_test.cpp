#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "app/mainwindow.h"
#include "common/pty.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"
#include "link/portnames.h"

namespace tessaro {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services.prompts = &prompts;
    services.pump = &pump;
    services.clock = &clock;
    services.portResolver = [this](int n) { return n >= 1 && n <= int(devices.size()) ? devices[n - 1] : QString(); };
    window = std::make_unique<MainWindow>(services);
  }
  AppContext& ctx() { return window->context(); }
  template <typename T = QWidget>
  T* w(const char* name) {
    return ctx().control<T>(name);
  }
  QRadioButton* option(const char* array, int i) {
    return w<QRadioButton>(QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(i).toLatin1().constData());
  }
  // Shown to the user, as far as the window decides it.
  bool shown(const char* name) { return w(name)->isVisibleTo(window.get()); }
  void showActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  test::ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  std::vector<QString> devices{QStringLiteral("/dev/ttyUSB0")};
  AppServices services;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WindowCaptionsAndSize) {
  EXPECT_EQ(window->objectName(), QStringLiteral("frmMain"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessaro TS-20,TS-30,TS-40,TS-90 Okuyucu Konfigürasyon V3.0"));
  EXPECT_EQ(kAppTitle, QStringLiteral("Tessaro TS-20,30,40,90 Konfigürasyon V3.0"));
  EXPECT_EQ(window->size(), QSize(788, 562));
  EXPECT_EQ(w("Picture3")->geometry(), QRect(0, 0, 788, 51));
  EXPECT_NE(w("PicTS"), nullptr);
}

// Every named control with its caption or start text, exactly.
TEST_F(MainWindowTest, ControlsCarryTheirNamesAndCaptions) {
  const std::pair<const char*, const char*> texts[] = {
      {"cmdFindID", "Cihaz ID Bul"}, {"cmdCancelScan", "İptal"}, {"cmdReceive", "Ayarları Al"},
      {"cmdSend", "Ayarları Gönder"}, {"cmdAdd", "<< Ekle"}, {"cmdDelete", "Sil >>"}, {"cmdImport", "Dosyadan Al"},
      {"cmdExport", "Dosyaya Kaydet"}, {"cmdReceiveAllCards", "Tümünü Cihazdan Al"},
      {"cmdSendAllCards", "Tümünü Cihaza Gönder"}, {"cmdEraseAll", "Tüm Kart Hafızasını Sil"},
      {"cmdSendRTC", "Saati Ayarla"}, {"cmdReceiveRTC", "Saati Oku"}, {"cmdReadData", "Oku - Kaydet"},
      {"cmdOpenFile", "Dosyayı Aç"}, {"cmdReadCounter", "Kayıt Sayısı"}, {"cmdClearCounter", "Hafızayı Sil"},
      {"cmdClose", "Programı Kapat"}, {"chkClearRAM", "Alındıktan Sonra Hafızayı Temizle"}, {"chkTCPIPActive", ""},
      {"chkLoop", ""}, {"opsDevice_0", "TS-20"}, {"opsDevice_1", "TS-30H"}, {"opsDevice_2", "TS-30P"},
      {"opsDevice_3", "TS-40"}, {"opsDevice_4", "TS-40B"}, {"opsDevice_5", "TS-20B"}, {"opsDevice_6", "TS-90"},
      {"opsDevice_7", "TS-90B"}, {"opsDevice_8", "TS-90C (Command Mode)"}, {"opsRunMode_0", "Stand-Alone"},
      {"opsRunMode_1", "Online"}, {"opsRunMode_2", "Read-Only"}, {"opsOfflineRecordType_0", "Giriş"},
      {"opsOfflineRecordType_1", "Çıkış"}, {"opsWigType_0", "Wiegand 26"}, {"opsWigType_1", "Wiegand 34"},
      {"opsStartEPCWord_0", "4"}, {"opsStartEPCWord_1", "6"},
  };
  for (const auto& [name, text] : texts) EXPECT_EQ(w<QAbstractButton>(name)->text(), QString::fromUtf8(text)) << name;

  const std::pair<const char*, const char*> frames[] = {
      {"Frame1", "Haberleşme Ayarları"}, {"frSettings", "Cihaz Ayarları"}, {"frKart", "Stand-Alone Kart Listesi"},
      {"frTS30P", "Özel İşlemler (TS-30P İçin)"}, {"frRTC", "Gerçek Zaman Saati"},
      {"frLOGMemory", "Offline Geçiş Kayıtları"},
  };
  for (const auto& [name, title] : frames) EXPECT_EQ(w<QGroupBox>(name)->title(), QString::fromUtf8(title)) << name;
  // The clock and records frames sit inside the special operations frame.
  EXPECT_EQ(w("frRTC")->parentWidget(), w("frTS30P"));
  EXPECT_EQ(w("frLOGMemory")->parentWidget(), w("frTS30P"));

  const std::pair<const char*, const char*> labels[] = {
      {"lbl90B_0", "Wiegand Tipi:"}, {"lbl90B_1", "EPC Wiegand Adres:"}, {"lbl90B_2", "Araç Dedektörü:"},
      {"lbl90B_3", "Tetikleme Süresi:"}, {"lblDeviceType", "TS-20B"}, {"lblMaxCardNum", "255"},
  };
  for (const auto& [name, text] : labels) EXPECT_EQ(w<QLabel>(name)->text(), QString::fromUtf8(text)) << name;
  EXPECT_EQ(w("pic90B_0"), w("lbl90B_0")->parentWidget());
  EXPECT_EQ(w("pic90B_1"), w("lbl90B_1")->parentWidget());

  // Captions of the plain labels, in the frame they belong to.
  const std::pair<const char*, const char*> captions[] = {
      {"Frame1", "COM Port:"}, {"Frame1", "Baud Rate:"}, {"Frame1", "Parity:"}, {"Frame1", "TCPIP Aktif:"},
      {"Frame1", "IP Adres:"}, {"Frame1", "TCP Port:"}, {"frSettings", "Mevcut Cihaz ID:"},
      {"frSettings", "Yeni Cihaz ID:"}, {"frSettings", "Röle Süresi:"}, {"frSettings", "Master Kart ID:"},
      {"frSettings", "Çalışma Modu:"}, {"frSettings", "Offline Kayıt Tipi:"}, {"frKart", "Kart ID:"},
      {"frKart", "İptal için 'ESC' tuşuna basınız"}, {"frKart", "Maksimum Kart Sayısı:"}, {"frRTC", "PC Saati:"},
      {"frRTC", "Cihaz Saati:"}, {"frLOGMemory", "Kayıt Sayısı:"},
  };
  for (const auto& [frame, text] : captions) {
    bool found = false;
    for (QLabel* l : w(frame)->findChildren<QLabel*>()) found = found || l->text() == QString::fromUtf8(text);
    EXPECT_TRUE(found) << text;
  }
  // The option arrays are groups: one choice each.
  for (const char* group : {"opsDevice", "opsRunMode", "opsOfflineRecordType", "opsWigType", "opsStartEPCWord"}) {
    auto* g = window->findChild<QButtonGroup*>(QString::fromLatin1(group));
    ASSERT_NE(g, nullptr) << group;
    EXPECT_TRUE(g->exclusive()) << group;
  }
  for (const char* name : {"lstCardID", "txtCardID", "lblCurID", "lblScan", "lblPCRTC", "lblDeviceRTC",
                           "lblRecordCounter", "lblProcess", "lblPortDevice", "txtIP", "txtLoopTime"}) {
    EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
  }
  EXPECT_NE(qobject_cast<QListWidget*>(w("lstCardID")), nullptr);
}

TEST_F(MainWindowTest, StartUpState) {
  auto items = [this](const char* name) {
    QStringList out;
    auto* c = w<QComboBox>(name);
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
  };
  QStringList ports;
  for (int i = 1; i <= 16; ++i) ports << QString::number(i);
  EXPECT_EQ(items("cmbPortNumber"), ports);
  EXPECT_EQ(w<QComboBox>("cmbPortNumber")->currentText(), QStringLiteral("1"));
  EXPECT_EQ(items("cmbBaudRate"), QStringList({"1200", "9600", "19200", "38400"}));
  EXPECT_EQ(w<QComboBox>("cmbBaudRate")->currentText(), QStringLiteral("38400"));
  EXPECT_EQ(items("cmbParity"), QStringList({"Tek", "Çift", "Yok"}));
  EXPECT_EQ(w<QComboBox>("cmbParity")->currentText(), QStringLiteral("Tek"));
  EXPECT_EQ(w<QLineEdit>("txtPort")->text(), QStringLiteral("5600"));
  EXPECT_EQ(w<QLineEdit>("txtOldID")->text(), QStringLiteral("1"));
  EXPECT_EQ(w<QLineEdit>("txtLoopTime")->text(), QStringLiteral("5"));
  EXPECT_FALSE(w<QLineEdit>("txtIP")->text().isEmpty());
  EXPECT_FALSE(w<QCheckBox>("chkTCPIPActive")->isChecked());
  EXPECT_TRUE(w<QCheckBox>("chkClearRAM")->isChecked());
  for (const char* n : {"lblProcess", "lblDeviceRTC", "lblRecordCounter"}) EXPECT_TRUE(w<QLabel>(n)->text().isEmpty()) << n;
  EXPECT_FALSE(shown("cmdCancelScan"));
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("ttyUSB0"));

  // The serial port is configured but closed.
  EXPECT_EQ(ctx().links().serial().portNumber(), 1);
  EXPECT_EQ(ctx().links().serial().settings(), QStringLiteral("38400,o,8,1"));
  EXPECT_FALSE(ctx().links().serial().isOpen());
  EXPECT_FALSE(ctx().links().tcp().isConnected());

  // TS-20B and Stand-Alone.
  EXPECT_TRUE(option("opsDevice", 5)->isChecked());
  EXPECT_EQ(ctx().model(), DeviceModel::TS20B);
  EXPECT_TRUE(option("opsRunMode", 0)->isChecked());
  EXPECT_EQ(ctx().runMode(), RunMode::StandAlone);
  EXPECT_FALSE(w("txtRelayTime")->isEnabled());
  EXPECT_EQ(w<QLineEdit>("txtRelayTime")->text(), QStringLiteral("1"));
  EXPECT_TRUE(shown("opsRunMode_2"));
  EXPECT_TRUE(w("cmdReceiveAllCards")->isEnabled());
  EXPECT_FALSE(w("frTS30P")->isEnabled());
  for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1", "lbl90B_2", "lbl90B_3", "chkLoop", "txtLoopTime"})
    EXPECT_FALSE(shown(n)) << n;
  EXPECT_TRUE(option("opsOfflineRecordType", 0)->isChecked());
  EXPECT_TRUE(option("opsWigType", 0)->isChecked());
  EXPECT_TRUE(option("opsStartEPCWord", 0)->isChecked());

  const AppState& st = ctx().state();
  EXPECT_FALSE(st.escCancelFlag);
  EXPECT_FALSE(st.scanCancelFlag);
  EXPECT_EQ(st.maxCardCount, 255);
  EXPECT_EQ(st.offlineRecordType, 0);
  EXPECT_FALSE(ctx().busy());

  auto* tick = window->findChild<QTimer*>(QStringLiteral("TTimer"));
  auto* clockTimer = window->findChild<QTimer*>(QStringLiteral("ClockTimer"));
  ASSERT_NE(tick, nullptr);
  ASSERT_NE(clockTimer, nullptr);
  EXPECT_TRUE(tick->isActive());
  EXPECT_EQ(tick->interval(), 10);
  EXPECT_EQ(tick->timerType(), Qt::PreciseTimer);
  EXPECT_TRUE(clockTimer->isActive());
  EXPECT_EQ(clockTimer->interval(), 1000);
}

TEST_F(MainWindowTest, FocusStartsOnTheCurrentDeviceId) {
  showActive();
  EXPECT_EQ(QApplication::focusWidget(), w("txtOldID"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w("txtNewID"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w("txtRelayTime")->isEnabled() ? w("txtRelayTime") : w("txtMasterCardID"));
}

TEST_F(MainWindowTest, TickCounterRunsOnTheTenMillisecondTimer) {
  ctx().state().tickCounter.reset();
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 200) pump.waitForActivity(50);
  const qint64 elapsed = t.elapsed();
  EXPECT_GT(ctx().state().tickCounter.value(), 0);
  EXPECT_LE(ctx().state().tickCounter.value(), elapsed / 10 + 1);  // never faster than one tick in 10 ms
}

TEST_F(MainWindowTest, BusyStateDisablesTheControlsAndShowsTheHourglass) {
  showActive();
  ctx().beginBusy();
  EXPECT_TRUE(ctx().busy());
  EXPECT_FALSE(w("cmdReceive")->isEnabled());
  EXPECT_FALSE(w("txtOldID")->isEnabled());
  EXPECT_FALSE(w("cmdClose")->isEnabled());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ctx().beginBusy();  // nested calls end with the outermost
  ctx().endBusy();
  EXPECT_TRUE(ctx().busy());
  EXPECT_FALSE(w("cmdReceive")->isEnabled());
  ctx().endBusy();
  EXPECT_FALSE(ctx().busy());
  EXPECT_TRUE(w("cmdReceive")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), w("txtOldID"));  // the user types on where he was
  ctx().endBusy();  // an extra EndBusy is harmless
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ESC sets EscCancelFlag whether the window is idle or busy; other keys and
// other windows do not.
TEST_F(MainWindowTest, EscapeSetsTheCancelFlagAlsoWhileBusy) {
  showActive();
  QTest::keyClick(window->windowHandle(), Qt::Key_A);
  QTest::keyClick(window->windowHandle(), Qt::Key_Return);
  EXPECT_FALSE(ctx().state().escCancelFlag);
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_TRUE(ctx().state().escCancelFlag);
  // Nothing clears it but the loop that honours it.
  pump.waitForActivity(20);
  EXPECT_TRUE(ctx().state().escCancelFlag);

  ctx().state().escCancelFlag = false;
  ctx().beginBusy();
  EXPECT_FALSE(w("txtOldID")->isEnabled());
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_TRUE(ctx().state().escCancelFlag);
  ctx().endBusy();

  // A key typed into another window is not the main window's.
  ctx().state().escCancelFlag = false;
  QWidget other;
  other.show();
  QTest::keyClick(&other, Qt::Key_Escape);
  EXPECT_FALSE(ctx().state().escCancelFlag);
}

TEST_F(MainWindowTest, CancelScanSetsItsFlagOnly) {
  w<QPushButton>("cmdCancelScan")->show();
  w<QPushButton>("cmdCancelScan")->click();
  EXPECT_TRUE(ctx().state().scanCancelFlag);
  EXPECT_FALSE(ctx().state().escCancelFlag);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

struct ProfileRow {
  int index;
  const char* typeText;
  qint16 limit;
  bool readOnly, receiveAll, special, wiegand, detector;
};

TEST_F(MainWindowTest, EveryModelAppliesItsProfile) {
  const ProfileRow rows[] = {
      {0, "TS-20", 255, false, false, false, false, false},  {1, "TS-30H", 2000, false, false, false, false, false},
      {2, "TS-30P", 2000, false, false, true, false, false}, {3, "TS-40", 2000, true, true, false, false, false},
      {4, "TS-40B", 5000, true, true, false, false, false},  {5, "TS-20B", 255, true, true, false, false, false},
      {6, "TS-90", 2000, true, true, false, false, false},   {7, "TS-90B", 2000, true, true, false, true, false},
      {8, "TS-90C", 2000, true, true, false, true, true},
  };
  // Every order of going from one model to the next ends in the same state.
  for (int from = 0; from < 9; ++from) {
    for (const ProfileRow& r : rows) {
      option("opsDevice", from)->click();
      option("opsDevice", r.index)->click();
      const std::string at = "from " + std::to_string(from) + " to " + r.typeText;
      EXPECT_EQ(ctx().model(), static_cast<DeviceModel>(r.index)) << at;
      EXPECT_EQ(w<QLabel>("lblDeviceType")->text(), QLatin1String(r.typeText)) << at;
      EXPECT_EQ(ctx().state().maxCardCount, r.limit) << at;
      EXPECT_EQ(w<QLabel>("lblMaxCardNum")->text(), QString::number(r.limit)) << at;
      EXPECT_EQ(shown("opsRunMode_2"), r.readOnly) << at;
      EXPECT_EQ(w("cmdReceiveAllCards")->isEnabled(), r.receiveAll) << at;
      EXPECT_EQ(w("frTS30P")->isEnabled(), r.special) << at;
      EXPECT_TRUE(shown("frTS30P")) << at;  // disabled, never hidden
      EXPECT_EQ(w("cmdSendRTC")->isEnabled(), r.special) << at;
      EXPECT_EQ(w("cmdClearCounter")->isEnabled(), r.special) << at;
      for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1"}) EXPECT_EQ(shown(n), r.wiegand) << at << n;
      for (const char* n : {"chkLoop", "txtLoopTime", "lbl90B_2", "lbl90B_3"}) EXPECT_EQ(shown(n), r.detector) << at << n;
    }
  }
}

TEST_F(MainWindowTest, ReadOnlyStaysSelectedWhenItsOptionIsHidden) {
  option("opsDevice", 3)->click();  // TS-40
  option("opsRunMode", 2)->click();
  w<QLineEdit>("txtRelayTime")->setText(QStringLiteral("7"));
  option("opsDevice", 0)->click();  // TS-20
  EXPECT_FALSE(shown("opsRunMode_2"));
  EXPECT_TRUE(option("opsRunMode", 2)->isChecked());
  EXPECT_EQ(ctx().runMode(), RunMode::ReadOnly);
  EXPECT_TRUE(w("txtRelayTime")->isEnabled());
  EXPECT_EQ(w<QLineEdit>("txtRelayTime")->text(), QStringLiteral("7"));
}

TEST_F(MainWindowTest, CardLimitFollowsTheModelAndLeavesTheListAlone) {
  auto* list = w<QListWidget>("lstCardID");
  for (int i = 0; i < 300; ++i) list->addItem(QString::number(1000 + i));
  option("opsDevice", 4)->click();  // TS-40B
  EXPECT_EQ(ctx().state().maxCardCount, 5000);
  EXPECT_EQ(w<QLabel>("lblMaxCardNum")->text(), QStringLiteral("5000"));
  option("opsDevice", 0)->click();  // TS-20
  EXPECT_EQ(ctx().state().maxCardCount, 255);
  EXPECT_EQ(w<QLabel>("lblMaxCardNum")->text(), QStringLiteral("255"));
  EXPECT_EQ(list->count(), 300);
}

TEST_F(MainWindowTest, ProfileTouchesNothingElse) {
  w<QLineEdit>("txtNewID")->setText(QStringLiteral("12"));
  w<QLineEdit>("txtMasterCardID")->setText(QStringLiteral("123456"));
  w<QLineEdit>("txtLoopTime")->setText(QStringLiteral("3"));
  w<QCheckBox>("chkLoop")->setChecked(true);
  option("opsRunMode", 1)->click();
  option("opsWigType", 1)->click();
  option("opsDevice", 8)->click();
  option("opsDevice", 2)->click();
  EXPECT_EQ(w<QLineEdit>("txtNewID")->text(), QStringLiteral("12"));
  EXPECT_EQ(w<QLineEdit>("txtMasterCardID")->text(), QStringLiteral("123456"));
  EXPECT_EQ(w<QLineEdit>("txtLoopTime")->text(), QStringLiteral("3"));
  EXPECT_TRUE(w<QCheckBox>("chkLoop")->isChecked());
  EXPECT_TRUE(option("opsWigType", 1)->isChecked());
  EXPECT_EQ(ctx().runMode(), RunMode::Online);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MainWindowTest, ClickingTheChosenModelAppliesItsProfileAgain) {
  option("opsDevice", 2)->click();  // TS-30P
  w("frTS30P")->setEnabled(false);
  w("opsRunMode_2")->show();
  option("opsDevice", 2)->click();
  EXPECT_TRUE(w("frTS30P")->isEnabled());
  EXPECT_FALSE(shown("opsRunMode_2"));
  option("opsDevice", 2)->click();
  EXPECT_TRUE(w("frTS30P")->isEnabled());
}

TEST_F(MainWindowTest, RunModeEffects) {
  auto* relay = w<QLineEdit>("txtRelayTime");
  option("opsRunMode", 1)->click();
  EXPECT_TRUE(relay->isEnabled());
  relay->setText(QStringLiteral("9"));
  option("opsRunMode", 2)->click();
  EXPECT_TRUE(relay->isEnabled());
  EXPECT_EQ(relay->text(), QStringLiteral("9"));
  option("opsRunMode", 0)->click();
  EXPECT_FALSE(relay->isEnabled());
  EXPECT_EQ(relay->text(), QStringLiteral("1"));
  option("opsRunMode", 0)->click();  // again: same effect
  EXPECT_EQ(relay->text(), QStringLiteral("1"));
  option("opsRunMode", 1)->click();
  EXPECT_TRUE(relay->isEnabled());
  EXPECT_EQ(relay->text(), QStringLiteral("1"));
  ctx().chooseRunMode(RunMode::StandAlone);
  EXPECT_TRUE(option("opsRunMode", 0)->isChecked());
  EXPECT_FALSE(relay->isEnabled());
}

struct ConnectionCase {
  int port, baud, parity;
  const char* extraBaud;  // an item added to the baud list and selected
  int expectedPort;
  const char* settings;
};

TEST_F(MainWindowTest, ConnectionPanelGivesPortAndSettingsText) {
  const ConnectionCase cases[] = {
      {0, 3, 0, nullptr, 1, "38400,o,8,1"}, {4, 1, 1, nullptr, 5, "9600,e,8,1"},
      {15, 0, 2, nullptr, 16, "1200,n,8,1"}, {1, 2, -1, nullptr, 2, "19200,o,8,1"},
      {0, -1, 1, " 9600 ", 1, "9600,e,8,1"},
  };
  for (const ConnectionCase& c : cases) {
    w<QComboBox>("cmbPortNumber")->setCurrentIndex(c.port);
    auto* baud = w<QComboBox>("cmbBaudRate");
    if (c.extraBaud) {
      baud->addItem(QString::fromLatin1(c.extraBaud));
      baud->setCurrentIndex(baud->count() - 1);
    } else {
      baud->setCurrentIndex(c.baud);
    }
    w<QComboBox>("cmbParity")->setCurrentIndex(c.parity);
    const ConnectionSettings s = ctx().connection();
    EXPECT_EQ(s.serialPort, c.expectedPort) << c.settings;
    EXPECT_EQ(s.serialSettings, QLatin1String(c.settings)) << c.settings;
    EXPECT_FALSE(s.tcp);
  }
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  w<QLineEdit>("txtIP")->setText(QStringLiteral("  10.0.0.5 "));
  const std::pair<const char*, qint16> ports[] = {{"5600", 5600}, {"5600x", 5600}, {"", 0}, {"70000", 0}, {"80.5", 80}};
  for (const auto& [text, port] : ports) {
    w<QLineEdit>("txtPort")->setText(QString::fromLatin1(text));
    const ConnectionSettings s = ctx().connection();
    EXPECT_TRUE(s.tcp);
    EXPECT_EQ(s.host, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(s.tcpPort, port) << text;
  }
}

TEST_F(MainWindowTest, PortDeviceLabelFollowsTheSelection) {
  devices = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/pts/7"), QString()};
  auto* ports = w<QComboBox>("cmbPortNumber");
  ports->setCurrentIndex(1);
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("pts/7"));
  ports->setCurrentIndex(2);
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("-"));
  ports->setCurrentIndex(9);
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("-"));
  ports->setCurrentIndex(0);
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("ttyUSB0"));
  // The adapter was unplugged: the next operation shows it.
  devices = {QString()};
  EXPECT_EQ(ctx().openLink(), nullptr);
  EXPECT_EQ(w<QLabel>("lblPortDevice")->text(), QStringLiteral("-"));
  EXPECT_EQ(prompts.messages, QStringList({"Haberleşme Portu Açılamadı"}));
  EXPECT_EQ(PortDeviceCaption(QStringLiteral("COM3")), QStringLiteral("COM3"));
}

TEST_F(MainWindowTest, OpenLinkFailuresTellTheUser) {
  devices.clear();
  EXPECT_EQ(ctx().openLink(), nullptr);
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  w<QLineEdit>("txtPort")->setText(QString());
  EXPECT_EQ(ctx().openLink(), nullptr);
  EXPECT_EQ(prompts.messages, QStringList({"Haberleşme Portu Açılamadı", "TCPIP Portu Açılamadı"}));
}

// The window keeps no stale serial port: a newly selected number is used even
// when an earlier operation left the port open.
TEST_F(MainWindowTest, SerialOperationsFollowThePortSelection) {
  test::PtyPair a, b;
  ASSERT_TRUE(a.ok() && b.ok());
  devices = {a.slavePath(), b.slavePath()};
  Link* first = ctx().openLink();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ctx().links().serial().openDevice(), a.slavePath());
  w<QComboBox>("cmbPortNumber")->setCurrentIndex(1);
  w<QComboBox>("cmbParity")->setCurrentIndex(1);
  w<QComboBox>("cmbBaudRate")->setCurrentIndex(1);
  Link* second = ctx().openLink();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ctx().links().serial().openDevice(), b.slavePath());
  EXPECT_EQ(ctx().links().serial().settings(), QStringLiteral("9600,e,8,1"));
  second->write("%UR001**\r");
  for (int i = 0; i < 3; ++i) pump.waitForActivity(10);
  EXPECT_EQ(b.read(), QByteArray("%UR001**\r"));
  EXPECT_TRUE(a.read().isEmpty());
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(MainWindowTest, ClosingEndsWithoutAPromptAndDropsTheSocket) {
  QTcpServer server;
  quint16 port = 0;
  for (quint16 p = 22000 + getpid() % 9000; p < 31500 && !port; ++p) {
    if (server.listen(QHostAddress::LocalHost, p)) port = p;
  }
  ASSERT_NE(port, 0);
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  w<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
  w<QLineEdit>("txtPort")->setText(QString::number(port));
  ASSERT_NE(ctx().openLink(), nullptr);
  for (int i = 0; i < 10 && !server.hasPendingConnections(); ++i) pump.waitForActivity(10);
  QTcpSocket* peer = server.nextPendingConnection();
  ASSERT_NE(peer, nullptr);
  showActive();
  w<QPushButton>("cmdClose")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(ctx().links().tcp().isConnected());
  for (int i = 0; i < 20 && peer->state() == QAbstractSocket::ConnectedState; ++i) pump.waitForActivity(10);
  EXPECT_NE(peer->state(), QAbstractSocket::ConnectedState);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MainWindowTest, BusyWindowCannotBeClosedAndRunningLoopsAreToldToStop) {
  showActive();
  ctx().beginBusy();
  window->close();
  EXPECT_TRUE(window->isVisible());
  ctx().endBusy();
  EXPECT_FALSE(ctx().state().scanCancelFlag);
  // Closed while a scan runs (the window stays usable during it): the scan ends at its next check.
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(ctx().state().scanCancelFlag);
}

}  // namespace
}  // namespace tessaro
