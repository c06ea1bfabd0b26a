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

LineFileProblem Problem(int address, const QString& field, const QString& what) { return {address, field, what}; }

std::optional<LineFileProblem> ReadEntry(const QJsonObject& o, DeviceModel preferred, LineEntry* e) {
  const QJsonValue address = o.value("address");
  const double a = address.toDouble(-1);
  if (!address.isDouble() || a != static_cast<int>(a) || a < 1 || a > 255)
    return Problem(-1, "address", QStringLiteral("not a reader address from 1 to 255"));
  e->address = static_cast<int>(a);
  e->model = o.value("model").toString();
  e->models = ModelsNamed(e->model);
  if (e->models.empty())
    return Problem(e->address, "model", QStringLiteral("'%1' names no model and no family").arg(e->model));
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
      return Problem(e->address, key, QStringLiteral("not a field of a %1's entry").arg(e->model));
    if (!ApplySettingsField(probe, key, it.value()))
      return Problem(e->address, key, QStringLiteral("not one of its values"));
    e->settings[key] = it.value();
  }
  if (probe.runMode == RunMode::ReadOnly && !Facts(e->readAs).readOnlyMode)
    return Problem(e->address, "run_mode",
                   QStringLiteral("%1 has no read-only run mode").arg(QLatin1String(Facts(e->readAs).name)));
  if (const SettingsCheck check = CheckSettingsForm(probe, e->readAs); check.invalid)
    return Problem(e->address, SettingsFieldName(*check.invalid), QStringLiteral("a value the reader does not take"));
  if (!o.contains("cards")) return std::nullopt;
  if (!o.value("cards").isArray()) return Problem(e->address, "cards", QStringLiteral("not a list of card numbers"));
  std::set<quint32> cards;
  for (const QJsonValue& c : o.value("cards").toArray()) {
    const double v = c.toDouble(-1);
    if (!c.isDouble() || v != static_cast<qint64>(v) || v < 0 || v > 4294967295.0)
      return Problem(e->address, "cards", QStringLiteral("'%1' is not a card number").arg(c.toVariant().toString()));
    cards.insert(static_cast<quint32>(v));
  }
  if (static_cast<qint64>(cards.size()) > Facts(e->readAs).cardLimit)
    return Problem(e->address, "cards",
                   QStringLiteral("%1 cards, more than a %2 holds (%3)")
                       .arg(cards.size())
                       .arg(QLatin1String(Facts(e->readAs).name))
                       .arg(Facts(e->readAs).cardLimit));
  e->cards = std::vector<quint32>(cards.begin(), cards.end());
  return std::nullopt;
}

}  // namespace

Result ParseLineFile(const QByteArray& bytes, DeviceModel preferred) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError)
    return Problem(-1, {}, QStringLiteral("not JSON at character %1: %2").arg(error.offset).arg(error.errorString()));
  if (!doc.isObject()) return Problem(-1, {}, QStringLiteral("not a JSON object"));
  const QJsonObject root = doc.object();
  for (const QString& key : root.keys())
    if (key != "format" && key != "link" && key != "readers")
      return Problem(-1, key, QStringLiteral("not a field of a line file"));
  if (root.value("format") != QJsonValue(kLineFileFormat))
    return Problem(-1, "format", QStringLiteral("format %1 is not known; this program reads format %2")
                                     .arg(root.value("format").toVariant().toString())
                                     .arg(kLineFileFormat));
  if (!root.value("readers").isArray()) return Problem(-1, "readers", QStringLiteral("not a list of readers"));
  LineFile file;
  file.link = root.value("link").toString();
  for (const QJsonValue& v : root.value("readers").toArray()) {
    if (!v.isObject()) return Problem(-1, "readers", QStringLiteral("an entry that is not a JSON object"));
    LineEntry e;
    if (const std::optional<LineFileProblem> p = ReadEntry(v.toObject(), preferred, &e)) return *p;
    if (file.find(e.address)) return Problem(e.address, "address", QStringLiteral("two entries for one address"));
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
