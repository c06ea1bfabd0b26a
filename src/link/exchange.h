#pragma once
// CommandExchange: the one request/reply procedure every device command follows.
// Each command is a row of parameters (the Cmd:: table) plus its own
// payload and reply decoding.

#include <QByteArray>
#include <QByteArrayView>

#include "link/link.h"

namespace tessaro {

enum class StatusConvention { NoReplyMinusOne, NoReplyZero };
enum class Outcome { Ok, BadReply, NoReply };

inline constexpr int StatusOk = 1;
// The numeric result of an outcome under a command's convention.
int StatusCode(Outcome outcome, StatusConvention convention);

enum class ReplyCheck {
  CodeAfterMarker,       // the two characters after the first "$" are the code
  CodeAnywhere,          // the code occurs anywhere in the received text
  StatusAfterFirstCode,  // "$"+code found, the character six after its "$" is 'O'
  EchoedAddress,         // the three digits after "$"+code equal the device ID
};

struct CommandParams {
  const char* code;     // two upper-case letters
  int serialDrain;      // reading passes before the request, serial
  int tcpDrain;         // reading passes before the request, TCP
  bool portCheck;       // serial: port check after the drain
  bool extraRead;       // serial: one more read after the drain
  int tcpDrainAfter;    // TCP: reading passes after the reply
  int deadlineSeconds;  // whole-second deadline; 0 means the tick limits below
  int serialTickLimit;  // TickCounter limit on the serial link
  int tcpTickLimit;     // TickCounter limit on the TCP link
  int threshold;        // reply complete at this many characters
  ReplyCheck check;
  StatusConvention convention;
};

// The rows of the command table.
namespace Cmd {
extern const CommandParams SetClock;                   // %DR
extern const CommandParams ReadClock;                  // %UR
extern const CommandParams ReadRecordCount;            // %RC
extern const CommandParams EraseRecords;               // %EM
extern const CommandParams EraseRecordsAfterDownload;  // %EM, judged by the echoed address
extern const CommandParams EraseCards;                 // %EC
extern const CommandParams ReadCards;                  // %UC (streamed)
extern const CommandParams SendCard;                   // %NC
extern const CommandParams WriteSettings;              // %DS
extern const CommandParams ReadSettings;               // %US (threshold set per model by the caller)
extern const CommandParams DownloadRecords;            // %DD (streamed)
}  // namespace Cmd

struct ExchangeResult {
  Outcome outcome = Outcome::NoReply;
  QByteArray received;  // everything read as the reply (empty without a reply)
  int status(StatusConvention c) const { return StatusCode(outcome, c); }
};

ExchangeResult CommandExchange(ExchangeEnv& env, const CommandParams& params, qint16 deviceId,
                               QByteArrayView payload = {});

// Building blocks for the streamed commands, which replace the wait loop.
// Drain: `passes` times read and discard the receive buffer, then pump once.
void DrainInput(ExchangeEnv& env, int passes);
// The drain of a command row on the env's link, including its extra read and
// port check; false when the port check failed (nothing must be sent).
bool DrainForCommand(ExchangeEnv& env, const CommandParams& params);
// Prepares the link and writes the request in one call.
void WriteRequest(ExchangeEnv& env, const QByteArray& request);
// One pass of a wait loop: sleeps until activity or the next whole second.
// `leaveAt` is the first clock reading at which the caller's loop ends; once
// `lastReading` has reached it the pass only looks at what is pending, so a
// sleeping loop ends in the same second as a polling one would.
void WaitPass(ExchangeEnv& env, qint64 lastReading, qint64 leaveAt);

bool CheckReply(QByteArrayView received, const CommandParams& params, qint16 deviceId);

}  // namespace tessaro
