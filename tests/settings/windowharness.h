#pragma once
// A main window with scripted prompts, an injected PC clock and a scripted
// reader on the other end of a TCP connection or a pseudo-terminal. Shared by
// the settings and clock workflow tests (header only: each folder is its own
// test binary).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <vector>

#include "app/mainwindow.h"
#include "app/profiles.h"
#include "common/fakes.h"
#include "common/pty.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"

namespace tessaro::test {

// Answers each request (a frame up to and including CR) with whatever
// `answer` returns; an empty answer is silence.
class ScriptedPeer {
 public:
  std::function<QByteArray(const QByteArray& request)> answer;
  std::vector<QByteArray> requests;
  int connections = 0;

  bool listenTcp() {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        ++connections;
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] { s->write(take(*buffer += s->readAll())); });
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
    // The window reads its TCP port as a signed 16-bit number, so the peer
    // needs a port below 32768 (ephemeral ports are above).
    for (auto port = static_cast<quint16>(20000 + QCoreApplication::applicationPid() % 9000); port < 32700; port += 7) {
      if (server_.listen(QHostAddress::LocalHost, port)) return true;
    }
    return false;
  }
  quint16 tcpPort() const { return server_.serverPort(); }

  bool openPty() {
    pty_ = std::make_unique<PtyPair>();
    if (!pty_->ok()) return false;
    notifier_ = std::make_unique<QSocketNotifier>(pty_->masterFd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { poll(); });
    return true;
  }
  // Reads and answers what the program wrote to the pseudo-terminal; the
  // notifier does this from the event loop, fake-time tests call it directly.
  void poll() { pty_->write(take(ptyBuffer_ += pty_->read())); }
  QString ptyPath() const { return pty_ ? pty_->slavePath() : QString(); }

 private:
  // Answers every complete request (up to and including CR) in `buffer`.
  QByteArray take(QByteArray& buffer) {
    QByteArray replies;
    for (qsizetype cr; (cr = buffer.indexOf('\r')) >= 0; buffer.remove(0, cr + 1)) {
      requests.push_back(buffer.left(cr + 1));
      if (answer) replies += answer(requests.back());
    }
    return replies;
  }

  QTcpServer server_;
  std::unique_ptr<PtyPair> pty_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QByteArray ptyBuffer_;
};

// The window with its services. Real timing uses the Qt pump and the system
// clock; fake timing uses FakeClock/FakePump with the window's tick counter
// driven by fake time (no event is processed then, so only deadlines matter).
class WindowHarness {
 public:
  enum class Timing { Real, Fake };

  explicit WindowHarness(Timing timing = Timing::Real) : fakePump(fakeClock) {
    AppServices s;
    s.prompts = &prompts;
    s.pump = timing == Timing::Real ? static_cast<MessagePump*>(&realPump) : &fakePump;
    s.clock = timing == Timing::Real ? static_cast<WholeSecondClock*>(&realClock) : &fakeClock;
    s.localNow = [this] { return now; };
    s.portResolver = [this](int n) { return n == 1 ? serialDevice : QString(); };
    window = std::make_unique<MainWindow>(s);
    if (timing == Timing::Fake) {
      fakePump.onPass = [this] {
        TickCounter& ticks = ctx().state().tickCounter;
        while (tickedToMs_ + 10 <= fakeClock.ms) {
          tickedToMs_ += 10;
          ticks.advance();
        }
        if (onFakePass) onFakePass();
      };
      tickedToMs_ = fakeClock.ms;
    }
  }

  AppContext& ctx() { return window->context(); }
  template <typename T>
  T* c(const char* name) {
    return ctx().control<T>(name);
  }
  QString text(const char* name) {
    if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text();
    return c<QLabel>(name)->text();
  }
  void setText(const char* name, const QString& t) { c<QLineEdit>(name)->setText(t); }
  void click(const char* name) { c<QPushButton>(name)->click(); }
  bool checked(const char* name) { return c<QAbstractButton>(name)->isChecked(); }
  // The control that holds (or will hold, once the window is active) the focus.
  QString focus() { return window->focusWidget() ? window->focusWidget()->objectName() : QString(); }

