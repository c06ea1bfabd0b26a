#include "mainwindow.h"

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

#include "accesseditor.h"
#include "builders.h"
#include "busview.h"
#include "cardspanel.h"
#include "clockpanel.h"
#include "recordspanel.h"
#include "recordviewer.h"
#include "settingspanel.h"
#include "texts.h"
#include "trafficwindow.h"

// The logo lives in the ui library's resources; a static library must register them.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace tessaro {

namespace caption = text::caption;

namespace {

// A named control at its place in the window.
template <typename T>
T* make(QWidget* parent, const QString& name, int x, int y, int w, int h) {
  auto* c = Named<T>(parent, name);
  c->setGeometry(x, y, w, h);
  return c;
}

template <typename T>
T* make(QWidget* parent, const char* name, int x, int y, int w, int h) {
  return make<T>(parent, QString::fromLatin1(name), x, y, w, h);
}

template <typename T>
T* make(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
  auto* c = make<T>(parent, name, x, y, w, h);
  c->setText(text);
  return c;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 110, int h = 20) {
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
  auto* b = NamedButton(parent, name, text);
  b->setGeometry(x, y, w, h);
  return b;
}

// An option array: one radio button per caption, named "<array>_<index>",
// with its index as its id in the group.
QButtonGroup* options(QWidget* window, QWidget* parent, const char* array, const text::Text* captions, int count,
                      const int* x, const int* w, int y) {
  auto* group = new QButtonGroup(window);
  group->setObjectName(QString::fromLatin1(array));
  for (int i = 0; i < count; ++i) {
    auto* r = make<QRadioButton>(parent, Indexed(array, i), x[i], y, w[i], 20);
    r->setText(captions[i]);
    group->addButton(r, i);
  }
  return group;
}

}  // namespace

MainWindow::MainWindow(const Services& services, QWidget* parent) : QWidget(parent) {
  initResources();
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(text::kWindowCaption);
  buildControls();
  session_ = std::make_unique<Session>(c_.body, c_.connection, c_.settings.txtOldID, services);
  settings_ = std::make_unique<SettingsPanel>(c_.settings, *session_);
  cards_ = std::make_unique<CardsPanel>(c_.cards, *session_);
  clock_ = std::make_unique<ClockPanel>(c_.clock, *session_);
  records_ = std::make_unique<RecordsPanel>(c_.records, *session_);
  startUp();

  connect(c_.connection.opsDevice, &QButtonGroup::idClicked, this, &MainWindow::applyProfile);
  connect(c_.connection.cmbPortNumber, &QComboBox::currentIndexChanged, this, [this] { session_->showPortDevice(); });
  connect(c_.settings.cmdCancelScan, &QPushButton::clicked, this, [this] { session_->state().scanCancelFlag = true; });
  connect(settings_.get(), &SettingsPanel::scanRunning, this, &MainWindow::keepOutDuringScan);
  connect(c_.cmdClose, &QPushButton::clicked, this, &QWidget::close);
  connect(c_.cmdBusView, &QPushButton::clicked, this, &MainWindow::showBusView);
  connect(c_.cmdTraffic, &QPushButton::clicked, this, &MainWindow::showTraffic);
  connect(c_.records.cmdRecordViewer, &QPushButton::clicked, this, &MainWindow::showRecordViewer);
  connect(c_.cmdAccessEditor, &QPushButton::clicked, this, &MainWindow::showAccessEditor);
  connect(c_.ClockTimer, &QTimer::timeout, clock_.get(), &ClockPanel::tick);
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  // The line's windows use the session, which goes before the window's children.
  delete bus_;
  delete traffic_;
  delete viewer_;
  delete access_;
}

