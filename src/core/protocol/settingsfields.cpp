#include "settingsfields.h"

#include <QJsonValue>

namespace tessaro {

namespace {

const char* const kRunModes[] = {"stand-alone", "online", "read-only"};

// The index of `word` among `words`, or -1.
template <size_t N>
int Choice(const char* const (&words)[N], const QString& word) {
  for (size_t i = 0; i < N; ++i)
    if (word == QLatin1String(words[i])) return static_cast<int>(i);
  return -1;
}

}  // namespace

QStringList SettingsFieldNames(DeviceModel model) {
  QStringList names = {"relay_time", "record_type", "run_mode", "master_card"};
  if (Facts(model).wiegand()) names << "epc_start_word" << "wiegand_type";
  if (Facts(model).vehicleDetector()) names << "vehicle_detector" << "trigger_time";
  return names;
}

QString SettingsFieldName(SettingsField field) {
  switch (field) {
    case SettingsField::OldId: break;
    case SettingsField::NewId: return QStringLiteral("new_id");
    case SettingsField::RelayTime: return QStringLiteral("relay_time");
    case SettingsField::MasterCard: return QStringLiteral("master_card");
    case SettingsField::TriggerTime: return QStringLiteral("trigger_time");
  }
  return {};
}

SettingsForm FormOf(const ReceivedSettings& s, DeviceId deviceId) {
  return SettingsForm{.oldId = QString::number(deviceId.value()),
                      .newId = QString::number(s.address),
                      .relayTime = QString::number(s.relayTime),
                      .masterCard = s.masterCard ? QString::number(*s.masterCard) : QString(),
                      .triggerTime = QString::number(s.triggerTime.value_or(5)),
                      .entry = s.recordType == 1,
                      .runMode = s.runMode.value_or(RunMode::StandAlone),
                      .epcStartWord = s.epcStartWord.value_or(0),
                      .wiegandType = s.wiegandType.value_or(0),
                      .vehicleDetector = s.vehicleDetector.value_or(false)};
}

bool ApplySettingsField(SettingsForm& form, const QString& name, const QString& text) {
  const QString v = text.trimmed().toLower();
  if (name == "new_id") return form.newId = text, true;
  if (name == "relay_time") return form.relayTime = text, true;
  if (name == "master_card") return form.masterCard = text, true;
  if (name == "trigger_time") return form.triggerTime = text, true;
  int i = -1;
  if (name == "record_type" && (i = Choice({"entry", "exit"}, v)) >= 0) return form.entry = i == 0, true;
  if (name == "run_mode" && (i = Choice(kRunModes, v)) >= 0) return form.runMode = static_cast<RunMode>(i), true;
  if (name == "epc_start_word" && (i = Choice({"4", "6"}, v)) >= 0) return form.epcStartWord = i, true;
  if (name == "wiegand_type" && (i = Choice({"26", "34"}, v)) >= 0) return form.wiegandType = i, true;
  // Shown as on or off; the other spellings earlier versions showed are taken as well.
  if (name == "vehicle_detector" && (i = Choice({"off", "on", "no", "yes", "false", "true"}, v)) >= 0)
    return form.vehicleDetector = i % 2 == 1, true;
  return false;
}

bool ApplySettingsField(SettingsForm& form, const QString& name, const QJsonValue& value) {
  if (name == "vehicle_detector" && value.isBool())
    return ApplySettingsField(form, name, QString::fromLatin1(value.toBool() ? "on" : "off"));
  if (value.isDouble()) {
    // Only the fields that hold numbers take one; a whole number shows without a fraction.
    if (name == "record_type" || name == "run_mode") return false;
    return ApplySettingsField(form, name, QString::number(value.toDouble(), 'g', 16));
  }
  return value.isString() && ApplySettingsField(form, name, value.toString());
}

QJsonObject SettingsJson(const SettingsForm& form, DeviceModel model) {
  QJsonObject o;
  o["relay_time"] = form.relayTime.toInt();
  o["record_type"] = QLatin1String(form.entry ? "entry" : "exit");
  o["run_mode"] = QLatin1String(kRunModes[static_cast<int>(form.runMode)]);
  o["master_card"] = form.masterCard;
  if (Facts(model).wiegand()) {
    o["epc_start_word"] = form.epcStartWord ? 6 : 4;
    o["wiegand_type"] = form.wiegandType ? 34 : 26;
  }
  if (Facts(model).vehicleDetector()) {
    o["vehicle_detector"] = QLatin1String(form.vehicleDetector ? "on" : "off");
    o["trigger_time"] = form.triggerTime.toInt();
  }
  return o;
}

QJsonObject SettingsJson(const ReceivedSettings& s, const ReaderModel& model) {
  if (model.none()) return {};
  QJsonObject o = SettingsJson(FormOf(s, 0), model.candidates().front());
  if (!s.masterCard) o["master_card"] = QJsonValue::Null;
  if (!s.runMode) o["run_mode"] = QJsonValue::Null;
  if (o.contains("epc_start_word") && !s.epcStartWord) o["epc_start_word"] = o["wiegand_type"] = QJsonValue::Null;
  if (o.contains("vehicle_detector") && !s.vehicleDetector) o["vehicle_detector"] = o["trigger_time"] = QJsonValue::Null;
  return o;
}

std::optional<FieldRefusal> RefusedField(const QStringList& named, const SettingsForm& wanted, DeviceModel model,
                                         bool runModeKnown) {
  const ModelFacts& f = Facts(model);
  const QStringList fields = SettingsFieldNames(model);
  for (const QString& name : named) {
    if (name != "new_id" && !fields.contains(name)) return FieldRefusal{FieldRefusal::NotOnModel, name};
    if (name == "run_mode" && wanted.runMode == RunMode::ReadOnly && !f.readOnlyMode)
      return FieldRefusal{FieldRefusal::NoReadOnly, name};
  }
  // A relay time the write would replace with 1 is not the one named.
  const bool takesRelay = wanted.runMode == RunMode::Online ||
                          (wanted.runMode == RunMode::StandAlone ? f.relayTimeInStandAlone : f.readOnlyMode);
  if (runModeKnown && named.contains("relay_time") && !takesRelay && NumberInRange(wanted.relayTime, 1, 64) != 1)
    return FieldRefusal{FieldRefusal::NoRelayTime, QStringLiteral("relay_time")};
  return std::nullopt;
}

}  // namespace tessaro
