#pragma once
// The window's command line. The window keeps no settings between runs; what
// is given here holds for this run only.

#include <QString>
#include <QStringList>
#include <optional>

#include "link.h"

namespace tessaro {

struct WindowOptions {
  int gapMs = kDefaultGapMs;  // the pause each reader gets after its reply
  bool help = false;
};

// `args` without the program name; nullopt with the reason on bad input.
std::optional<WindowOptions> ParseWindowArgs(const QStringList& args, QString* error);

QString WindowUsage();

}  // namespace tessaro
