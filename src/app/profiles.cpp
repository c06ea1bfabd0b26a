#include "app/profiles.h"

namespace tessaro {

const std::array<DeviceProfile, kModelCount>& DeviceProfiles() {
  using M = DeviceModel;
  using L = SettingsLayout;
  // clang-format off
  static const std::array<DeviceProfile, kModelCount> table{{
    //  model    caption                  type      limit  R-O    recvAll special wieg   loop   layout                   len early  earlyScan
    {M::TS20,  "TS-20",                 "TS-20",  255,  false, false, false, false, false, L::Basic,              27, true,  true},
    {M::TS30H, "TS-30H",                "TS-30H", 2000, false, false, false, false, false, L::Basic,              28, false, false},
    {M::TS30P, "TS-30P",                "TS-30P", 2000, false, false, true,  false, false, L::Basic,              28, false, false},
    {M::TS40,  "TS-40",                 "TS-40",  2000, true,  true,  false, false, false, L::Basic,              28, false, false},
    {M::TS40B, "TS-40B",                "TS-40B", 5000, true,  true,  false, false, false, L::Basic,              28, false, false},
    {M::TS20B, "TS-20B",                "TS-20B", 255,  true,  true,  false, false, false, L::Basic,              28, true,  false},
    {M::TS90,  "TS-90",                 "TS-90",  2000, true,  true,  false, false, false, L::Basic,              28, false, false},
    {M::TS90B, "TS-90B",                "TS-90B", 2000, true,  true,  false, true,  false, L::WiegandOnly,        30, false, false},
    {M::TS90C, "TS-90C (Command Mode)", "TS-90C", 2000, true,  true,  false, true,  true,  L::WiegandAndDetector, 32, false, false},
  }};
  // clang-format on
  return table;
}

const DeviceProfile& ProfileOf(DeviceModel model) { return DeviceProfiles()[static_cast<int>(model)]; }

bool ModelFromName(const QString& name, DeviceModel* out) {
  auto norm = [](QString s) { return s.remove(QLatin1Char('-')).remove(QLatin1Char(' ')).toUpper(); };
  const QString wanted = norm(name);
  for (const DeviceProfile& p : DeviceProfiles()) {
    if (norm(QString::fromLatin1(p.typeText)) == wanted || norm(QString::fromLatin1(p.optionCaption)) == wanted) {
      *out = p.model;
      return true;
    }
  }
  return false;
}

}  // namespace tessaro
