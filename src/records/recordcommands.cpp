#include "records/recordcommands.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <limits>

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {

OfflineRecordTable& OfflineRecords() {
  static OfflineRecordTable table;
  return table;
}

int ReadRecordCount(ExchangeEnv& env, qint16 deviceId) {
  const ExchangeResult r = CommandExchange(env, Cmd::ReadRecordCount, deviceId);
  if (r.outcome != Outcome::Ok) return -1;
  const QByteArrayView counter = Mid1(r.received, MarkerPosition(r.received) + 6, 4);
  const auto value = NumericValue(QString::fromLatin1(counter));
  if (!value || *value <= 0) return -1;
  // One is taken off the counter before it becomes a whole number.
  const double stored = RoundHalfEven(*value - 1);
  // Numeric text such as "9E99" fits the four characters but not the result;
  // such a counter is as unreadable as letters.
  if (stored < 0 || stored > std::numeric_limits<int>::max()) return -1;
  return static_cast<int>(stored);
}

int EraseRecords(ExchangeEnv& env, qint16 deviceId) {
  return CommandExchange(env, Cmd::EraseRecords, deviceId).status(Cmd::EraseRecords.convention);
}

int EraseRecordsAfterDownload(ExchangeEnv& env, qint16 deviceId) {
  return CommandExchange(env, Cmd::EraseRecordsAfterDownload, deviceId).outcome == Outcome::Ok ? 1 : -1;
}

RecordFrameCollector::RecordFrameCollector() { frames_.reserve(kMaxDownloadFrames); }

DownloadEnd RecordFrameCollector::feed(QByteArrayView data) {
  if (end_ != DownloadEnd::None) return end_;
  buffer_.append(data);
  for (;;) {
    const qsizetype start = buffer_.indexOf('$', offset_);
    if (start < 0) {
      // Text before the first "$" is never looked at.
      buffer_.clear();
      offset_ = 0;
      crSearch_ = 0;
      break;
    }
    offset_ = start;
    const qsizetype cr = buffer_.indexOf('\r', std::max(crSearch_, start + 1));
    if (cr < 0) {
      // A reader streaming without line ends must not keep the download alive
      // with an ever-growing buffer.
      if (buffer_.size() - start > kMaxPendingFrame) end_ = DownloadEnd::Unexpected;
      crSearch_ = buffer_.size();
      break;
    }
    // The same length limit for a frame that arrived whole, so the outcome does
    // not depend on how the stream was cut into pieces.
    if (cr - start > kMaxPendingFrame) {
      end_ = DownloadEnd::Unexpected;
      break;
    }
    const QByteArrayView frame = QByteArrayView(buffer_).sliced(start, cr - start + 1);
    offset_ = cr + 1;
    crSearch_ = 0;
    if (frame.contains(QByteArrayView("FD"))) {
      end_ = DownloadEnd::Complete;
      break;
    }
    if (!frame.contains(QByteArrayView("DD"))) {
      end_ = DownloadEnd::Unexpected;
      break;
    }
    frames_.emplace_back(frame.toByteArray());
    if (static_cast<qsizetype>(frames_.size()) >= kMaxDownloadFrames) {
      end_ = DownloadEnd::Full;
      break;
    }
  }
  if (end_ != DownloadEnd::None) {
    buffer_ = QByteArray();
    offset_ = crSearch_ = 0;
  } else if (offset_ > 0 && offset_ * 2 >= buffer_.size()) {
    // Compacting only once half the buffer is consumed keeps the collection linear.
    buffer_.remove(0, offset_);
    crSearch_ = std::max<qsizetype>(0, crSearch_ - offset_);
    offset_ = 0;
  }
  return end_;
}

namespace {

bool TwoDigits(QByteArrayView text, qsizetype at, int* out) {
  const char a = text[at];
  const char b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  *out = (a - '0') * 10 + (b - '0');
  return true;
}

// Day, month, two-digit year, hour, minute, second; day first, the year 20yy.
QDateTime StampFromDigits(QByteArrayView digits) {
  if (digits.size() != 12) return {};
  int v[6];
  for (int i = 0; i < 6; ++i) {
    if (!TwoDigits(digits, i * 2, &v[i])) return {};
  }
  const QDate date(2000 + v[2], v[1], v[0]);
  const QTime time(v[3], v[4], v[5]);
  if (!date.isValid() || !time.isValid()) return {};
  return QDateTime(date, time);
}

}  // namespace

bool ConvertRecordFrame(QByteArrayView frame, OfflineRecord* out) {
  const qsizetype p = MarkerPosition(frame);
  if (p == 0) return false;
  if (Mid1(frame, p + 1, 2) != QByteArrayView("DD") || Mid1(frame, p + 27, 2) != QByteArrayView("**")) return false;
  out->cardNumber = static_cast<qint32>(DecimalField(Mid1(frame, p + 6, 9)));
  out->rawStamp = Mid1(frame, p + 15, 12).toByteArray();
  out->stamp = StampFromDigits(out->rawStamp);
  return true;
}

int ConvertRecordFrames(const std::vector<QByteArray>& frames, OfflineRecordTable& table) {
  int count = 0;
  for (const QByteArray& frame : frames) {
    if (count >= static_cast<int>(table.size())) break;
    OfflineRecord record;
    if (!ConvertRecordFrame(frame, &record)) continue;
    table[static_cast<size_t>(count++)] = std::move(record);
  }
  return count > 0 ? count : -1;
}

void PauseBeforeDownload(MessagePump& pump, WholeSecondClock& clock) {
  const qint64 start = clock.nowSeconds();
  while (clock.nowSeconds() - start <= 1) pump.waitForActivity(clock.msUntilNextSecond());
}

int DownloadRecords(ExchangeEnv& env, qint16 deviceId, OfflineRecordTable& table, DownloadEnd* end) {
  if (end) *end = DownloadEnd::None;
  DrainForCommand(env, Cmd::DownloadRecords);
  WriteRequest(env, BuildRequest(QByteArrayView(Cmd::DownloadRecords.code, 2), deviceId));
  RecordFrameCollector collector;
  // The deadline counts silence, not the whole transfer: every piece renews it.
  qint64 deadline = env.clock.nowSeconds() + Cmd::DownloadRecords.deadlineSeconds;
  for (;;) {
    const qint64 now = env.clock.nowSeconds();
    if (now >= deadline) break;
    WaitPass(env, now, deadline);
    if (env.link.available() <= 0) continue;
    if (collector.feed(env.link.readAll()) != DownloadEnd::None) break;
    deadline = env.clock.nowSeconds() + Cmd::DownloadRecords.deadlineSeconds;
  }
  // A download that never saw its end is discarded whole.
  if (collector.end() == DownloadEnd::None) return -1;
  if (end) *end = collector.end();
  return ConvertRecordFrames(collector.frames(), table);
}

}  // namespace tessaro
