#include "settings/settingspanel.h"

namespace tessaro {

SettingsPanel::SettingsPanel(AppContext& ctx) : ctx_(ctx) {}

}  // namespace tessaro
