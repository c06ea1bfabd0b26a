// The %UC card stream: the collector fed in pieces must find the same cards and
// end the same way as when it gets the stream in one piece, and never hold more
// than one unfinished line.
// Input: one byte of piece length, then the stream.

#include <vector>

#include "cards/cardcommands.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  fuzz::FuzzInput in(data, size);
  const qsizetype piece = 1 + in.byte() % 32;
  const QByteArrayView stream = in.rest();

  CardStreamCollector whole;
  const std::vector<qint32> all = whole.feed(stream);

  CardStreamCollector split;
  std::vector<qint32> parts;
  for (qsizetype at = 0; at < stream.size(); at += piece) {
    const std::vector<qint32> got = split.feed(stream.sliced(at, qMin(piece, stream.size() - at)));
    parts.insert(parts.end(), got.begin(), got.end());
    FUZZ_CHECK(split.pendingBytes() <= kMaxPendingLine + piece);
  }
  FUZZ_CHECK(parts == all);
  FUZZ_CHECK(split.state() == whole.state());
  FUZZ_CHECK(split.lineCount() == whole.lineCount());
  FUZZ_CHECK(whole.lineCount() <= kMaxCardLines + 1);
  FUZZ_CHECK(static_cast<qsizetype>(all.size()) <= whole.lineCount());

  CardStreamCollector::decodeCardLine(stream);
  return 0;
}
