#include "models.h"

#include <QString>
#include <array>

namespace tessaro {

const ModelFacts& Facts(DeviceModel model) {
  using L = SettingsLayout;
  // clang-format off
  static const std::array<ModelFacts, kModelCount> table{{
    //  name      limit  R-O    relaySA layout                 len  early  earlyScan
    {"TS-20",   255,  false, false, L::Basic,              27, true,  true},
    {"TS-30H",  2000, false, false, L::Basic,              28, false, false},
    {"TS-30P",  2000, false, false, L::Basic,              28, false, false},
    {"TS-40",   2000, true,  true,  L::Basic,              28, false, false},
    {"TS-40B",  5000, true,  false, L::Basic,              28, false, false},
    {"TS-20B",  255,  true,  false, L::Basic,              28, true,  false},
    {"TS-90",   2000, true,  false, L::Basic,              28, false, false},
    {"TS-90B",  2000, true,  false, L::WiegandOnly,        30, false, false},
    {"TS-90C",  2000, true,  false, L::WiegandAndDetector, 32, false, false},
  }};
  // clang-format on
  return table[static_cast<size_t>(model)];
}

std::optional<DeviceModel> ModelFromName(QStringView name) {
  auto bare = [](QStringView s) { return s.toString().remove(u'-').remove(u' ').toUpper(); };
  const QString wanted = bare(name);
  for (int i = 0; i < kModelCount; ++i) {
    const auto model = static_cast<DeviceModel>(i);
    if (bare(QString::fromLatin1(Facts(model).name)) == wanted) return model;
  }
  return std::nullopt;
}

}  // namespace tessaro
