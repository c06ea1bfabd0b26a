#include "app/mainwindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgWidget>
#include <QTimer>

#include "link/portnames.h"

// The logo lives in the GUI library's resources; a static library must register them.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace tessaro {

namespace {

template <typename T>
T* make(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* c = new T(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(x, y, w, h);
  return c;
}

QLabel* caption(QWidget* parent, const QString& text, int x, int y, int w = 110, int h = 20) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, h);
  return l;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h) {
  auto* f = make<QGroupBox>(parent, name, x, y, w, h);
  f->setTitle(title);
  return f;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = 26) {
  auto* b = make<QPushButton>(parent, name, x, y, w, h);
  b->setText(text);
  b->setAutoDefault(false);
  return b;
}

QRadioButton* option(QWidget* parent, const QString& name, const QString& text, int x, int y, int w) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(name);
  r->setGeometry(x, y, w, 20);
  return r;
}

QString indexed(const char* array, int i) { return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(i); }

}  // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent) : QWidget(parent) {
  initResources();
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(kWindowCaption);
  ctx_ = std::make_unique<AppContext>(this, services);
  buildControls();
  startUp();
  panels_ = CreatePanels(*ctx_);
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  panels_.clear();
}

void MainWindow::buildControls() {
  // Every control sits in one body so that the busy state can take input away
  // from all of them while the window itself still sees ESC.
  auto* body = make<QWidget>(this, "body", 0, 0, 788, 562);

  // Header strip with the logo.
  auto* header = make<QWidget>(body, "Picture3", 0, 0, 788, 51);
  header->setAutoFillBackground(true);
  QPalette pal = header->palette();
  pal.setColor(QPalette::Window, QColor(0x1d, 0x3c, 0x5a));
  header->setPalette(pal);
  auto* logo = make<QSvgWidget>(header, "PicTS", 8, 5, 190, 41);
  logo->load(QStringLiteral(":/tessaro/logo.svg"));

  // Connection panel. Geometry in pixels of the 788 x 562 client area; the
  // widths leave room for the captions at the default 9 pt font.
  auto* f1 = frame(body, "Frame1", QStringLiteral("Haberleşme Ayarları"), 6, 56, 378, 206);
  auto* devices = new QButtonGroup(this);
  devices->setObjectName(QStringLiteral("opsDevice"));
  const int colX[3] = {12, 104, 196};
  const int colW[3] = {90, 90, 176};
  for (int i = 0; i < kModelCount; ++i) {
    const DeviceProfile& p = DeviceProfiles()[i];
    auto* r = option(f1, indexed("opsDevice", i), QString::fromLatin1(p.optionCaption), colX[i % 3], 22 + (i / 3) * 22,
                     colW[i % 3]);
    devices->addButton(r, i);
  }
  auto* type = make<QLabel>(f1, "lblDeviceType", 12, 92, 200, 20);
  type->setText(QStringLiteral("TS-20B"));
  QFont bold = type->font();
  bold.setBold(true);
  type->setFont(bold);

  caption(f1, QStringLiteral("COM Port:"), 12, 122, 76);
  make<QComboBox>(f1, "cmbPortNumber", 90, 120, 56, 22);
  make<QLabel>(f1, "lblPortDevice", 150, 122, 56, 20);
  caption(f1, QStringLiteral("Baud Rate:"), 12, 150, 76);
  make<QComboBox>(f1, "cmbBaudRate", 90, 148, 76, 22);
  caption(f1, QStringLiteral("Parity:"), 12, 178, 76);
  make<QComboBox>(f1, "cmbParity", 90, 176, 76, 22);
  caption(f1, QStringLiteral("TCPIP Aktif:"), 206, 122, 72);
  make<QCheckBox>(f1, "chkTCPIPActive", 280, 122, 20, 20);
  caption(f1, QStringLiteral("IP Adres:"), 206, 150, 72);
  auto* ip = make<QLineEdit>(f1, "txtIP", 276, 148, 98, 22);
  ip->setText(QStringLiteral("192.168.1.100"));
  caption(f1, QStringLiteral("TCP Port:"), 206, 178, 72);
  auto* port = make<QLineEdit>(f1, "txtPort", 276, 176, 60, 22);
  port->setText(QStringLiteral("5600"));

  // Device settings.
  auto* fs = frame(body, "frSettings", QStringLiteral("Cihaz Ayarları"), 6, 266, 378, 290);
  caption(fs, QStringLiteral("Mevcut Cihaz ID:"), 12, 26);
  auto* oldId = make<QLineEdit>(fs, "txtOldID", 124, 24, 64, 22);
  oldId->setText(QStringLiteral("1"));
  caption(fs, QStringLiteral("Yeni Cihaz ID:"), 12, 52);
  make<QLineEdit>(fs, "txtNewID", 124, 50, 64, 22);
  caption(fs, QStringLiteral("Röle Süresi:"), 12, 78);
  make<QLineEdit>(fs, "txtRelayTime", 124, 76, 64, 22);
  caption(fs, QStringLiteral("Master Kart ID:"), 12, 104);
  make<QLineEdit>(fs, "txtMasterCardID", 124, 102, 110, 22);
  caption(fs, QStringLiteral("Çalışma Modu:"), 12, 132);
  auto* modes = new QButtonGroup(this);
  modes->setObjectName(QStringLiteral("opsRunMode"));
  const char* modeNames[3] = {"Stand-Alone", "Online", "Read-Only"};
  const int modeX[3] = {118, 218, 284};
  const int modeW[3] = {100, 66, 90};
  for (int i = 0; i < 3; ++i) {
    modes->addButton(option(fs, indexed("opsRunMode", i), QString::fromLatin1(modeNames[i]), modeX[i], 132, modeW[i]),
                     i);
  }
  caption(fs, QStringLiteral("Offline Kayıt Tipi:"), 12, 158);
  auto* recType = new QButtonGroup(this);
  recType->setObjectName(QStringLiteral("opsOfflineRecordType"));
  recType->addButton(option(fs, indexed("opsOfflineRecordType", 0), QStringLiteral("Giriş"), 118, 158, 90), 0);
  recType->addButton(option(fs, indexed("opsOfflineRecordType", 1), QStringLiteral("Çıkış"), 218, 158, 90), 1);

  auto* pic0 = make<QWidget>(fs, "pic90B_0", 10, 182, 198, 42);
  auto* lbl0 = make<QLabel>(pic0, "lbl90B_0", 2, 0, 180, 18);
  lbl0->setText(QStringLiteral("Wiegand Tipi:"));
  auto* wig = new QButtonGroup(this);
  wig->setObjectName(QStringLiteral("opsWigType"));
  wig->addButton(option(pic0, indexed("opsWigType", 0), QStringLiteral("Wiegand 26"), 2, 20, 92), 0);
  wig->addButton(option(pic0, indexed("opsWigType", 1), QStringLiteral("Wiegand 34"), 104, 20, 92), 1);
  auto* pic1 = make<QWidget>(fs, "pic90B_1", 224, 182, 146, 42);
  auto* lbl1 = make<QLabel>(pic1, "lbl90B_1", 2, 0, 142, 18);
  lbl1->setText(QStringLiteral("EPC Wiegand Adres:"));
  auto* epc = new QButtonGroup(this);
  epc->setObjectName(QStringLiteral("opsStartEPCWord"));
  epc->addButton(option(pic1, indexed("opsStartEPCWord", 0), QStringLiteral("4"), 2, 20, 50), 0);
  epc->addButton(option(pic1, indexed("opsStartEPCWord", 1), QStringLiteral("6"), 70, 20, 50), 1);
  // The labels of the detector are members of the same label array as the two above.
  auto* lbl2 = make<QLabel>(fs, "lbl90B_2", 12, 224, 108, 20);
  lbl2->setText(QStringLiteral("Araç Dedektörü:"));
  make<QCheckBox>(fs, "chkLoop", 124, 224, 20, 20);
  auto* lbl3 = make<QLabel>(fs, "lbl90B_3", 226, 224, 110, 20);
  lbl3->setText(QStringLiteral("Tetikleme Süresi:"));
  auto* loopTime = make<QLineEdit>(fs, "txtLoopTime", 334, 223, 36, 22);
  loopTime->setText(QStringLiteral("5"));

  button(fs, "cmdFindID", QStringLiteral("Cihaz ID Bul"), 240, 22, 130);
  button(fs, "cmdCancelScan", QStringLiteral("İptal"), 240, 52, 130)->hide();
  auto* scan = make<QLabel>(fs, "lblScan", 240, 82, 130, 20);
  scan->setAlignment(Qt::AlignCenter);
  button(fs, "cmdReceive", QStringLiteral("Ayarları Al"), 10, 255, 176, 28);
  button(fs, "cmdSend", QStringLiteral("Ayarları Gönder"), 192, 255, 178, 28);

  // Card list.
  auto* fk = frame(body, "frKart", QStringLiteral("Stand-Alone Kart Listesi"), 390, 56, 392, 264);
  make<QListWidget>(fk, "lstCardID", 10, 22, 150, 232);
  caption(fk, QStringLiteral("Kart ID:"), 170, 26, 54);
  make<QLineEdit>(fk, "txtCardID", 226, 24, 156, 22);
  button(fk, "cmdAdd", QStringLiteral("<< Ekle"), 170, 54, 104);
  button(fk, "cmdDelete", QStringLiteral("Sil >>"), 278, 54, 104);
  button(fk, "cmdImport", QStringLiteral("Dosyadan Al"), 170, 84, 104);
  button(fk, "cmdExport", QStringLiteral("Dosyaya Kaydet"), 278, 84, 104);
  button(fk, "cmdReceiveAllCards", QStringLiteral("Tümünü Cihazdan Al"), 170, 118, 212);
  button(fk, "cmdSendAllCards", QStringLiteral("Tümünü Cihaza Gönder"), 170, 148, 212);
  button(fk, "cmdEraseAll", QStringLiteral("Tüm Kart Hafızasını Sil"), 170, 178, 212);
  make<QLabel>(fk, "lblCurID", 170, 208, 212, 18);
  auto* hint = make<QLabel>(fk, "Label3", 170, 226, 212, 18);
  hint->setText(QStringLiteral("İptal için 'ESC' tuşuna basınız"));
  caption(fk, QStringLiteral("Maksimum Kart Sayısı:"), 170, 244, 142, 18);
  make<QLabel>(fk, "lblMaxCardNum", 314, 244, 68, 18);

  // Clock and offline records.
  auto* fp = frame(body, "frTS30P", QStringLiteral("Özel İşlemler (TS-30P İçin)"), 390, 324, 392, 194);
  auto* rtc = frame(fp, "frRTC", QStringLiteral("Gerçek Zaman Saati"), 8, 20, 142, 166);
  button(rtc, "cmdSendRTC", QStringLiteral("Saati Ayarla"), 8, 24, 126);
  button(rtc, "cmdReceiveRTC", QStringLiteral("Saati Oku"), 8, 54, 126);
  caption(rtc, QStringLiteral("PC Saati:"), 8, 88, 126, 18);
  make<QLabel>(rtc, "lblPCRTC", 8, 106, 130, 18);
  caption(rtc, QStringLiteral("Cihaz Saati:"), 8, 126, 126, 18);
  make<QLabel>(rtc, "lblDeviceRTC", 8, 144, 130, 18);
  auto* log = frame(fp, "frLOGMemory", QStringLiteral("Offline Geçiş Kayıtları"), 154, 20, 232, 166);
  auto* clear = make<QCheckBox>(log, "chkClearRAM", 8, 22, 222, 20);
  clear->setText(QStringLiteral("Alındıktan Sonra Hafızayı Temizle"));
  clear->setChecked(true);
  button(log, "cmdReadData", QStringLiteral("Oku - Kaydet"), 8, 48, 106);
  button(log, "cmdOpenFile", QStringLiteral("Dosyayı Aç"), 118, 48, 106);
  button(log, "cmdReadCounter", QStringLiteral("Kayıt Sayısı"), 8, 78, 106);
  button(log, "cmdClearCounter", QStringLiteral("Hafızayı Sil"), 118, 78, 106);
  auto* l12 = make<QLabel>(log, "Label12", 8, 110, 84, 18);
  l12->setText(QStringLiteral("Kayıt Sayısı:"));
  make<QLabel>(log, "lblRecordCounter", 94, 110, 130, 18);
  auto* process = make<QLabel>(log, "lblProcess", 8, 128, 216, 34);
  process->setWordWrap(true);
  process->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  button(body, "cmdClose", QStringLiteral("Programı Kapat"), 632, 524, 150, 32);

  // Focus order: the current device ID first, then the settings, the card
  // list, the special operations and the connection panel.
  const char* order[] = {"txtOldID",
                         "txtNewID",
                         "txtRelayTime",
                         "txtMasterCardID",
                         "opsRunMode_0",
                         "opsRunMode_1",
                         "opsRunMode_2",
                         "opsOfflineRecordType_0",
                         "opsOfflineRecordType_1",
                         "opsWigType_0",
                         "opsWigType_1",
                         "opsStartEPCWord_0",
                         "opsStartEPCWord_1",
                         "chkLoop",
                         "txtLoopTime",
                         "cmdFindID",
                         "cmdCancelScan",
                         "cmdReceive",
                         "cmdSend",
                         "lstCardID",
                         "txtCardID",
                         "cmdAdd",
                         "cmdDelete",
                         "cmdImport",
                         "cmdExport",
                         "cmdReceiveAllCards",
                         "cmdSendAllCards",
                         "cmdEraseAll",
                         "cmdSendRTC",
                         "cmdReceiveRTC",
                         "chkClearRAM",
                         "cmdReadData",
                         "cmdOpenFile",
                         "cmdReadCounter",
                         "cmdClearCounter",
                         "opsDevice_0",
                         "opsDevice_1",
                         "opsDevice_2",
                         "opsDevice_3",
                         "opsDevice_4",
                         "opsDevice_5",
                         "opsDevice_6",
                         "opsDevice_7",
                         "opsDevice_8",
                         "cmbPortNumber",
                         "cmbBaudRate",
                         "cmbParity",
                         "chkTCPIPActive",
                         "txtIP",
                         "txtPort",
                         "cmdClose"};
  for (size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(ctx_->control<QWidget>(order[i - 1]), ctx_->control<QWidget>(order[i]));
  }
  oldId->setFocus();

  // Non-visual components.
  tickTimer_ = new QTimer(this);
  tickTimer_->setObjectName(QStringLiteral("TTimer"));
  tickTimer_->setTimerType(Qt::PreciseTimer);
  tickTimer_->setInterval(10);
  clockTimer_ = new QTimer(this);
  clockTimer_->setObjectName(QStringLiteral("ClockTimer"));
  clockTimer_->setInterval(1000);

  connect(devices, &QButtonGroup::idClicked, this, &MainWindow::applyProfile);
  connect(modes, &QButtonGroup::idClicked, this, &MainWindow::applyRunMode);
  connect(ctx_->control<QPushButton>("cmdCancelScan"), &QPushButton::clicked, this,
          [this] { ctx_->state().scanCancelFlag = true; });
  connect(ctx_->control<QPushButton>("cmdClose"), &QPushButton::clicked, this, &QWidget::close);
  connect(tickTimer_, &QTimer::timeout, this, [this] { ctx_->state().tickCounter.advance(); });
  connect(ctx_->control<QComboBox>("cmbPortNumber"), &QComboBox::currentIndexChanged, this,
          &MainWindow::refreshPortDevice);
}

