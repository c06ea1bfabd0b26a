// The record counter reply, read through the %RC exchange.

#include "fuzz/fuzzenv.h"
#include "fuzz/fuzzinput.h"
#include "records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  fuzz::ReplyEnv reader(received);
  ExchangeEnv env = reader.env();
  const std::optional<int> count = ReadRecordCount(env, 1);
  // The four counter characters are read as any numeric text ("20E4" too), so
  // only the lower bound is fixed.
  if (count) FUZZ_CHECK(*count >= 0);
  if (size < 13) FUZZ_CHECK(!count);
  return 0;
}
