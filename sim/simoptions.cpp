#include "simoptions.h"

#include "simfaults.h"

namespace tessaro::sim {

QString SimHelpText() {
  return QStringLiteral(
      "Usage: tessaro-reader-sim [options]\n"
      "A simulated Tessaro reader that answers the configuration tool's requests.\n"
      "\n"
      "Lines (TCP on 127.0.0.1:5600 when none is given):\n"
      "  --tcp HOST:PORT        listen for TCP connections (default 127.0.0.1:5600)\n"
      "  --listen-any           allow --tcp on an address other than loopback\n"
      "  --pty PATH             create a pseudo-terminal and a symlink to it at PATH (removed on exit)\n"
      "  --serial DEVICE        use a real serial port (8 data bits, 1 stop bit)\n"
      "  --parity o|e|n         parity of --serial (default o)\n"
      "  --baud N               pace every byte sent at N baud, 11 bits a character;\n"
      "                         also the line rate of --serial (default 38400 there)\n"
      "  --delivery usb|uart    how the paced characters reach the program: usb as a USB adapter\n"
      "                         hands them on, what arrived within about 1 ms together (default);\n"
      "                         uart one by one, each once its last bit is in\n"
      "\n"
      "Readers:\n"
      "  --model MODEL          TS-20, TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90, TS-90B or TS-90C\n"
      "                         (default TS-30P), for every reader\n"
      "  --id N[:MODEL]         reader address 1..255 (default 1) and its own model; repeat for several\n"
      "                         readers on one line; an address given twice puts two readers on it\n"
      "  --cards N              fill each reader with N generated cards\n"
      "  --cards-file F         load each reader's cards from a card file (one number a line)\n"
      "  --records N            fill each reader with N generated passages with plausible dates\n"
      "  --clock-offset SECONDS reader clock = PC clock + SECONDS\n"
      "  --erase-delay MS       time the card erase takes (default 2000, at most 25000)\n"
      "  --state FILE           load the memory from FILE if it exists and save it there on changes and at exit\n"
      "\n"
      "Diagnostics:\n"
      "  --log FILE             append every request and reply with a timestamp\n"
      "  --fault CMD:KIND[:ARG] inject a fault for command CMD (US, DS, NC, UC, EC, RC, EM, DD, DR, UR or ALL);\n"
      "                         repeatable. KIND: silence, delay:MS, noise:N, split:N[:PAUSE_MS],\n"
      "                         wrongcode, raw:TEXT (\\r \\n \\xHH escapes), stopafter:N, stopafternoend:N,\n"
      "                         invaliddate:INDEX, drop:BYTES, endless[:BYTES];\n"
      "                         as through a USB adapter: bursts[:MS], delaytail:K[:PAUSE_MS],\n"
      "                         staletail:N[:PAUSE_MS] (see README)\n"
      "  --help                 show this text\n"
      "\n"
      "Runs until SIGINT or SIGTERM.\n");
}

bool ParseHostPort(const QString& text, QString* host, quint16* port) {
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon <= 0) return false;
  QString h = text.left(colon);
  if (h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']'))) h = h.mid(1, h.size() - 2);
  bool ok = false;
  const int p = text.mid(colon + 1).toInt(&ok);
  if (!ok || p < 0 || p > 65535 || h.isEmpty()) return false;
  *host = h;
  *port = static_cast<quint16>(p);
  return true;
}

bool IsLoopbackHost(const QString& host) {
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
  const QHostAddress a(host);
  return !a.isNull() && a.isLoopback();
}

