#include "common/fakes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tessaro::test {

void FakeLink::settle() {
  while (!pending_.empty() && pending_.begin()->first <= clock_.ms) {
    buffer_ += pending_.begin()->second;
    pending_.erase(pending_.begin());
  }
}

QByteArray FakeLink::readAll() {
  ++reads;
  settle();
  QByteArray out;
  out.swap(buffer_);
  return out;
}

qint64 FakeLink::available() {
  settle();
  return buffer_.size();
}

void FakeLink::write(const QByteArray& data) {
  written += data;
  requests.push_back(data);
  writeTimeMs = clock_.ms;
  if (onWrite) onWrite(data);
}

void FakeLink::prepareForRequest(int) {
  ++prepares;
  // Only the serial port empties its buffers before a request; a socket keeps what it received.
  if (kind_ != LinkKind::Serial) return;
  settle();
  buffer_.clear();
}

// Fake time between timer ticks.
constexpr qint64 kTickMs = 10;

void FakePump::advanceTo(qint64 ms) {
  if (ms <= clock_.ms) return;
  if (ticks_) {
    const qint64 before = clock_.ms / kTickMs;
    const qint64 after = ms / kTickMs;
    for (qint64 i = before; i < after; ++i) ticks_->advance();
  }
  sleptMs += ms - clock_.ms;
  clock_.ms = ms;
}

void FakePump::pump() {
  ++pumps;
  // No loop of the program pumps this often without sleeping; a wait loop that
  // stopped sleeping would otherwise spin until the test times out.
  if (++pumpsSinceWait_ > kSpinLimit) {
    std::fprintf(stderr, "FakePump: %d passes without a wait: the loop spins\n", kSpinLimit);
    std::abort();
  }
  if (onPass) onPass();
}

void FakePump::waitForActivity(int maxMs) {
  ++waits;
  pumpsSinceWait_ = 0;
  qint64 target = clock_.ms + std::max(1, maxMs);
  // Timer ticks wake a real pump too.
  if (ticks_) target = std::min(target, (clock_.ms / kTickMs + 1) * kTickMs);
  if (link_) {
    const qint64 next = link_->nextArrival();
    if (next >= 0) target = std::min(target, std::max(next, clock_.ms));
  }
  advanceTo(target);
  if (onPass) onPass();
}

}  // namespace tessaro::test
