#pragma once
// tessaro-cli as a function of its arguments and its console, so tests run it
// in-process beside the simulated reader.

#include <QDateTime>
#include <QStringList>
#include <QTextStream>
#include <atomic>
#include <functional>

#include "link.h"
#include "seriallink.h"

namespace tessaro::cli {

enum ExitCode { kDone = 0, kUsage = 1, kSomeFailed = 2, kNoLink = 3 };

struct Console {
  QTextStream& out;
  QTextStream& err;
  bool progress = false;  // stderr is a terminal
  MessagePump& pump;
  MonotonicClock& clock;
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  const std::atomic<bool>* interrupted = nullptr;  // Ctrl-C
  SerialLink::PortResolver portResolver;           // --port N → device; the system's when empty
  // Asks the user a yes-or-no question; empty when no one is at a terminal.
  std::function<bool(const QString& question)> confirm;
};

int RunCli(const QStringList& args, Console& console);

}  // namespace tessaro::cli
