#include "options.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>

#include "recordquery.h"

namespace tessaro::cli {

QString BaudRatesText() {
  QStringList rates;
  for (const int baud : kBaudRates) rates << QString::number(baud);
  const QString last = rates.takeLast();
  return rates.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString ModelChoices() {
  std::vector<DeviceModel> all;
  for (int m = 0; m < kModelCount; ++m) all.push_back(static_cast<DeviceModel>(m));
  return ModelNames(all);
}

std::optional<int> IntegerIn(const QString& text, int lo, int hi) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<When> ParseWhen(const QString& text) {
  static const QRegularExpression form(
      QStringLiteral(R"(^(\d{4}-\d\d-\d\d)(?:[T ](\d\d:\d\d)(:\d\d)?(?:(Z)|([+-])(\d\d):?(\d\d))?)?$)"));
  const QRegularExpressionMatch m = form.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  When w;
  w.given = m.captured(2).isEmpty() ? When::Day : m.captured(3).isEmpty() ? When::Minute : When::Second;
  w.date = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
  w.time = w.given == When::Day ? QTime(0, 0) : QTime::fromString(m.captured(2), QStringLiteral("hh:mm"));
  if (w.given == When::Second) w.time = QTime::fromString(m.captured(2) + m.captured(3), QStringLiteral("hh:mm:ss"));
  if (!w.date.isValid() || !w.time.isValid()) return std::nullopt;
  if (!m.captured(4).isEmpty() || !m.captured(5).isEmpty()) {
    const int hours = m.captured(6).toInt(), minutes = m.captured(7).toInt();
    if (hours > 14 || minutes > 59) return std::nullopt;
    const int offset = (m.captured(5) == QLatin1String("-") ? -60 : 60) * (hours * 60 + minutes);
    const QDateTime local = QDateTime(w.date, w.time, QTimeZone(offset)).toLocalTime();
    w.date = local.date();
    w.time = local.time();
  }
  return w;
}

QString NoWhen(const QString& option, const QString& text) {
  return QStringLiteral(
             "%1: '%2' is no date such as 2026-12-07, 2026-12-07T08:30 or 2026-12-07 08:30:15 (the PC's "
             "local time, or with Z or an offset such as +03:00)")
      .arg(option, text);
}

ReaderModel GivenModels::of(int address) const {
  if (const auto it = byAddress.find(address); it != byAddress.end()) return it->second;
  return rest ? ReaderModel(*rest) : ReaderModel();
}

std::vector<DeviceModel> GivenModels::named() const {
  std::vector<DeviceModel> models;
  if (rest) models.push_back(*rest);
  for (const auto& [address, model] : byAddress) models.push_back(model);
  return ReaderModel::Among(models).candidates();
}

std::optional<GivenModels> ParseGivenModels(const QString& text, QString* why) {
  GivenModels given;
  bool ok = true;
  QStringList addresses;  // the list before its "=MODEL", which may hold commas
  for (const QString& part : text.split(u',')) {
    const qsizetype eq = part.indexOf(u'=');
    const QString name = (eq < 0 ? part : part.mid(eq + 1)).trimmed();
    const std::optional<DeviceModel> model = ModelFromName(name);
    if (eq < 0 && !model && !name.isEmpty() && name.at(0).isDigit()) {
      addresses << part;
      continue;
    }
    if (!model) {
      *why = QStringLiteral("--model: unknown model '%1' (%2)").arg(name, ModelChoices());
      return std::nullopt;
    }
    if (eq < 0) {
      ok = ok && !given.rest && addresses.isEmpty();
      given.rest = model;
      continue;
    }
    addresses << part.left(eq);
    const std::optional<std::vector<int>> ids = ParseAddressList(addresses.join(u','));
    addresses.clear();
    ok = ok && ids;
    for (const int id : ids.value_or(std::vector<int>{})) {
      if (given.byAddress.count(id)) {
        *why = QStringLiteral("--model: reader %1 is given two models").arg(id);
        return std::nullopt;
      }
      given.byAddress[id] = *model;
    }
  }
  if (ok && addresses.isEmpty()) return given;
  *why = QStringLiteral("--model: '%1' is not a model or a list such as 1-4=TS-40,5=TS-90C").arg(text);
  return std::nullopt;
}

namespace {

// The option of that name, common or of some command; nullptr when none has it.
const OptionRow* FindOption(const QString& name) {
  for (const OptionRow& o : CommonOptions())
    if (name == QLatin1String(o.name)) return &o;
  for (const Command& c : Commands())
    for (const OptionRow& o : c.options)
      if (name == QLatin1String(o.name)) return &o;
  return nullptr;
}

}  // namespace

std::optional<Options> ParseOptions(const QStringList& args, QString* error) {
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
    if (arg == "-h") arg = QStringLiteral("--help");
    const qsizetype eq = arg.startsWith("--") ? arg.indexOf(u'=') : -1;
    if (eq > 0) arg = arg.left(eq);
    const OptionRow* row = FindOption(arg);
    if (!row) return fail(QStringLiteral("unknown option %1").arg(arg));
    if (eq > 0) {
      if (!row->value) return fail(QStringLiteral("option %1 takes no value").arg(arg));
      value = args[i].mid(eq + 1);
    } else if (row->value) {
      if (++i >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(arg));
      value = args[i];
    }
    if (given.contains(arg)) return fail(QStringLiteral("option %1 given twice").arg(arg));
    given[arg] = value;
  }
  o.help = given.contains("--help");
  // The command: the longest run of leading words that names one.
  qsizetype nameWords = 0;
  for (const Command& c : Commands()) {
    const QStringList parts = QString::fromLatin1(c.name).split(u' ');
    if (words.mid(0, parts.size()) == parts && parts.size() > nameWords) {
      o.command = &c;
      nameWords = parts.size();
    }
  }
  o.operands = words.mid(nameWords);
  if (o.help) return o;
  if (!o.command)
    return fail(words.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command '%1'").arg(words.join(u' ')));
  const Command& command = *o.command;
  const QString name = QLatin1String(command.name);
  const Operands& operands = command.operands;
  if (o.operands.size() < operands.fewest)
    return fail(QStringLiteral("%1 needs %2").arg(name, QLatin1String(operands.name)));
  if (o.operands.size() > operands.most)
    return fail(QStringLiteral("unexpected '%1'").arg(o.operands.value(operands.most)));
  for (auto it = given.cbegin(); it != given.cend(); ++it) {
    if (!command.takes(it.key())) return fail(QStringLiteral("%1 does not take %2").arg(name, it.key()));
    for (const OptionRow& own : command.options)
      if (it.key() == QLatin1String(own.name)) o.own.insert(it.key(), it.value());
  }

  o.format = given.contains("--json") ? Format::Json : given.contains("--csv") ? Format::Csv : Format::Table;
  if (given.contains("--json") && given.contains("--csv"))
    return fail(QStringLiteral("give --json or --csv, not both"));
  o.db = given.value("--db");
  if (command.addresses == Addresses::None) return o;
  const int links = given.contains("--tcp") + given.contains("--serial") + given.contains("--port");
  if (links != 1) return fail(QStringLiteral("give exactly one of --tcp, --serial and --port"));
  if (given.contains("--tcp")) {
    const QString t = given["--tcp"];
    const qsizetype colon = t.lastIndexOf(u':');
    o.tcpHost = colon < 0 ? t : t.left(colon);
    if (colon >= 0) {
      const std::optional<int> port = IntegerIn(t.mid(colon + 1), 1, 65535);
      if (!port) return fail(QStringLiteral("--tcp: '%1' is not a port from 1 to 65535").arg(t.mid(colon + 1)));
      o.tcpPort = static_cast<quint16>(*port);
    }
    if (o.tcpHost.isEmpty()) return fail(QStringLiteral("--tcp needs a host"));
  }
  o.serialDevice = given.value("--serial");
  if (given.contains("--port")) {
    const std::optional<int> n = IntegerIn(given["--port"], 1, 16);
    if (!n) return fail(QStringLiteral("--port: give a port number from 1 to 16"));
    o.portNumber = *n;
  }
  if (given.contains("--baud")) {
    const std::optional<int> baud = IntegerIn(given["--baud"], 1, 4000000);
    if (!baud || std::find(std::begin(kBaudRates), std::end(kBaudRates), *baud) == std::end(kBaudRates))
      return fail(QStringLiteral("--baud: give %1").arg(BaudRatesText()));
    o.baud = *baud;
  }
  if (given.contains("--parity")) {
    const QString p = given["--parity"].toLower();
    static const QMap<QString, QSerialPort::Parity> parities = {
        {"odd", QSerialPort::OddParity}, {"o", QSerialPort::OddParity},   {"even", QSerialPort::EvenParity},
        {"e", QSerialPort::EvenParity},  {"none", QSerialPort::NoParity}, {"n", QSerialPort::NoParity}};
    if (!parities.contains(p)) return fail(QStringLiteral("--parity: give odd, even or none"));
    o.parity = parities[p];
  }
  if (given.contains("--model")) {
    QString why;
    const std::optional<GivenModels> m = ParseGivenModels(given["--model"], &why);
    if (!m) return fail(why);
    o.models = *m;
  }
  if (command.addresses == Addresses::Listed && !given.contains("--id"))
    return fail(QStringLiteral("%1 needs --id").arg(name));
  if (given.contains("--id") && given["--id"] != "all") {
    o.ids = ParseAddressList(given["--id"]);
    if (!o.ids)
      return fail(QStringLiteral("--id: '%1' is not a list of addresses from 1 to 255 (5, 1,3,7-9 or all)")
                      .arg(given["--id"]));
  }
  o.trace = given.value("--trace");
  o.fullWait = given.contains("--full-wait");
  if (given.contains("--gap")) {
    const std::optional<int> gap = GapFromText(given["--gap"]);
    if (!gap) return fail(QStringLiteral("--gap: give whole milliseconds from 0 to %1").arg(kMaxGapMs));
    o.gapMs = *gap;
  }
  return o;
}

}  // namespace tessaro::cli
