#pragma once
// The request frame: "%" + code + three address digits + payload + "**" + CR,
// and the positional helpers every reply decoder uses.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include "deviceid.h"

namespace tessaro {

inline constexpr char ReplyMarker = '$';

QByteArray BuildRequest(QByteArrayView code, DeviceId deviceId, QByteArrayView payload = {});

// Position of the first "$" counted from 1, or 0 when there is none. Reply
// fields are given as offsets from this position, so a reply whose "$" was
// lost on the line is still read from its first character on.
qsizetype MarkerPosition(QByteArrayView received);

// Up to n characters from the 1-based position `start` (n < 0: to the end);
// empty when the text is shorter. Never reads outside the text.
QByteArrayView Mid1(QByteArrayView text, qsizetype start, qsizetype n = -1);

// The two characters after the first "$" (or the first two without one) equal `code`.
bool HasReplyCode(QByteArrayView received, QByteArrayView code);

// The readers' date and time field, DDMMYYhhmmss: day first, the year 20YY.
// Invalid unless the twelve characters are digits of a real date and time.
QDateTime ReaderStamp(QByteArrayView digits);

}  // namespace tessaro
