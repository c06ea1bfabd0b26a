#pragma once
// The reader's settings as named fields: the one vocabulary that
// `tessaro-cli settings get --json`, `settings set FIELD=VALUE` and the line
// file share. Numbers are numbers, choices are words.

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "deviceid.h"
#include "models.h"
#include "settings.h"

namespace tessaro {

// The fields a model's settings have, in the order they are shown.
QStringList SettingsFieldNames(DeviceModel model);

// The name of a field the form check refuses ("relay_time", …; "" for the
// current address, which is never named).
QString SettingsFieldName(SettingsField field);

// The form as the reader's received settings fill it, addressed to `deviceId`.
SettingsForm FormOf(const ReceivedSettings& settings, DeviceId deviceId);

// Sets one named field from its text ("relay_time", "9"; "run_mode",
// "online"; "vehicle_detector", "on"). False, with the form unchanged, when
// the name is not a settings field or the word is not one of its choices;
// numbers are checked by CheckSettingsForm.
bool ApplySettingsField(SettingsForm& form, const QString& name, const QString& value);

// The same from a JSON value: a number or a string for the numbers, a string
// for the choices; the vehicle detector also takes a boolean, as earlier line files hold it.
bool ApplySettingsField(SettingsForm& form, const QString& name, const QJsonValue& value);

// The model's fields of the form as JSON values.
QJsonObject SettingsJson(const SettingsForm& form, DeviceModel model);
// A reader's received settings as JSON values; a field that is not known
// (read with a family, or no value at all) is null.
QJsonObject SettingsJson(const ReceivedSettings& settings, const ReaderModel& model);

// Why a settings write as `model` cannot carry a field as the user named it.
struct FieldRefusal {
  enum Kind {
    NotOnModel,   // the model has no such setting
    NoReadOnly,   // the model knows no Read-Only run mode
    NoRelayTime,  // in the form's run mode the model takes no relay time (it goes as 1)
  };
  Kind kind = NotOnModel;
  QString field;
};
// The first of the named fields that a write of `wanted` as `model` would not
// carry as named; nullopt when it carries them all. The relay time is judged
// in the form's run mode, so only where that is the one the write sends.
std::optional<FieldRefusal> RefusedField(const QStringList& named, const SettingsForm& wanted, DeviceModel model,
                                         bool runModeKnown = true);

}  // namespace tessaro
