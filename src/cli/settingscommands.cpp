// settings get, settings set.

#include <algorithm>

#include "job.h"
#include "readers.h"
#include "settings.h"
#include "settingsfields.h"

namespace tessaro::cli {

namespace {

QStringList Named(const Job& job) {
  QStringList names;
  for (const auto& field : job.fields) names << field.first;
  return names;
}

// Why a field named for `model` cannot be written as named, in plain English.
QString RefusalText(const FieldRefusal& r, DeviceModel model, RunMode mode) {
  const QString name = QLatin1String(Facts(model).name);
  switch (r.kind) {
    case FieldRefusal::NotOnModel: return QStringLiteral("%1 has no %2 setting").arg(name, r.field);
    case FieldRefusal::NoReadOnly: return QStringLiteral("%1 has no read-only run mode").arg(name);
    case FieldRefusal::NoRelayTime: break;
  }
  return QStringLiteral("%1 takes no relay time in %2 mode (it is sent as 1)").arg(name, RunModeName(mode));
}

// The values a field the form check refuses takes.
QString FieldRange(SettingsField field) {
  switch (field) {
    case SettingsField::NewId: return QStringLiteral("1-255");
    case SettingsField::RelayTime: return QStringLiteral("1-64");
    case SettingsField::MasterCard: return QStringLiteral("0-4294967295");
    case SettingsField::TriggerTime: return QStringLiteral("1-9");
    case SettingsField::OldId: break;
  }
  return QStringLiteral("0-255");
}

std::optional<ReaderRow> Settings(Job& job, ExchangeEnv& env, int id, bool write) {
  const ReaderModel given = job.model(id);
  const ReaderSettings read = ReadReaderSettings(env, id, given);
  if (read.why == Why::OtherModel) return ModelRow(id, read.why, read.model, given);
  if (!read.ok()) return Failed(id, Status(read.why), QStringLiteral("no settings read (%1)").arg(Status(read.why)));
  ReaderRow r{id};
  r.set("model", read.model.name());
  if (!write) {
    r.set("new_id", static_cast<int>(read.settings.address));
    const QJsonObject fields = SettingsJson(read.settings, read.model);
    for (const QString& name : SettingsFieldNames(read.model.model())) r.set(name, fields[name]);
    return r;
  }
  // Every value written back must have been read with the reader's own model.
  if (!read.model.known()) return ModelRow(id, Why::ModelUnknown, read.model, given);
  const DeviceModel model = read.model.model();
  SettingsForm form = FormOf(read.settings, id);
  for (const auto& [name, value] : job.fields) ApplySettingsField(form, name, value);
  if (const std::optional<FieldRefusal> refused = RefusedField(Named(job), form, model))
    return Failed(id, QStringLiteral("invalid value"), RefusalText(*refused, model, form.runMode));
  const SettingsCheck check = CheckSettingsForm(form, model);
  if (check.invalid)
    return Failed(id, QStringLiteral("invalid value"),
                  QStringLiteral("its %1 cannot be sent").arg(SettingsFieldName(*check.invalid)));
  // Two readers on one address could not be told apart again: the new one is asked first.
  const int newId = check.record.newId.value();
  if (newId != id && !ProbeSettings(env, newId).isEmpty())
    return Failed(id, QStringLiteral("invalid value"),
                  QStringLiteral("a reader answers at address %1 already; nothing was written").arg(newId));
  const Outcome outcome = WriteSettings(env, check.record);
  if (outcome != Outcome::Ok)
    return Failed(id, Reason(outcome), QStringLiteral("settings not written (%1)").arg(Reason(outcome)));
  form.runMode = static_cast<RunMode>(check.record.runMode);
  form.relayTime = QString::number(check.record.relayTime);
  r.set("new_id", check.record.newId.value());
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
  const QStringList named = Named(job);
  if (named.contains("new_id") && (!o.ids || o.ids->size() != 1)) {
    *why = QStringLiteral("new_id gives one reader a new address: give one --id");
    return false;
  }
  // A model given is asked now; the run mode, where not named, is the reader's.
  for (const DeviceModel model : o.models.named()) {
    if (const std::optional<FieldRefusal> r = RefusedField(named, probe, model, named.contains("run_mode"))) {
      *why = RefusalText(*r, model, probe.runMode);
      return false;
    }
  }
  if (const SettingsCheck check = CheckSettingsForm(probe, DeviceModel::TS90C); check.invalid) {
    *why = QStringLiteral("invalid value for %1: give %2")
               .arg(SettingsFieldName(*check.invalid), FieldRange(*check.invalid));
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
