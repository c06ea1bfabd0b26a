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

QString LinkText(bool tcp, const QString& host, quint16 tcpPort, const QString& serialDevice) {
  return tcp ? QStringLiteral("tcp %1:%2").arg(host).arg(tcpPort) : QStringLiteral("serial %1").arg(serialDevice);
}

QString LineEntry::firstWritten() const {
  if (!settings.isEmpty()) return settings.begin().key();
  return cards ? QStringLiteral("cards") : QString();
}

QByteArray LineFileBytes(const LineFile& file) {
  QJsonArray readers;
  for (const LineEntry& e : file.readers) {
    QJsonObject o = e.settings;
    o["address"] = e.address;
    if (e.model.known()) {
      o["model"] = e.model.name();
    } else {
      QJsonArray candidates;
      for (const DeviceModel m : e.model.candidates()) candidates.append(QLatin1String(Facts(m).name));
      o["model"] = candidates;
    }
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

// The models of the entry's "model": one name, an old file's family name, or a list of names.
std::vector<DeviceModel> EntryModels(const QJsonValue& v) {
  if (!v.isArray()) return ModelsNamed(v.toString());
  std::vector<DeviceModel> models;
  for (const QJsonValue& name : v.toArray()) {
    const std::optional<DeviceModel> m = ModelFromName(name.toString());
    if (!m || !name.isString()) return {};
    models.push_back(*m);
  }
  return models;
}

QString ModelText(const QJsonValue& v) {
  if (!v.isArray()) return v.toVariant().toString();
  QStringList names;
  for (const QJsonValue& name : v.toArray()) names << name.toVariant().toString();
  return names.join(QStringLiteral(", "));
}

std::optional<LineFileProblem> ReadEntry(const QJsonObject& o, const std::function<ReaderModel(int)>& given, LineEntry* e) {
  const QJsonValue address = o.value("address");
  const double a = address.toDouble(-1);
  if (!address.isDouble() || a != static_cast<int>(a) || a < 1 || a > 255)
    return Problem(K::BadAddress, -1, "address", address.toVariant().toString());
  e->address = static_cast<int>(a);
  const ReaderModel inFile = ReaderModel::Among(EntryModels(o.value("model")));
  if (inFile.none()) return Problem(K::UnknownModel, e->address, "model", ModelText(o.value("model")));
  e->model = given ? inFile.within(given(e->address)) : inFile;
  if (e->model.none()) return Problem(K::ModelConflict, e->address, "model", given(e->address).name());
  // Where only candidates are known, a field must be one that every one of them has.
  QStringList settingsFields = SettingsFieldNames(e->model.model());
  for (const DeviceModel m : e->model.candidates()) {
    const QStringList theirs = SettingsFieldNames(m);
    settingsFields.removeIf([&](const QString& f) { return !theirs.contains(f); });
  }
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
  if (const SettingsCheck check = CheckSettingsForm(probe, e->model.model()); check.invalid)
    return Problem(K::BadValue, e->address, SettingsFieldName(*check.invalid),
                   o.value(SettingsFieldName(*check.invalid)).toVariant().toString());
  if (e->model.known()) {
    const QString name = QLatin1String(Facts(e->model.model()).name);
    if (const std::optional<FieldRefusal> r =
            RefusedField(e->settings.keys(), probe, e->model.model(), e->settings.contains("run_mode")))
      return Problem(r->kind == FieldRefusal::NoReadOnly ? K::NoReadOnly : K::NoRelayTime, e->address, r->field, name);
  }
  if (!o.contains("cards")) return std::nullopt;
  if (!o.value("cards").isArray()) return Problem(K::BadCard, e->address, "cards", o.value("cards").toVariant().toString());
  std::set<quint32> cards;
  for (const QJsonValue& c : o.value("cards").toArray()) {
    const double v = c.toDouble(-1);
    if (!c.isDouble() || v != static_cast<qint64>(v) || v < 0 || v > 4294967295.0)
      return Problem(K::BadCard, e->address, "cards", c.toVariant().toString());
    cards.insert(static_cast<quint32>(v));
  }
  // Beyond every candidate's memory: too many whichever model it is.
  int most = 0;
  for (const DeviceModel m : e->model.candidates()) most = std::max<int>(most, Facts(m).cardLimit);
  if (static_cast<qint64>(cards.size()) > most)
    return Problem(K::TooManyCards, e->address, "cards", QString::number(cards.size()));
  e->cards = std::vector<quint32>(cards.begin(), cards.end());
  return std::nullopt;
}

}  // namespace

Result ParseLineFile(const QByteArray& bytes, const std::function<ReaderModel(int)>& given) {
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
    if (const std::optional<LineFileProblem> p = ReadEntry(v.toObject(), given, &e)) return *p;
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
