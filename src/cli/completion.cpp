#include "completion.h"

#include <QStringList>

#include "commands.h"
#include "options.h"
#include "seriallink.h"
#include "settingsfields.h"

namespace tessaro::cli {

namespace {

QString Words(const QStringList& words) { return words.join(u' '); }

QString ModelWords() {
  QStringList names;
  for (int m = 0; m < kModelCount; ++m) names << QLatin1String(Facts(static_cast<DeviceModel>(m)).name);
  return Words(names);
}

// Every settings field a model has, as FIELD= for `settings set`.
QString FieldWords() {
  QStringList fields = {QStringLiteral("new_id=")};
  for (int m = 0; m < kModelCount; ++m)
    for (const QString& f : SettingsFieldNames(static_cast<DeviceModel>(m)))
      if (!fields.contains(f + u'=')) fields << f + u'=';
  return Words(fields);
}

// What the value of an option is: a device, a model, a file, or a word of a list.
QString ValueCase(const OptionRow& o) {
  const QString name = QLatin1String(o.name);
  if (name == "--serial")
    return QStringLiteral("      --serial) COMPREPLY=($(compgen -W \"$(ls -d /dev/serial/by-id/* /dev/tty* 2>/dev/null)\" -- \"$cur\")); return ;;\n");
  if (name == "--model") return QStringLiteral("      --model) COMPREPLY=($(compgen -W \"%1\" -- \"$cur\")); return ;;\n").arg(ModelWords());
  if (name == "--parity") return QStringLiteral("      --parity) COMPREPLY=($(compgen -W \"odd even none\" -- \"$cur\")); return ;;\n");
  if (name == "--baud") {
    QStringList rates;
    for (const int b : kBaudRates) rates << QString::number(b);
    return QStringLiteral("      --baud) COMPREPLY=($(compgen -W \"%1\" -- \"$cur\")); return ;;\n").arg(Words(rates));
  }
  if (QLatin1String(o.value) == "FILE") return QStringLiteral("      %1) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n").arg(name);
  return QStringLiteral("      %1) return ;;\n").arg(name);
}

}  // namespace

QString BashCompletion() {
  QStringList firsts;
  QString seconds, options, operands, values;
  QStringList valued;
  auto value = [&](const OptionRow& o) {
    if (o.value && !valued.contains(QLatin1String(o.name))) {
      valued << QLatin1String(o.name);
      values += ValueCase(o);
    }
  };
  for (const OptionRow& o : CommonOptions()) value(o);
  for (const Command& c : Commands()) {
    const QStringList words = QString::fromLatin1(c.name).split(u' ');
    if (!firsts.contains(words[0])) firsts << words[0];
    if (words.size() > 1 && !seconds.contains(u' ' + words[0] + u')'))
      seconds += QStringLiteral("      %1) COMPREPLY=($(compgen -W \"$(_tessaro_cli_seconds %1)\" -- \"$cur\")); return ;;\n").arg(words[0]);
    QStringList names;
    for (const OptionRow& o : CommonOptions())
      if (c.takes(QLatin1String(o.name))) names << QLatin1String(o.name);
    for (const OptionRow& o : c.options) {
      names << QLatin1String(o.name);
      value(o);
    }
    options += QStringLiteral("      \"%1\") opts=\"%2\" ;;\n").arg(QLatin1String(c.name), Words(names));
    // Files, settings fields, or the store's own names, which are not offered.
    const QLatin1String operandName(c.operands.name);
    if (operandName == "FILE" || operandName.startsWith(QLatin1String("FIELD"))) {
      const QString kind = operandName == "FILE" ? QStringLiteral("COMPREPLY=($(compgen -f -- \"$cur\"))")
                                                 : QStringLiteral("compopt -o nospace 2>/dev/null; COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))").arg(FieldWords());
      operands += QStringLiteral("      \"%1\") %2 ;;\n").arg(QLatin1String(c.name), kind);
    }
  }
  QString pairs;
  for (const QString& first : firsts) {
    QStringList after;
    for (const Command& c : Commands()) {
      const QStringList words = QString::fromLatin1(c.name).split(u' ');
      if (words.size() > 1 && words[0] == first) after << words[1];
    }
    if (!after.isEmpty()) pairs += QStringLiteral("    %1) echo %2 ;;\n").arg(first, Words(after));
  }
  return QStringLiteral(
             "# bash completion for tessaro-cli, made from its command table.\n"
             "_tessaro_cli_seconds() {\n"
             "  case $1 in\n%1  esac | tr '\\n' ' '\n"
             "}\n\n"
             "_tessaro_cli() {\n"
             "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command=\"\" i word opts\n"
             "  # An option's value first: a device, a model, a file.\n"
             "  case $prev in\n%2  esac\n"
             "  # The command so far: the words before the cursor that are neither options nor their values.\n"
             "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
             "    word=${COMP_WORDS[i]}\n"
             "    case $word in\n"
             "      -*) case \" %3 \" in *\" $word \"*) ((i++)) ;; esac ;;\n"
             "      *) if [[ -z $command ]]; then command=$word\n"
             "         elif [[ -n \"$(_tessaro_cli_seconds \"$command\")\" && $command != *\" \"* ]]; then command=\"$command $word\"\n"
             "         else break; fi ;;\n"
             "    esac\n"
             "  done\n"
             "  if [[ -z $command ]]; then\n"
             "    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W \"--help --version\" -- \"$cur\"))\n"
             "    else COMPREPLY=($(compgen -W \"%4\" -- \"$cur\")); fi\n"
             "    return\n"
             "  fi\n"
             "  if [[ $command != *\" \"* ]]; then\n"
             "    case $command in\n%5    esac\n"
             "  fi\n"
             "  if [[ $cur == -* ]]; then\n"
             "    case $command in\n%6      *) opts=\"\" ;;\n    esac\n"
             "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
             "    return\n"
             "  fi\n"
             "  case $command in\n%7  esac\n"
             "}\n"
             "complete -F _tessaro_cli tessaro-cli\n")
      .arg(pairs, values, Words(valued), Words(firsts), seconds, options, operands);
}

}  // namespace tessaro::cli
