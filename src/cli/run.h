#pragma once
// tessaro-cli as a function of its arguments and its console, so tests run it
// in-process beside the simulated reader.

#include <QStringList>

#include "console.h"

namespace tessaro::cli {

int RunCli(const QStringList& args, Console& console);

}  // namespace tessaro::cli
