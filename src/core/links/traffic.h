#pragma once
// The traffic of a link as the monitor shows it: every piece sent and
// received, each tied to the exchange it belongs to (address and command of
// its request), with the replies that failed their check, the time-outs and
// the stray bytes outside any exchange marked. A bounded ring: the oldest
// frames make room for new ones.

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>

#include "trace.h"

namespace tessaro {

struct TrafficFrame {
  enum class Kind { Sent, Received, TimedOut };
  qint64 ms = 0;  // since the trace began
  Kind kind = Kind::Sent;
  QByteArray bytes;
  int address = -1;     // of the exchange's request; -1 for stray bytes
  QByteArray code;      // likewise
  bool failed = false;  // part of a reply that failed its check
  bool stray = false;   // received outside any exchange
  bool marked() const { return failed || stray || kind == Kind::TimedOut; }
};

class TrafficLog : public TraceSink {
 public:
  explicit TrafficLog(qsizetype capacity = 10000) : capacity_(capacity) {}
  void traced(const TraceEvent& event) override;
  void exchangeEnded(qint64 ms, Outcome outcome) override;

  const std::deque<TrafficFrame>& frames() const { return frames_; }
  void clear();
  // After each change: frames added at the back and dropped from the front.
  std::function<void(qsizetype added, qsizetype dropped)> changed;

 private:
  void add(TrafficFrame frame);
  qsizetype capacity_;
  std::deque<TrafficFrame> frames_;
  bool inExchange_ = false;
  int address_ = -1;
  QByteArray code_;
  qsizetype repliesFrom_ = 0;  // the first received frame of the exchange in progress
};

// The frames as tessaro-cli --trace writes them (time-outs are not bytes and stay out).
QByteArray TrafficText(const std::deque<TrafficFrame>& frames);
// One CSV row a frame: ms, direction, address, command, length, hex, text, mark.
QByteArray TrafficCsv(const std::deque<TrafficFrame>& frames);

}  // namespace tessaro
