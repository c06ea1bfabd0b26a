#include "simfaults.h"

#include <QStringList>

namespace tessaro::sim {

bool ParseFault(const QString& text, QByteArray* code, Fault* fault, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QStringList parts = text.split(QLatin1Char(':'));
  if (parts.size() < 2) return fail(QStringLiteral("a fault is CMD:KIND[:ARG]"));
  QString cmd = parts[0].trimmed().toUpper();
  if (cmd.startsWith(QLatin1Char('%'))) cmd.remove(0, 1);
  if (cmd == QLatin1String("*") || cmd == QLatin1String("ALL")) cmd.clear();
  if (!cmd.isEmpty() && (cmd.size() != 2 || !cmd[0].isLetter() || !cmd[1].isLetter()))
    return fail(QStringLiteral("unknown command '%1'").arg(parts[0]));
  const QString kind = parts[1].trimmed().toLower();
  Fault f;
  struct Kind {
    const char* name;
    FaultKind kind;
    int defaultArg;
    bool needsArg;
  };
  static const Kind kinds[] = {
      {"silence", FaultKind::Silence, 0, false},
      {"delay", FaultKind::Delay, 0, true},
      {"noise", FaultKind::Noise, 8, false},
      {"split", FaultKind::Split, 4, false},
      {"wrongcode", FaultKind::WrongCode, 0, false},
      {"raw", FaultKind::Raw, 0, true},
      {"stopafter", FaultKind::StopAfter, 0, false},
      {"stopafternoend", FaultKind::StopAfterNoEnd, 0, false},
      {"invaliddate", FaultKind::InvalidDate, 0, false},
      {"drop", FaultKind::DropAfterBytes, 0, false},
      {"dropafterbytes", FaultKind::DropAfterBytes, 0, false},
      {"endless", FaultKind::EndlessNoCr, 0, false},
      {"endlessnocr", FaultKind::EndlessNoCr, 0, false},
      {"bursts", FaultKind::Bursts, 16, false},
      {"delaytail", FaultKind::DelayTail, 1, false},
      {"staletail", FaultKind::StaleTail, 3, false},
  };
  const Kind* k = nullptr;
  for (const Kind& c : kinds)
    if (kind == QLatin1String(c.name)) k = &c;
  if (!k) return fail(QStringLiteral("unknown fault kind '%1'").arg(parts[1]));
  f.kind = k->kind;
  f.arg = k->defaultArg;
  if (k->needsArg && parts.size() < 3) return fail(QStringLiteral("fault '%1' needs an argument").arg(kind));
  if (f.kind == FaultKind::Raw) {
    // The rest of the text, with \r, \n, \\ and \xHH escapes.
    const QByteArray arg = parts.mid(2).join(QLatin1Char(':')).toLatin1();
    for (qsizetype i = 0; i < arg.size(); ++i) {
      if (arg[i] != '\\' || i + 1 >= arg.size()) {
        f.raw += arg[i];
        continue;
      }
      const char e = arg[++i];
      if (e == 'r') f.raw += '\r';
      else if (e == 'n') f.raw += '\n';
      else if (e == 'x') {
        bool ok = false;
        const QByteArray hex = arg.mid(i + 1, 2);
        const int v = hex.toInt(&ok, 16);
        if (!ok || hex.size() != 2) return fail(QStringLiteral("bad \\x escape in raw reply"));
        f.raw += static_cast<char>(v);
        i += 2;
      } else f.raw += e;
    }
  } else if (parts.size() >= 3) {
    bool ok = false;
    f.arg = parts[2].trimmed().toInt(&ok);
    if (!ok || f.arg < 0) return fail(QStringLiteral("bad argument '%1'").arg(parts[2]));
    if (parts.size() >= 4 &&
        (f.kind == FaultKind::Split || f.kind == FaultKind::DelayTail || f.kind == FaultKind::StaleTail)) {
      f.pauseMs = parts[3].trimmed().toInt(&ok);
      if (!ok || f.pauseMs < 0) return fail(QStringLiteral("bad pause '%1'").arg(parts[3]));
    } else if (parts.size() >= 4) {
      return fail(QStringLiteral("too many fields in '%1'").arg(text));
    }
  }
  *code = cmd.toLatin1();
  *fault = f;
  return true;
}

}  // namespace tessaro::sim