void MainWindow::buildControls() {
  // Every control sits in one body so that the busy state can take input away
  // from all of them while the window itself still sees ESC.
  auto* body = c_.body = make<QWidget>(this, "body", 0, 0, 788, 562);

  // Header strip with the logo.
  auto* header = make<QWidget>(body, "Picture3", 0, 0, 788, 51);
  header->setAutoFillBackground(true);
  QPalette pal = header->palette();
  pal.setColor(QPalette::Window, QColor(0x1d, 0x3c, 0x5a));
  header->setPalette(pal);
  make<QSvgWidget>(header, "PicTS", 8, 5, 190, 41)->load(QStringLiteral(":/tessaro/logo.svg"));
  // Who may pass is the site's, not the chosen model's: it stays out of the
  // frame of the records viewer, which only some models may use.
  c_.cmdAccessEditor = button(header, "cmdAccessEditor", caption::cmdAccessEditor, 586, 12, 196, 28);

  // Connection panel. Geometry in pixels of the 788 x 562 client area; the
  // widths leave room for the captions at the default 9 pt font.
  ConnectionControls& cn = c_.connection;
  auto* f1 = frame(body, "Frame1", caption::Frame1, 6, 56, 378, 206);
  const int deviceX[kModelCount] = {12, 104, 196, 12, 104, 196, 12, 104, 196};
  const int deviceW[kModelCount] = {90, 90, 176, 90, 90, 176, 90, 90, 176};
  cn.opsDevice = new QButtonGroup(this);
  cn.opsDevice->setObjectName(QStringLiteral("opsDevice"));
  for (int i = 0; i < kModelCount; ++i) {
    auto* r = make<QRadioButton>(f1, Indexed("opsDevice", i), deviceX[i], 22 + (i / 3) * 22, deviceW[i], 20);
    r->setText(QLatin1String(Facts(static_cast<DeviceModel>(i)).caption));
    cn.opsDevice->addButton(r, i);
  }
  cn.lblDeviceType = make<QLabel>(f1, "lblDeviceType", QStringLiteral("TS-20B"), 12, 92, 200, 20);
  QFont bold = cn.lblDeviceType->font();
  bold.setBold(true);
  cn.lblDeviceType->setFont(bold);
  label(f1, caption::ComPort, 12, 122, 76);
  cn.cmbPortNumber = make<QComboBox>(f1, "cmbPortNumber", 90, 120, 56, 22);
  cn.lblPortDevice = make<QLabel>(f1, "lblPortDevice", 150, 122, 56, 20);
  label(f1, caption::BaudRate, 12, 150, 76);
  cn.cmbBaudRate = make<QComboBox>(f1, "cmbBaudRate", 90, 148, 76, 22);
  label(f1, caption::Parity, 12, 178, 76);
  cn.cmbParity = make<QComboBox>(f1, "cmbParity", 90, 176, 76, 22);
  label(f1, caption::TcpActive, 206, 122, 72);
  cn.chkTCPIPActive = make<QCheckBox>(f1, "chkTCPIPActive", 280, 122, 20, 20);
  label(f1, caption::IpAddress, 206, 150, 72);
  cn.txtIP = make<QLineEdit>(f1, "txtIP", QStringLiteral("192.168.1.100"), 276, 148, 98, 22);
  label(f1, caption::TcpPort, 206, 178, 72);
  cn.txtPort = make<QLineEdit>(f1, "txtPort", QStringLiteral("5600"), 276, 176, 60, 22);

  // Device settings.
  SettingsControls& st = c_.settings;
  auto* fs = frame(body, "frSettings", caption::frSettings, 6, 266, 378, 290);
  label(fs, caption::OldId, 12, 26);
  st.txtOldID = make<QLineEdit>(fs, "txtOldID", QStringLiteral("1"), 124, 24, 64, 22);
  label(fs, caption::NewId, 12, 52);
  st.txtNewID = make<QLineEdit>(fs, "txtNewID", 124, 50, 64, 22);
  label(fs, caption::RelayTime, 12, 78);
  st.txtRelayTime = make<QLineEdit>(fs, "txtRelayTime", 124, 76, 64, 22);
  label(fs, caption::MasterCard, 12, 104);
  st.txtMasterCardID = make<QLineEdit>(fs, "txtMasterCardID", 124, 102, 110, 22);
  label(fs, caption::RunMode, 12, 132);
  const int modeX[3] = {118, 218, 284}, modeW[3] = {100, 66, 90};
  st.opsRunMode = options(this, fs, "opsRunMode", caption::opsRunMode, 3, modeX, modeW, 132);
  label(fs, caption::RecordType, 12, 158);
  const int typeX[2] = {118, 218}, typeW[2] = {90, 90};
  st.opsOfflineRecordType =
      options(this, fs, "opsOfflineRecordType", caption::opsOfflineRecordType, 2, typeX, typeW, 158);

  st.pic90B[0] = make<QWidget>(fs, "pic90B_0", 10, 182, 198, 42);
  st.lbl90B[0] = make<QLabel>(st.pic90B[0], "lbl90B_0", caption::lbl90B[0], 2, 0, 180, 18);
  const int wigX[2] = {2, 104}, wigW[2] = {92, 92};
  st.opsWigType = options(this, st.pic90B[0], "opsWigType", caption::opsWigType, 2, wigX, wigW, 20);
  st.pic90B[1] = make<QWidget>(fs, "pic90B_1", 224, 182, 146, 42);
  st.lbl90B[1] = make<QLabel>(st.pic90B[1], "lbl90B_1", caption::lbl90B[1], 2, 0, 142, 18);
  const int epcX[2] = {2, 70}, epcW[2] = {50, 50};
  st.opsStartEPCWord = options(this, st.pic90B[1], "opsStartEPCWord", caption::opsStartEPCWord, 2, epcX, epcW, 20);
  // The labels of the detector are members of the same label array as the two above.
  st.lbl90B[2] = make<QLabel>(fs, "lbl90B_2", caption::lbl90B[2], 12, 224, 108, 20);
  st.chkLoop = make<QCheckBox>(fs, "chkLoop", 124, 224, 20, 20);
  st.lbl90B[3] = make<QLabel>(fs, "lbl90B_3", caption::lbl90B[3], 226, 224, 110, 20);
  st.txtLoopTime = make<QLineEdit>(fs, "txtLoopTime", QStringLiteral("5"), 334, 223, 36, 22);

  st.cmdFindID = button(fs, "cmdFindID", caption::cmdFindID, 240, 22, 130);
  st.cmdCancelScan = button(fs, "cmdCancelScan", caption::cmdCancelScan, 240, 52, 130);
  st.cmdCancelScan->hide();
  st.lblScan = make<QLabel>(fs, "lblScan", 240, 82, 130, 20);
  st.lblScan->setAlignment(Qt::AlignCenter);
  st.cmdReceive = button(fs, "cmdReceive", caption::cmdReceive, 10, 255, 176, 28);
  st.cmdSend = button(fs, "cmdSend", caption::cmdSend, 192, 255, 178, 28);

  // Card list.
  CardControls& cd = c_.cards;
  cd.frKart = frame(body, "frKart", caption::frKart, 390, 56, 392, 264);
  cd.lstCardID = make<QListWidget>(cd.frKart, "lstCardID", 10, 22, 150, 232);
  label(cd.frKart, caption::CardId, 170, 26, 54);
  cd.txtCardID = make<QLineEdit>(cd.frKart, "txtCardID", 226, 24, 156, 22);
  cd.cmdAdd = button(cd.frKart, "cmdAdd", caption::cmdAdd, 170, 54, 104);
  cd.cmdDelete = button(cd.frKart, "cmdDelete", caption::cmdDelete, 278, 54, 104);
  cd.cmdImport = button(cd.frKart, "cmdImport", caption::cmdImport, 170, 84, 104);
  cd.cmdExport = button(cd.frKart, "cmdExport", caption::cmdExport, 278, 84, 104);
  cd.cmdReceiveAllCards = button(cd.frKart, "cmdReceiveAllCards", caption::cmdReceiveAllCards, 170, 118, 212);
  cd.cmdSendAllCards = button(cd.frKart, "cmdSendAllCards", caption::cmdSendAllCards, 170, 148, 212);
  cd.cmdEraseAll = button(cd.frKart, "cmdEraseAll", caption::cmdEraseAll, 170, 178, 212);
  cd.lblCurID = make<QLabel>(cd.frKart, "lblCurID", 170, 208, 212, 18);
  make<QLabel>(cd.frKart, "Label3", caption::Label3, 170, 226, 212, 18);
  label(cd.frKart, caption::MaxCards, 170, 244, 142, 18);
  cd.lblMaxCardNum = make<QLabel>(cd.frKart, "lblMaxCardNum", 314, 244, 68, 18);

  // Clock and offline records.
  c_.frTS30P = frame(body, "frTS30P", caption::frTS30P, 390, 324, 392, 194);
  ClockControls& ck = c_.clock;
  auto* rtc = frame(c_.frTS30P, "frRTC", caption::frRTC, 8, 20, 142, 166);
  ck.cmdSendRTC = button(rtc, "cmdSendRTC", caption::cmdSendRTC, 8, 24, 126);
  ck.cmdReceiveRTC = button(rtc, "cmdReceiveRTC", caption::cmdReceiveRTC, 8, 54, 126);
  label(rtc, caption::PcClock, 8, 88, 126, 18);
  ck.lblPCRTC = make<QLabel>(rtc, "lblPCRTC", 8, 106, 130, 18);
  label(rtc, caption::DeviceClock, 8, 126, 126, 18);
  ck.lblDeviceRTC = make<QLabel>(rtc, "lblDeviceRTC", 8, 144, 130, 18);
  RecordControls& rc = c_.records;
  auto* log = frame(c_.frTS30P, "frLOGMemory", caption::frLOGMemory, 154, 20, 232, 166);
  rc.chkClearRAM = make<QCheckBox>(log, "chkClearRAM", caption::chkClearRAM, 8, 18, 222, 20);
  rc.chkClearRAM->setChecked(true);
  rc.cmdReadData = button(log, "cmdReadData", caption::cmdReadData, 8, 40, 106, 24);
  rc.cmdOpenFile = button(log, "cmdOpenFile", caption::cmdOpenFile, 118, 40, 106, 24);
  // Under the log it opens, the viewer of what the downloads kept.
  rc.cmdRecordViewer = button(log, "cmdRecordViewer", caption::cmdRecordViewer, 8, 66, 216, 24);
  rc.cmdReadCounter = button(log, "cmdReadCounter", caption::cmdReadCounter, 8, 92, 106, 24);
  rc.cmdClearCounter = button(log, "cmdClearCounter", caption::cmdClearCounter, 118, 92, 106, 24);
  make<QLabel>(log, "Label12", caption::Label12, 8, 118, 84, 16);
  rc.lblRecordCounter = make<QLabel>(log, "lblRecordCounter", 94, 118, 130, 16);
  rc.lblProcess = make<QLabel>(log, "lblProcess", 8, 134, 216, 30);
  rc.lblProcess->setWordWrap(true);
  rc.lblProcess->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  c_.cmdClose = button(body, "cmdClose", caption::cmdClose, 632, 524, 150, 32);
  // The whole line and its traffic, in the free space beside the close button.
  c_.cmdBusView = button(body, "cmdBusView", caption::cmdBusView, 390, 526, 112, 28);
  c_.cmdTraffic = button(body, "cmdTraffic", caption::cmdTraffic, 506, 526, 122, 28);

  // Focus order: the current device ID first, then the settings, the card
  // list, the special operations and the connection panel.
  QList<QWidget*> order = {st.txtOldID, st.txtNewID, st.txtRelayTime, st.txtMasterCardID};
  for (QButtonGroup* g : {st.opsRunMode, st.opsOfflineRecordType, st.opsWigType, st.opsStartEPCWord})
    for (QAbstractButton* b : g->buttons()) order << b;
  order << QList<QWidget*>{
      st.chkLoop,         st.txtLoopTime,    st.cmdFindID,          st.cmdCancelScan,   st.cmdReceive,
      st.cmdSend,         cd.lstCardID,      cd.txtCardID,          cd.cmdAdd,          cd.cmdDelete,
      cd.cmdImport,       cd.cmdExport,      cd.cmdReceiveAllCards, cd.cmdSendAllCards, cd.cmdEraseAll,
      ck.cmdSendRTC,      ck.cmdReceiveRTC,  rc.chkClearRAM,        rc.cmdReadData,     rc.cmdOpenFile,
      rc.cmdRecordViewer, rc.cmdReadCounter, rc.cmdClearCounter};
  for (QAbstractButton* b : cn.opsDevice->buttons()) order << b;
  order << QList<QWidget*>{cn.cmbPortNumber, cn.cmbBaudRate, cn.cmbParity,  cn.chkTCPIPActive,  cn.txtIP,
                           cn.txtPort,       c_.cmdBusView,  c_.cmdTraffic, c_.cmdAccessEditor, c_.cmdClose};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  st.txtOldID->setFocus();

  // Non-visual components.
  // The 10 ms tick timer keeps its name and interval; every wait now runs on
  // the monotonic clock, so nothing needs its ticks and it is not started.
  c_.TTimer = new QTimer(this);
  c_.TTimer->setObjectName(QStringLiteral("TTimer"));
  c_.TTimer->setTimerType(Qt::PreciseTimer);
  c_.TTimer->setInterval(10);
  c_.ClockTimer = new QTimer(this);
  c_.ClockTimer->setObjectName(QStringLiteral("ClockTimer"));
  c_.ClockTimer->setInterval(1000);
}

