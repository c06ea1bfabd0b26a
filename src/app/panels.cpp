#include "app/mainwindow.h"
#include "cards/cardspanel.h"
#include "clock/clockpanel.h"
#include "records/recordspanel.h"
#include "settings/settingspanel.h"

namespace tessaro {

std::vector<std::unique_ptr<QObject>> CreatePanels(AppContext& ctx) {
  std::vector<std::unique_ptr<QObject>> panels;
  panels.push_back(std::make_unique<ClockPanel>(ctx));
  panels.push_back(std::make_unique<SettingsPanel>(ctx));
  panels.push_back(std::make_unique<CardsPanel>(ctx));
  panels.push_back(std::make_unique<RecordsPanel>(ctx));
  return panels;
}

}  // namespace tessaro
