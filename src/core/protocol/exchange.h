#pragma once
// The two exchanges every device command follows: a request with one reply
// (CommandExchange) and a request with a stream of reply lines
// (StreamExchange). A command is a row of the Cmd:: table plus its own payload
// and reply decoding.

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <optional>
#include <vector>

#include "deviceid.h"
#include "link.h"

namespace tessaro {

enum class ReplyCheck {
  CodeAfterMarker,    // the two characters after the first "$" are the code
  CodeAnywhere,       // the code occurs anywhere in the received text
  AcceptedAfterCode,  // "$" + code found, and the character six after its "$" is "O"
  EchoedAddress,      // the three digits after "$" + code equal the device ID
};

// How a command uses one transport; times in milliseconds.
struct Transport {
  int settleMs = 0;               // quiet line wanted before the request; never less than the gap
  bool portCheck = false;         // refuse to send when the port reports an error
  int waitMs = 0;                 // reply: how long it may take; stream: the longest silence
  bool settleAfterReply = false;  // after the reply, wait for the line to fall quiet once more
};

struct Command {
  const char* code = "";  // two upper-case letters
  int replyLength = 0;    // the reply is complete at this many characters
  ReplyCheck check = ReplyCheck::CodeAfterMarker;
  Transport serial;
  Transport tcp;
  const Transport& on(LinkKind kind) const { return kind == LinkKind::Serial ? serial : tcp; }
};

// A line that never falls quiet (a reader that babbles, noise) ends the wait
// for quiet after this long; the request then goes out and its reply is judged.
inline constexpr int kDrainBoundMs = 250;

// The command table.
// Settle times: before every request the line must have been quiet for a
// while, so that the rest of an earlier reply is read away and the reader has
// finished it before it is asked again. The readers have always been given a
// fixed read-and-discard drain for this; the settle times are what those
// drains took in this program's own benchmark (2001 passes 2 ms, 20001 passes
// 20 ms, 32768 passes 33 ms). The gap (LinePace) is the floor under all of
// them, so the shorter ones only count when the user shortens the gap. A card
// write waits the gap alone, before the request and, over TCP, after the
// reply: the gap is the time its drain took, and a card list then goes at the
// speed of the line.
// The waits are the whole-second deadlines at their longest, so no wait ends
// sooner than the readers were ever given.
namespace Cmd {
inline constexpr Command SetClock{.code = "DR",
                                  .replyLength = 9,
                                  .serial = {.settleMs = 2, .waitMs = 1000},
                                  .tcp = {.settleMs = 2, .waitMs = 1000}};
inline constexpr Command ReadClock{.code = "UR",
                                   .replyLength = 23,
                                   .serial = {.settleMs = 2, .waitMs = 1000},
                                   .tcp = {.settleMs = 2, .waitMs = 1000}};
inline constexpr Command ReadRecordCount{.code = "RC",
                                         .replyLength = 13,
                                         .serial = {.settleMs = 2, .waitMs = 1000},
                                         .tcp = {.settleMs = 2, .waitMs = 1000}};
inline constexpr Command EraseRecords{.code = "EM",
                                      .replyLength = 9,
                                      .serial = {.settleMs = 2, .waitMs = 1000},
                                      .tcp = {.settleMs = 2, .waitMs = 1000}};
// The same request after a download: a reader that has just streamed its
// records is given ten times longer, and the reply is judged by the address it echoes.
inline constexpr Command EraseRecordsAfterDownload{.code = "EM",
                                                   .replyLength = 9,
                                                   .check = ReplyCheck::EchoedAddress,
                                                   .serial = {.settleMs = 20, .waitMs = 1000},
                                                   .tcp = {.settleMs = 20, .waitMs = 1000}};
// Erasing takes the reader up to 25 seconds.
inline constexpr Command EraseCards{.code = "EC",
                                    .replyLength = 9,
                                    .check = ReplyCheck::CodeAnywhere,
                                    .serial = {.settleMs = 2, .waitMs = 25000},
                                    .tcp = {.settleMs = 2, .waitMs = 25000}};
inline constexpr Command SendCard{.code = "NC",
                                  .replyLength = 9,
                                  .check = ReplyCheck::AcceptedAfterCode,
                                  .serial = {.settleMs = 0, .waitMs = 2000},
                                  .tcp = {.settleMs = 0, .waitMs = 2000, .settleAfterReply = true}};
inline constexpr Command WriteSettings{.code = "DS",
                                       .replyLength = 11,
                                       .serial = {.settleMs = 2, .portCheck = true, .waitMs = 2000},
                                       .tcp = {.settleMs = 2, .waitMs = 2000}};
// The reply length depends on the model (ReadSettings passes it); the waits
// are 51 and 151 ticks of the window's 10 ms timer.
inline constexpr Command ReadSettings{.code = "US",
                                      .serial = {.settleMs = 2, .portCheck = true, .waitMs = 510},
                                      .tcp = {.settleMs = 1, .waitMs = 1510}};
// Streams: the wait is the longest silence between two pieces of data.
inline constexpr Command ReadCards{
    .code = "UC", .serial = {.settleMs = 2, .waitMs = 6000}, .tcp = {.settleMs = 33, .waitMs = 6000}};
inline constexpr Command DownloadRecords{
    .code = "DD", .serial = {.settleMs = 2, .waitMs = 5000}, .tcp = {.settleMs = 2, .waitMs = 5000}};
}  // namespace Cmd

struct Request {
  DeviceId deviceId = 0;
  QByteArray payload;
  // Builds the payload after the drain, right before sending (the clock).
  std::function<QByteArray()> payloadAtSending;
  // The reply length when the model decides it instead of the command.
  std::optional<int> replyLength;
};

struct ExchangeResult {
  Outcome outcome = Outcome::NoReply;
  QByteArray received;  // everything read as the reply (empty without one)
};

ExchangeResult CommandExchange(ExchangeEnv& env, const Command& command, const Request& request);

bool CheckReply(QByteArrayView received, const Command& command, DeviceId deviceId);

// How far a reply has come: the characters from its first "$" on, or all of
// them while no "$" has come (a reply without one is judged as it is).
qsizetype ReplyCharacters(QByteArrayView received);

// Splits a reply stream into lines, each from a "$" up to and including the
// next CR. Text before a "$" is skipped. Fed piece by piece; keeps only the
// unfinished line, so it is linear in the stream's length.
class LineSplitter {
 public:
  // A "$" followed by more characters than this without a CR is not a reply line.
  static constexpr qsizetype kMaxLine = 64;
  enum class Result { More, Stopped, Overlong };
  // Hands every complete line of the buffer to `line` until it returns false.
  Result feed(QByteArrayView piece, const std::function<bool(QByteArrayView line)>& line);

