#include "simmodels.h"

#include <array>

namespace tessaro::sim {

namespace {

using M = SimModel;
using L = SimLayout;

// clang-format off
const std::array<SimModelInfo, kSimModelCount> kModels{{
  // model    name      caption                  cards  R-O    layout                 %US  master
  {M::TS20,  "TS-20",  "TS-20",                  255, false, L::Basic,              27, 15},
  {M::TS30H, "TS-30H", "TS-30H",                2000, false, L::Basic,              28, 16},
  {M::TS30P, "TS-30P", "TS-30P",                2000, false, L::Basic,              28, 16},
  {M::TS40,  "TS-40",  "TS-40",                 2000, true,  L::Basic,              28, 16},
  {M::TS40B, "TS-40B", "TS-40B",                5000, true,  L::Basic,              28, 16},
  {M::TS20B, "TS-20B", "TS-20B",                 255, true,  L::Basic,              28, 15},
  {M::TS90,  "TS-90",  "TS-90",                 2000, true,  L::Basic,              28, 16},
  {M::TS90B, "TS-90B", "TS-90B",                2000, true,  L::WiegandOnly,        30, 16},
  {M::TS90C, "TS-90C", "TS-90C (Command Mode)", 2000, true,  L::WiegandAndDetector, 32, 16},
}};
// clang-format on

// Dashes, blanks and case do not matter, so "ts30p" and "TS-30P" name one model.
QString normalized(QString name) { return name.remove(QLatin1Char('-')).remove(QLatin1Char(' ')).toUpper(); }

}  // namespace

const SimModelInfo& InfoOf(SimModel model) { return kModels[static_cast<int>(model)]; }

bool SimModelFromName(const QString& name, SimModel* out) {
  const QString wanted = normalized(name);
  for (const SimModelInfo& m : kModels) {
    if (normalized(QString::fromLatin1(m.name)) == wanted || normalized(QString::fromLatin1(m.caption)) == wanted) {
      *out = m.model;
      return true;
    }
  }
  return false;
}

}  // namespace tessaro::sim
