#include "models.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <array>

namespace tessaro {

const ModelFacts& Facts(DeviceModel model) {
  using L = SettingsLayout;
  // clang-format off
  static const std::array<ModelFacts, kModelCount> table{{
    // caption                  name      limit  R-O    relaySA cards  clock  layout                 len  early  earlyScan
    {"TS-20",                   "TS-20",  255,  false, false,  false, false, L::Basic,              27, true,  true},
    {"TS-30H",                  "TS-30H", 2000, false, false,  false, false, L::Basic,              28, false, false},
    {"TS-30P",                  "TS-30P", 2000, false, false,  false, true,  L::Basic,              28, false, false},
    {"TS-40",                   "TS-40",  2000, true,  true,   true,  false, L::Basic,              28, false, false},
    {"TS-40B",                  "TS-40B", 5000, true,  false,  true,  false, L::Basic,              28, false, false},
    {"TS-20B",                  "TS-20B", 255,  true,  false,  true,  false, L::Basic,              28, true,  false},
    {"TS-90",                   "TS-90",  2000, true,  false,  true,  false, L::Basic,              28, false, false},
    {"TS-90B",                  "TS-90B", 2000, true,  false,  true,  false, L::WiegandOnly,        30, false, false},
    {"TS-90C (Command Mode)",   "TS-90C", 2000, true,  false,  true,  false, L::WiegandAndDetector, 32, false, false},
  }};
  // clang-format on
  return table[static_cast<size_t>(model)];
}

namespace {
std::vector<DeviceModel> AllWhere(bool (*pick)(DeviceModel, qsizetype), qsizetype arg) {
  std::vector<DeviceModel> models;
  for (int i = 0; i < kModelCount; ++i)
    if (pick(static_cast<DeviceModel>(i), arg)) models.push_back(static_cast<DeviceModel>(i));
  return models;
}
}  // namespace

std::optional<DeviceModel> ModelFromName(QStringView name) {
  auto bare = [](QStringView s) { return s.toString().remove(u'-').remove(u' ').toUpper(); };
  const QString wanted = bare(name);
  for (int i = 0; i < kModelCount; ++i) {
    const auto model = static_cast<DeviceModel>(i);
    if (bare(QString::fromLatin1(Facts(model).name)) == wanted) return model;
  }
  return std::nullopt;
}

bool Can(DeviceModel model, Ability ability) {
  const ModelFacts& f = Facts(model);
  return ability == Ability::CardDownload ? f.cardDownload : f.clockAndRecords;
}

std::vector<DeviceModel> ModelsThatCan(Ability ability) {
  return AllWhere([](DeviceModel m, qsizetype a) { return Can(m, static_cast<Ability>(a)); },
                  static_cast<qsizetype>(ability));
}

std::vector<DeviceModel> ModelsToldByReplyThatCan(Ability ability) {
  std::vector<DeviceModel> told;
  for (const DeviceModel m : ModelsThatCan(ability))
    if (ModelsWithReplyLength(Facts(m).settingsReplyLength).size() == 1) told.push_back(m);
  return told;
}

QString ModelNames(const std::vector<DeviceModel>& models) {
  QStringList names;
  for (DeviceModel m : models) names << QLatin1String(Facts(m).name);
  return names.join(QStringLiteral(", "));
}

std::vector<DeviceModel> ModelsWithReplyLength(qsizetype length) {
  return AllWhere([](DeviceModel m, qsizetype n) { return Facts(m).settingsReplyLength == n; }, length);
}

QString FamilyName(const std::vector<DeviceModel>& family) {
  if (family.size() == 1) return QLatin1String(Facts(family.front()).name);
  // "30H" and "30P" are both "30"; a number of one model keeps its letters.
  static const QRegularExpression number(QStringLiteral("^TS-(\\d+)"));
  QStringList parts;
  for (DeviceModel m : family) {
    const QString name = QLatin1String(Facts(m).name);
    const QString digits = number.match(name).captured(1);
    const auto shared = std::count_if(family.begin(), family.end(), [&](DeviceModel other) {
      return number.match(QLatin1String(Facts(other).name)).captured(1) == digits;
    });
    const QString part = shared > 1 ? digits : name.mid(3);
    if (!parts.contains(part)) parts << part;
  }
  return parts.isEmpty() ? QString() : QStringLiteral("TS-") + parts.join(u'/');
}

ReaderModel::ReaderModel() {
  for (int i = 0; i < kModelCount; ++i) candidates_.push_back(static_cast<DeviceModel>(i));
}

ReaderModel::ReaderModel(DeviceModel model) : candidates_{model} {}

ReaderModel ReaderModel::Among(std::vector<DeviceModel> candidates) {
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  ReaderModel m;
  m.candidates_ = std::move(candidates);
  return m;
}

bool ReaderModel::includes(DeviceModel model) const {
  return std::find(candidates_.begin(), candidates_.end(), model) != candidates_.end();
}

ReaderModel ReaderModel::within(const ReaderModel& other) const {
  std::vector<DeviceModel> both;
  for (DeviceModel m : candidates_)
    if (other.includes(m)) both.push_back(m);
  return Among(std::move(both));
}

QString ReaderModel::name() const { return FamilyName(candidates_); }

bool ReaderModel::can(Ability ability) const {
  return !none() && std::all_of(candidates_.begin(), candidates_.end(), [ability](DeviceModel m) { return Can(m, ability); });
}

bool ReaderModel::mayCan(Ability ability) const {
  return std::any_of(candidates_.begin(), candidates_.end(), [ability](DeviceModel m) { return Can(m, ability); });
}

int ReaderModel::cardLimit() const {
  int limit = 0;
  for (DeviceModel m : candidates_) limit = limit == 0 ? Facts(m).cardLimit : std::min<int>(limit, Facts(m).cardLimit);
  return limit;
}

}  // namespace tessaro
