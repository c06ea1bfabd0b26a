#include "cards/cardspanel.h"

namespace tessaro {

CardsPanel::CardsPanel(AppContext& ctx) : ctx_(ctx) {}

}  // namespace tessaro
