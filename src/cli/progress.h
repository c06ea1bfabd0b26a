#pragma once
// The one line a long run shows on a terminal, rewritten in place: where the
// work is, what is in hand, k of n, the readers found so far and the time
// left. Where stderr is no terminal nothing is shown, so scripts and logs get
// only the results.

#include <QString>
#include <QTextStream>

#include "link.h"

namespace tessaro::cli {

class Progress {
 public:
  Progress(QTextStream& err, MonotonicClock& clock, bool terminal) : err_(err), clock_(clock), terminal_(terminal) {}

  // Where the work is ("reader 2 of 16 (address 7)"), said before each step; empty for nowhere in particular.
  void within(const QString& context);
  // A stretch of `total` steps (0: not known how many); the time left is the pace of its steps so far.
  void begin(qint64 total);
  // Step `k` (from 1) of the stretch is in hand: "what k of n, F found, m:ss left"
  // ("records 1200 of 3501, 0:22 left", "scanning address 17, 17 of 255, 2 found, 2:10 left").
  void step(const QString& what, qint64 k, int found = -1);
  // Takes the line away, so that other text begins a line of its own.
  void clear();

 private:
  void draw(const QString& text);

  QTextStream& err_;
  MonotonicClock& clock_;
  const bool terminal_;
  QString context_;
  qint64 total_ = 0, startUs_ = 0, startK_ = 0;  // startK_: the first step seen, 0 before it
  bool shown_ = false;
};

}  // namespace tessaro::cli
