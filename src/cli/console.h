#pragma once
// Where tessaro-cli talks to its user and what it waits on: the streams, the
// terminal, the pump and the clock, Ctrl-C and the question before a write.

#include <QDateTime>
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
  const std::atomic<int>* interrupted = nullptr;  // how often Ctrl-C was pressed
  // Says at once what a Ctrl-C just pressed does; the pump runs it while the command waits.
  std::function<void()> onInterrupt;
  SerialLink::PortResolver portResolver;           // --port N → device; the system's when empty
  // Asks the user a yes-or-no question; empty when no one is at a terminal.
  std::function<bool(const QString& question)> confirm;
};

}  // namespace tessaro::cli
