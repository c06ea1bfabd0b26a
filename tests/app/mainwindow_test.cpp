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
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "app/mainwindow.h"
#include "common/loopback.h"
#include "common/pty.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"
#include "link/portnames.h"

namespace tessaro {
namespace {

struct ProfileRow {
  const char* typeText;
  qint16 limit;
  bool readOnly, receiveAll, special, wiegand, detector;
};
const ProfileRow kProfiles[] = {
    {"TS-20", 255, false, false, false, false, false},  {"TS-30H", 2000, false, false, false, false, false},
    {"TS-30P", 2000, false, false, true, false, false}, {"TS-40", 2000, true, true, false, false, false},
    {"TS-40B", 5000, true, true, false, false, false},  {"TS-20B", 255, true, true, false, false, false},
    {"TS-90", 2000, true, true, false, false, false},   {"TS-90B", 2000, true, true, false, true, false},
    {"TS-90C", 2000, true, true, false, true, true}};

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
  QString text(const char* name) {
    QWidget* c = w(name);
    if (auto* b = qobject_cast<QAbstractButton*>(c)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(c)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(c)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(c)) return e->text();
    return qobject_cast<QComboBox*>(c)->currentText();
  }
  // Shown to the user, as far as the window decides it.
  bool shown(const char* name) { return w(name)->isVisibleTo(window.get()); }
  void showActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  void expectProfile(const ProfileRow& r, const std::string& at) {
    EXPECT_EQ(text("lblDeviceType"), QLatin1String(r.typeText)) << at;
    EXPECT_EQ(ctx().state().maxCardCount, r.limit) << at;
    EXPECT_EQ(text("lblMaxCardNum"), QString::number(r.limit)) << at;
    EXPECT_EQ(shown("opsRunMode_2"), r.readOnly) << at;
    EXPECT_EQ(w("cmdReceiveAllCards")->isEnabled(), r.receiveAll) << at;
    EXPECT_TRUE(shown("frTS30P")) << at;  // disabled, never hidden
    for (const char* n : {"frTS30P", "cmdSendRTC", "cmdClearCounter"}) {
      EXPECT_EQ(w(n)->isEnabled(), r.special) << at << n;
    }
    for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1"}) EXPECT_EQ(shown(n), r.wiegand) << at << n;
    for (const char* n : {"chkLoop", "txtLoopTime", "lbl90B_2", "lbl90B_3"}) EXPECT_EQ(shown(n), r.detector) << at << n;
  }