  // A scripted reader behind the TCP settings, or behind serial port 1 on a pseudo-terminal.
  ScriptedPeer& tcpPeer() {
    peer = std::make_unique<ScriptedPeer>();
    EXPECT_TRUE(peer->listenTcp());
    useTcp(peer->tcpPort());
    return *peer;
  }
  ScriptedPeer& ptyPeer() {
    peer = std::make_unique<ScriptedPeer>();
    EXPECT_TRUE(peer->openPty());
    useSerial(peer->ptyPath());
    return *peer;
  }
  void useTcp(quint16 port) {
    c<QCheckBox>("chkTCPIPActive")->setChecked(true);
    setText("txtIP", QStringLiteral("127.0.0.1"));
    setText("txtPort", QString::number(port));
  }
  void useSerial(const QString& device) {
    serialDevice = device;
    c<QCheckBox>("chkTCPIPActive")->setChecked(false);
    // A pseudo-terminal takes no parity bit: "Yok".
    c<QComboBox>("cmbParity")->setCurrentIndex(2);
  }
  // The settings controls in one line, so one comparison pins them all: new
  // ID, relay time ("!" when its box is locked), record type as kept and as
  // shown by its two options, run mode, master card, the EPC and Wiegand
  // options, detector and trigger time.
  QString form() {
    const auto on = [this](const char* n) { return checked(n) ? QStringLiteral("1") : QStringLiteral("0"); };
    return QStringList{"new=" + text("txtNewID"),
                       "relay=" + text("txtRelayTime") + (c<QLineEdit>("txtRelayTime")->isEnabled() ? "" : "!"),
                       "rec=" + QString::number(ctx().state().offlineRecordType) + ":" +
                           on("opsOfflineRecordType_0") + on("opsOfflineRecordType_1"),
                       "mode=" + QString::number(static_cast<int>(ctx().runMode())),
                       "master=" + text("txtMasterCardID"),
                       "epc=" + on("opsStartEPCWord_0") + on("opsStartEPCWord_1"),
                       "wig=" + on("opsWigType_0") + on("opsWigType_1"),
                       "loop=" + on("chkLoop") + ":" + text("txtLoopTime")}
        .join(' ');
  }
  // The commands a scan keeps out while it runs.
  static constexpr const char* kKeptOut[] = {"cmdSend",       "cmdReceive",  "cmdFindID",
                                             "frKart",        "cmdSendRTC",  "cmdReceiveRTC",
                                             "cmdReadData",   "cmdReadCounter", "cmdClearCounter"};
  // The window during a try: every kept-out command disabled ("locked"), the
  // cancel button usable ("cancel"), busy or not, and the progress caption.
  QString duringScan() {
    bool locked = true;
    for (const char* n : kKeptOut) locked = locked && !c<QWidget>(n)->isEnabled();
    auto* cancel = c<QPushButton>("cmdCancelScan");
    return QStringList{locked ? "locked" : "open", cancel->isVisible() && cancel->isEnabled() ? "cancel" : "-",
                       ctx().busy() ? "busy" : "idle", text("lblScan")}
        .join(' ');
  }
  // What is still out of place once a scan is over (empty when all is back):
  // the commands usable, no cancel button, no progress, the button caption, not busy.
  QString afterScan() {
    QStringList wrong;
    for (const char* n : {"cmdSend", "cmdReceive", "cmdFindID", "frKart"}) {
      if (!c<QWidget>(n)->isEnabled()) wrong << QString::fromLatin1(n);
    }
    if (c<QWidget>("cmdCancelScan")->isVisible()) wrong << QStringLiteral("cancel shown");
    if (!text("lblScan").isEmpty()) wrong << text("lblScan");
    const QString caption = c<QPushButton>("cmdFindID")->text();
    if (caption != QStringLiteral("Cihaz ID Bul")) wrong << caption;
    if (ctx().busy()) wrong << QStringLiteral("busy");
    return wrong.join(' ');
  }
  void chooseModel(DeviceModel m) { ctx().chooseModel(m); }
  void chooseRunMode(RunMode m) { ctx().chooseRunMode(m); }

  ScriptedPrompts prompts;
  QtMessagePump realPump;
  SystemWholeSecondClock realClock;
  FakeClock fakeClock;
  FakePump fakePump;
  std::function<void()> onFakePass;
  QDateTime now = QDateTime(QDate(2025, 1, 5), QTime(9, 3, 7));
  QString serialDevice;
  std::unique_ptr<ScriptedPeer> peer;
  std::unique_ptr<MainWindow> window;

 private:
  qint64 tickedToMs_ = 0;
};

// The settings text after "$US": address, relay time, record type, four unused
// characters, run mode, unused characters up to the master card (15-22 when
// `early`, else 16-23), then the extras from the next position on.
inline QByteArray SettingsText(const QByteArray& address, const QByteArray& relay, char type, char mode,
                               const QByteArray& master, bool early, const QByteArray& extras = {}) {
  return address + relay + type + "0000" + mode + (early ? "000" : "0000") + master + extras;
}

// "$US" + text, padded to the model's reply length, + "**" CR.
inline QByteArray UsReply(const QByteArray& text, DeviceModel model) {
  return ("$US" + text).leftJustified(ProfileOf(model).settingsReplyLength - 3, '0') + "**\r";
}

}  // namespace tessaro::test
