#include "exchange.h"

#include <limits>

#include "frame.h"
#include "textformat.h"

namespace tessaro {

void Pause(MessagePump& pump, MonotonicClock& clock, int ms) {
  const Deadline until(clock, ms);
  while (!until.passed()) pump.waitForActivity(until.remainingUs());
}

std::optional<int> GapFromText(QStringView text) {
  bool ok = false;
  const int ms = text.trimmed().toInt(&ok);
  if (!ok || ms < 0 || ms > kMaxGapMs) return std::nullopt;
  return ms;
}

namespace {

// Everything waiting on the line; a byte heard makes the line busy now.
QByteArray Take(ExchangeEnv& env) {
  QByteArray got = env.link.readAll();
  if (!got.isEmpty()) env.pace.lastBusyUs = env.clock.nowUs();
  return got;
}

// Reads and discards what arrives until the line has been quiet for `settleMs`
// (at least the gap) since it was last busy, sleeping between arrivals. Also
// on TCP it reads, so a late reply to an earlier request is never taken as the
// answer to the next one. A line never used before counts as busy now.
void Drain(ExchangeEnv& env, int settleMs) {
  const qint64 quietUs = qint64(std::max(settleMs, env.pace.gapMs)) * 1000;
  if (!env.pace.lastBusyUs) env.pace.lastBusyUs = env.clock.nowUs();
  const Deadline bound(env.clock, kDrainBoundMs);
  for (;;) {
    if (env.link.available() > 0) Take(env);
    const qint64 quietFor = env.clock.nowUs() - *env.pace.lastBusyUs;
    if (quietFor >= quietUs || bound.passed()) return;
    env.pump.waitForActivity(std::min(quietUs - quietFor, bound.remainingUs()));
  }
}

void Send(ExchangeEnv& env, const QByteArray& request) {
  env.link.write(request);
  env.pace.lastBusyUs = env.clock.nowUs();
  if (env.sent) env.sent();
}

}  // namespace

qsizetype ReplyCharacters(QByteArrayView received) {
  const qsizetype marker = received.indexOf(ReplyMarker);
  return marker < 0 ? received.size() : received.size() - marker;
}

bool CheckReply(QByteArrayView received, const Command& command, DeviceId deviceId) {
  const QByteArrayView code(command.code, 2);
  switch (command.check) {
    case ReplyCheck::CodeAfterMarker: return HasReplyCode(received, code);
    case ReplyCheck::CodeAnywhere: return received.indexOf(code) >= 0;
    case ReplyCheck::AcceptedAfterCode: {
      const qsizetype at = received.indexOf(QByteArray(1, ReplyMarker) + code.toByteArray());
      return at >= 0 && Mid1(received, at + 7, 1) == "O";
    }
    case ReplyCheck::EchoedAddress: {
      const QByteArrayView digits = Mid1(received, MarkerPosition(received) + 3, 3);
      return static_cast<qint64>(LeadingNumber(QString::fromLatin1(digits))) == deviceId.value();
    }
  }
  return false;
}

ExchangeResult CommandExchange(ExchangeEnv& env, const Command& command, const Request& request) {
  const Transport& t = command.on(env.link.kind());
  ExchangeResult result;
  Drain(env, t.settleMs);
  if (t.portCheck && !env.link.portCheck()) {
    result.outcome = Outcome::BadReply;
    return result;
  }
  const QByteArray payload = request.payloadAtSending ? request.payloadAtSending() : request.payload;
  const int replyLength = request.replyLength.value_or(command.replyLength);
  env.link.prepareForRequest();
  const Deadline deadline(env.clock, t.waitMs);
  Send(env, BuildRequest(QByteArrayView(command.code, 2), request.deviceId, payload));
  // The reply is taken in as it arrives and counted from its "$": the late
  // tail of an earlier reply or line noise before it must not complete it.
  for (;;) {
    if (deadline.passed()) {
      env.link.exchangeEnded(Outcome::NoReply);
      return {Outcome::NoReply, {}};
    }
    env.pump.waitForActivity(deadline.remainingUs());
    if (env.link.available() > 0) result.received += Take(env);
    if (ReplyCharacters(result.received) >= replyLength) break;
  }
  result.outcome = CheckReply(result.received, command, request.deviceId) ? Outcome::Ok : Outcome::BadReply;
  env.link.exchangeEnded(result.outcome);
  if (t.settleAfterReply) Drain(env, 0);
  return result;
}

LineSplitter::Result LineSplitter::feed(QByteArrayView piece, const std::function<bool(QByteArrayView)>& line) {
  buffer_.append(piece);
  const QByteArrayView all(buffer_);
  Result result = Result::More;
  for (;;) {
    const qsizetype dollar = all.indexOf(ReplyMarker, offset_);
    if (dollar < 0) {
      offset_ = all.size();
      break;
    }
    offset_ = dollar;
    const qsizetype cr = all.indexOf('\r', dollar + 1);
    // The same limit for a line that is still coming and one that came whole,
    // so the outcome does not depend on how the stream was cut into pieces.
    if ((cr < 0 ? all.size() : cr) - dollar > kMaxLine) return Result::Overlong;
    if (cr < 0) break;
    offset_ = cr + 1;
    if (!line(all.sliced(dollar, cr - dollar + 1))) {
      result = Result::Stopped;
      break;
    }
  }
  // Dropping the consumed front only when it outweighs the rest keeps the
  // copying linear in the stream's length.
  if (offset_ == buffer_.size()) {
    buffer_.clear();
    offset_ = 0;
  } else if (offset_ > 4096 && offset_ * 2 > buffer_.size()) {
    buffer_.remove(0, offset_);
    offset_ = 0;
  }
  return result;
}

StreamEnd StreamExchange(ExchangeEnv& env, const Command& command, DeviceId deviceId, LineSink& sink,
                         const std::function<bool()>& cancelled) {
  const Transport& t = command.on(env.link.kind());
  Drain(env, t.settleMs);
  if (t.portCheck && !env.link.portCheck()) return StreamEnd::PortFault;
  env.link.prepareForRequest();
  Send(env, BuildRequest(QByteArrayView(command.code, 2), deviceId));
  LineSplitter splitter;
  auto ended = [&env](StreamEnd end) {
    env.link.exchangeEnded(end == StreamEnd::Silence      ? Outcome::NoReply
                           : end == StreamEnd::Unexpected ? Outcome::BadReply
                                                          : Outcome::Ok);
    return end;
  };
  // The deadline counts silence, not the whole transfer: every piece renews it.
  Deadline silence(env.clock, t.waitMs);
  for (;;) {
    if (silence.passed()) return ended(StreamEnd::Silence);
    env.pump.waitForActivity(silence.remainingUs());
    if (env.link.available() > 0) {
      LineVerdict verdict = LineVerdict::More;
      const LineSplitter::Result fed = splitter.feed(Take(env), [&](QByteArrayView line) {
        verdict = sink.line(line);
        return verdict == LineVerdict::More;
      });
      sink.pieceDone();
      if (fed == LineSplitter::Result::Overlong) return ended(StreamEnd::Unexpected);
      switch (verdict) {
        case LineVerdict::More: break;
        case LineVerdict::End: return ended(StreamEnd::EndLine);
        case LineVerdict::Unexpected: return ended(StreamEnd::Unexpected);
        case LineVerdict::Full: return ended(StreamEnd::Full);
      }
      silence.renew();
    }
    if (cancelled && cancelled()) return ended(StreamEnd::Cancelled);
  }
}

namespace {

// Cuts what a sweep hears into reply lines and the noise between them.
class Hearing {
 public:
  Hearing(SweepSink& sink, ExchangeEnv& env) : sink_(sink), env_(env) {}
  // True when the awaited reply was among the lines.
  bool feed(const QByteArray& bytes, std::optional<DeviceId> awaiting) {
    buffer_ += bytes;
    const qint64 at = env_.clock.nowUs();
    bool awaited = false;
    for (;;) {
      const qsizetype dollar = buffer_.indexOf(ReplyMarker);
      if (dollar != 0) {
        // What comes before a "$" belongs to no reply; line ends alone are no noise.
        const QByteArray before = buffer_.left(dollar < 0 ? buffer_.size() : dollar);
        if (before.count('\r') + before.count('\n') != before.size()) sink_.noise(before, awaiting, at);
        buffer_.remove(0, before.size());
        if (dollar < 0) break;
      }
      const qsizetype cr = buffer_.indexOf('\r');
      if (cr < 0 || cr > LineSplitter::kMaxLine) {
        if (buffer_.size() <= LineSplitter::kMaxLine) break;  // still coming
        sink_.noise(buffer_, awaiting, at);
        buffer_.clear();
        break;
      }
      const QByteArray line = buffer_.left(cr + 1);
      buffer_.remove(0, cr + 1);
      awaited = sink_.line(line, awaiting, at) || awaited;
    }
    return awaited;
  }
  // A line cut off by the end of the listening is noise.
  void end() {
    if (!buffer_.isEmpty()) sink_.noise(buffer_, std::nullopt, env_.clock.nowUs());
    buffer_.clear();
  }