void MainWindow::startUp() {
  // 1. Design-time captions are never shown.
  for (QLabel* l : {c_.records.lblProcess, c_.clock.lblPCRTC, c_.clock.lblDeviceRTC, c_.records.lblRecordCounter})
    l->clear();
  // 2. Client area of 788 x 562 at normal resolution.
  setFixedSize(788, 562);
  // 3. The socket exists from the start; its port comes from txtPort at each connect.
  // 4. Cancel flags; 5. card limit (of the model chosen below).
  WindowState& s = session_->state();
  s.scanCancelFlag = false;
  s.escCancelFlag = false;
  c_.cards.lblMaxCardNum->setText(QStringLiteral("255"));
  // 6-8. Connection lists.
  ConnectionControls& cn = c_.connection;
  for (int i = 1; i <= 16; ++i) cn.cmbPortNumber->addItem(QString::number(i));
  cn.cmbPortNumber->setCurrentIndex(0);
  for (const int baud : kBaudRates) cn.cmbBaudRate->addItem(QString::number(baud));
  cn.cmbBaudRate->setCurrentText(QStringLiteral("38400"));
  cn.cmbParity->addItems({caption::cmbParity[0], caption::cmbParity[1], caption::cmbParity[2]});
  cn.cmbParity->setCurrentIndex(0);
  // 9. Configure the serial port without opening it.
  const ConnectionSettings cs = session_->connection();
  session_->links().serial().setPortNumber(cs.serialPort);
  session_->links().serial().setLine(cs.serialLine);
  session_->showPortDevice();

  // The window opens in the TS-20B / Stand-Alone state.
  cn.opsDevice->button(static_cast<int>(Session::kStartModel))->setChecked(true);
  applyProfile(static_cast<int>(Session::kStartModel));
  settings_->chooseRunMode(RunMode::StandAlone);
  for (QButtonGroup* g : {c_.settings.opsOfflineRecordType, c_.settings.opsWigType, c_.settings.opsStartEPCWord})
    g->button(0)->setChecked(true);

  c_.ClockTimer->start();
}

