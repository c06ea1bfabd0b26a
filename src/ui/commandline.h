#pragma once
// The window's command line. The window keeps no settings between runs; what
// is given here holds for this run only.

#include <QString>
#include <QStringList>
#include <optional>

#include "language.h"
#include "link.h"
#include "models.h"

namespace tessaro {

struct WindowOptions {
  int gapMs = kDefaultGapMs;  // the pause each reader gets after its reply
  // The starting choices of the connection panel, as the user would make them.
  std::optional<DeviceModel> model;
  QString tcpHost;  // ticks "TCPIP Aktif"
  quint16 tcpPort = 5600;
  QString serialDevice;  // the device port 1 stands for
  Language language = Language::Turkish;
  bool help = false;
  bool version = false;
};

// `args` without the program name, and TESSARO_LANG's value (the language
// when --lang does not name one); nullopt with the reason on bad input.
std::optional<WindowOptions> ParseWindowArgs(const QStringList& args, QString* error,
                                             const QString& languageFromEnvironment = {});

QString WindowUsage();
QString WindowVersion();  // "tessaro-config 3.0.0"

}  // namespace tessaro