  test::ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  std::vector<QString> devices{QStringLiteral("/dev/ttyUSB0")};
  AppServices services;
  std::unique_ptr<MainWindow> window;
};

// Every named control with its caption or start text, exactly.
TEST_F(MainWindowTest, ControlsCarryTheirNamesAndCaptions) {
  EXPECT_EQ(window->objectName(), QStringLiteral("frmMain"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessaro TS-20,TS-30,TS-40,TS-90 Okuyucu Konfigürasyon V3.0"));
  EXPECT_EQ(kAppTitle, QStringLiteral("Tessaro TS-20,30,40,90 Konfigürasyon V3.0"));
  EXPECT_EQ(window->size(), QSize(788, 562));
  EXPECT_EQ(w("Picture3")->geometry(), QRect(0, 0, 788, 51));
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
      {"opsStartEPCWord_0", "4"}, {"opsStartEPCWord_1", "6"}, {"Frame1", "Haberleşme Ayarları"},
      {"frSettings", "Cihaz Ayarları"}, {"frKart", "Stand-Alone Kart Listesi"},
      {"frTS30P", "Özel İşlemler (TS-30P İçin)"}, {"frRTC", "Gerçek Zaman Saati"},
      {"frLOGMemory", "Offline Geçiş Kayıtları"}, {"lbl90B_0", "Wiegand Tipi:"}, {"lbl90B_1", "EPC Wiegand Adres:"},
      {"lbl90B_2", "Araç Dedektörü:"}, {"lbl90B_3", "Tetikleme Süresi:"}, {"lblDeviceType", "TS-20B"},
      {"lblMaxCardNum", "255"}, {"lblProcess", ""}, {"lblDeviceRTC", ""}, {"lblRecordCounter", ""},
      {"txtPort", "5600"}, {"txtOldID", "1"}, {"txtLoopTime", "5"}, {"txtRelayTime", "1"}, {"cmbPortNumber", "1"},
      {"cmbBaudRate", "38400"}, {"cmbParity", "Tek"}, {"lblPortDevice", "ttyUSB0"},
  };
  for (const auto& [name, caption] : texts) EXPECT_EQ(text(name), QString::fromUtf8(caption)) << name;
  EXPECT_FALSE(text("txtIP").isEmpty());
  // The clock and records frames sit inside the special operations frame, the Wiegand labels in their panels.
  for (const auto& [child, parent] : std::initializer_list<std::pair<const char*, const char*>>{
           {"frRTC", "frTS30P"}, {"frLOGMemory", "frTS30P"}, {"lbl90B_0", "pic90B_0"}, {"lbl90B_1", "pic90B_1"}}) {
    EXPECT_EQ(w(child)->parentWidget(), w(parent)) << child;
  }
  // Captions of the plain labels, in the frame they belong to.
  const std::pair<const char*, const char*> captions[] = {
      {"Frame1", "COM Port:"}, {"Frame1", "Baud Rate:"}, {"Frame1", "Parity:"}, {"Frame1", "TCPIP Aktif:"},
      {"Frame1", "IP Adres:"}, {"Frame1", "TCP Port:"}, {"frSettings", "Mevcut Cihaz ID:"},
      {"frSettings", "Yeni Cihaz ID:"}, {"frSettings", "Röle Süresi:"}, {"frSettings", "Master Kart ID:"},
      {"frSettings", "Çalışma Modu:"}, {"frSettings", "Offline Kayıt Tipi:"}, {"frKart", "Kart ID:"},
      {"frKart", "İptal için 'ESC' tuşuna basınız"}, {"frKart", "Maksimum Kart Sayısı:"}, {"frRTC", "PC Saati:"},
      {"frRTC", "Cihaz Saati:"}, {"frLOGMemory", "Kayıt Sayısı:"},
  };
  for (const auto& [frame, caption] : captions) {
    bool found = false;
    for (QLabel* l : w(frame)->findChildren<QLabel*>()) found = found || l->text() == QString::fromUtf8(caption);
    EXPECT_TRUE(found) << caption;
  }
  // The option arrays are groups: one choice each.
  for (const char* group : {"opsDevice", "opsRunMode", "opsOfflineRecordType", "opsWigType", "opsStartEPCWord"}) {
    auto* g = window->findChild<QButtonGroup*>(QString::fromLatin1(group));
    ASSERT_NE(g, nullptr) << group;
    EXPECT_TRUE(g->exclusive()) << group;
  }
  for (const char* name : {"PicTS", "txtCardID", "lblCurID", "lblScan", "lblPCRTC"}) EXPECT_NE(w(name), nullptr);
  EXPECT_NE(qobject_cast<QListWidget*>(w("lstCardID")), nullptr);
}

TEST_F(MainWindowTest, StartUpState) {
  auto items = [this](const char* name) {
    QStringList out;
    for (int i = 0; i < w<QComboBox>(name)->count(); ++i) out << w<QComboBox>(name)->itemText(i);
    return out;
  };
  QStringList ports;
  for (int i = 1; i <= 16; ++i) ports << QString::number(i);
  EXPECT_EQ(items("cmbPortNumber"), ports);
  EXPECT_EQ(items("cmbBaudRate"), QStringList({"1200", "9600", "19200", "38400"}));
  EXPECT_EQ(items("cmbParity"), QStringList({"Tek", "Çift", "Yok"}));
  EXPECT_FALSE(w<QCheckBox>("chkTCPIPActive")->isChecked());
  EXPECT_TRUE(w<QCheckBox>("chkClearRAM")->isChecked());
  EXPECT_FALSE(shown("cmdCancelScan"));
  // The serial port is configured but closed.
  EXPECT_EQ(ctx().links().serial().portNumber(), 1);
  EXPECT_EQ(ctx().links().serial().settings(), QStringLiteral("38400,o,8,1"));
  EXPECT_FALSE(ctx().links().serial().isOpen());
  EXPECT_FALSE(ctx().links().tcp().isConnected());
  // TS-20B and Stand-Alone.
  EXPECT_TRUE(option("opsDevice", 5)->isChecked());
  EXPECT_EQ(ctx().model(), DeviceModel::TS20B);
  expectProfile(kProfiles[5], "start");
  EXPECT_TRUE(option("opsRunMode", 0)->isChecked());
  EXPECT_EQ(ctx().runMode(), RunMode::StandAlone);
  EXPECT_FALSE(w("txtRelayTime")->isEnabled());
  for (const char* n : {"opsOfflineRecordType_0", "opsWigType_0", "opsStartEPCWord_0"}) {
    EXPECT_TRUE(w<QRadioButton>(n)->isChecked()) << n;
  }
  const AppState& st = ctx().state();
  EXPECT_FALSE(st.escCancelFlag || st.scanCancelFlag || ctx().busy());
  EXPECT_EQ(st.offlineRecordType, 0);
  auto* tick = window->findChild<QTimer*>(QStringLiteral("TTimer"));
  auto* clockTimer = window->findChild<QTimer*>(QStringLiteral("ClockTimer"));
  ASSERT_TRUE(tick && clockTimer);
  EXPECT_TRUE(tick->isActive() && clockTimer->isActive());
  EXPECT_EQ(tick->interval(), 10);
  EXPECT_EQ(tick->timerType(), Qt::PreciseTimer);
  EXPECT_EQ(clockTimer->interval(), 1000);
  // The tick counter runs on the 10 ms timer, never faster than one tick in 10 ms.
  ctx().state().tickCounter.reset();
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 200) pump.waitForActivity(50);
  const qint64 elapsed = t.elapsed();
  EXPECT_GT(ctx().state().tickCounter.value(), 0);
  EXPECT_LE(ctx().state().tickCounter.value(), elapsed / 10 + 1);
}

TEST_F(MainWindowTest, FocusBusyStateAndCancelFlags) {
  showActive();
  EXPECT_EQ(QApplication::focusWidget(), w("txtOldID"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w("txtNewID"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w("txtMasterCardID"));  // the relay time is disabled in Stand-Alone
  w("txtOldID")->setFocus();

  // ESC sets EscCancelFlag whether the window is idle or busy; other keys do not,
  // and nothing clears it but the loop that honours it.
  for (Qt::Key key : {Qt::Key_A, Qt::Key_Return}) QTest::keyClick(window->windowHandle(), key);
  EXPECT_FALSE(ctx().state().escCancelFlag);
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_TRUE(ctx().state().escCancelFlag);
  pump.waitForActivity(20);
  EXPECT_TRUE(ctx().state().escCancelFlag);
  ctx().state().escCancelFlag = false;

  ctx().beginBusy();
  EXPECT_TRUE(ctx().busy());
  for (const char* n : {"cmdReceive", "txtOldID", "cmdClose"}) EXPECT_FALSE(w(n)->isEnabled()) << n;
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_TRUE(ctx().state().escCancelFlag);
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

  // A key typed into another window is not the main window's.
  ctx().state().escCancelFlag = false;
  QWidget other;
  other.show();
  QTest::keyClick(&other, Qt::Key_Escape);
  EXPECT_FALSE(ctx().state().escCancelFlag);

  w<QPushButton>("cmdCancelScan")->show();
  w<QPushButton>("cmdCancelScan")->click();
  EXPECT_TRUE(ctx().state().scanCancelFlag);
  EXPECT_FALSE(ctx().state().escCancelFlag);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// Every order of going from one model to the next ends in the same state.
TEST_F(MainWindowTest, EveryModelAppliesItsProfile) {
  for (int from = 0; from < 9; ++from) {
    for (int to = 0; to < 9; ++to) {
      option("opsDevice", from)->click();
      option("opsDevice", to)->click();
      EXPECT_EQ(ctx().model(), static_cast<DeviceModel>(to));
      expectProfile(kProfiles[to], "from " + std::to_string(from) + " to " + kProfiles[to].typeText);
    }
  }
  // Clicking the chosen model applies its profile again.
  option("opsDevice", 2)->click();
  w("frTS30P")->setEnabled(false);
  w("opsRunMode_2")->show();
  option("opsDevice", 2)->click();
  expectProfile(kProfiles[2], "again");
}

// A profile changes the limit, not the list, the run mode or what was typed:
// "Read-Only" stays selected while its option is hidden.
TEST_F(MainWindowTest, ProfileTouchesNothingElse) {
  auto* list = w<QListWidget>("lstCardID");
  for (int i = 0; i < 300; ++i) list->addItem(QString::number(1000 + i));
  const std::pair<const char*, const char*> typed[] = {
      {"txtNewID", "12"}, {"txtMasterCardID", "123456"}, {"txtLoopTime", "3"}, {"txtRelayTime", "7"}};
  option("opsDevice", 3)->click();  // TS-40
  option("opsRunMode", 2)->click();
  for (const auto& [name, value] : typed) w<QLineEdit>(name)->setText(QLatin1String(value));
  w<QCheckBox>("chkLoop")->setChecked(true);
  option("opsWigType", 1)->click();
  option("opsDevice", 4)->click();  // TS-40B
  EXPECT_EQ(ctx().state().maxCardCount, 5000);
  option("opsDevice", 0)->click();  // TS-20
  EXPECT_EQ(ctx().state().maxCardCount, 255);
  EXPECT_EQ(list->count(), 300);
  EXPECT_FALSE(shown("opsRunMode_2"));
  EXPECT_TRUE(option("opsRunMode", 2)->isChecked());
  EXPECT_EQ(ctx().runMode(), RunMode::ReadOnly);
  EXPECT_TRUE(w("txtRelayTime")->isEnabled());
  for (const auto& [name, value] : typed) EXPECT_EQ(text(name), QLatin1String(value)) << name;
  EXPECT_TRUE(w<QCheckBox>("chkLoop")->isChecked());
  EXPECT_TRUE(option("opsWigType", 1)->isChecked());
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MainWindowTest, RunModeEffects) {
  auto* relay = w<QLineEdit>("txtRelayTime");
  // Run mode clicked, relay text typed before it ("" for none) → enabled, text.
  const std::tuple<int, const char*, bool, const char*> steps[] = {
      {1, "", true, "1"}, {2, "9", true, "9"}, {0, "", false, "1"}, {0, "4", false, "1"}, {1, "", true, "1"}};
  for (const auto& [mode, typed, enabled, after] : steps) {
    if (*typed) relay->setText(QLatin1String(typed));
    option("opsRunMode", mode)->click();
    EXPECT_EQ(relay->isEnabled(), enabled) << mode;
    EXPECT_EQ(relay->text(), QLatin1String(after)) << mode;
  }
  ctx().chooseRunMode(RunMode::StandAlone);
  EXPECT_TRUE(option("opsRunMode", 0)->isChecked());
  EXPECT_FALSE(relay->isEnabled());
}

TEST_F(MainWindowTest, ConnectionPanelGivesPortAndSettingsText) {
  // Port, baud and parity positions (-1: an added " 9600 " / none selected) → port number, settings text.
  const std::tuple<int, int, int, int, const char*> cases[] = {
      {0, 3, 0, 1, "38400,o,8,1"}, {4, 1, 1, 5, "9600,e,8,1"}, {15, 0, 2, 16, "1200,n,8,1"},
      {1, 2, -1, 2, "19200,o,8,1"}, {0, -1, 1, 1, "9600,e,8,1"}};
  for (const auto& [port, baud, parity, number, settings] : cases) {
    w<QComboBox>("cmbPortNumber")->setCurrentIndex(port);
    auto* bauds = w<QComboBox>("cmbBaudRate");
    if (baud < 0) bauds->addItem(QStringLiteral(" 9600 "));
    bauds->setCurrentIndex(baud < 0 ? bauds->count() - 1 : baud);
    w<QComboBox>("cmbParity")->setCurrentIndex(parity);
    const ConnectionSettings s = ctx().connection();
    EXPECT_EQ(s.serialPort, number) << settings;
    EXPECT_EQ(s.serialSettings, QLatin1String(settings)) << settings;
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

// The window keeps no stale serial port: the port device caption and the port
// an operation opens follow the selection, also when the last one left it open.
TEST_F(MainWindowTest, OpenLinkFollowsThePortSelection) {
  test::PtyPair a, b;
  ASSERT_TRUE(a.ok() && b.ok());
  devices = {a.slavePath(), b.slavePath(), QString()};
  auto* ports = w<QComboBox>("cmbPortNumber");
  const std::pair<int, QString> captions[] = {{1, b.slavePath().mid(5)}, {2, "-"}, {9, "-"}, {0, a.slavePath().mid(5)}};
  for (const auto& [index, caption] : captions) {
    ports->setCurrentIndex(index);
    EXPECT_EQ(text("lblPortDevice"), caption) << index;
  }
  ASSERT_NE(ctx().openLink(), nullptr);
  EXPECT_EQ(ctx().links().serial().openDevice(), a.slavePath());
  ports->setCurrentIndex(1);
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
  // The adapter was unplugged: the next operation shows it and tells the user; so does an unusable TCP port.
  devices = {QString()};
  ports->setCurrentIndex(0);
  EXPECT_EQ(ctx().openLink(), nullptr);
  EXPECT_EQ(text("lblPortDevice"), QStringLiteral("-"));
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  w<QLineEdit>("txtPort")->setText(QString());
  EXPECT_EQ(ctx().openLink(), nullptr);
  EXPECT_EQ(prompts.messages, QStringList({"Haberleşme Portu Açılamadı", "TCPIP Portu Açılamadı"}));
  EXPECT_EQ(PortDeviceCaption(QStringLiteral("COM3")), QStringLiteral("COM3"));
}

// Closing ends without a prompt and drops the socket, but not while the window
// is busy; a scan still running (the window stays usable then) stops at its next check.
TEST_F(MainWindowTest, Closing) {
  QTcpServer server;
  ASSERT_TRUE(test::ListenLow(server));
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  w<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
  w<QLineEdit>("txtPort")->setText(QString::number(server.serverPort()));
  ASSERT_NE(ctx().openLink(), nullptr);
  for (int i = 0; i < 10 && !server.hasPendingConnections(); ++i) pump.waitForActivity(10);
  QTcpSocket* peer = server.nextPendingConnection();
  ASSERT_NE(peer, nullptr);
  showActive();
  ctx().beginBusy();
  window->close();
  EXPECT_TRUE(window->isVisible());
  ctx().endBusy();
  EXPECT_FALSE(ctx().state().scanCancelFlag);
  w<QPushButton>("cmdClose")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(ctx().state().scanCancelFlag);
  EXPECT_FALSE(ctx().links().tcp().isConnected());
  for (int i = 0; i < 20 && peer->state() == QAbstractSocket::ConnectedState; ++i) pump.waitForActivity(10);
  EXPECT_NE(peer->state(), QAbstractSocket::ConnectedState);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

}  // namespace
}  // namespace tessaro
