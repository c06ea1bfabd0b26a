// Card transfer figures against the simulated reader: receiving 5000 cards in
// one burst and in many small pieces, and sending 2000 cards over TCP and over
// a pseudo-terminal paced at 38400 baud. Each line prints the measured value
// and its target.

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "eventpump.h"
#include "mainwindow.h"
#include "readersim.h"

using namespace tessaro;

namespace {

constexpr int kReceiveCards = 5000;
constexpr int kSendCards = 2000;
constexpr int kLineBaud = 38400;

class YesPrompts : public Prompts {
 public:
  void message(const QString& text, const QString& = {}) override { messages << text; }
  bool confirm(const QString&) override { return true; }
  FileChoice chooseFile(const QString&, const QString&, const QString&) override { return {true, {}, {}}; }
  void beep() override {}
  QStringList messages;
};

// The longest time the event loop went without serving a 5 ms timer: what a
// user sees as a frozen window.
class StallMeter : public QObject {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { longest_ = std::max(longest_, clock_.restart()); });
  }
  void start() {
    longest_ = 0;
    clock_.start();
    timer_.start(5);
  }
  qint64 stop() {
    timer_.stop();
    return longest_;
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

long peakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Line time of n characters at 38400 baud, 11 bits a character.
double lineSeconds(qint64 chars) { return chars * 11.0 / kLineBaud; }

void row(const char* what, double value, const char* unit, const char* cmp, double target) {
  std::printf("%-52s %10.3f %-6s target %s %.3f %s\n", what, value, unit, cmp, target, unit);
}

struct Rig {
  Rig() {
    Services s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = QCoreApplication::applicationDirPath();
    s.portResolver = [this](int) { return sim.ptyPath(); };
    window = std::make_unique<MainWindow>(s);
    c<QRadioButton>("opsDevice_4")->click();  // TS-40B, the model with the most cards
    reader = &sim.addReader(1, sim::SimModel::TS40B);
  }
  template <typename T>
  T* c(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  bool useTcp() {
    if (!sim.listenTcp()) return false;
    c<QCheckBox>("chkTCPIPActive")->setChecked(true);
    c<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
    c<QLineEdit>("txtPort")->setText(QString::number(sim.tcpPort()));
    return true;
  }
  bool usePty() {
    if (!sim.openPty()) return false;
    c<QCheckBox>("chkTCPIPActive")->setChecked(false);
    c<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal takes no parity
    return true;
  }
  // Clicks a button and returns the seconds it took.
  double run(const char* button) {
    prompts.messages.clear();
    QElapsedTimer t;
    t.start();
    c<QPushButton>(button)->click();
    return t.nsecsElapsed() / 1e9;
  }

  YesPrompts prompts;
  QtMessagePump pump;
  SteadyClock clock;
  sim::ReaderSim sim;
  sim::SimReader* reader;
  std::unique_ptr<MainWindow> window;
  StallMeter stalls;
};

bool receive(const char* label, bool pieces) {
  Rig rig;
  if (!rig.useTcp()) return false;
  sim::ReaderSim::generateCards(*rig.reader, kReceiveCards);
  if (pieces) {
    sim::Fault f;
    f.kind = sim::FaultKind::Split;
    f.arg = 64;
    f.pauseMs = 1;
    rig.sim.setFault("UC", f);
  }
  rig.stalls.start();
  const double secs = rig.run("cmdReceiveAllCards");
  const qint64 stall = rig.stalls.stop();
  const int listed = rig.c<QListWidget>("lstCardID")->count();
  if (listed != kReceiveCards ||
      rig.prompts.messages != QStringList{QStringLiteral("Kart numaraları cihazdan alındı.")}) {
    std::printf("%s: FAILED (%d cards listed, %s)\n", label, listed, qPrintable(rig.prompts.messages.join('|')));
    return false;
  }
  const qint64 bytes = qint64(kReceiveCards) * 17 + 9;
  char what[128];
  std::snprintf(what, sizeof what, "receive %d cards, TCP, %s: time per card", kReceiveCards, label);
  row(what, secs * 1e3 / kReceiveCards, "ms", "<=", pieces ? 1.0 : 0.5);
  std::snprintf(what, sizeof what, "receive %d cards, TCP, %s: total / 38400-baud line", kReceiveCards, label);
  row(what, secs / lineSeconds(bytes), "ratio", "<=", pieces ? 0.25 : 0.15);
  std::snprintf(what, sizeof what, "receive %d cards, TCP, %s: longest stall", kReceiveCards, label);
  row(what, double(stall), "ms", "<=", 100);
  return true;
}

// `fault`: how the reader's replies reach the PC (a USB adapter's ways).
bool send(const char* label, bool tcp, const sim::Fault& fault = {}) {
  Rig rig;
  if (tcp ? !rig.useTcp() : !rig.usePty()) return false;
  if (!tcp) rig.sim.setBaud(kLineBaud);
  rig.sim.setFault("NC", fault);
  QStringList texts;
  for (int i = 0; i < kSendCards; ++i) texts << QString::number(100000 + i * 7);
  auto* list = rig.c<QListWidget>("lstCardID");
  for (const QString& t : texts) {
    auto* item = new QListWidgetItem(t, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  rig.stalls.start();
  const double secs = rig.run("cmdSendAllCards");
  const qint64 stall = rig.stalls.stop();
  if (rig.reader->cards.size() != size_t(kSendCards) ||
      rig.prompts.messages != QStringList{QStringLiteral("İşlem Tamamlandı")}) {
    std::printf("%s: FAILED (%zu cards stored, %s)\n", label, rig.reader->cards.size(),
                qPrintable(rig.prompts.messages.join('|')));
    return false;
  }
  const qint64 bytes = qint64(kSendCards) * (17 + 9);
  char what[128];
  std::snprintf(what, sizeof what, "send %d cards, %s: time per card", kSendCards, label);
  // Over TCP each card costs the 2 x 32768 pump-and-read passes the reader
  // protocol prescribes around the request; the line itself is not the limit.
  row(what, secs * 1e3 / kSendCards, "ms", "<=", tcp ? 150.0 : 20.0);
  std::snprintf(what, sizeof what, "send %d cards, %s: total / 38400-baud line", kSendCards, label);
  row(what, secs / lineSeconds(bytes), "ratio", "<=", tcp ? 20.0 : 2.5);
  std::snprintf(what, sizeof what, "send %d cards, %s: longest stall", kSendCards, label);
  row(what, double(stall), "ms", "<=", 100);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bool ok = receive("one burst", false);
  ok = receive("64-byte pieces, 1 ms apart", true) && ok;
  ok = send("TCP", true) && ok;
  ok = send("pty at 38400 baud", false) && ok;
  // Every character of a reply on its own, and each reply after the late tail of the one before.
  ok = send("pty at 38400 baud, a character at a time", false, sim::Fault{.kind = sim::FaultKind::Split, .arg = 1, .pauseMs = 0}) && ok;
  ok = send("pty at 38400 baud, after a stale tail", false, sim::Fault{.kind = sim::FaultKind::StaleTail, .arg = 1, .pauseMs = 0}) && ok;
  row("peak memory (ru_maxrss)", peakRssKb() / 1024.0, "MiB", "<=", 200);
  return ok ? 0 : 1;
}
