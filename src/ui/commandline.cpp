#include "commandline.h"

namespace tessaro {

std::optional<WindowOptions> ParseWindowArgs(const QStringList& args, QString* error) {
  WindowOptions o;
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString arg = args[i], value;
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      o.help = true;
      continue;
    }
    if (arg.startsWith(QLatin1String("--gap="))) {
      value = arg.mid(6);
    } else if (arg == QLatin1String("--gap")) {
      if (++i >= args.size()) {
        *error = QStringLiteral("option --gap needs a value");
        return std::nullopt;
      }
      value = args[i];
    } else {
      *error = QStringLiteral("unknown argument %1").arg(arg);
      return std::nullopt;
    }
    const std::optional<int> gap = GapFromText(value);
    if (!gap) {
      *error = QStringLiteral("--gap: give whole milliseconds from 0 to %1").arg(kMaxGapMs);
      return std::nullopt;
    }
    o.gapMs = *gap;
  }
  return o;
}

QString WindowUsage() {
  return QStringLiteral(
             "Usage: tessaro-config [--gap MS]\n\n"
             "  --gap MS  the pause each reader gets after its reply before the next request\n"
             "            (0-%1 ms, default %2)\n")
      .arg(kMaxGapMs)
      .arg(kDefaultGapMs);
}

}  // namespace tessaro
