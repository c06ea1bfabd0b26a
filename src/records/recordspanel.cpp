#include "records/recordspanel.h"

namespace tessaro {

RecordsPanel::RecordsPanel(AppContext& ctx) : ctx_(ctx) {}

}  // namespace tessaro
