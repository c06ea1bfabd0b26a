#include "texts.h"

namespace tessaro::text {

QString CardLimit(int limit) { return QStringLiteral("En fazla %1 kart ekleyebilirsiniz").arg(limit); }

}  // namespace tessaro::text
