#pragma once
// Fakes for the seams of the core: a clock that moves only when the pump
// sleeps, a scripted link, and a pump that jumps to the next arrival.

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "link.h"
#include "support/printers.h"

namespace tessaro::test {

class FakeClock : public MonotonicClock {
 public:
  qint64 nowUs() override { return ms * 1000; }
  qint64 ms = 1'000'000;
};

// Data arrives at fake times; writes are recorded and may schedule replies.
class FakeLink : public Link {
 public:
  FakeLink(FakeClock& clock, LinkKind kind) : clock_(clock), kind_(kind) {}
  LinkKind kind() const override { return kind_; }
  QByteArray readAll() override;
  qint64 available() override;
  void write(const QByteArray& data) override;
  void prepareForRequest() override;
  bool portCheck() override { return portOk; }

  void deliverAfter(qint64 delayMs, const QByteArray& data) { pending_.emplace(clock_.ms + delayMs, data); }
  qint64 nextArrival() const { return pending_.empty() ? -1 : pending_.begin()->first; }

  std::function<void(const QByteArray& request)> onWrite;  // may schedule the reply
  std::vector<QByteArray> requests;
  int reads = 0;             // readAll calls
  int readsBeforeWrite = 0;  // readAll calls before the last write
  bool portOk = true;

 private:
  void settle();
  FakeClock& clock_;
  LinkKind kind_;
  QByteArray buffer_;
  std::multimap<qint64, QByteArray> pending_;
};

// A wait jumps to the next arrival or to its bound, whichever comes first.
class FakePump : public MessagePump {
 public:
  FakePump(FakeClock& clock, FakeLink& link) : clock_(clock), link_(link) {}
  void waitForActivity(qint64 maxUs) override;

 private:
  FakeClock& clock_;
  FakeLink& link_;
  int wakesWithoutTime_ = 0;
};

struct FakeEnv {
  explicit FakeEnv(LinkKind kind = LinkKind::Serial) : link(clock, kind), pump(clock, link) {}
  FakeEnv(const FakeEnv&) = delete;  // env points into this one
  // Answers every request with `reply` after `delayMs`.
  void answer(const QByteArray& reply, qint64 delayMs = 0) {
    link.onWrite = [this, reply, delayMs](const QByteArray&) { link.deliverAfter(delayMs, reply); };
  }
  // Answers the requests in turn, each after `delayMs`; an empty answer, or none left, is silence.
  void answerInTurn(std::vector<QByteArray> replies, qint64 delayMs) {
    link.onWrite = [this, replies, delayMs, n = size_t(0)](const QByteArray&) mutable {
      if (n < replies.size() && !replies[n].isEmpty()) link.deliverAfter(delayMs, replies[n]);
      ++n;
    };
  }
  FakeClock clock;
  FakeLink link;
  FakePump pump;
  LinePace pace;
  ExchangeEnv env{link, pump, clock, pace};
};

// A file's bytes; empty when it cannot be read.
QByteArray ReadFile(const QString& path);
// Writes the bytes whole and returns the path; a test that cannot write its own files stops.
QString WriteFile(const QString& path, const QByteArray& bytes);

}  // namespace tessaro::test
