#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include "eventpump.h"
#include "completion.h"
#include "help.h"
#include "run.h"

namespace {
std::atomic<int> gInterrupts{0};
int gWake[2] = {-1, -1};  // a byte per Ctrl-C wakes the pump, which says at once what it does
void OnInterrupt(int) {
  gInterrupts.fetch_add(1);
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gWake[1], &byte, 1);
}
}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  QTextStream out(stdout), err(stderr);
  // The manual page is made from the help text at build time.
  if (args == QStringList{"--man"}) {
    out << tessaro::cli::ManPage();
    return 0;
  }
  if (args == QStringList{"--completion"}) {
    out << tessaro::cli::BashCompletion();
    return 0;
  }
  tessaro::QtMessagePump pump;
  tessaro::SteadyClock clock;
  tessaro::cli::Console console{out, err, isatty(STDERR_FILENO) == 1, pump, clock};
  console.interrupted = &gInterrupts;
  // Ctrl-C stops after the exchange in progress; the command says what it does.
  std::unique_ptr<QSocketNotifier> wake;
  if (::pipe2(gWake, O_CLOEXEC | O_NONBLOCK) == 0) {
    wake = std::make_unique<QSocketNotifier>(gWake[0], QSocketNotifier::Read);
    QObject::connect(wake.get(), &QSocketNotifier::activated, [&console] {
      char byte = 0;
      while (::read(gWake[0], &byte, 1) == 1)
        if (console.onInterrupt) console.onInterrupt();
    });
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  if (isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1) {
    console.confirm = [&err](const QString& question) {
      err << question << " [y/N] " << Qt::flush;
      QTextStream in(stdin);
      const QString answer = in.readLine().trimmed().toLower();
      return answer == QLatin1String("y") || answer == QLatin1String("yes");
    };
  }
  return tessaro::cli::RunCli(args, console);
}
