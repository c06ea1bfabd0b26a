#include "options.h"

#include <QMap>
#include <QSet>
#include <algorithm>

namespace tessaro::cli {

QString BaudRatesText() {
  QStringList rates;
  for (const int baud : kBaudRates) rates << QString::number(baud);
  const QString last = rates.takeLast();
  return rates.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

const QStringList& Commands() {
  static const QStringList commands = {"scan",        "settings get", "settings set",  "clock get",
                                       "clock set",   "clock sync",   "cards pull",    "cards push",
                                       "cards erase", "cards diff",   "records count", "records pull"};
  return commands;
}

namespace {

// The options each command takes besides the link, --id, the output format and --trace.
const QMap<QString, QSet<QString>>& CommandOptions() {
  static const QMap<QString, QSet<QString>> options = {
      {"scan", {"--from", "--to"}}, {"clock set", {"--time"}},         {"clock sync", {"--max-drift"}},
      {"cards pull", {"--out"}},    {"cards push", {"--erase-first"}}, {"records pull", {"--log", "--erase"}}};
  return options;
}

// Operands each command takes: the fewest and the most.
std::pair<int, int> OperandCount(const QString& command) {
  if (command == "settings set") return {1, 1000};
  if (command == "cards push" || command == "cards diff") return {1, 1};
  return {0, 0};
}

std::optional<int> Integer(const QString& text, int lo, int hi) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < lo || v > hi) return std::nullopt;
  return v;
}

}  // namespace

std::optional<std::vector<int>> ParseIdList(const QString& text) {
  std::vector<int> ids;
  for (const QString& part : text.split(u',')) {
    const QStringList range = part.trimmed().split(u'-');
    const std::optional<int> first = Integer(range.value(0), 1, 255);
    const std::optional<int> last = range.size() == 2 ? Integer(range[1], 1, 255) : first;
    if (range.size() > 2 || !first || !last || *last < *first) return std::nullopt;
    for (int id = *first; id <= *last; ++id) ids.push_back(id);
  }
  return ids;
}