 private:
  SweepSink& sink_;
  ExchangeEnv& env_;
  QByteArray buffer_;
};

// Listens until the line has been quiet for `quietMs` since it was last busy,
// at most `boundMs` (a drain that keeps what it hears), or until the awaited reply came.
bool Listen(ExchangeEnv& env, Hearing& hearing, std::optional<DeviceId> awaiting, int quietMs, int boundMs) {
  const Deadline bound(env.clock, boundMs);
  for (;;) {
    if (env.link.available() > 0 && hearing.feed(Take(env), awaiting)) return true;
    const qint64 quietFor = env.clock.nowUs() - env.pace.lastBusyUs.value_or(env.clock.nowUs());
    const qint64 left = qint64(quietMs) * 1000 - quietFor;
    if (left <= 0 || bound.passed()) return false;
    env.pump.waitForActivity(std::min(left, bound.remainingUs()));
  }
}

}  // namespace

StreamEnd SweepExchange(ExchangeEnv& env, const Command& command, const std::vector<DeviceId>& ids, int lingerMs,
                        SweepSink& sink, const std::function<bool()>& cancelled) {
  const Transport& t = command.on(env.link.kind());
  Hearing hearing(sink, env);
  if (!env.pace.lastBusyUs) env.pace.lastBusyUs = env.clock.nowUs();
  for (const DeviceId id : ids) {
    if (cancelled && cancelled()) return hearing.end(), StreamEnd::Cancelled;
    Listen(env, hearing, std::nullopt, std::max(t.settleMs, env.pace.gapMs), kDrainBoundMs);
    if (t.portCheck && !env.link.portCheck()) return hearing.end(), StreamEnd::PortFault;
    // What the buffers held was heard just now; a serial port empties them.
    env.link.prepareForRequest();
    const int waitMs = sink.waitMs();
    Send(env, BuildRequest(QByteArrayView(command.code, 2), id));
    sink.sent(id, env.clock.nowUs());
    const bool came = Listen(env, hearing, id, waitMs, std::numeric_limits<int>::max());
    env.link.exchangeEnded(came ? Outcome::Ok : Outcome::NoReply);
  }
  Listen(env, hearing, std::nullopt, lingerMs, lingerMs);
  hearing.end();
  return StreamEnd::Silence;
}

}  // namespace tessaro