void MainWindow::startUp() {
  AppContext& c = *ctx_;
  // 1. Design-time captions are never shown.
  for (const char* n : {"lblProcess", "lblPCRTC", "lblDeviceRTC", "lblRecordCounter"}) c.control<QLabel>(n)->clear();
  // 2. Client area of 788 x 562 at normal resolution.
  setFixedSize(788, 562);
  // 3. The socket exists from the start; its port comes from txtPort at each connect.
  // 4. Cancel flags.
  c.state().scanCancelFlag = false;
  c.state().escCancelFlag = false;
  // 5. Card limit.
  c.state().maxCardCount = 255;
  c.control<QLabel>("lblMaxCardNum")->setText(QStringLiteral("255"));
  // 6-8. Connection lists.
  auto* ports = c.control<QComboBox>("cmbPortNumber");
  for (int i = 1; i <= 16; ++i) ports->addItem(QString::number(i));
  ports->setCurrentIndex(0);
  auto* baud = c.control<QComboBox>("cmbBaudRate");
  baud->addItems({QStringLiteral("1200"), QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")});
  baud->setCurrentIndex(3);
  auto* parity = c.control<QComboBox>("cmbParity");
  parity->addItems({QStringLiteral("Tek"), QStringLiteral("Çift"), QStringLiteral("Yok")});
  parity->setCurrentIndex(0);
  // 9. Configure the serial port without opening it.
  const ConnectionSettings cs = c.connection();
  c.links().serial().setPortNumber(cs.serialPort);
  c.links().serial().setSettings(cs.serialSettings);
  refreshPortDevice();

  // The window opens in the TS-20B / Stand-Alone state.
  c.control<QRadioButton>("opsDevice_5")->setChecked(true);
  applyProfile(static_cast<int>(DeviceModel::TS20B));
  c.control<QRadioButton>("opsRunMode_0")->setChecked(true);
  applyRunMode(static_cast<int>(RunMode::StandAlone));
  c.control<QRadioButton>("opsOfflineRecordType_0")->setChecked(true);
  c.control<QRadioButton>("opsWigType_0")->setChecked(true);
  c.control<QRadioButton>("opsStartEPCWord_0")->setChecked(true);

  tickTimer_->start();
  clockTimer_->start();
}

void MainWindow::refreshPortDevice() {
  const int n = ctx_->control<QComboBox>("cmbPortNumber")->currentIndex() + 1;
  const QString dev = ctx_->links().serial().deviceName(n);
  ctx_->control<QLabel>("lblPortDevice")->setText(PortDeviceCaption(dev));
}

void MainWindow::applyProfile(int index) {
  if (index < 0 || index >= kModelCount) return;
  AppContext& c = *ctx_;
  const DeviceProfile& p = DeviceProfiles()[index];
  // 1. Most restricted state.
  c.control<QRadioButton>("opsRunMode_2")->setVisible(false);
  c.control<QWidget>("frTS30P")->setEnabled(false);
  c.control<QWidget>("cmdReceiveAllCards")->setEnabled(false);
  c.control<QWidget>("chkLoop")->setVisible(false);
  c.control<QWidget>("txtLoopTime")->setVisible(false);
  for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1", "lbl90B_2", "lbl90B_3"})
    c.control<QWidget>(n)->setVisible(false);
  // 2. Limit and type text.
  c.state().maxCardCount = p.cardLimit;
  c.control<QLabel>("lblDeviceType")->setText(QString::fromLatin1(p.typeText));
  // 3. What the model has.
  if (p.readOnlyOffered) c.control<QRadioButton>("opsRunMode_2")->setVisible(true);
  if (p.specialPanel) c.control<QWidget>("frTS30P")->setEnabled(true);
  if (p.receiveAllCards) c.control<QWidget>("cmdReceiveAllCards")->setEnabled(true);
  if (p.wiegand) {
    for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1"}) c.control<QWidget>(n)->setVisible(true);
  }
  if (p.vehicleDetector) {
    for (const char* n : {"chkLoop", "txtLoopTime", "lbl90B_2", "lbl90B_3"}) c.control<QWidget>(n)->setVisible(true);
  }
  // 4. The limit as text.
  c.control<QLabel>("lblMaxCardNum")->setText(QString::number(c.state().maxCardCount));
}

void MainWindow::applyRunMode(int index) {
  auto* relay = ctx_->control<QLineEdit>("txtRelayTime");
  if (index == static_cast<int>(RunMode::StandAlone)) {
    relay->setEnabled(false);
    relay->setText(QStringLiteral("1"));
  } else if (index == static_cast<int>(RunMode::Online) || index == static_cast<int>(RunMode::ReadOnly)) {
    relay->setEnabled(true);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // ESC reaches the window before any control, also while it is busy.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    QWidget* w = qobject_cast<QWidget*>(watched);
    if (w && (w == this || isAncestorOf(w) || w->window() == this)) ctx_->state().escCancelFlag = true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A busy window is disabled: like its buttons, it cannot be closed until the operation ends.
  if (ctx_->busy()) {
    event->ignore();
    return;
  }
  // An ID scan may still be running (it leaves the window usable); it stops at
  // its next check instead of going on unseen after the window is gone.
  ctx_->state().scanCancelFlag = true;
  // The tick timer keeps running: a scan's pending try ends only on its ticks.
  clockTimer_->stop();
  // The socket is closed and destroyed; the serial port goes with the program.
  ctx_->links().tcp().discard();
  event->accept();
}

}  // namespace tessaro
