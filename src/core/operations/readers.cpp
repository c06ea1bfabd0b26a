#include "readers.h"

#include <cstdlib>

#include "cards.h"
#include "clock.h"
#include "records.h"

namespace tessaro {

Why WhyOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Ok: return Why::Done;
    case Outcome::NoReply: return Why::TimedOut;
    case Outcome::BadReply: break;
  }
  return Why::BadReply;
}

Why ClockSync::why() const {
  if (before.why() != Why::Done) return before.why();
  if (set && setOutcome != Outcome::Ok) return WhyOf(setOutcome);
  if (after && after->why() != Why::Done) return after->why();
  return within ? Why::Done : Why::NotTaken;
}

Why Pull::why() const {
  switch (end) {
    case PullEnd::NoRecords:
    case PullEnd::Kept:
    case PullEnd::Erased: return Why::Done;
    case PullEnd::DownloadFailed: return Why::TimedOut;
    case PullEnd::LogFailed: return Why::LogFailed;
    case PullEnd::StoreFailed: return Why::StoreFailed;
    case PullEnd::Incomplete: return Why::Incomplete;
    case PullEnd::EraseFailed: return Why::EraseFailed;
    case PullEnd::Stopped:
    case PullEnd::Cut: return Why::Stopped;
  }
  return Why::BadReply;
}

ReaderSettings ReadReaderSettings(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& given) {
  ReaderSettings r;
  StreamEnd end = StreamEnd::Silence;
  // Read to the reply's end whatever its length, so that a reader of another
  // model is told apart from one that says nothing.
  const QByteArray line = ProbeSettings(env, deviceId, &end);
  if (line.isEmpty()) {
    r.why = end == StreamEnd::Silence ? Why::TimedOut : Why::BadReply;
    return r;
  }
  const ReaderModel family = ReaderModel::Among(ModelsWithReplyLength(line.size() - 1));
  if (!line.startsWith("$US") || family.none()) {
    r.why = Why::BadReply;
    return r;
  }
  r.model = family.within(given);
  if (r.model.none()) {
    r.why = Why::OtherModel;
    r.model = family;
    return r;
  }
  r.reply = line.mid(3);
  r.settings = InterpretSettings(r.reply, r.model);
  r.why = Why::Done;
  return r;
}

ProbedReader ProbeReader(ExchangeEnv& env, DeviceId deviceId, const QByteArray& heard) {
  ProbedReader r;
  const QByteArray first = heard.isEmpty() ? ProbeSettings(env, deviceId) : heard;
  if (first.isEmpty()) return r;
  r.present = true;
  const QByteArray second = ProbeSettings(env, deviceId);
  r.family = ReaderModel::Among(ModelsWithReplyLength(first.size() - 1));
  r.collision = !WellFormedSettingsLine(first, deviceId) || first != second;
  if (r.collision) return r;
  r.reply = first.mid(3);
  r.settings = InterpretSettings(r.reply, r.family);
  return r;
}

ClockDrift ReadDrift(ExchangeEnv& env, DeviceId deviceId, const std::function<QDateTime()>& now) {
  const ClockRead read = ReadClock(env, deviceId);
  ClockDrift d{read.outcome, read.time, 0};
  if (read.outcome == Outcome::Ok && !read.time.isValid()) d.outcome = Outcome::BadReply;
  if (d.outcome == Outcome::Ok) d.seconds = now().secsTo(read.time);
  return d;
}

ClockSync SyncClock(ExchangeEnv& env, DeviceId deviceId, qint64 maxDriftS, const std::function<QDateTime()>& now) {
  ClockSync s;
  s.before = ReadDrift(env, deviceId, now);
  if (s.before.outcome != Outcome::Ok) return s;
  s.set = std::abs(s.before.seconds) > maxDriftS;
  if (!s.set) return s.within = true, s;
  s.setOutcome = SetClock(env, deviceId, now);
  if (s.setOutcome != Outcome::Ok) return s;
  s.after = ReadDrift(env, deviceId, now);
  s.within = s.after->ok() && std::abs(s.after->seconds) <= maxDriftS;
  return s;
}