void MainWindow::startWith(std::optional<DeviceModel> model, const QString& tcpHost, quint16 tcpPort) {
  ConnectionControls& cn = c_.connection;
  if (model) cn.opsDevice->button(static_cast<int>(*model))->click();
  if (tcpHost.isEmpty()) return;
  cn.chkTCPIPActive->setChecked(true);
  cn.txtIP->setText(tcpHost);
  cn.txtPort->setText(QString::number(tcpPort));
}

void MainWindow::applyProfile(int model) {
  if (model < 0 || model >= kModelCount) return;
  const ModelFacts& facts = Facts(static_cast<DeviceModel>(model));
  SettingsControls& st = c_.settings;
  QWidget* const wiegand[] = {st.pic90B[0], st.pic90B[1], st.lbl90B[0], st.lbl90B[1]};
  QWidget* const detector[] = {st.chkLoop, st.txtLoopTime, st.lbl90B[2], st.lbl90B[3]};
  // 1. Most restricted state.
  st.opsRunMode->button(static_cast<int>(RunMode::ReadOnly))->setVisible(false);
  c_.frTS30P->setEnabled(false);
  c_.cards.cmdReceiveAllCards->setEnabled(false);
  for (QWidget* w : detector) w->setVisible(false);
  for (QWidget* w : wiegand) w->setVisible(false);
  // 2. Type text; the limit is the chosen model's own.
  c_.connection.lblDeviceType->setText(QString::fromLatin1(facts.name));
  // 3. What the model has; the model-specific settings show where they travel.
  if (facts.readOnlyMode) st.opsRunMode->button(static_cast<int>(RunMode::ReadOnly))->setVisible(true);
  if (facts.clockAndRecords) c_.frTS30P->setEnabled(true);
  if (facts.cardDownload) c_.cards.cmdReceiveAllCards->setEnabled(true);
  if (facts.wiegand()) {
    for (QWidget* w : wiegand) w->setVisible(true);
  }
  if (facts.vehicleDetector()) {
    for (QWidget* w : detector) w->setVisible(true);
  }
  // 4. The limit as text.
  c_.cards.lblMaxCardNum->setText(QString::number(facts.cardLimit));
}

