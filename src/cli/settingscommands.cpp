// settings get, settings set.

#include <algorithm>

#include "job.h"
#include "settings.h"

namespace tessaro::cli {

namespace {

// The settings fields a user names, applied to the form the window would show.
bool ApplyField(SettingsForm& form, const QString& name, const QString& value) {
  const QString v = value.trimmed().toLower();
  auto choose = [&v](std::initializer_list<const char*> words, auto apply) {
    int i = 0;
    for (const char* w : words) {
      if (v == QLatin1String(w)) return apply(i), true;
      ++i;
    }
    return false;
  };
  if (name == "new_id") return form.newId = value, true;
  if (name == "relay_time") return form.relayTime = value, true;
  if (name == "master_card") return form.masterCard = value, true;
  if (name == "trigger_time") return form.triggerTime = value, true;
  if (name == "record_type") return choose({"entry", "exit"}, [&](int i) { form.entry = i == 0; });
  if (name == "run_mode")
    return choose({"stand-alone", "online", "read-only"}, [&](int i) { form.runMode = static_cast<RunMode>(i); });
  if (name == "epc_start_word") return choose({"4", "6"}, [&](int i) { form.epcStartWord = i; });
  if (name == "wiegand_type") return choose({"26", "34"}, [&](int i) { form.wiegandType = i; });
  if (name == "vehicle_detector") return choose({"off", "on"}, [&](int i) { form.vehicleDetector = i == 1; });
  return false;
}

// By SettingsField; the current address is the reader's own, never named.
const char* const kFieldNames[] = {"", "new_id", "relay_time", "master_card", "trigger_time"};

QString FieldName(SettingsField field) { return QLatin1String(kFieldNames[static_cast<int>(field)]); }

std::optional<ReaderRow> Settings(Job& job, ExchangeEnv& env, int id, bool write) {
  const DeviceModel model = job.options.model;
  const SettingsRead read = ReadSettings(env, id, model);
  if (read.outcome != Outcome::Ok)
    return Failed(id, Reason(read.outcome), QStringLiteral("no settings read (%1)").arg(Reason(read.outcome)));
  const ReceivedSettings s = InterpretSettings(read.reply, model);
  SettingsForm form{.oldId = QString::number(id),
                    .newId = QString::number(s.address),
                    .relayTime = QString::number(s.relayTime),
                    .masterCard = s.masterCard ? QString::number(*s.masterCard) : QString(),
                    .triggerTime = QString::number(s.triggerTime.value_or(5)),
                    .entry = s.recordType == 1,
                    .runMode = s.runMode.value_or(RunMode::StandAlone),
                    .epcStartWord = s.epcStartWord.value_or(0),
                    .wiegandType = s.wiegandType.value_or(0),
                    .vehicleDetector = s.vehicleDetector.value_or(false)};
  int address = id;
  if (write) {
    for (const auto& [name, value] : job.fields) ApplyField(form, name, value);
    const SettingsCheck check = CheckSettingsForm(form, model);
    if (check.invalid)
      return Failed(id, QStringLiteral("invalid value"),
                    QStringLiteral("its %1 cannot be sent").arg(FieldName(*check.invalid)));
    const Outcome outcome = WriteSettings(env, check.record);
    if (outcome != Outcome::Ok)
      return Failed(id, Reason(outcome), QStringLiteral("settings not written (%1)").arg(Reason(outcome)));
    address = check.record.newId.value();
    form.runMode = static_cast<RunMode>(check.record.runMode);
    form.relayTime = QString::number(check.record.relayTime);
  }
  ReaderRow r{id};
  r.set("new_id", write ? address : static_cast<int>(s.address)).set("relay_time", form.relayTime.toInt());
  r.set("record_type", form.entry ? "entry" : "exit").set("run_mode", RunModeName(form.runMode));
  r.set("master_card", form.masterCard);
  if (Facts(model).layout != SettingsLayout::Basic)
    r.set("epc_start_word", form.epcStartWord ? 6 : 4).set("wiegand_type", form.wiegandType ? 34 : 26);
  if (Facts(model).layout == SettingsLayout::WiegandAndDetector)
    r.set("vehicle_detector", form.vehicleDetector).set("trigger_time", form.triggerTime.toInt());
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
    if (eq < 0 || !ApplyField(probe, name, op.mid(eq + 1))) {
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
    *why = QStringLiteral("invalid value for %1").arg(FieldName(*check.invalid));
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
