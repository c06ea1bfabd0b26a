#include "common/fakes.h"

#include <algorithm>

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

void FakePump::advanceTo(qint64 ms) {
  if (ms <= clock_.ms) return;
  if (ticks_) {
    const qint64 before = clock_.ms / tickStepMs;
    const qint64 after = ms / tickStepMs;
    for (qint64 i = before; i < after; ++i) ticks_->advance();
  }
  sleptMs += ms - clock_.ms;
  clock_.ms = ms;
}

void FakePump::pump() {
  ++pumps;
  if (onPass) onPass();
}

void FakePump::waitForActivity(int maxMs) {
  ++waits;
  qint64 target = clock_.ms + std::max(1, maxMs);
  // Timer ticks wake a real pump too.
  if (ticks_) target = std::min(target, (clock_.ms / tickStepMs + 1) * tickStepMs);
  if (link_) {
    const qint64 next = link_->nextArrival();
    if (next >= 0) target = std::min(target, std::max(next, clock_.ms));
  }
  advanceTo(target);
  if (onPass) onPass();
}

}  // namespace tessaro::test
