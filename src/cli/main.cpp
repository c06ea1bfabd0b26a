#include <unistd.h>

#include <QCoreApplication>
#include <QTextStream>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "eventpump.h"
#include "completion.h"
#include "help.h"
#include "run.h"

namespace {
std::atomic<bool> gInterrupted{false};
void OnInterrupt(int) { gInterrupted = true; }
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
  // Ctrl-C stops after the exchange in progress.
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  tessaro::QtMessagePump pump;
  tessaro::SteadyClock clock;
  tessaro::cli::Console console{out, err, isatty(STDERR_FILENO) == 1, pump, clock};
  console.interrupted = &gInterrupted;
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
