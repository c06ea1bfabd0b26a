// The %DD record stream and its conversion: the collector fed in pieces must
// keep the same frames and end the same way as with the stream in one piece;
// the conversion must count only well-formed frames and leave the table alone
// when none counts.
// Input: one byte of piece length, then the stream.

#include <memory>

#include "fuzz/fuzzinput.h"
#include "records/recordcommands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  fuzz::FuzzInput in(data, size);
  const qsizetype piece = 1 + in.byte() % 32;
  const QByteArrayView stream = in.rest();

  RecordFrameCollector whole;
  whole.feed(stream);
  RecordFrameCollector split;
  for (qsizetype at = 0; at < stream.size(); at += piece)
    split.feed(stream.sliced(at, qMin(piece, stream.size() - at)));
  FUZZ_CHECK(split.end() == whole.end());
  FUZZ_CHECK(split.frames() == whole.frames());
  FUZZ_CHECK(static_cast<int>(whole.frames().size()) <= kMaxDownloadFrames);
  for (const QByteArray& frame : whole.frames()) {
    FUZZ_CHECK(frame.startsWith('$') && frame.endsWith('\r'));
    FUZZ_CHECK(frame.size() <= kMaxPendingFrame + 1);
  }

  // The table is large; one per process, marked so an untouched entry shows.
  static auto table = std::make_unique<OfflineRecordTable>();
  for (OfflineRecord& r : *table) r.cardNumber = -7;
  int counting = 0;
  for (const QByteArray& frame : whole.frames()) {
    OfflineRecord r;
    if (ConvertRecordFrame(frame, &r)) {
      ++counting;
      FUZZ_CHECK(r.cardNumber >= 0 && r.cardNumber <= 999999999);
    }
  }
  const int n = ConvertRecordFrames(whole.frames(), *table);
  FUZZ_CHECK(n == (counting ? qMin(counting, kOfflineRecordCapacity) : -1));
  if (n < 0) FUZZ_CHECK((*table)[0].cardNumber == -7);
  return 0;
}
