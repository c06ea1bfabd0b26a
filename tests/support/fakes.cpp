#include "support/fakes.h"

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
  return std::exchange(buffer_, {});
}

qint64 FakeLink::available() {
  settle();
  return buffer_.size();
}

void FakeLink::write(const QByteArray& data) {
  requests.push_back(data);
  readsBeforeWrite = reads;
  if (onWrite) onWrite(data);
}

void FakeLink::prepareForRequest() {
  // Only the serial port empties its buffer before a request.
  if (kind_ != LinkKind::Serial) return;
  settle();
  buffer_.clear();
}

void FakePump::pump() {
  // No loop of the program passes this often without sleeping; one that
  // stopped sleeping would otherwise spin until the test times out.
  if (++passesSinceWait_ > 5'000'000) {
    std::fprintf(stderr, "FakePump: a wait loop spins\n");
    std::abort();
  }
  if (onPass) onPass();
}

void FakePump::waitForActivity(int maxMs) {
  passesSinceWait_ = 0;
  qint64 target = clock_.ms + std::max(1, maxMs);
  if (const qint64 next = link_.nextArrival(); next >= 0) target = std::min(target, std::max(next, clock_.ms));
  clock_.ms = target;
  if (onPass) onPass();
}

}  // namespace tessaro::test
