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
// for the choices, a boolean for the vehicle detector.
bool ApplySettingsField(SettingsForm& form, const QString& name, const QJsonValue& value);

// The model's fields of the form as JSON values.
QJsonObject SettingsJson(const SettingsForm& form, DeviceModel model);

}  // namespace tessaro
