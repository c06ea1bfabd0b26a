// The text helpers and the parsers of numbers typed by the user or read from replies.
// Input: one byte choosing the text's encoding, two bytes of width, then the text.

#include <cmath>
#include <limits>

#include "fuzz/fuzzinput.h"
#include "textformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  fuzz::FuzzInput in(data, size);
  const uint8_t mode = in.byte();
  const auto width = static_cast<int>(in.integer<qint16>() % 64);
  const QByteArrayView bytes = in.rest();
  // Boxes hold Unicode, reply fields Latin-1 bytes: try both readings.
  const QString text = (mode & 1) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);

  const auto numeric = NumericValue(text);
  FUZZ_CHECK(IsNumeric(text) == numeric.has_value());
  if (numeric) FUZZ_CHECK(std::isfinite(*numeric));
  FUZZ_CHECK(std::isfinite(LeadingNumber(text)));

  const qint16 i16 = ToInt16(text);
  if (!numeric) FUZZ_CHECK(i16 == 0);
  else if (std::fabs(*numeric) < 30000) FUZZ_CHECK(i16 == static_cast<qint16>(RoundHalfEven(*numeric)));
  const quint16 port = PortNumberFromText(text);
  const double leading = RoundHalfEven(LeadingNumber(text));
  FUZZ_CHECK(port == (leading >= 1 && leading <= 65535 ? leading : 0));

  const qint64 field = DecimalField(bytes);
  FUZZ_CHECK(field >= 0);

  // The formatting helpers on values taken from the same input.
  const QString dec3 = FormatDec3(i16);
  if (i16 >= 0 && i16 <= 255) FUZZ_CHECK(dec3.size() == 3);
  else FUZZ_CHECK(dec3 == QString::number(i16));
  const QString hex = FormatHex8(static_cast<qint32>(field));
  FUZZ_CHECK(hex.size() == 8);
  const QString padded = PadZerosLeft(field, width);
  FUZZ_CHECK(padded.size() == qMax(width, 0));
  const QString paddedNeg = PadZerosLeft(-static_cast<qint64>(i16), width);
  FUZZ_CHECK(paddedNeg.size() == qMax(width, 0));
  return 0;
}
