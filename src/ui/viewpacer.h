#pragma once
// What a transfer has reached, shown at most ten times a second (painting the
// card list costs a few milliseconds; more often would cost a core's tenth) and only
// while a request is on the line: a repaint never sits between a reply and
// the next request, and the last state is always shown at the end.

#include <functional>
#include <optional>
#include <utility>

#include "link.h"

namespace tessaro {

class ViewPacer {
 public:
  explicit ViewPacer(MonotonicClock& clock, int intervalMs = 100) : clock_(clock), intervalUs_(qint64(intervalMs) * 1000) {}
  // The newest state to show; it replaces one not shown yet.
  void set(std::function<void()> show) { pending_ = std::move(show); }
  // A request is out (or a stream is coming in): shows the newest state when its time has come.
  void mayShow() {
    if (!pending_ || (shownUs_ && clock_.nowUs() - *shownUs_ < intervalUs_)) return;
    showNow();
  }
  // Shows what is pending, whatever the time.
  void finish() {
    if (pending_) showNow();
  }

 private:
  void showNow() {
    shownUs_ = clock_.nowUs();
    std::exchange(pending_, nullptr)();
  }
  MonotonicClock& clock_;
  qint64 intervalUs_;
  std::optional<qint64> shownUs_;
  std::function<void()> pending_;
};

}  // namespace tessaro
