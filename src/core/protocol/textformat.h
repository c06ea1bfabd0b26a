#pragma once
// Text helpers that build the numeric fields of requests and read the numbers
// the user types. Pure functions; they never fail.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace tessaro {

// Three decimal digits for 0..255, the plain decimal text otherwise ("-5", "300").
QString FormatDec3(qint16 value);

// Decimal text cut to its leftmost `width` characters or left-padded with "0".
// Takes 64-bit values because the access log applies the same rule to 32-bit card numbers.
QString PadZerosLeft(qint64 value, int width);

// Eight upper-case hexadecimal digits of the 32-bit two's complement.
QString FormatHex8(quint32 value);

// Round to the nearest integer, halves to the even neighbour (banker's rounding).
double RoundHalfEven(double value);

// The whole text (blanks around it allowed) reads as a number: optional sign,
// digits with an optional decimal point, optional exponent.
bool IsNumeric(QStringView text);

// The number that IsNumeric accepted; nullopt when it is not numeric.
std::optional<double> NumericValue(QStringView text);

// The leading number of the text: blanks are skipped, reading stops at the first
// character that cannot continue the number; no number gives 0.
double LeadingNumber(QStringView text);

// Numeric text rounded half to even into a signed 16-bit integer;
// text that is not numeric or does not fit leaves 0.
qint16 ToInt16(QStringView text);

// The txtPort rule: the leading number, half to even; 0 (no port) unless it
// is 1..65535.
quint16 PortNumberFromText(QStringView text);

// A decimal field of a reply: blanks ignored, digits only, stops at the first
// other character; no digit gives 0.
qint64 DecimalField(QByteArrayView text);

// The value of one to eight hexadecimal digits (either case); nullopt for
// anything else, an empty text included.
std::optional<quint32> HexNumber(QByteArrayView digits);

// A CSV field: quoted, with its quotes doubled, only when it holds a comma, a
// quote or a line break.
QString CsvField(const QString& text);

}  // namespace tessaro
