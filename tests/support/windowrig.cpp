#include "support/windowrig.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <algorithm>

namespace tessaro::test {

void FastPump::waitForActivity(qint64 maxUs) {
  // Up to a millisecond of real time for the line, then ten of the fake clock.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(1);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  clock_.ms += std::clamp<qint64>((maxUs + 999) / 1000, 1, 10);
}

WindowRig::WindowRig(Timing timing, const QString& programIn, int gapMs, const QString& store) {
  Services s;
  s.prompts = &prompts;
  s.pump = timing == Timing::Fast ? static_cast<MessagePump*>(&fastPump) : &realPump;
  s.clock = timing == Timing::Fast ? static_cast<MonotonicClock*>(&fakeClock) : &realClock;
  s.localNow = [this] { return now; };
  s.programFolder = programIn.isEmpty() ? folder.path() : folder.filePath(programIn);
  s.dataFolder = folder.filePath(QStringLiteral("data"));
  s.portResolver = [this](int n) { return n == 1 ? serialDevice : QString(); };
  s.findProgram = [this](const QString&) { return editor; };
  s.startProgram = [this](const QString& program, const QStringList& args) {
    started << program + QLatin1Char(' ') + args.join(QLatin1Char('|'));
    return true;
  };
  s.gapMs = gapMs;
  s.storeAddress = store;
  window = std::make_unique<MainWindow>(s);
  sim.setNow([this] { return now; });
  sim.setEraseCardsDelayMs(0);
}

sim::SimReader& WindowRig::reader(int id, sim::SimModel model) {
  click(QStringLiteral("opsDevice_%1").arg(static_cast<int>(model)).toLatin1().constData());
  return sim.addReader(id, model);
}

void WindowRig::overTcp() {
  if (!sim.listenTcp()) std::abort();
  w<QCheckBox>("chkTCPIPActive")->setChecked(true);
  set("txtIP", QStringLiteral("127.0.0.1"));
  set("txtPort", QString::number(sim.tcpPort()));
}

void WindowRig::overPty() {
  if (!sim.openPty()) std::abort();
  serialDevice = sim.ptyPath();
  w<QCheckBox>("chkTCPIPActive")->setChecked(false);
  w<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal keeps no parity
}

void WindowRig::click(const char* name, std::initializer_list<bool> answers) {
  if (answers.size()) prompts.answers = answers;
  w<QAbstractButton>(name)->click();
}

void WindowRig::set(const char* name, const QString& text) { w<QLineEdit>(name)->setText(text); }

void WindowRig::pickOnBus(int address) {
  click("cmdBusView");
  set("txtBusFrom", QString::number(address));
  set("txtBusTo", QString::number(address));
  click("cmdBusScan");
  // The row's model as the window has it chosen, where the reply tells only the family.
  auto* table = w<QTableView>("tblBus");
  table->model()->setData(table->model()->index(0, 1), QLatin1String(Facts(window->session().model()).name));
  table->selectRow(0);
}

void WindowRig::addCards(const QStringList& typed) {
  for (const QString& t : typed) set("txtCardID", t), click("cmdAdd");
}

QString WindowRig::text(const char* name) const {
  if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(name))) return e->text();
  return w<QLabel>(name)->text();
}

bool WindowRig::checked(const char* name) const { return w<QAbstractButton>(name)->isChecked(); }

}  // namespace tessaro::test
