#pragma once
// The readers' memory as JSON, so a demo keeps its cards and records between runs.

#include <QByteArray>
#include <QString>
#include <vector>

#include "simtypes.h"

namespace tessaro::sim {

QByteArray StateToJson(const std::vector<SimReader>& readers);
// False with a reason when the text is not a valid state; `out` is then unchanged.
bool StateFromJson(const QByteArray& json, std::vector<SimReader>* out, QString* error);

// A card file as the tool writes it: one decimal card number a line (negative
// numbers are the 32-bit two's complement). Blank lines are skipped.
bool ParseCardFile(const QByteArray& text, std::vector<quint32>* out, QString* error);

}  // namespace tessaro::sim
