#pragma once
// The offline passage records kept by a reader: the record counter, the two
// erase forms and the download of every record into the OfflineRecords table.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <array>
#include <vector>

#include "link/exchange.h"

namespace tessaro {

// One passage as the reader reported it.
struct OfflineRecord {
  qint32 cardNumber = 0;
  // The passage time; invalid when the reader's twelve digits form no valid
  // date and time. Such a record keeps those digits (rawStamp) instead of
  // borrowing the stamp of another record.
  QDateTime stamp;
  QByteArray rawStamp;  // DDMMYYhhmmss exactly as received
};

inline constexpr int kOfflineRecordCapacity = 4000;
using OfflineRecordTable = std::array<OfflineRecord, kOfflineRecordCapacity>;

// The module-level table every download fills; lives as long as the program.
OfflineRecordTable& OfflineRecords();

// "%RC": the number of stored records (counter − 1), or -1 when there is no
// reply, a wrong code or a counter that is no number above 0.
int ReadRecordCount(ExchangeEnv& env, qint16 deviceId);

// "%EM": 1 erased, 0 another reply, -1 no reply.
int EraseRecords(ExchangeEnv& env, qint16 deviceId);

// "%EM" after a download: longer drain, judged by the echoed address; 1 or -1.
int EraseRecordsAfterDownload(ExchangeEnv& env, qint16 deviceId);

// Why the collection of a download stopped.
enum class DownloadEnd {
  None,        // silence: the deadline passed
  Complete,    // the reader's end-of-records frame ("FD")
  Unexpected,  // a frame without "DD", or a frame that never ends
  Full,        // the frame store is full (3501 frames); more may be waiting
};

inline constexpr int kMaxDownloadFrames = 3501;
// Longest text from a "$" to its CR that still counts as one frame; longer
// means the reader streams without line ends.
inline constexpr int kMaxPendingFrame = 64;

// Splits the received stream of a download into frames and judges each one.
// Fed piece by piece; linear in the stream's length.
class RecordFrameCollector {
 public:
  RecordFrameCollector();
  // Appends received text and scans it; returns the end reason (None while
  // the collection goes on). Text fed after an end reason is ignored.
  DownloadEnd feed(QByteArrayView data);
  DownloadEnd end() const { return end_; }
  const std::vector<QByteArray>& frames() const { return frames_; }

 private:
  QByteArray buffer_;
  qsizetype offset_ = 0;    // start of the unscanned text
  qsizetype crSearch_ = 0;  // where the CR search of a pending frame resumes
  std::vector<QByteArray> frames_;
  DownloadEnd end_ = DownloadEnd::None;
};

// One frame converted: false when it does not count ("DD" after the "$",
// "**" at "$"+27).
bool ConvertRecordFrame(QByteArrayView frame, OfflineRecord* out);

// The conversion phase: the counting frames in arrival order into the table
// (at most its size). Returns their number, or -1 when none counts; with -1
// the table is unchanged.
int ConvertRecordFrames(const std::vector<QByteArray>& frames, OfflineRecordTable& table);

// The pause before a download: until the whole-second clock is more than one
// second past its reading now (between one and two seconds of real time).
// Sleeps in the event loop.
void PauseBeforeDownload(MessagePump& pump, WholeSecondClock& clock);

// "%DD": collects the streamed frames (5 s of silence ends it with -1) and
// converts them into `table`. Returns the number of records, or -1. `end`
// receives the reason the collection stopped.
int DownloadRecords(ExchangeEnv& env, qint16 deviceId, OfflineRecordTable& table, DownloadEnd* end = nullptr);

}  // namespace tessaro
