// Card transfer figures of the window against the simulated reader: receiving
// 5000 cards in one burst and in many small pieces; sending 2000 cards,
// receiving 2000 and downloading 3500 records on a line paced at 38400 baud,
// a pseudo-terminal whose reader's characters come as a USB adapter hands them
// on or one by one as a UART does, and a TCP converter, with the window's CPU;
// sending without a gap, through a USB adapter's ways of delivering and over
// unpaced TCP. The window is shown, as its user has it, so what it paints
// while it works is counted. Each line prints the measured value and its target.

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
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
constexpr int kRecords = 3500;  // with the end-of-records frame, the most one download takes
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

// Notes the window's first paint.
class PaintWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return QObject::eventFilter(watched, event);
  }
  bool painted = false;
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
    // The access log and the passage store of the downloads, not in the program's folder.
    s.programFolder = data.path();
    s.dataFolder = data.path();
    s.portResolver = [this](int) { return ptyPath.isEmpty() ? sim.ptyPath() : ptyPath; };
    window = std::make_unique<MainWindow>(s);
    c<QRadioButton>("opsDevice_4")->click();  // TS-40B, the model with the most cards
    reader = &sim.addReader(1, sim::SimModel::TS40B);
    // Shown and painted once before anything is measured.
    PaintWatch watch;
    window->installEventFilter(&watch);
    window->show();
    QElapsedTimer shown;
    shown.start();
    while (!watch.painted && shown.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window->removeEventFilter(&watch);
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

// The reader's options of a line: paced at `baud` (0: unpaced), its characters one by one with `uart`.
QStringList lineArgs(int baud, bool uart) {
  QStringList args;
  if (baud) args << "--baud" << QString::number(baud);
  if (uart)
    args << "--delivery"
         << "uart";
  return args;
}

// Time, its ratio to what the line and the pauses take, the window's CPU and its longest stall.
void reportPaced(const QString& what, double secs, double lineSecs, double pauseSecs, double cpu, qint64 stall) {
  report(qPrintable(what + ": time"), secs, "s", "", 0);
  report(qPrintable(
             what +
             QStringLiteral(": total / (line %1 s + gaps %2 s)").arg(lineSecs, 0, 'f', 1).arg(pauseSecs, 0, 'f', 2)),
         secs / (lineSecs + pauseSecs), "ratio", "<=", 1.05);
  report(qPrintable(what + ": window CPU"), 100 * cpu / secs, "%", "<=", 5);
  report(qPrintable(what + ": longest stall"), double(stall), "ms", "<=", 100);
}

// One way of sending 2000 cards to a reader in its own process.
struct Send {
  const char* label;
  bool tcp = false;
  int baud = kLineBaud;  // 0: unpaced
  bool uart = false;     // the reader's characters one by one
  int gapMs = kDefaultGapMs;
  QStringList fault;        // the reader's --fault options
  int extraChars = 0;       // characters the fault adds to each reply on the line
  double heldBackMs = 0;    // how long the fault holds each reply back
  double maxMsPerCard = 0;  // target of an unpaced line, else the ratio below
};

// The line carries each request (17 characters) and its reply (10), 11 bits a character.
bool send(const Send& w) {
  SimProcess sim;
  if (!sim.start(QStringList{"--id", "1", "--model", "TS-40B"} + lineArgs(w.baud, w.uart) + w.fault, w.tcp)) {
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

// A line paced at 38400 baud: a pseudo-terminal (the reader's characters one by one with `uart`) or a TCP converter.
struct Paced {
  const char* label;
  bool tcp = false;
  bool uart = false;
};

// 2000 cards from the reader: the request (9 characters), a 17-character line a card and the end line (9); the
// line is quiet for the gap before the request, over TCP for the card list's longer settle (33 ms).
bool receivePaced(const Paced& l) {
  SimProcess sim;
  if (!sim.start(QStringList{"--id", "1", "--model", "TS-40B", "--cards", QString::number(kSendCards)} +
                     lineArgs(kLineBaud, l.uart),
                 l.tcp))
    return false;
  Rig rig;
  if (l.tcp ? !rig.useTcp(sim.tcpPort()) : !rig.usePty(sim.ptyPath())) return false;
  rig.stalls.start();
  const double cpu0 = cpuSeconds();
  const double secs = rig.run("cmdReceiveAllCards");
  const double cpu = cpuSeconds() - cpu0;
  const qint64 stall = rig.stalls.stop();
  const int listed = rig.c<QListWidget>("lstCardID")->count();
  if (listed != kSendCards || rig.prompts.messages != QStringList{QStringLiteral("Kart numaraları cihazdan alındı.")}) {
    std::printf("receive, %s: FAILED (%d cards listed, %s)\n", l.label, listed,
                qPrintable(rig.prompts.messages.join('|')));
    return false;
  }
  reportPaced(QStringLiteral("receive %1 cards, %2").arg(kSendCards).arg(QLatin1String(l.label)), secs,
              lineSeconds(9 + qint64(kSendCards) * 17 + 9), (l.tcp ? 33 : kDefaultGapMs) / 1e3, cpu, stall);
  return true;
}

// 3500 records without the erase: the counter (request 9, reply 13), the pause of 2 s, the download (request 9, 30
// characters a record, the end line 9), the gap before each request.
bool downloadPaced(const Paced& l) {
  SimProcess sim;
  if (!sim.start(QStringList{"--id", "1", "--model", "TS-30P", "--records", QString::number(kRecords)} +
                     lineArgs(kLineBaud, l.uart),
                 l.tcp))
    return false;
  Rig rig;
  rig.c<QRadioButton>("opsDevice_2")->click();  // TS-30P: the records panel
  if (l.tcp ? !rig.useTcp(sim.tcpPort()) : !rig.usePty(sim.ptyPath())) return false;
  rig.c<QCheckBox>("chkClearRAM")->setChecked(false);
  rig.stalls.start();
  const double cpu0 = cpuSeconds();
  const double secs = rig.run("cmdReadData");
  const double cpu = cpuSeconds() - cpu0;
  const qint64 stall = rig.stalls.stop();
  QFile log(rig.data.filePath(QStringLiteral("AccessFile.txt")));
  const qsizetype logged = log.open(QIODevice::ReadOnly) ? log.readAll().count("\r\n") : -1;
  const QString status = rig.c<QLabel>("lblProcess")->text();
  if (logged != kRecords || status != QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!")) {
    std::printf("download, %s: FAILED (%lld lines logged, %s)\n", l.label, static_cast<long long>(logged),
                qPrintable(status));
    return false;
  }
  reportPaced(QStringLiteral("download %1 records, %2").arg(kRecords).arg(QLatin1String(l.label)), secs,
              lineSeconds(9 + 13 + 9 + qint64(kRecords) * 30 + 9), 2.0 + 2 * kDefaultGapMs / 1e3, cpu, stall);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The parts named on the command line (burst, send, receive, download, faults, tcp), or every one.
  const QStringList parts = app.arguments().mid(1);
  const auto part = [&parts](const char* name) { return parts.isEmpty() || parts.contains(QLatin1String(name)); };
  bool ok = true;
  if (part("burst")) {
    ok = receive("one burst", false) && ok;
    ok = receive("64-byte pieces, 1 ms apart", true) && ok;
  }
  // Sending, receiving and downloading on each paced line.
  for (const Paced& l : {Paced{"pty at 38400 baud"}, Paced{"pty at 38400 baud, one by one", false, true},
                         Paced{"TCP converter at 38400 baud", true}}) {
    if (part("send")) ok = send({.label = l.label, .tcp = l.tcp, .uart = l.uart}) && ok;
    if (part("receive")) ok = receivePaced(l) && ok;
    if (part("download")) ok = downloadPaced(l) && ok;
  }
  if (part("faults")) {
    ok = send({.label = "pty at 38400 baud", .gapMs = 0}) && ok;
    // A USB adapter: replies in bursts at the end of its 16 ms latency timer, the last character of each reply
    // 3 ms late, or each reply after the late tail of the one before, a character at a time.
    ok = send({.label = "pty at 38400 baud, bursts 16 ms", .fault = {"--fault", "NC:bursts:16"}, .heldBackMs = 16}) &&
         ok;
    ok = send({.label = "pty at 38400 baud, late tail", .fault = {"--fault", "NC:delaytail:1:3"}, .heldBackMs = 3}) &&
         ok;
    ok = send({.label = "pty at 38400 baud, stale tail", .fault = {"--fault", "NC:staletail:1:0"}, .extraChars = 3}) &&
         ok;
  }
  if (part("tcp")) {
    ok = send({.label = "TCP unpaced", .tcp = true, .baud = 0}) && ok;
    ok = send({.label = "TCP unpaced", .tcp = true, .baud = 0, .gapMs = 0}) && ok;
  }
  report("peak memory (ru_maxrss)", peakRssKb() / 1024.0, "MiB", "<=", 200);
  return ok ? 0 : 1;
}