CardPush PushCards(ExchangeEnv& env, DeviceId deviceId, const std::vector<quint32>& cards, bool eraseFirst,
                   const std::function<bool()>& stopped, const std::function<void(int sent)>& progress) {
  CardPush p;
  if (eraseFirst && (p.outcome = EraseCards(env, deviceId)) != Outcome::Ok) return p.eraseFailed = true, p;
  for (const quint32 card : cards) {
    if (stopped && stopped()) return p.stopped = true, p;
    if (progress) progress(p.sent);
    if ((p.outcome = SendCard(env, deviceId, card, &p.memoryFull)) != Outcome::Ok) return p;
    ++p.sent;
  }
  return p;
}

Pull PullRecords(ExchangeEnv& env, DeviceId deviceId, qint16 recordType, AccessLog& log, bool erase,
                 const PullWatch& watch, const StoreTarget* store) {
  auto enter = [&](PullStage s) {
    if (watch.stage) watch.stage(s);
  };
  Pull pull;
  // A pull cut short before leaves its lines to the log first, and nothing
  // is asked of the reader while they cannot be written.
  if (store) {
    const Keeping pending = FinishPendingLogs(*store, log);
    if (pending != Keeping::Done) {
      pull.end = pending == Keeping::LogFailed ? PullEnd::LogFailed : PullEnd::StoreFailed;
      return pull;
    }
  }
  const std::optional<int> count = ReadRecordCount(env, deviceId);
  if (!count || *count < 1) return pull;
  enter(PullStage::Downloading);
  const auto downloaded = [&](int got) {
    if (watch.download) watch.download(got, *count);
  };
  downloaded(0);
  Pause(env.pump, env.clock, kPauseBeforeDownloadMs);
  const Download download = DownloadRecords(env, deviceId, downloaded, watch.cut);
  if (download.end == StreamEnd::Cancelled) return pull.end = PullEnd::Cut, pull;
  if (download.records.empty()) {
    pull.end = PullEnd::DownloadFailed;
    return pull;
  }
  // The lines must be on disk (and the records committed in the store) before
  // the reader forgets its copy, and erasing after a download that did not
  // reach its end would destroy what was not downloaded.
  if (store) {
    enter(PullStage::Storing);
    const std::optional<NewRecords> fresh = StoreNewRecords(*store, log, deviceId, download.records, recordType);
    if (!fresh) return pull.end = PullEnd::StoreFailed, pull;
    enter(PullStage::Logging);
    if (!LogNewRecords(log, *fresh)) return pull.end = PullEnd::LogFailed, pull;
    pull.records = fresh->count;
    enter(PullStage::Confirming);
    if (!ConfirmLogged(*store, *fresh)) return pull.end = PullEnd::StoreFailed, pull;
  } else {
    enter(PullStage::Logging);
    bool allWritten = true;
    for (const OfflineRecord& record : download.records) {
      if (log.append(deviceId, record, recordType)) ++pull.records;
      else allWritten = false;
    }
    if (!allWritten || !log.flush()) return pull.end = PullEnd::LogFailed, pull;
  }
  if (download.end != StreamEnd::EndLine) {
    pull.end = PullEnd::Incomplete;
  } else if (!erase) {
    pull.end = PullEnd::Kept;
  } else if (watch.stopped && watch.stopped()) {
    pull.end = PullEnd::Stopped;
  } else {
    enter(PullStage::Erasing);
    pull.end = EraseRecordsAfterDownload(env, deviceId) == Outcome::Ok ? PullEnd::Erased : PullEnd::EraseFailed;
  }
  return pull;
}

ReaderPull PullReaderRecords(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& model, AccessLog& log, bool erase,
                             const PullWatch& watch, const StoreTarget* store) {
  ReaderPull r;
  const ReaderSettings read = ReadReaderSettings(env, deviceId, model);
  r.settings = read.why;
  if (!read.ok()) return r;
  r.recordType = read.settings.recordType;
  r.pull = PullRecords(env, deviceId, static_cast<qint16>(r.recordType), log, erase, watch, store);
  return r;
}

}  // namespace tessaro
