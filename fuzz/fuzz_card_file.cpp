// The card file reader: any bytes give a list, and writing that list back and
// reading it again gives the same list.

#include "cardfile.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList entries = ParseCardFile(bytes);
  for (const QString& e : entries) {
    FUZZ_CHECK(!e.contains(QLatin1Char('\r')) && !e.contains(QLatin1Char('\n')));
    FUZZ_CHECK(!e.startsWith(QLatin1Char(' ')) && !e.endsWith(QLatin1Char(' ')));
  }
  FUZZ_CHECK(ParseCardFile(CardFileBytes(entries)) == entries);
  return 0;
}
