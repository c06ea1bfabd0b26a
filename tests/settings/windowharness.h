#pragma once
// A main window with scripted prompts, an injected PC clock and a scripted
// reader on the other end of a TCP connection or a pseudo-terminal. Shared by
// the settings and clock workflow tests (header only: each folder is its own
// test binary).

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
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
          *buffer += s->readAll();
          for (const QByteArray& reply : take(*buffer)) s->write(reply);
        });
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
    // The window reads its TCP port as a signed 16-bit number, so the peer
    // needs a port below 32768 (ephemeral ports are above).
    const quint16 base = static_cast<quint16>(20000 + QCoreApplication::applicationPid() % 9000);
    for (quint16 port = base; port < 32700; port += 7) {
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
  void poll() {
    ptyBuffer_ += pty_->read();
    for (const QByteArray& reply : take(ptyBuffer_)) pty_->write(reply);
  }
  QString ptyPath() const { return pty_ ? pty_->slavePath() : QString(); }

 private:
  std::vector<QByteArray> take(QByteArray& buffer) {
    std::vector<QByteArray> replies;
    qsizetype cr;
    while ((cr = buffer.indexOf('\r')) >= 0) {
      const QByteArray request = buffer.left(cr + 1);
      buffer.remove(0, cr + 1);
      requests.push_back(request);
      const QByteArray reply = answer ? answer(request) : QByteArray();
      if (!reply.isEmpty()) replies.push_back(reply);
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
    if (timing == Timing::Real) {
      s.pump = &realPump;
      s.clock = &realClock;
    } else {
      s.pump = &fakePump;
      s.clock = &fakeClock;
    }
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
  std::unique_ptr<MainWindow> window;

 private:
  qint64 tickedToMs_ = 0;
};

}  // namespace tessaro::test