std::optional<Options> ParseOptions(const QStringList& args, QString* error) {
  static const QSet<QString> withValue = {"--tcp",   "--serial", "--port", "--baud",     "--parity",
                                          "--model", "--id",     "--from", "--to",       "--trace",
                                          "--out",   "--log",    "--time", "--max-drift", "--gap"};
  static const QSet<QString> flags = {"--json", "--csv", "--help", "-h", "--erase-first", "--erase"};
  auto fail = [error](const QString& why) {
    *error = why;
    return std::nullopt;
  };
  Options o;
  QStringList words;
  QMap<QString, QString> given;
  for (int i = 0; i < args.size(); ++i) {
    QString arg = args[i], value;
    if (!arg.startsWith(u'-') || arg == "-") {
      words << arg;
      continue;
    }
    if (const qsizetype eq = arg.indexOf(u'='); arg.startsWith("--") && eq > 0) {
      value = arg.mid(eq + 1);
      arg = arg.left(eq);
      if (!withValue.contains(arg)) return fail(QStringLiteral("option %1 takes no value").arg(arg));
    } else if (withValue.contains(arg)) {
      if (++i >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(arg));
      value = args[i];
    } else if (!flags.contains(arg)) {
      return fail(QStringLiteral("unknown option %1").arg(arg));
    }
    if (given.contains(arg)) return fail(QStringLiteral("option %1 given twice").arg(arg));
    given[arg] = value;
  }
  o.help = given.contains("--help") || given.contains("-h");
  // The command: the longest run of leading words that names one.
  for (const QString& c : Commands()) {
    const QStringList parts = c.split(u' ');
    if (words.mid(0, parts.size()) == parts && c.size() > o.command.size()) o.command = c;
  }
  o.operands = words.mid(o.command.isEmpty() ? 0 : o.command.count(u' ') + 1);
  if (o.help) return o;
  if (o.command.isEmpty())
    return fail(words.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command '%1'").arg(words.join(u' ')));
  const auto [fewest, most] = OperandCount(o.command);
  if (o.operands.size() < fewest || o.operands.size() > most)
    return fail(o.operands.size() < fewest
                    ? QStringLiteral("%1 needs %2").arg(o.command, fewest == 1 && most == 1 ? "a FILE" : "FIELD=VALUE")
                    : QStringLiteral("unexpected '%1'").arg(o.operands.value(most)));
  const QSet<QString> own = CommandOptions().value(o.command);
  for (auto it = given.cbegin(); it != given.cend(); ++it) {
    static const QSet<QString> common = {"--tcp",   "--serial", "--port", "--baud", "--parity",
                                         "--model", "--id",     "--json", "--csv",  "--trace", "--gap"};
    if (!common.contains(it.key()) && !own.contains(it.key()))
      return fail(QStringLiteral("%1 does not take %2").arg(o.command, it.key()));
  }

  const int links = given.contains("--tcp") + given.contains("--serial") + given.contains("--port");
  if (links != 1) return fail(QStringLiteral("give exactly one of --tcp, --serial and --port"));
  if (given.contains("--tcp")) {
    const QString t = given["--tcp"];
    const qsizetype colon = t.lastIndexOf(u':');
    o.tcpHost = colon < 0 ? t : t.left(colon);
    if (colon >= 0) {
      const std::optional<int> port = Integer(t.mid(colon + 1), 1, 65535);
      if (!port) return fail(QStringLiteral("--tcp: '%1' is not a port from 1 to 65535").arg(t.mid(colon + 1)));
      o.tcpPort = static_cast<quint16>(*port);
    }
    if (o.tcpHost.isEmpty()) return fail(QStringLiteral("--tcp needs a host"));
  }
  o.serialDevice = given.value("--serial");
  if (given.contains("--port")) {
    const std::optional<int> n = Integer(given["--port"], 1, 16);
    if (!n) return fail(QStringLiteral("--port: give a port number from 1 to 16"));
    o.portNumber = *n;
  }
  if (given.contains("--baud")) {
    const std::optional<int> baud = Integer(given["--baud"], 1, 4000000);
    if (!baud || std::find(std::begin(kBaudRates), std::end(kBaudRates), *baud) == std::end(kBaudRates))
      return fail(QStringLiteral("--baud: give %1").arg(BaudRatesText()));
    o.baud = *baud;
  }
  if (given.contains("--parity")) {
    const QString p = given["--parity"].toLower();
    static const QMap<QString, QSerialPort::Parity> parities = {
        {"odd", QSerialPort::OddParity},   {"o", QSerialPort::OddParity}, {"even", QSerialPort::EvenParity},
        {"e", QSerialPort::EvenParity},    {"none", QSerialPort::NoParity}, {"n", QSerialPort::NoParity}};
    if (!parities.contains(p)) return fail(QStringLiteral("--parity: give odd, even or none"));
    o.parity = parities[p];
  }
  if (given.contains("--model")) {
    const std::optional<DeviceModel> m = ModelFromName(given["--model"]);
    if (!m)
      return fail(
          QStringLiteral(
              "--model: unknown model '%1' (TS-20, TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90, TS-90B or TS-90C)")
              .arg(given["--model"]));
    o.model = *m;
  }
  if (o.command == "scan") {
    if (given.contains("--id")) return fail(QStringLiteral("scan does not take --id; give --from and --to"));
    const std::optional<int> from = Integer(given.value("--from", "1"), 0, 255);
    const std::optional<int> to = Integer(given.value("--to", "255"), 0, 255);
    if (!from || !to || *to < *from)
      return fail(QStringLiteral("--from and --to: addresses from 0 to 255, --from first"));
    o.from = *from;
    o.to = *to;
  } else if (!given.contains("--id")) {
    return fail(QStringLiteral("%1 needs --id").arg(o.command));
  } else if (given["--id"] == "all") {
    o.allIds = true;
  } else {
    const std::optional<std::vector<int>> ids = ParseIdList(given["--id"]);
    if (!ids)
      return fail(
          QStringLiteral("--id: '%1' is not a list of addresses from 1 to 255 (5, 1,3,7-9 or all)").arg(given["--id"]));
    o.ids = *ids;
  }
  if (given.contains("--json") && given.contains("--csv"))
    return fail(QStringLiteral("give --json or --csv, not both"));
  o.format = given.contains("--json") ? Format::Json : given.contains("--csv") ? Format::Csv : Format::Table;
  o.trace = given.value("--trace");
  if (given.contains("--gap")) {
    const std::optional<int> gap = GapFromText(given["--gap"]);
    if (!gap) return fail(QStringLiteral("--gap: give whole milliseconds from 0 to %1").arg(kMaxGapMs));
    o.gapMs = *gap;
  }
  o.out = given.value("--out");
  o.log = given.value("--log", QStringLiteral("AccessFile.txt"));
  o.time = given.value("--time", QStringLiteral("now"));
  if (given.contains("--max-drift")) {
    const std::optional<int> drift = Integer(given["--max-drift"], 0, 86400);
    if (!drift) return fail(QStringLiteral("--max-drift: give whole seconds from 0 to 86400"));
    o.maxDrift = *drift;
  }
  o.eraseFirst = given.contains("--erase-first");
  o.erase = given.contains("--erase");
  return o;
}

}  // namespace tessaro::cli
