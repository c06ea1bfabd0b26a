#pragma once
// The offline passage records kept by a reader: the record counter, the two
// erase forms and the download of every record.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <functional>
#include <optional>
#include <vector>

#include "exchange.h"

namespace tessaro {

// One passage as the reader reported it.
struct OfflineRecord {
  quint32 cardNumber = 0;
  // The passage time; invalid when the reader's twelve digits form no valid
  // date and time. Such a record keeps those digits (rawStamp) instead of
  // borrowing the stamp of another record.
  QDateTime stamp;
  QByteArray rawStamp;  // DDMMYYhhmmss exactly as received
  QByteArray frame;     // the whole frame as it came, kept with the passage in the store
};

// A download takes at most this many frames; more wait for the next one.
inline constexpr int kMaxDownloadFrames = 3501;

// "%RC": the number of stored records (counter − 1); nullopt without a reply,
// with a wrong code or with a counter that is no number above 0 (`outcome`
// tells silence from a bad reply).
std::optional<int> ReadRecordCount(ExchangeEnv& env, DeviceId deviceId, Outcome* outcome = nullptr);

// "%EM": Ok erased, BadReply another reply, NoReply silence.
Outcome EraseRecords(ExchangeEnv& env, DeviceId deviceId);
// "%EM" after a download: a longer drain, judged by the echoed address.
Outcome EraseRecordsAfterDownload(ExchangeEnv& env, DeviceId deviceId);

// One frame converted; nullopt when it does not count ("DD" after the "$",
// "**" at "$"+27).
std::optional<OfflineRecord> ConvertRecordFrame(QByteArrayView frame);

struct Download {
  StreamEnd end = StreamEnd::Silence;
  // The counting frames in arrival order; empty after silence (a download
  // that never saw its end is discarded whole).
  std::vector<OfflineRecord> records;
};
// "%DD": the streamed frames, converted. `received` hears the count of frames
// after each piece of data; `cancelled` ends the stream (StreamEnd::Cancelled).
Download DownloadRecords(ExchangeEnv& env, DeviceId deviceId, const std::function<void(int frames)>& received = {},
                         const std::function<bool()>& cancelled = {});

// How long a download waits after the counter before it asks for the records.
inline constexpr int kPauseBeforeDownloadMs = 2000;

}  // namespace tessaro
