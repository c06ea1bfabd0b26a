// The clock reply: the reader's time as the label shows it, straight from the
// received text and through the %UR exchange.

#include "clock.h"
#include "fuzz/fuzzenv.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = DeviceTimeText(received);
  // "dd/mm/20yy hh:mm:ss": the fields never grow past their widths.
  FUZZ_CHECK(text.size() <= 19);

  fuzz::ReplyEnv reader(received);
  ExchangeEnv env = reader.env();
  const ClockRead read = ReadClock(env, 1);
  if (read.outcome == Outcome::Ok) FUZZ_CHECK(read.deviceTime == text);
  else FUZZ_CHECK(read.deviceTime.isEmpty());
  return 0;
}
