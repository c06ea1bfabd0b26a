#include "records.h"

#include <QDate>
#include <QTime>
#include <limits>

#include "frame.h"
#include "textformat.h"

namespace tessaro {

std::optional<int> ReadRecordCount(ExchangeEnv& env, DeviceId deviceId, Outcome* outcome) {
  const ExchangeResult r = CommandExchange(env, Cmd::ReadRecordCount, {.deviceId = deviceId});
  if (outcome) *outcome = r.outcome == Outcome::Ok ? Outcome::BadReply : r.outcome;
  if (r.outcome != Outcome::Ok) return std::nullopt;
  const QByteArrayView counter = Mid1(r.received, MarkerPosition(r.received) + 6, 4);
  const std::optional<double> value = NumericValue(QString::fromLatin1(counter));
  if (!value) return std::nullopt;
  // One is taken off the counter before it becomes a whole number.
  const double stored = RoundHalfEven(*value - 1);
  // A counter below one, or numeric text such as "9E99" that fits the four characters
  // but not the result, is as unreadable as letters.
  if (stored < 0 || stored > std::numeric_limits<int>::max()) return std::nullopt;
  if (outcome) *outcome = Outcome::Ok;
  return static_cast<int>(stored);
}

Outcome EraseRecords(ExchangeEnv& env, DeviceId deviceId) {
  return CommandExchange(env, Cmd::EraseRecords, {.deviceId = deviceId}).outcome;
}

Outcome EraseRecordsAfterDownload(ExchangeEnv& env, DeviceId deviceId) {
  return CommandExchange(env, Cmd::EraseRecordsAfterDownload, {.deviceId = deviceId}).outcome;
}

namespace {

class RecordFrames : public LineSink {
 public:
  explicit RecordFrames(const std::function<void(int)>& received) : received_(received) {}
  LineVerdict line(QByteArrayView frame) override {
    if (frame.contains("FD")) return LineVerdict::End;
    if (!frame.contains("DD")) return LineVerdict::Unexpected;
    frames.emplace_back(frame.toByteArray());
    return frames.size() >= kMaxDownloadFrames ? LineVerdict::Full : LineVerdict::More;
  }
  void pieceDone() override {
    if (received_) received_(static_cast<int>(frames.size()));
  }
  std::vector<QByteArray> frames;

 private:
  const std::function<void(int)>& received_;
};

}  // namespace

std::optional<OfflineRecord> ConvertRecordFrame(QByteArrayView frame) {
  const qsizetype p = MarkerPosition(frame);
  if (p == 0 || Mid1(frame, p + 1, 2) != "DD" || Mid1(frame, p + 27, 2) != "**") return std::nullopt;
  OfflineRecord record;
  record.cardNumber = static_cast<quint32>(DecimalField(Mid1(frame, p + 6, 9)));
  record.rawStamp = Mid1(frame, p + 15, 12).toByteArray();
  record.stamp = ReaderStamp(record.rawStamp);
  record.frame = frame.toByteArray();
  return record;
}

Download DownloadRecords(ExchangeEnv& env, DeviceId deviceId, const std::function<void(int frames)>& received,
                         const std::function<bool()>& cancelled) {
  RecordFrames sink(received);
  Download d;
  d.end = StreamExchange(env, Cmd::DownloadRecords, deviceId, sink, cancelled);
  if (d.end == StreamEnd::Silence) return d;
  for (const QByteArray& frame : sink.frames) {
    if (std::optional<OfflineRecord> record = ConvertRecordFrame(frame)) d.records.push_back(std::move(*record));
  }
  return d;
}

}  // namespace tessaro
