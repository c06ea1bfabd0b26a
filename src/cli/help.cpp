#include "help.h"

#include <QStringList>

#include "commands.h"
#include "options.h"

namespace tessaro::cli {

namespace {

const char* const kOutput =
    "JSON: {\"command\": ..., \"readers\": [{\"address\": N, \"status\": \"ok\" | \"time-out\" | \"bad reply\" | "
    "\"invalid value\" | \"collision\" | \"log error\" | \"store error\" | \"file error\" | \"stopped\" | "
    "\"model unknown\" | \"other model\" | \"not on model\" | \"memory full\" | \"differs\" (cards diff, line "
    "commands) | \"not in file\" (line commands) | \"too many cards\" | \"no link\" (access commands, with each door's "
    "line and name), \"error\": text, ...the command's fields}]}. CSV: the same, a row per reader, the error after the "
    "status. On a terminal, one line on stderr shows how far the work is.";
const char* const kExit =
    "0 every reader done; 1 usage error, or a file or the store that cannot be had, or not one reader's model known "
    "where the command needs it; 2 some readers failed or differ (the others completed), or records import skipped "
    "unreadable lines; 3 the link could not be opened (access plan and apply: not one line's). Ctrl-C stops after the "
    "exchange in progress, a records pull after the reader's download; a second Ctrl-C ends that download at once. A "
    "download stopped either way is never followed by an erase.";

QString Wrap(const QString& text, int indent) {
  QString out, line;
  for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > 78 - indent) {
      out += QString(indent, u' ') + line + u'\n';
      line.clear();
    }
    line += (line.isEmpty() ? "" : " ") + word;
  }
  return out + QString(indent, u' ') + line + u'\n';
}

// The text wrapped at 78 columns, its lines after the first indented by `hang`.
QString Hanging(const QString& text, int hang) {
  const QString wrapped = Wrap(text, hang);
  return wrapped.mid(hang);
}

QString Label(const OptionRow& o) {
  return o.value ? QStringLiteral("%1 %2").arg(QLatin1String(o.name), QLatin1String(o.value)) : QLatin1String(o.name);
}

// "  --gap MS  the pause …", its help wrapped under itself at column 24; a
// label too long for its column has the help on the lines below it.
QString OptionLine(const OptionRow& o) {
  const QString label = QStringLiteral("  %1").arg(Label(o), -20);
  const QString help = Wrap(o.help, 24);
  return label.size() <= 22 ? label + help.mid(22) : label + u'\n' + help;
}

// The options of one command (nullptr: every common one), one a line; its
// own are left out of the common ones it takes.
QString OptionLines(const std::vector<OptionRow>& options, const Command* of, bool common) {
  QString out;
  for (const OptionRow& o : options)
    if (!of || (of->takes(QLatin1String(o.name)) && !(common && of->owns(QLatin1String(o.name)))))
      out += OptionLine(o);
  return out;
}

// The models that can do the command, when only some can.
QString ModelsLine(const Command& c) {
  if (!c.needs) return {};
  return QStringLiteral("Only for %1.").arg(ModelNames(ModelsThatCan(*c.needs)));
}

}  // namespace

QString HelpText(const QString& command) {
  for (const Command& c : Commands()) {
    if (command != QLatin1String(c.name)) continue;
    const QString readers = c.addresses == Addresses::Listed ? QStringLiteral(" --id LIST")
                            : c.addresses == Addresses::Line ? QStringLiteral(" [--id LIST]")
                                                             : QString();
    const QString link = c.addresses == Addresses::None ? QString() : QStringLiteral(" LINK");
    const QString rest = QLatin1String(c.formats ? " [--json|--csv]" : "") +
                         QLatin1String(c.addresses == Addresses::None ? "" : " [--trace FILE]") +
                         QLatin1String(c.store ? " [--db FILE|URL]" : "");
    QString out = Hanging(QStringLiteral("Usage: tessaro-cli %1%2%3%4").arg(c.synopsis(), link, readers, rest), 7) + u'\n' +
                  Wrap(QLatin1String(c.help) + (c.needs ? u' ' + ModelsLine(c) : QString()), 0);
    if (!c.options.empty())
      out += QStringLiteral("\nOptions of %1:\n").arg(command) + OptionLines(c.options, &c, false);
    return out + QStringLiteral("\nOptions:\n") + OptionLines(CommonOptions(), &c, true);
  }
  QString out = QStringLiteral(
      "Usage: tessaro-cli COMMAND LINK [--id LIST] [OPTIONS]\n"
      "       tessaro-cli --version\n\n"
      "Configures Tessaro TS-20 ... TS-90C access-control readers over a serial line\n"
      "or TCP, many at once.\n\n"
      "Commands:\n");
  for (const Command& c : Commands()) out += QStringLiteral("  ") + Hanging(c.synopsis(), 4);
  return out + QStringLiteral("\nOptions:\n") + OptionLines(CommonOptions(), nullptr, true) +
         QStringLiteral("\nOutput:\n") + Wrap(kOutput, 2) + QStringLiteral("\nExit status:\n") + Wrap(kExit, 2);
}

QString ManPage() {
  auto escape = [](QString s) { return s.replace(u'\\', QStringLiteral("\\\\")).replace(u'-', QStringLiteral("\\-")); };
  auto item = [&](const QString& head, const QString& text) {
    return ".TP\n.B " + escape(head) + u'\n' + escape(text) + u'\n';
  };
  QString out = QStringLiteral(
      ".TH TESSARO-CLI 1\n.SH NAME\ntessaro\\-cli \\- configure Tessaro access\\-control readers from scripts\n"
      ".SH SYNOPSIS\n.B tessaro\\-cli\nCOMMAND LINK [\\-\\-id LIST] [OPTIONS]\n.SH COMMANDS\n");
  for (const Command& c : Commands()) {
    out += item(c.synopsis(), QLatin1String(c.help) + (c.needs ? u' ' + ModelsLine(c) : QString()));
    if (c.options.empty()) continue;
    out += QStringLiteral(".RS\n");
    for (const OptionRow& o : c.options) out += item(Label(o), o.help);
    out += QStringLiteral(".RE\n");
  }
  out += QStringLiteral(".SH OPTIONS\n");
  for (const OptionRow& o : CommonOptions()) out += item(Label(o), o.help);
  return out + QStringLiteral(".SH OUTPUT\n") + escape(QLatin1String(kOutput)) + QStringLiteral("\n.SH EXIT STATUS\n") +
         escape(QLatin1String(kExit)) + u'\n';
}

}  // namespace tessaro::cli
