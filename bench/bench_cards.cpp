// Card transfer figures of the window against the simulated reader: receiving
// 5000 cards in one burst and in many small pieces, sending 2000 cards over a
// pseudo-terminal and over TCP, paced at 38400 baud or not, through a USB
// adapter's ways of delivering, and the window's CPU while it sends, receives
// and downloads on a paced line. Each line prints the measured value and its
// target.

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "eventpump.h"
#include "mainwindow.h"
#include "readersim.h"
#include "simprocess.h"

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

// The longest time the event loop went without serving a 20 ms timer: what a
// user sees as a frozen window. Coarse enough not to weigh on the CPU figures.
class StallMeter : public QObject {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { longest_ = std::max(longest_, clock_.restart()); });
  }
  void start() {
    longest_ = 0;
    clock_.start();
    timer_.start(20);
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

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Line time of n characters at 38400 baud, 11 bits a character.
double lineSeconds(qint64 chars) { return chars * 11.0 / kLineBaud; }

void report(const char* what, double value, const char* unit, const char* cmp, double target) {
  if (!*cmp) std::printf("%-52s %10.3f %s\n", what, value, unit);
  else std::printf("%-52s %10.3f %-6s target %s %.3f %s\n", what, value, unit, cmp, target, unit);
}

struct Rig {
  explicit Rig(int gapMs = kDefaultGapMs) {
    Services s;
    s.gapMs = gapMs;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = QCoreApplication::applicationDirPath();
    s.dataFolder = data.path();  // the passage store of the downloads, not in the working folder
    s.portResolver = [this](int) { return ptyPath.isEmpty() ? sim.ptyPath() : ptyPath; };
    window = std::make_unique<MainWindow>(s);
    c<QRadioButton>("opsDevice_4")->click();  // TS-40B, the model with the most cards
    reader = &sim.addReader(1, sim::SimModel::TS40B);
  }
  template <typename T>
  T* c(const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  bool useTcp(quint16 port = 0) {
    if (port == 0 && !sim.listenTcp()) return false;
    c<QCheckBox>("chkTCPIPActive")->setChecked(true);
    c<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
    c<QLineEdit>("txtPort")->setText(QString::number(port ? port : sim.tcpPort()));
    return true;
  }
  // The in-process reader's pseudo-terminal, or another one.
  bool usePty(const QString& path = {}) {
    ptyPath = path;
    if (path.isEmpty() && !sim.openPty()) return false;
    c<QCheckBox>("chkTCPIPActive")->setChecked(false);
    c<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal takes no parity
    return true;
  }
  void markCards(int count) {
    auto* list = c<QListWidget>("lstCardID");
    for (int i = 0; i < count; ++i) {
      auto* item = new QListWidgetItem(QString::number(100000 + i * 7), list);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Checked);
    }
  }
  // Clicks a button and returns the seconds it took.
  double run(const char* button) {
    prompts.messages.clear();
    QElapsedTimer t;
    t.start();
    c<QPushButton>(button)->click();
    return t.nsecsElapsed() / 1e9;
  }

  QString ptyPath;
  YesPrompts prompts;
  QtMessagePump pump;
  SteadyClock clock;
  sim::ReaderSim sim;
  sim::SimReader* reader;
  QTemporaryDir data;
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
  report(what, secs * 1e3 / kReceiveCards, "ms", "<=", pieces ? 1.0 : 0.5);
  std::snprintf(what, sizeof what, "receive %d cards, TCP, %s: total / 38400-baud line", kReceiveCards, label);
  report(what, secs / lineSeconds(bytes), "ratio", "<=", pieces ? 0.25 : 0.15);
  std::snprintf(what, sizeof what, "receive %d cards, TCP, %s: longest stall", kReceiveCards, label);
  report(what, double(stall), "ms", "<=", 100);
  return true;
}

// One way of sending 2000 cards to a reader in its own process.
struct Send {
  const char* label;
  bool tcp = false;
  int baud = kLineBaud;  // 0: unpaced
  int gapMs = kDefaultGapMs;
  QStringList fault;           // the reader's --fault options
  int extraChars = 0;          // characters the fault adds to each reply on the line
  double heldBackMs = 0;       // how long the fault holds each reply back
  double maxMsPerCard = 0;     // target of an unpaced line, else the ratio below
};

// The line carries each request (17 characters) and its reply (10), 11 bits a character.
bool send(const Send& w) {
  SimProcess sim;
  QStringList args = {"--id", "1", "--model", "TS-40B"};
  if (w.baud) args << "--baud" << QString::number(w.baud);
  if (!sim.start(args + w.fault, w.tcp)) {
    std::printf("%s: FAILED (the simulated reader did not start)\n", w.label);
    return false;
  }
  Rig rig(w.gapMs);
  if (w.tcp ? !rig.useTcp(sim.tcpPort()) : !rig.usePty(sim.ptyPath())) return false;
  rig.markCards(kSendCards);
  rig.stalls.start();
  const double cpu0 = cpuSeconds();
  const double secs = rig.run("cmdSendAllCards");
  const double cpu = cpuSeconds() - cpu0;
  const qint64 stall = rig.stalls.stop();
  const qsizetype stored = sim.stopAndCountCards();
  if (stored != kSendCards || rig.prompts.messages != QStringList{QStringLiteral("İşlem Tamamlandı")}) {
    std::printf("%s: FAILED (%lld cards stored, %s)\n", w.label, static_cast<long long>(stored),
                qPrintable(rig.prompts.messages.join('|')));
    return false;
  }
  char what[160];
  std::snprintf(what, sizeof what, "send %d cards, %s, gap %d ms: time per card", kSendCards, w.label, w.gapMs);
  const double msPerCard = secs * 1e3 / kSendCards;
  if (w.baud == 0) {
    report(what, msPerCard, "ms", "<=", w.gapMs + 1.0);
  } else {
    report(what, msPerCard, "ms", "", 0);
    const double line = lineSeconds(qint64(kSendCards) * (17 + 10 + w.extraChars));
    const double bound = line + kSendCards * (w.gapMs + w.heldBackMs) / 1e3;
    std::snprintf(what, sizeof what, "send %d cards, %s, gap %d ms: total / (line %.1f s + gaps%s)", kSendCards,
                  w.label, w.gapMs, line, w.heldBackMs > 0 ? " + held back" : "");
    report(what, secs / bound, "ratio", "<=", 1.05);
  }
  std::snprintf(what, sizeof what, "send %d cards, %s, gap %d ms: window CPU", kSendCards, w.label, w.gapMs);
  // Where neither the line nor the gap leaves anything to wait for, the program only works.
  report(what, 100 * cpu / secs, "%", w.baud == 0 && w.gapMs == 0 ? "" : "<=", 5);
  std::snprintf(what, sizeof what, "send %d cards, %s, gap %d ms: longest stall", kSendCards, w.label, w.gapMs);
  report(what, double(stall), "ms", "<=", 100);
  return true;
}

// The window's CPU while it receives a card list and downloads records on a paced line.
bool cpuOnAPacedLine() {
  bool ok = true;
  {
    SimProcess sim;
    if (!sim.start({"--id", "1", "--model", "TS-40B", "--cards", "2000", "--baud", QString::number(kLineBaud)}, false))
      return false;
    Rig rig;
    rig.usePty(sim.ptyPath());
    const double cpu0 = cpuSeconds();
    const double secs = rig.run("cmdReceiveAllCards");
    const double cpu = cpuSeconds() - cpu0;
    ok = rig.c<QListWidget>("lstCardID")->count() == 2000 && ok;
    report("receive 2000 cards, pty at 38400 baud: window CPU", 100 * cpu / secs, "%", "<=", 5);
  }
  {
    SimProcess sim;
    if (!sim.start({"--id", "1", "--model", "TS-30P", "--records", "3501", "--baud", QString::number(kLineBaud)}, false))
      return false;
    Rig rig;
    rig.c<QRadioButton>("opsDevice_2")->click();  // TS-30P: the records panel
    rig.usePty(sim.ptyPath());
    rig.c<QCheckBox>("chkClearRAM")->setChecked(false);
    const double cpu0 = cpuSeconds();
    const double secs = rig.run("cmdReadData");
    const double cpu = cpuSeconds() - cpu0;
    QFile log(QCoreApplication::applicationDirPath() + QStringLiteral("/AccessFile.txt"));
    ok = secs > 20 && ok;
    report("download 3501 records, pty at 38400 baud: window CPU", 100 * cpu / secs, "%", "<=", 5);
    log.remove();
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bool ok = receive("one burst", false);
  ok = receive("64-byte pieces, 1 ms apart", true) && ok;
  ok = send({.label = "pty at 38400 baud"}) && ok;
  ok = send({.label = "pty at 38400 baud", .gapMs = 0}) && ok;
  // A USB adapter: replies in bursts at the end of its 16 ms latency timer, the last character of each reply
  // 3 ms late, or each reply after the late tail of the one before, a character at a time.
  ok = send({.label = "pty at 38400 baud, bursts 16 ms", .fault = {"--fault", "NC:bursts:16"}, .heldBackMs = 16}) && ok;
  ok = send({.label = "pty at 38400 baud, late tail", .fault = {"--fault", "NC:delaytail:1:3"}, .heldBackMs = 3}) && ok;
  ok = send({.label = "pty at 38400 baud, stale tail", .fault = {"--fault", "NC:staletail:1:0"}, .extraChars = 3}) && ok;
  ok = send({.label = "TCP converter at 38400 baud", .tcp = true}) && ok;
  ok = send({.label = "TCP unpaced", .tcp = true, .baud = 0}) && ok;
  ok = send({.label = "TCP unpaced", .tcp = true, .baud = 0, .gapMs = 0}) && ok;
  ok = cpuOnAPacedLine() && ok;
  report("peak memory (ru_maxrss)", peakRssKb() / 1024.0, "MiB", "<=", 200);
  return ok ? 0 : 1;
}
