#include "linefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>
#include <set>

#include "settingsfields.h"

namespace tessaro {

const LineEntry* LineFile::find(int address) const {
  for (const LineEntry& e : readers)
    if (e.address == address) return &e;
  return nullptr;
}

std::vector<DeviceModel> ModelsNamed(const QString& name) {
  if (const std::optional<DeviceModel> model = ModelFromName(name)) return {*model};
  for (int i = 0; i < kModelCount; ++i) {
    const std::vector<DeviceModel> family = ModelsWithReplyLength(Facts(static_cast<DeviceModel>(i)).settingsReplyLength);
    if (FamilyName(family) == name.trimmed()) return family;
  }
  return {};
}

QByteArray LineFileBytes(const LineFile& file) {
  QJsonArray readers;
  for (const LineEntry& e : file.readers) {
    QJsonObject o = e.settings;
    o["address"] = e.address;
    o["model"] = e.model;
    if (e.cards) {
      QJsonArray cards;
      for (const quint32 c : *e.cards) cards.append(static_cast<double>(c));
      o["cards"] = cards;
    }
    readers.append(o);
  }
  // Qt writes the keys of an object in a fixed order and every array element
  // on a line of its own: a card more or less is a one-line difference.
  return QJsonDocument(QJsonObject{{"format", kLineFileFormat}, {"link", file.link}, {"readers", readers}})
      .toJson(QJsonDocument::Indented);
}

namespace {

using Result = std::variant<LineFile, LineFileProblem>;

using K = LineFileProblem::Kind;

LineFileProblem Problem(K kind, int address, const QString& field, const QString& value = {}) {
  return {kind, address, field, value};
}

std::optional<LineFileProblem> ReadEntry(const QJsonObject& o, DeviceModel preferred, LineEntry* e) {
  const QJsonValue address = o.value("address");
  const double a = address.toDouble(-1);
  if (!address.isDouble() || a != static_cast<int>(a) || a < 1 || a > 255)
    return Problem(K::BadAddress, -1, "address", address.toVariant().toString());
  e->address = static_cast<int>(a);
  e->model = o.value("model").toString();
  e->models = ModelsNamed(e->model);
  if (e->models.empty())
    return Problem(K::UnknownModel, e->address, "model", e->model);
  e->readAs = ModelOfFamily(e->models, preferred);
  const QStringList settingsFields = SettingsFieldNames(e->readAs);
  // The reader's own settings stand where the entry says nothing; the fields
  // it gives must pass the same check as a settings write.
  // Online, so that a relay time is checked whatever the reader's run mode is.
  SettingsForm probe{.oldId = "1", .newId = "1", .relayTime = "1", .masterCard = "0", .triggerTime = "5",
                     .runMode = RunMode::Online};
  for (auto it = o.begin(); it != o.end(); ++it) {
    const QString& key = it.key();
    if (key == "address" || key == "model" || key == "cards") continue;
    if (!settingsFields.contains(key))
      return Problem(K::UnknownField, e->address, key);
    if (!ApplySettingsField(probe, key, it.value()))
      return Problem(K::BadValue, e->address, key, it.value().toVariant().toString());
    e->settings[key] = it.value();
  }
  if (probe.runMode == RunMode::ReadOnly && !Facts(e->readAs).readOnlyMode)
    return Problem(K::NoReadOnly, e->address, "run_mode", QLatin1String(Facts(e->readAs).name));
  if (const SettingsCheck check = CheckSettingsForm(probe, e->readAs); check.invalid)
    return Problem(K::BadValue, e->address, SettingsFieldName(*check.invalid),
                   o.value(SettingsFieldName(*check.invalid)).toVariant().toString());
  if (!o.contains("cards")) return std::nullopt;
  if (!o.value("cards").isArray()) return Problem(K::BadCard, e->address, "cards", o.value("cards").toVariant().toString());
  std::set<quint32> cards;
  for (const QJsonValue& c : o.value("cards").toArray()) {
    const double v = c.toDouble(-1);
    if (!c.isDouble() || v != static_cast<qint64>(v) || v < 0 || v > 4294967295.0)
      return Problem(K::BadCard, e->address, "cards", c.toVariant().toString());
    cards.insert(static_cast<quint32>(v));
  }
  if (static_cast<qint64>(cards.size()) > Facts(e->readAs).cardLimit)
    return Problem(K::TooManyCards, e->address, "cards", QString::number(cards.size()));
  e->cards = std::vector<quint32>(cards.begin(), cards.end());
  return std::nullopt;
}

}  // namespace

Result ParseLineFile(const QByteArray& bytes, DeviceModel preferred) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError)
    return Problem(K::NotJson, -1, {}, QString::number(error.offset));
  if (!doc.isObject()) return Problem(K::NotLineFile, -1, {});
  const QJsonObject root = doc.object();
  for (const QString& key : root.keys())
    if (key != "format" && key != "link" && key != "readers")
      return Problem(K::UnknownField, -1, key);
  if (root.value("format") != QJsonValue(kLineFileFormat))
    return Problem(K::UnknownFormat, -1, "format", root.value("format").toVariant().toString());
  if (!root.value("readers").isArray()) return Problem(K::NotLineFile, -1, "readers");
  LineFile file;
  file.link = root.value("link").toString();
  for (const QJsonValue& v : root.value("readers").toArray()) {
    if (!v.isObject()) return Problem(K::NotLineFile, -1, "readers");
    LineEntry e;
    if (const std::optional<LineFileProblem> p = ReadEntry(v.toObject(), preferred, &e)) return *p;
    if (file.find(e.address)) return Problem(K::TwoEntries, e.address, "address");
    file.readers.push_back(std::move(e));
  }
  std::sort(file.readers.begin(), file.readers.end(),
            [](const LineEntry& a, const LineEntry& b) { return a.address < b.address; });
  return file;
}

bool SaveLineFile(const QString& path, const LineFile& file, QString* error) {
  QSaveFile out(path);
  const QByteArray bytes = LineFileBytes(file);
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit()) return true;
  *error = out.errorString();
  return false;
}

}  // namespace tessaro
