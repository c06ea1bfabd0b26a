// tessaro-reader-sim: a simulated reader on TCP, a pseudo-terminal or a serial port.

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "readersim.h"
#include "simoptions.h"
#include "simstate.h"

using namespace tessaro::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

int failWith(const QString& text) {
  std::fprintf(stderr, "tessaro-reader-sim: %s\n", qPrintable(text));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();
  SimOptions opt;
  QString error;
  if (!ParseSimOptions(args, &opt, &error)) return failWith(error);
  if (opt.help) {
    std::fputs(qPrintable(SimHelpText()), stdout);
    return 0;
  }

  // SIGINT and SIGTERM end the event loop, so the destructor removes the link and saves.
  if (::pipe(g_signalPipe) != 0) return failWith(QStringLiteral("cannot create the signal pipe"));
  ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

  ReaderSim sim;
  sim.setEraseCardsDelayMs(opt.eraseDelayMs);
  sim.setBaud(opt.baud);
  sim.setDelivery(opt.delivery);
  for (const auto& [code, fault] : opt.faults) sim.setFault(code, fault);
  if (!opt.logFile.isEmpty() && !sim.setLogFile(opt.logFile))
    return failWith(QStringLiteral("cannot open the log %1").arg(opt.logFile));

  bool loaded = false;
  if (!opt.stateFile.isEmpty() && QFile::exists(opt.stateFile)) {
    if (!sim.loadState(opt.stateFile, &error)) return failWith(QStringLiteral("%1: %2").arg(opt.stateFile, error));
    loaded = true;
  }
  if (!loaded) {
    std::vector<quint32> fileCards;
    if (!opt.cardsFile.isEmpty()) {
      QFile f(opt.cardsFile);
      if (!f.open(QIODevice::ReadOnly)) return failWith(QStringLiteral("cannot read %1").arg(opt.cardsFile));
      if (!ParseCardFile(f.readAll(), &fileCards, &error))
        return failWith(QStringLiteral("%1: %2").arg(opt.cardsFile, error));
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (size_t i = 0; i < opt.ids.size(); ++i) {
      const int id = opt.ids[i];
      const SimModel model = opt.idModels[i];
      const bool taken = std::count(opt.ids.begin(), opt.ids.begin() + static_cast<qsizetype>(i), id) > 0;
      SimReader& r = taken ? sim.addSecondReader(id, model) : sim.addReader(id, model);
      r.clockOffsetSeconds = opt.clockOffset;
      const qsizetype limit = InfoOf(model).cardLimit;
      if (static_cast<qsizetype>(fileCards.size()) > limit)
        std::fprintf(stderr, "tessaro-reader-sim: %s holds at most %lld cards; the rest of the file is left out\n",
                     InfoOf(model).name, static_cast<long long>(limit));
      for (quint32 c : fileCards)
        if (static_cast<qsizetype>(r.cards.size()) < limit) r.cards.push_back(c);
      ReaderSim::generateCards(r, opt.cards, static_cast<quint32>(i + 1));
      ReaderSim::generateRecords(r, opt.records, now.addSecs(opt.clockOffset), static_cast<quint32>(i + 1));
    }
  }
  if (!opt.stateFile.isEmpty()) sim.setAutoSave(opt.stateFile);

  QStringList where;
  if (opt.tcp) {
    const QHostAddress address = opt.tcpHost.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(opt.tcpHost);
    if (address.isNull()) return failWith(QStringLiteral("'%1' is not an IP address").arg(opt.tcpHost));
    if (!sim.listenTcp(address, opt.tcpPort))
      return failWith(
          QStringLiteral("cannot listen on %1:%2: %3").arg(opt.tcpHost).arg(opt.tcpPort).arg(sim.lastError()));
    where << QStringLiteral("tcp %1:%2").arg(address.toString()).arg(sim.tcpPort());
  }
  if (!opt.ptyPath.isEmpty()) {
    if (!sim.openPty(opt.ptyPath)) return failWith(sim.lastError());
    where << QStringLiteral("pty %1").arg(opt.ptyPath);
  }
  if (!opt.serialDevice.isEmpty()) {
    sim.setSerialParity(opt.parity);
    if (!sim.openSerial(opt.serialDevice, opt.baud > 0 ? opt.baud : 38400)) return failWith(sim.lastError());
    where << QStringLiteral("serial %1").arg(opt.serialDevice);
  }

  QStringList ids, models;
  for (const SimReader& r : sim.readers()) {
    ids << QString::number(r.id);
    const QString m = QString::fromLatin1(InfoOf(r.model).name);
    if (!models.contains(m)) models << m;
  }
  std::printf("tessaro-reader-sim: %s, ID %s, listening on %s\n", qPrintable(models.join(QLatin1Char('/'))),
              qPrintable(ids.join(QLatin1Char(','))), qPrintable(where.join(QStringLiteral(" and "))));
  std::fflush(stdout);
  const int rc = app.exec();
  return rc;
}
