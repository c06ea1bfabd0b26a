#pragma once
// The seams of the protocol core: a transport, a message pump and a
// whole-second clock. The exchange never knows which transport it talks to;
// tests replace all three.

#include <QByteArray>
#include <QtGlobal>

namespace tessaro {

enum class LinkKind { Serial, Tcp };

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
  // Serial only: thresholds and emptied buffers before a request.
  virtual void prepareForRequest(int /*requestLength*/) {}
  // Serial only: clear pending errors, read once more; false when that read failed.
  virtual bool portCheck() { return true; }
};

// Lets the window process its pending messages while a command waits.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // One non-blocking pass over the pending messages.
  virtual void pump() = 0;
  // Sleeps until a message arrives (data, a timer, user input) or maxMs has
  // passed, then processes what is pending. Never spins.
  virtual void waitForActivity(int maxMs) = 0;
};

// The wall clock with fractions of a second dropped.
class WholeSecondClock {
 public:
  virtual ~WholeSecondClock() = default;
  virtual qint64 nowSeconds() = 0;
  // Milliseconds until nowSeconds() changes (at least 1).
  virtual int msUntilNextSecond() = 0;
};

// The 10 ms tick counter of the window: counts 0..30000 and wraps to 0.
class TickCounter {
 public:
  qint16 value() const { return value_; }
  void reset() { value_ = 0; }
  void advance() { value_ = value_ < 30000 ? static_cast<qint16>(value_ + 1) : qint16(0); }

 private:
  qint16 value_ = 0;
};

// What one command routine needs besides its arguments.
struct ExchangeEnv {
  Link& link;
  MessagePump& pump;
  WholeSecondClock& clock;
  TickCounter* ticks = nullptr;  // only the settings read uses it
};

}  // namespace tessaro