bool ParseSimOptions(const QStringList& args, SimOptions* out, QString* error) {
  SimOptions o;
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  auto intArg = [](const QString& v, qint64 lo, qint64 hi, qint64* r) {
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok || n < lo || n > hi) return false;
    *r = n;
    return true;
  };
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString opt = args[i];
    QString value;
    bool hasValue = false;
    const qsizetype eq = opt.indexOf(QLatin1Char('='));
    if (opt.startsWith(QLatin1String("--")) && eq > 0) {
      value = opt.mid(eq + 1);
      opt = opt.left(eq);
      hasValue = true;
    }
    auto next = [&](QString* v) {
      if (hasValue) {
        *v = value;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    static const QStringList flags{QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("--listen-any")};
    QString v;
    if (!flags.contains(opt) && !next(&v)) return fail(QStringLiteral("%1 needs a value").arg(opt));
    qint64 n = 0;
    if (opt == QLatin1String("--help") || opt == QLatin1String("-h")) {
      o.help = true;
    } else if (opt == QLatin1String("--listen-any")) {
      o.listenAny = true;
    } else if (opt == QLatin1String("--tcp")) {
      if (!ParseHostPort(v, &o.tcpHost, &o.tcpPort))
        return fail(QStringLiteral("--tcp wants HOST:PORT, not '%1'").arg(v));
      o.tcp = true;
    } else if (opt == QLatin1String("--pty")) {
      o.ptyPath = v;
    } else if (opt == QLatin1String("--serial")) {
      o.serialDevice = v;
    } else if (opt == QLatin1String("--parity")) {
      const QString p = v.toLower();
      if (p != QLatin1String("o") && p != QLatin1String("e") && p != QLatin1String("n"))
        return fail(QStringLiteral("--parity wants o, e or n"));
      o.parity = p[0].toLatin1();
    } else if (opt == QLatin1String("--model")) {
      if (!SimModelFromName(v, &o.model)) return fail(QStringLiteral("unknown model '%1'").arg(v));
    } else if (opt == QLatin1String("--id")) {
      // N or N:MODEL; the reader takes --model unless it names its own.
      const qsizetype colon = v.indexOf(QLatin1Char(':'));
      if (!intArg(v.left(colon), 1, 255, &n)) return fail(QStringLiteral("--id wants 1..255, not '%1'").arg(v));
      SimModel own = SimModel(-1);
      if (colon >= 0 && !SimModelFromName(v.mid(colon + 1), &own))
        return fail(QStringLiteral("unknown model '%1'").arg(v.mid(colon + 1)));
      o.ids.push_back(static_cast<int>(n));
      o.idModels.push_back(own);
    } else if (opt == QLatin1String("--cards")) {
      if (!intArg(v, 0, 5000, &n)) return fail(QStringLiteral("--cards wants 0..5000"));
      o.cards = static_cast<int>(n);
    } else if (opt == QLatin1String("--cards-file")) {
      o.cardsFile = v;
    } else if (opt == QLatin1String("--records")) {
      if (!intArg(v, 0, 9998, &n)) return fail(QStringLiteral("--records wants 0..9998"));
      o.records = static_cast<int>(n);
    } else if (opt == QLatin1String("--clock-offset")) {
      if (!intArg(v, -4000000000LL, 4000000000LL, &n)) return fail(QStringLiteral("--clock-offset wants seconds"));
      o.clockOffset = n;
    } else if (opt == QLatin1String("--baud")) {
      if (!intArg(v, 1, 4000000, &n)) return fail(QStringLiteral("--baud wants a positive rate"));
      o.baud = static_cast<int>(n);
    } else if (opt == QLatin1String("--delivery")) {
      if (v != QLatin1String("usb") && v != QLatin1String("uart"))
        return fail(QStringLiteral("--delivery wants usb or uart"));
      o.delivery = v == QLatin1String("uart") ? Delivery::Uart : Delivery::Usb;
    } else if (opt == QLatin1String("--erase-delay")) {
      if (!intArg(v, 0, 25000, &n)) return fail(QStringLiteral("--erase-delay wants 0..25000 ms"));
      o.eraseDelayMs = static_cast<int>(n);
    } else if (opt == QLatin1String("--log")) {
      o.logFile = v;
    } else if (opt == QLatin1String("--state")) {
      o.stateFile = v;
    } else if (opt == QLatin1String("--fault")) {
      QByteArray code;
      Fault f;
      QString why;
      if (!ParseFault(v, &code, &f, &why)) return fail(QStringLiteral("--fault %1: %2").arg(v, why));
      o.faults.emplace_back(code, f);
    } else {
      return fail(QStringLiteral("unknown option '%1' (see --help)").arg(args[i]));
    }
  }
  if (!o.ptyPath.isEmpty() && !o.serialDevice.isEmpty())
    return fail(QStringLiteral("--pty and --serial exclude each other"));
  if (!o.tcp && o.ptyPath.isEmpty() && o.serialDevice.isEmpty()) o.tcp = true;
  if (o.tcp && !o.listenAny && !IsLoopbackHost(o.tcpHost))
    return fail(QStringLiteral("refusing to listen on %1: not a loopback address (add --listen-any)").arg(o.tcpHost));
  if (o.cards > 0 && !o.cardsFile.isEmpty()) return fail(QStringLiteral("--cards and --cards-file exclude each other"));
  if (o.ids.empty()) {
    o.ids.push_back(1);
    o.idModels.push_back(SimModel(-1));
  }
  for (SimModel& m : o.idModels)
    if (static_cast<int>(m) < 0) m = o.model;
  *out = std::move(o);
  return true;
}

}  // namespace tessaro::sim
