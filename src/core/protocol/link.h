#pragma once
// The seams of the protocol core: a transport, a message pump and a monotonic
// clock. The exchange never knows which transport it talks to; tests replace
// all three.

#include <QByteArray>
#include <QStringView>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <optional>

namespace tessaro {

enum class LinkKind { Serial, Tcp };

// Why a link could not be opened; the system's own words come with it.
enum class LinkFault {
  None,
  NoDevice,   // no such serial device (or no device for the port number)
  Denied,     // the device is there, but this user may not read and write it
  InUse,      // refused as busy: another program holds it
  NotSerial,  // a file or device that is no serial port
  Refused,    // nothing takes connections at that address and port
  NoHost,     // the host name is not known
  TimedOut,   // no connection within the wait
  Other,
};

enum class Outcome {
  Ok,        // a complete reply passed the command's check
  BadReply,  // a complete reply failed the check, or the serial port check refused to send
  NoReply,   // too few characters before the deadline
};

class Link {
 public:
  virtual ~Link() = default;
  virtual LinkKind kind() const = 0;
  // Everything received so far, removed from the receive buffer; empty on error.
  virtual QByteArray readAll() = 0;
  // How many characters are waiting; 0 on error.
  virtual qint64 available() = 0;
  // Writes the whole text in one call; errors are ignored.
  virtual void write(const QByteArray& data) = 0;
  // Serial only: empties both buffers before a request.
  virtual void prepareForRequest() {}
  // Serial only: clear pending errors, read once more; false when that read failed.
  virtual bool portCheck() { return true; }
  // The exchange of the last request written is over (for a trace).
  virtual void exchangeEnded(Outcome /*outcome*/) {}
  // The line's speed in baud, where the link knows it (a serial port); 0 when not.
  virtual int baud() const { return 0; }
};

// Lets the program process its pending events while a command waits.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Sleeps until an event arrives (data, a timer, user input) or maxUs
  // microseconds have passed, then processes what is pending. Never spins.
  virtual void waitForActivity(qint64 maxUs) = 0;
};

// Time that only ever moves forward, whatever the wall clock does. Read in
// microseconds, so that a wait of so many milliseconds is never cut short by
// where in a millisecond it began.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual qint64 nowUs() = 0;
  qint64 nowMs() { return nowUs() / 1000; }
};

// The one deadline rule of every wait: it has passed once `ms` milliseconds
// have gone by since it was set or renewed.
class Deadline {
 public:
  Deadline(MonotonicClock& clock, int ms) : clock_(clock), us_(qint64(ms) * 1000) { renew(); }
  void renew() { end_ = clock_.nowUs() + us_; }
  bool passed() const { return clock_.nowUs() >= end_; }
  qint64 remainingUs() const { return std::max<qint64>(0, end_ - clock_.nowUs()); }

 private:
  MonotonicClock& clock_;
  qint64 us_;
  qint64 end_ = 0;
};

// The pause a reader always gets between the end of its reply and the next
// request, unless the user chose another (--gap).
inline constexpr int kDefaultGapMs = 5;
inline constexpr int kMaxGapMs = 1000;

// A gap the user typed: whole milliseconds from 0 to kMaxGapMs.
std::optional<int> GapFromText(QStringView text);

// What the exchanges keep of one line from one request to the next.
struct LinePace {
  int gapMs = kDefaultGapMs;
  // When a byte was last heard on the line or a request last written to it
  // (microseconds of the clock); nothing yet on a line that has not been used.
  std::optional<qint64> lastBusyUs;
};

// What one command routine needs besides its arguments.
struct ExchangeEnv {
  Link& link;
  MessagePump& pump;
  MonotonicClock& clock;
  LinePace& pace;
  // Called right after each request is written: while the line carries it
  // and its reply, the program may show what it has reached.
  std::function<void()> sent = {};
};

// Sleeps in the event loop for `ms` milliseconds without spinning.
void Pause(MessagePump& pump, MonotonicClock& clock, int ms);

}  // namespace tessaro