void MainWindow::keepOutDuringScan(bool scanning) {
  if (scanning) {
    c_.cards.frKart->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{c_.clock.cmdSendRTC, c_.clock.cmdReceiveRTC, c_.records.cmdReadData,
                                         c_.records.cmdReadCounter, c_.records.cmdClearCounter}) {
      keptOut_.emplace_back(w, !w->testAttribute(Qt::WA_ForceDisabled));
      w->setEnabled(false);
    }
    return;
  }
  c_.cards.frKart->setEnabled(true);
  for (auto& [w, enabled] : keptOut_) w->setEnabled(enabled);
  keptOut_.clear();
}

void MainWindow::showBusView() {
  if (!bus_) {
    bus_ = new BusView(
        *session_, [this] { return cards_->markedCards(); }, this);
    connect(bus_, &BusView::addressChosen, this,
            [this](int address) { c_.settings.txtOldID->setText(QString::number(address)); });
  }
  bus_->show();
  bus_->raise();
}

void MainWindow::showTraffic() {
  if (!traffic_) traffic_ = new TrafficWindow(*session_, this);
  traffic_->show();
  traffic_->raise();
}

void MainWindow::showRecordViewer() {
  // Without a store there is nothing to look at; the user has been told why.
  if (!session_->store()) return;
  if (!viewer_) viewer_ = new RecordViewer(*session_, this);
  // What the downloads kept since it was last looked at shows too.
  viewer_->refresh();
  viewer_->show();
  viewer_->raise();
}

void MainWindow::showAccessEditor() {
  if (!session_->store()) return;
  if (!access_) access_ = new AccessEditor(*session_, this);
  // What other PCs and the command-line tool changed since it was last open shows too.
  if (!access_->running() && !access_->reload()) return;
  access_->show();
  access_->raise();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // ESC reaches the window before any control, also while it is busy.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && (w == this || isAncestorOf(w) || w->window() == this)) session_->state().escCancelFlag = true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A busy window is disabled: like its buttons, it cannot be closed until the operation ends.
  if (session_->busy()) {
    event->ignore();
    return;
  }
  // An ID scan may still be running (it leaves the window usable); it stops at
  // its next check instead of going on unseen after the window is gone.
  session_->state().scanCancelFlag = true;
  c_.ClockTimer->stop();
  // The socket is closed and destroyed; the serial port goes with the program.
  session_->links().tcp().discard();
  event->accept();
}

}  // namespace tessaro
