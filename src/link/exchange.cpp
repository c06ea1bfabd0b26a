#include "link/exchange.h"

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {

int StatusCode(Outcome outcome, StatusConvention convention) {
  switch (outcome) {
    case Outcome::Ok: return StatusOk;
    case Outcome::BadReply: return convention == StatusConvention::NoReplyMinusOne ? 0 : -1;
    case Outcome::NoReply: return convention == StatusConvention::NoReplyMinusOne ? -1 : 0;
  }
  return -1;
}

namespace Cmd {
using SC = StatusConvention;
using RC = ReplyCheck;
// clang-format off
//                                          code  drain s/t    port  extra after secs ticks   thr check                     convention
const CommandParams SetClock{                "DR", 2001, 2001, false, false, 0,    1, 0, 0,    9, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
const CommandParams ReadClock{               "UR", 2001, 2001, false, false, 0,    1, 0, 0,   23, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
const CommandParams ReadRecordCount{         "RC", 2001, 2001, false, false, 0,    1, 0, 0,   13, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
const CommandParams EraseRecords{            "EM", 2001, 2001, false, false, 0,    1, 0, 0,    9, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
const CommandParams EraseRecordsAfterDownload{"EM", 20001, 20001, false, false, 0, 1, 0, 0,    9, RC::EchoedAddress,        SC::NoReplyMinusOne};
const CommandParams EraseCards{              "EC", 2001, 2001, false, true,  0,   25, 0, 0,    9, RC::CodeAnywhere,         SC::NoReplyZero};
const CommandParams ReadCards{               "UC", 2001, 32768, false, false, 0,   5, 0, 0,    1, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
const CommandParams SendCard{                "NC", 5001, 32768, false, false, 32768, 2, 0, 0,  9, RC::StatusAfterFirstCode, SC::NoReplyZero};
const CommandParams WriteSettings{           "DS", 2001, 2001, true,  false, 0,    2, 0, 0,   11, RC::CodeAfterMarker,      SC::NoReplyZero};
const CommandParams ReadSettings{            "US", 2001, 1001, true,  false, 0,    0, 50, 150, 28, RC::CodeAfterMarker,     SC::NoReplyZero};
const CommandParams DownloadRecords{         "DD", 2001, 2001, false, false, 0,    5, 0, 0,    1, RC::CodeAfterMarker,      SC::NoReplyMinusOne};
// clang-format on
}  // namespace Cmd

void DrainInput(ExchangeEnv& env, int passes) {
  // The drain also reads on TCP, so a late reply to an earlier request is never
  // taken as the answer to the next one.
  for (int i = 0; i < passes; ++i) {
    env.link.readAll();
    env.pump.pump();
  }
}

bool DrainForCommand(ExchangeEnv& env, const CommandParams& params) {
  const bool serial = env.link.kind() == LinkKind::Serial;
  DrainInput(env, serial ? params.serialDrain : params.tcpDrain);
  if (serial && params.extraRead) env.link.readAll();
  if (serial && params.portCheck && !env.link.portCheck()) return false;
  return true;
}

void WriteRequest(ExchangeEnv& env, const QByteArray& request) {
  env.link.prepareForRequest(static_cast<int>(request.size()));
  env.link.write(request);
}

void WaitPass(ExchangeEnv& env, qint64 lastReading, qint64 leaveAt) {
  if (lastReading >= leaveAt) {
    env.pump.pump();
  } else {
    env.pump.waitForActivity(env.clock.msUntilNextSecond());
  }
}

bool CheckReply(QByteArrayView received, const CommandParams& params, qint16 deviceId) {
  const QByteArrayView code(params.code, 2);
  switch (params.check) {
    case ReplyCheck::CodeAfterMarker: return HasReplyCode(received, code);
    case ReplyCheck::CodeAnywhere: return received.indexOf(code) >= 0;
    case ReplyCheck::StatusAfterFirstCode: {
      QByteArray marker("$");
      marker += code;
      const qsizetype at = received.indexOf(marker);
      return at >= 0 && at + 6 < received.size() && received[at + 6] == 'O';
    }
    case ReplyCheck::EchoedAddress: {
      const qsizetype p = MarkerPosition(received);
      const QByteArrayView digits = Mid1(received, p + 3, 3);
      const double v = LeadingNumber(QString::fromLatin1(digits));
      return static_cast<qint64>(v) == deviceId;
    }
  }
  return false;
}

ExchangeResult CommandExchange(ExchangeEnv& env, const CommandParams& params, qint16 deviceId, QByteArrayView payload) {
  ExchangeResult result;
  if (!DrainForCommand(env, params)) {
    result.outcome = Outcome::BadReply;
    return result;
  }
  const QByteArray request = BuildRequest(QByteArrayView(params.code, 2), deviceId, payload);
  const bool serial = env.link.kind() == LinkKind::Serial;
  bool replied = false;

  if (params.deadlineSeconds > 0) {
    // Buffers are prepared before the start time is taken, so the deadline
    // counts from the moment the request goes out.
    env.link.prepareForRequest(static_cast<int>(request.size()));
    qint64 last = env.clock.nowSeconds();
    const qint64 deadline = last + params.deadlineSeconds;
    env.link.write(request);
    for (;;) {
      if (last >= deadline) break;
      last = env.clock.nowSeconds();
      WaitPass(env, last, deadline);
      if (env.link.available() >= params.threshold) {
        replied = true;
        break;
      }
    }
  } else {
    const int limit = serial ? params.serialTickLimit : params.tcpTickLimit;
    if (!env.ticks) {
      result.outcome = Outcome::NoReply;
      return result;
    }
    env.link.prepareForRequest(static_cast<int>(request.size()));
    env.ticks->reset();
    env.link.write(request);
    for (;;) {
      if (env.ticks->value() > limit) break;
      // The 10 ms tick timer wakes this wait; the bound only guards against a
      // pump without one.
      env.pump.waitForActivity(10);
      if (env.link.available() >= params.threshold) {
        replied = true;
        break;
      }
    }
  }

  if (!replied) {
    result.outcome = Outcome::NoReply;
    return result;
  }
  result.received = env.link.readAll();
  result.outcome = CheckReply(result.received, params, deviceId) ? Outcome::Ok : Outcome::BadReply;
  if (!serial && params.tcpDrainAfter > 0) DrainInput(env, params.tcpDrainAfter);
  return result;
}

}  // namespace tessaro
