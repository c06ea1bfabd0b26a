#pragma once
// What a reader answers, as pure functions: request assembly, the reply of
// each command (memory changes included) and the shaping of a reply by an
// injected fault. The pacer (simpacer.h) and the lines (simchannels.h) only
// move these bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <functional>
#include <optional>
#include <vector>

#include "simtypes.h"

namespace tessaro::sim {

// Collects request frames from the line: "%" up to and including CR.
// Anything before "%" is skipped; a frame that never ends is dropped once it
// is longer than any request can be.
class RequestAssembler {
 public:
  static constexpr qsizetype kMaxFrame = 256;
  std::vector<QByteArray> feed(QByteArrayView data);
  void clear() { buf_.clear(); }
  qsizetype pending() const { return buf_.size(); }

 private:
  QByteArray buf_;
};

struct Request {
  QByteArray code;     // two upper-case letters
  int address = -1;    // the three digits as a number
  QByteArray payload;  // between the address and "**"
};

// "%" + two upper-case letters + three digits + payload + "**" + CR; nullopt otherwise.
std::optional<Request> ParseRequest(QByteArrayView frame);

struct Reply {
  std::vector<QByteArray> lines;  // frames in order; a stream ends with its end line
  bool stream = false;            // %UC and %DD
  int delayMs = 0;                // time the reader works before the first byte (%EC)
  bool hasReply() const { return !lines.empty(); }
  QByteArray bytes() const;
};

// The reply of `reader` to a request addressed to it, at PC time `pcNow`.
// Applies the request to the reader's memory (new settings, cards, erase, clock).
// Known commands with a malformed payload are answered "$ER" + address + code + "**" CR,
// a code the client never accepts; unknown codes get no reply. A new address
// that `addressTaken` reports as another reader's on the line is refused the same way.
Reply HandleRequest(SimReader& reader, const Request& request, const QDateTime& pcNow, int eraseCardsDelayMs,
                    const std::function<bool(int)>& addressTaken = {});

// Field builders, shared with the tests' expectations where they help.
QByteArray Address3(int id);
QByteArray SettingsText(const SimReader& reader);  // what follows "$US" up to "**"
QByteArray ClockPayload(const QDateTime& t);       // DDMMYYhhmmssWW, Sunday = 01
QByteArray RecordStamp(const SimRecord& record);   // DDMMYYhhmmss
QByteArray RecordCard(quint32 card);               // nine decimal digits

// One piece of output: sent after `delayMs` of line silence.
struct OutPiece {
  QByteArray data;
  int delayMs = 0;
  qint64 dropAfter = -1;    // first piece of a reply: close the line after this many bytes of the reply
  bool endless = false;     // after `data`, filler without CR keeps coming
  qint64 endlessLimit = 0;  // bytes of filler at most (0: until the next request or the end of the line)
  bool burst = false;       // sent at once, whatever the line's pace
  qint64 requestChars = 0;  // first piece of a reply on a paced virtual line: the request's characters,
                            // which that line carries before the reply
};

// Two replies sent at once by two drivers on one RS-485 pair. The model is
// plain: the second reader starts one character later, the idle line is all
// ones, and where both drive it the bits pulled low win, so the line carries
// the bitwise AND of the two, character by character. Lines of a stream
// overlap one for one.
Reply Collide(const Reply& a, const Reply& b);

// The reply shaped by the fault (None: one piece, after the reply's own delay).
// `baud` is the line's pace (0: none), which decides how much one burst holds.
std::vector<OutPiece> ShapeReply(const Reply& reply, const Fault& fault, int baud = 0);

// The noise that the Noise fault puts before the "$": printable and non-ASCII
// bytes, never "$", "%" or CR.
QByteArray NoiseBytes(int count);

}  // namespace tessaro::sim
