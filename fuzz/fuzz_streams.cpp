// The two reply streams, "%UC" cards and "%DD" records, through the stream
// exchange: fed in pieces they must give the same lines, cards and records and
// end the same way as in one piece, within their limits.
// Input: one byte of piece length, one byte choosing the stream, then the stream.

#include <vector>

#include "cards.h"
#include "fuzz/fuzzenv.h"
#include "fuzz/fuzzinput.h"
#include "records.h"

namespace {

using namespace tessaro;

struct Cards {
  CardsRead read;
  std::vector<quint32> cards;
};

Cards ReadAll(const QByteArray& stream, qsizetype piece) {
  fuzz::ReplyEnv reader(stream, piece);
  ExchangeEnv env = reader.env();
  Cards out;
  out.read = ReadCards(
      env, 1, [&](const std::vector<quint32>& got) { out.cards.insert(out.cards.end(), got.begin(), got.end()); });
  return out;
}

Download DownloadAll(const QByteArray& stream, qsizetype piece) {
  fuzz::ReplyEnv reader(stream, piece);
  ExchangeEnv env = reader.env();
  return DownloadRecords(env, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const qsizetype piece = 1 + in.byte() % 32;
  const bool records = in.byte() & 1;
  const QByteArray stream = in.rest().toByteArray();
  if (!records) {
    const Cards whole = ReadAll(stream, stream.size() + 1);
    const Cards split = ReadAll(stream, piece);
    FUZZ_CHECK(split.read.end == whole.read.end && split.read.lines == whole.read.lines);
    FUZZ_CHECK(split.cards == whole.cards);
    FUZZ_CHECK(whole.read.lines <= kMaxCardLines + 1);
    FUZZ_CHECK(static_cast<int>(whole.cards.size()) <= whole.read.lines);
    DecodeCardLine(stream);
    return 0;
  }
  const Download whole = DownloadAll(stream, stream.size() + 1);
  const Download split = DownloadAll(stream, piece);
  FUZZ_CHECK(split.end == whole.end && split.records.size() == whole.records.size());
  FUZZ_CHECK(static_cast<int>(whole.records.size()) <= kMaxDownloadFrames);
  if (whole.end == StreamEnd::Silence) FUZZ_CHECK(whole.records.empty());
  for (size_t i = 0; i < whole.records.size(); ++i) {
    const OfflineRecord& r = whole.records[i];
    FUZZ_CHECK(r.cardNumber <= 999999999);
    FUZZ_CHECK(r.cardNumber == split.records[i].cardNumber && r.rawStamp == split.records[i].rawStamp);
  }
  return 0;
}
