#pragma once
// The card commands of the reader: write one card ("%NC"), stream the card
// memory back ("%UC") and erase it ("%EC").

#include <QByteArrayView>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

#include "exchange.h"

namespace tessaro {

// Reading stops once more than this many lines were taken.
inline constexpr int kMaxCardLines = 5000;

// Card numbers are unsigned 32-bit values, as printed on the cards.
// The card number a list entry sends: a number that rounds (half to even) into
// -2147483648 … 4294967295; a negative one, as lists and files of earlier
// versions hold them, is the card of the same 32 bits (-1 is 4294967295).
std::optional<quint32> CardNumberFromText(QStringView text);

// "%NC": Ok when the reader took the card. A reply with "E" where the "O" of
// acceptance stands says its card memory is full: BadReply, with *memoryFull set.
Outcome SendCard(ExchangeEnv& env, DeviceId deviceId, quint32 card, bool* memoryFull = nullptr);
Outcome EraseCards(ExchangeEnv& env, DeviceId deviceId);

// One complete card line ("$UC" + address + eight hex digits + "**" + CR): the
// card, or nullopt when the line does not have that layout.
std::optional<quint32> DecodeCardLine(QByteArrayView line);

struct CardsRead {
  StreamEnd end = StreamEnd::Silence;
  int lines = 0;  // card lines counted, those that failed the layout included
};
// Streams the reader's cards; `received` gets the cards of each piece of data
// in order, as they arrive.
CardsRead ReadCards(ExchangeEnv& env, DeviceId deviceId,
                    const std::function<void(const std::vector<quint32>&)>& received,
                    const std::function<bool()>& cancelled = {});

}  // namespace tessaro
