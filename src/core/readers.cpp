#include "readers.h"

#include <cstdlib>

#include "accesslog.h"
#include "cards.h"
#include "clock.h"

namespace tessaro {

ProbedReader ProbeReader(ExchangeEnv& env, qint16 deviceId, DeviceModel model) {
  ProbedReader r;
  const QByteArray first = ProbeSettings(env, deviceId);
  if (first.isEmpty()) return r;
  r.present = true;
  const QByteArray second = ProbeSettings(env, deviceId);
  r.models = ModelsWithReplyLength(first.size() - 1);
  r.collision = !WellFormedSettingsLine(first, deviceId) || first != second;
  if (r.collision) return r;
  r.settings = InterpretSettings(first.mid(3), ModelOfFamily(r.models, model));
  return r;
}

ClockDrift ReadDrift(ExchangeEnv& env, qint16 deviceId, const std::function<QDateTime()>& now) {
  const ClockRead read = ReadClock(env, deviceId);
  ClockDrift d{read.outcome, read.time, 0};
  if (read.outcome == Outcome::Ok && !read.time.isValid()) d.outcome = Outcome::BadReply;
  if (d.outcome == Outcome::Ok) d.seconds = now().secsTo(read.time);
  return d;
}

ClockSync SyncClock(ExchangeEnv& env, qint16 deviceId, qint64 maxDriftS, const std::function<QDateTime()>& now) {
  ClockSync s;
  s.before = ReadDrift(env, deviceId, now);
  if (s.before.outcome != Outcome::Ok) return s;
  s.set = std::abs(s.before.seconds) > maxDriftS;
  if (!s.set) return s.done = true, s;
  s.setOutcome = SetClock(env, deviceId, now);
  if (s.setOutcome != Outcome::Ok) return s;
  s.after = ReadDrift(env, deviceId, now);
  s.done = s.after->outcome == Outcome::Ok && std::abs(s.after->seconds) <= maxDriftS;
  return s;
}

CardPush PushCards(ExchangeEnv& env, qint16 deviceId, const std::vector<qint32>& cards, bool eraseFirst,
                   const std::function<bool()>& stopped) {
  CardPush p;
  if (eraseFirst && (p.outcome = EraseCards(env, deviceId)) != Outcome::Ok) return p.eraseFailed = true, p;
  for (const qint32 card : cards) {
    if (stopped && stopped()) return p.stopped = true, p;
    if ((p.outcome = SendCard(env, deviceId, card)) != Outcome::Ok) return p;
    ++p.sent;
  }
  return p;
}

ReaderPull PullReaderRecords(ExchangeEnv& env, qint16 deviceId, DeviceModel model, AccessLog& log, bool erase,
                             const std::function<bool()>& stopped) {
  ReaderPull r;
  const SettingsRead read = ReadSettings(env, deviceId, model);
  r.settings = read.outcome;
  if (read.outcome != Outcome::Ok) return r;
  r.recordType = InterpretSettings(read.reply, model).recordType;
  r.pull = PullRecords(env, deviceId, static_cast<qint16>(r.recordType), log, erase, {}, stopped);
  return r;
}

}  // namespace tessaro
