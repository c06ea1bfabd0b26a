#include "commands.h"

#include <QStringList>

namespace tessaro::cli {

QString Command::synopsis() const {
  QString text = QLatin1String(name);
  if (operands.most > 0) text += u' ' + QLatin1String(operands.name);
  QString own;
  for (const OptionRow& o : options)
    own += o.value ? QStringLiteral(" [%1 %2]").arg(QLatin1String(o.name), QLatin1String(o.value))
                   : QStringLiteral(" [%1]").arg(QLatin1String(o.name));
  // Many options fit no line of the command list: they are listed under the command's own help.
  return text + (text.size() + own.size() > 76 ? QStringLiteral(" [OPTIONS]") : own);
}

bool Command::owns(const QString& option) const {
  for (const OptionRow& o : options)
    if (option == QLatin1String(o.name)) return true;
  return false;
}

bool Command::takes(const QString& option) const {
  if (owns(option)) return true;
  if (option == QLatin1String("--id")) return addresses == Addresses::Listed || addresses == Addresses::Line;
  if (option == QLatin1String("--db")) return store;
  if (option == QLatin1String("--json") || option == QLatin1String("--csv")) return formats;
  if (addresses == Addresses::None) return option == QLatin1String("--help");
  for (const OptionRow& o : CommonOptions())
    if (option == QLatin1String(o.name)) return true;
  return false;
}

QString Refusal(const Command& command, DeviceModel model) {
  if (!command.needs || Can(model, *command.needs)) return {};
  const QString can = ModelNames(ModelsThatCan(*command.needs));
  const QString name = QLatin1String(Facts(model).name);
  switch (*command.needs) {
    case Ability::ClockAndRecords:
      return QStringLiteral("%1 has no clock and no passage records; the models that have them: %2").arg(name, can);
    case Ability::CardDownload:
      return QStringLiteral("%1 does not give its card list back; the models that do: %2").arg(name, can);
  }
  return {};
}

}  // namespace tessaro::cli