 private:
  QByteArray buffer_;
  qsizetype offset_ = 0;  // first byte not yet consumed
};

enum class LineVerdict { More, End, Unexpected, Full };

enum class StreamEnd {
  Silence,     // the reader fell silent for longer than the command's wait
  EndLine,     // the reader's end-of-list line
  Unexpected,  // a line that belongs to no such stream, or one that never ends
  Full,        // as many lines as the command takes
  Cancelled,   // the user asked to stop
  PortFault,   // the serial port reported an error: nothing was sent
};

// What a stream command does with its lines.
class LineSink {
 public:
  virtual ~LineSink() = default;
  virtual LineVerdict line(QByteArrayView line) = 0;
  // After the lines of one received piece (a batch for the window).
  virtual void pieceDone() {}
};

// Sends the request, then hands every line to `sink` until the sink ends the
// stream, the reader falls silent or `cancelled` (asked after every wake) says so.
StreamEnd StreamExchange(ExchangeEnv& env, const Command& command, DeviceId deviceId, LineSink& sink,
                         const std::function<bool()>& cancelled = {});

// What a sweep does with what it hears.
class SweepSink {
 public:
  virtual ~SweepSink() = default;
  // How long the next request may wait for its reply, in milliseconds of silence.
  virtual int waitMs() = 0;
  // A request went out (the clock's microseconds).
  virtual void sent(DeviceId deviceId, qint64 atUs) = 0;
  // A line from "$" to CR, heard while `awaiting` was asked (nullopt: while
  // the line fell quiet before a request, or after the last); true when it is
  // the reply awaited, which ends that wait.
  virtual bool line(QByteArrayView line, std::optional<DeviceId> awaiting, qint64 atUs) = 0;
  // Bytes that are no such line: before a "$", a line that never ends.
  virtual void noise(QByteArrayView bytes, std::optional<DeviceId> awaiting, qint64 atUs) = 0;
};

// One request to each address in turn, for replies that may come late or
// garbled and name their own address: each waits for its reply up to the
// sink's wait of silence; before each the line falls quiet as for every
// request, but what is heard meanwhile is handed on, not thrown away; after
// the last the line is listened to for `lingerMs`. Stops before a request when
// `cancelled` says so, and before any on a serial port that fails its check.
StreamEnd SweepExchange(ExchangeEnv& env, const Command& command, const std::vector<DeviceId>& ids, int lingerMs,
                        SweepSink& sink, const std::function<bool()>& cancelled = {});

}  // namespace tessaro
