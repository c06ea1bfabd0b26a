// settings get, settings set.

#include <algorithm>

#include "job.h"
#include "settings.h"
#include "settingsfields.h"

namespace tessaro::cli {

namespace {

std::optional<ReaderRow> Settings(Job& job, ExchangeEnv& env, int id, bool write) {
  const DeviceModel model = job.options.model;
  const SettingsRead read = ReadSettings(env, id, model);
  if (read.outcome != Outcome::Ok)
    return Failed(id, Reason(read.outcome), QStringLiteral("no settings read (%1)").arg(Reason(read.outcome)));
  const ReceivedSettings s = InterpretSettings(read.reply, model);
  SettingsForm form = FormOf(s, id);
  int address = id;
  if (write) {
    for (const auto& [name, value] : job.fields) ApplySettingsField(form, name, value);
    const SettingsCheck check = CheckSettingsForm(form, model);
    if (check.invalid)
      return Failed(id, QStringLiteral("invalid value"),
                    QStringLiteral("its %1 cannot be sent").arg(SettingsFieldName(*check.invalid)));
    const Outcome outcome = WriteSettings(env, check.record);
    if (outcome != Outcome::Ok)
      return Failed(id, Reason(outcome), QStringLiteral("settings not written (%1)").arg(Reason(outcome)));
    address = check.record.newId.value();
    form.runMode = static_cast<RunMode>(check.record.runMode);
    form.relayTime = QString::number(check.record.relayTime);
  }
  ReaderRow r{id};
  r.set("new_id", write ? address : static_cast<int>(s.address));
  const QJsonObject fields = SettingsJson(form, model);
  for (const QString& name : SettingsFieldNames(model)) r.set(name, fields[name]);
  return r;
}

}  // namespace

bool PrepareSettingsSet(Job& job, QString* why) {
  const Options& o = job.options;
  // The named values as the window checks them, beside valid ones for the rest.
  // Online, so that a named relay time is checked whatever the reader's run mode.
  SettingsForm probe{
      .oldId = "1", .newId = "1", .relayTime = "1", .masterCard = "0", .triggerTime = "5", .runMode = RunMode::Online};
  for (const QString& op : o.operands) {
    const qsizetype eq = op.indexOf(u'=');
    const QString name = op.left(eq).trimmed();
    if (eq < 0 || !ApplySettingsField(probe, name, op.mid(eq + 1))) {
      *why = QStringLiteral("'%1' is not FIELD=VALUE with a known field and value").arg(op);
      return false;
    }
    job.fields.emplace_back(name, op.mid(eq + 1));
  }
  const bool newId =
      std::any_of(job.fields.begin(), job.fields.end(), [](const auto& f) { return f.first == "new_id"; });
  if (newId && (o.allIds || o.ids.size() != 1)) {
    *why = QStringLiteral("new_id gives one reader a new address: give one --id");
    return false;
  }
  if (probe.runMode == RunMode::ReadOnly && !Facts(o.model).readOnlyMode) {
    *why = QStringLiteral("%1 has no read-only run mode").arg(QLatin1String(Facts(o.model).name));
    return false;
  }
  if (const SettingsCheck check = CheckSettingsForm(probe, o.model); check.invalid) {
    *why = QStringLiteral("invalid value for %1").arg(SettingsFieldName(*check.invalid));
    return false;
  }
  return true;
}

std::optional<ReaderRow> RunSettingsGet(Job& job, ExchangeEnv& env, int address) {
  return Settings(job, env, address, false);
}

std::optional<ReaderRow> RunSettingsSet(Job& job, ExchangeEnv& env, int address) {
  return Settings(job, env, address, true);
}

}  // namespace tessaro::cli
