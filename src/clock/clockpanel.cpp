#include "clock/clockpanel.h"

namespace tessaro {

ClockPanel::ClockPanel(AppContext& ctx) : ctx_(ctx) {}

}  // namespace tessaro
