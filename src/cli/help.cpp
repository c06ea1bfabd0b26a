#include "help.h"

#include <QStringList>

#include "options.h"

namespace tessaro::cli {

namespace {

struct CommandHelp {
  const char* command;
  const char* synopsis;
  const char* description;
};

const CommandHelp kCommands[] = {
    {"scan", "scan [--from N] [--to M]",
     "Asks every address from N (default 1) to M (default 255) for its settings and lists every reader that "
     "answers: its address, the model family its reply length tells, and its settings. An address whose two "
     "replies are garbled or differ is listed as a possible collision (two readers on one address)."},
    {"settings get", "settings get", "Reads each reader's settings as the window shows them for --model."},
    {"settings set", "settings set FIELD=VALUE...",
     "Changes the named fields and writes each reader's settings, checked as the window checks them. Fields: "
     "new_id (1-255, one reader only), relay_time (1-64), record_type (entry|exit), run_mode "
     "(stand-alone|online|read-only), master_card (0-4294967295), epc_start_word (4|6), wiegand_type (26|34), "
     "vehicle_detector (on|off), trigger_time (1-9). The fields not named keep the reader's values."},
    {"clock get", "clock get", "Reads each reader's clock and its drift from the PC's in seconds."},
    {"clock set", "clock set [--time ISO-8601|now]", "Sets each reader's clock to the given time (default: now)."},
    {"clock sync", "clock sync [--max-drift SECONDS]",
     "Sets the clocks that differ from the PC's by more than SECONDS (default 2), then reads them back to verify."},
    {"cards pull", "cards pull [--out FILE]",
     "Reads each reader's cards into a card file (default cards-ID.txt; with several readers, FILE gets -ID "
     "before its extension)."},
    {"cards push", "cards push FILE [--erase-first]",
     "Writes every card of the card file to each reader, after erasing its card memory with --erase-first."},
    {"cards erase", "cards erase", "Erases each reader's card memory (up to 25 seconds)."},
    {"cards diff", "cards diff FILE", "Lists the cards a reader holds that the file lacks, and the reverse."},
    {"records count", "records count", "Reads each reader's count of stored passage records."},
    {"records pull", "records pull [--log FILE] [--erase]",
     "Downloads each reader's records and appends them to the access log (default AccessFile.txt), in the "
     "window's line format, with the record type of the reader's own settings. With --erase a reader's memory "
     "is erased only after every one of its lines reached stable storage and its download ended on the "
     "end-of-records frame."},
};

// The link, the readers and the output, which every command takes.
QList<std::pair<QString, QString>> LinkOptions() {
  return {
    {"--tcp HOST[:PORT]", "the reader line behind a TCP converter (port 5600 by default)"},
    {"--serial DEVICE", "a serial device such as /dev/ttyUSB0 or a /dev/serial/by-id/ name"},
    {"--port N", "the window's port number 1-16"},
    {"--baud B", BaudRatesText() + " (default 38400)"},
    {"--parity P", "odd, even or none (default odd)"},
    {"--model M", "TS-20, TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90, TS-90B or TS-90C (default TS-20B)"},
    {"--id LIST", "the readers: 5, 1,3,7-9 or all (every address a scan finds)"},
    {"--json, --csv", "one JSON document, or CSV rows, instead of a table"},
    {"--trace FILE", "every byte sent and received, timestamped, as hex and text"},
    {"--gap MS", "the pause each reader gets after its reply before the next request (0-1000 ms, default 5)"},
    {"--help", "this help; COMMAND --help for one command"},
  };
}

const char* const kOutput =
    "JSON: {\"command\": ..., \"readers\": [{\"address\": N, \"status\": \"ok\" | \"time-out\" | \"bad reply\" | "
    "\"link error\" | \"invalid value\" | \"collision\" | \"stopped\", \"error\": text, ...the command's fields}]}.";
const char* const kExit =
    "0 every reader done; 1 usage error; 2 some readers failed (the others completed); 3 the link could not be "
    "opened. Ctrl-C stops after the exchange in progress; a download stopped that way is never followed by an erase.";

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

QString OptionsText() {
  QString out = QStringLiteral("Options:\n");
  for (const auto& [option, what] : LinkOptions()) out += QStringLiteral("  %1  %2\n").arg(option, -20).arg(what);
  return out;
}

}  // namespace

QString HelpText(const QString& command) {
  for (const CommandHelp& c : kCommands) {
    if (command == QLatin1String(c.command))
      return QStringLiteral("Usage: tessaro-cli %1 LINK --id LIST [--json|--csv] [--trace FILE]\n\n").arg(c.synopsis) +
             Wrap(c.description, 0) + u'\n' + OptionsText();
  }
  QString out = QStringLiteral(
      "Usage: tessaro-cli COMMAND LINK [--id LIST] [OPTIONS]\n\n"
      "Configures Tessaro TS-20 ... TS-90C access-control readers over a serial line or TCP, many at once.\n\n"
      "Commands:\n");
  for (const CommandHelp& c : kCommands) out += QStringLiteral("  %1\n").arg(QLatin1String(c.synopsis));
  return out + u'\n' + OptionsText() + QStringLiteral("\nOutput:\n") + Wrap(kOutput, 2) +
         QStringLiteral("\nExit status:\n") + Wrap(kExit, 2);
}

QString ManPage() {
  auto escape = [](QString s) { return s.replace(u'\\', QStringLiteral("\\\\")).replace(u'-', QStringLiteral("\\-")); };
  QString out = QStringLiteral(
      ".TH TESSARO-CLI 1\n.SH NAME\ntessaro\\-cli \\- configure Tessaro access\\-control readers from scripts\n"
      ".SH SYNOPSIS\n.B tessaro\\-cli\nCOMMAND LINK [\\-\\-id LIST] [OPTIONS]\n.SH COMMANDS\n");
  for (const CommandHelp& c : kCommands)
    out += ".TP\n.B " + escape(QLatin1String(c.synopsis)) + u'\n' + escape(QLatin1String(c.description)) + u'\n';
  out += QStringLiteral(".SH OPTIONS\n");
  for (const auto& [option, what] : LinkOptions()) out += ".TP\n.B " + escape(option) + u'\n' + escape(what) + u'\n';
  return out + QStringLiteral(".SH OUTPUT\n") + escape(QLatin1String(kOutput)) + QStringLiteral("\n.SH EXIT STATUS\n") +
         escape(QLatin1String(kExit)) + u'\n';
}

}  // namespace tessaro::cli
