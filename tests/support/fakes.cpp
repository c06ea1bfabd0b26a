#include "support/fakes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QFile>

namespace tessaro::test {

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
  return path;
}

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

void FakePump::waitForActivity(qint64 maxUs) {
  // The fake clock counts whole milliseconds; a wait never ends before its time.
  qint64 target = clock_.ms + std::max<qint64>(1, (maxUs + 999) / 1000);
  if (const qint64 next = link_.nextArrival(); next >= 0) target = std::min(target, std::max(next, clock_.ms));
  // A loop that waits without ever letting time pass would otherwise spin
  // until the test times out.
  if (target > clock_.ms) wakesWithoutTime_ = 0;
  else if (++wakesWithoutTime_ > 1'000'000) {
    std::fprintf(stderr, "FakePump: a wait loop spins\n");
    std::abort();
  }
  clock_.ms = target;
}

}  // namespace tessaro::test
