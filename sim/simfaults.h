#pragma once
// A fault as the command line names it.

#include <QByteArray>
#include <QString>

#include "simtypes.h"

namespace tessaro::sim {

// Parses "CMD:KIND[:ARG]" as given to --fault ("DD:stopafter:3", "US:silence").
bool ParseFault(const QString& text, QByteArray* code, Fault* fault, QString* error);

}  // namespace tessaro::sim
