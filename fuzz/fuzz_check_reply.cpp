// The reply check of the exchange, for every row of the command table, and the
// positional helpers every reply decoder reads fields with.
// Input: one byte choosing the row, two bytes of device ID, then the received text.

#include <array>

#include "exchange.h"
#include "frame.h"
#include "fuzz/fuzzinput.h"

namespace {

const std::array<const tessaro::Command*, 11> kRows = {
    &tessaro::Cmd::SetClock,
    &tessaro::Cmd::ReadClock,
    &tessaro::Cmd::ReadRecordCount,
    &tessaro::Cmd::EraseRecords,
    &tessaro::Cmd::EraseRecordsAfterDownload,
    &tessaro::Cmd::EraseCards,
    &tessaro::Cmd::ReadCards,
    &tessaro::Cmd::SendCard,
    &tessaro::Cmd::WriteSettings,
    &tessaro::Cmd::ReadSettings,
    &tessaro::Cmd::DownloadRecords,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  fuzz::FuzzInput in(data, size);
  const Command& row = *kRows[in.byte() % kRows.size()];
  const auto deviceId = in.integer<qint16>();
  const QByteArrayView received = in.rest();

  const bool ok = CheckReply(received, row, deviceId);
  if (row.check == ReplyCheck::CodeAfterMarker) FUZZ_CHECK(ok == HasReplyCode(received, QByteArrayView(row.code, 2)));
  // No check on a reply code accepts a text too short to hold one. (The echoed
  // address of an empty text reads as 0, so that check may pass for device 0.)
  if (received.size() < 2 && row.check != ReplyCheck::EchoedAddress) FUZZ_CHECK(!ok);

  const qsizetype p = MarkerPosition(received);
  FUZZ_CHECK(p >= 0 && p <= received.size());
  if (p > 0) FUZZ_CHECK(received[p - 1] == ReplyMarker);
  // Field reads at and past the end of the text stay inside it.
  for (qsizetype start : {p - 1, p, p + 1, p + 6, received.size(), received.size() + 1}) {
    for (qsizetype n : {qsizetype(-1), qsizetype(0), qsizetype(3), qsizetype(8)}) {
      const QByteArrayView f = Mid1(received, start, n);
      FUZZ_CHECK(f.isEmpty() ||
                 (f.data() >= received.data() && f.data() + f.size() <= received.data() + received.size()));
      if (n >= 0) FUZZ_CHECK(f.size() <= n);
    }
  }

  // The request built for this row is always a well-formed frame.
  const QByteArray request = BuildRequest(QByteArrayView(row.code, 2), deviceId);
  FUZZ_CHECK(request.startsWith('%') && request.endsWith("**\r"));
  return 0;
}
