#pragma once
// Fakes for the seams of the core: a clock that moves only when the pump
// sleeps, a scripted link, and a pump that jumps to the next event.

#include <QByteArray>
#include <functional>
#include <map>
#include <vector>

#include "link/link.h"

namespace tessaro::test {

class FakeClock : public WholeSecondClock {
 public:
  explicit FakeClock(qint64 startMs = 1'700'000'000'000LL) : ms(startMs) {}
  qint64 nowSeconds() override { return ms / 1000; }
  int msUntilNextSecond() override { return static_cast<int>(1000 - ms % 1000); }
  qint64 ms;
};

// Scripted transport: data is delivered at fake times; writes are recorded
// and may trigger scripted replies.
class FakeLink : public Link {
 public:
  explicit FakeLink(FakeClock& clock, LinkKind kind = LinkKind::Serial) : clock_(clock), kind_(kind) {}

  LinkKind kind() const override { return kind_; }
  QByteArray readAll() override;
  qint64 available() override;
  void write(const QByteArray& data) override;
  void prepareForRequest(int requestLength) override;
  bool portCheck() override { ++portChecks; return portOk; }

  // Data that arrives `delayMs` after now.
  void deliverAfter(qint64 delayMs, const QByteArray& data) { pending_.emplace(clock_.ms + delayMs, data); }
  // Earliest pending arrival, or -1.
  qint64 nextArrival() const { return pending_.empty() ? -1 : pending_.begin()->first; }

  // Called on every write with the request; may schedule replies.
  std::function<void(const QByteArray& request)> onWrite;

  QByteArray written;          // everything written, in order
  std::vector<QByteArray> requests;
  int reads = 0;               // readAll calls
  int prepares = 0;
  int portChecks = 0;
  bool portOk = true;
  qint64 writeTimeMs = -1;     // fake time of the last write

 private:
  void settle();
  FakeClock& clock_;
  LinkKind kind_;
  QByteArray buffer_;
  std::multimap<qint64, QByteArray> pending_;
};

// Pump: a pass does no time; a wait jumps to the next arrival or the bound.
// Tick counter advances every 10 ms of fake time.
class FakePump : public MessagePump {
 public:
  FakePump(FakeClock& clock, FakeLink* link = nullptr, TickCounter* ticks = nullptr)
      : clock_(clock), link_(link), ticks_(ticks) {}
  void pump() override;
  void waitForActivity(int maxMs) override;

  std::function<void()> onPass;  // runs on every pass (pump or wait)
  int pumps = 0;
  int waits = 0;
  qint64 sleptMs = 0;

 private:
  void advanceTo(qint64 ms);
  static constexpr int kSpinLimit = 5'000'000;
  FakeClock& clock_;
  FakeLink* link_;
  TickCounter* ticks_;
  int pumpsSinceWait_ = 0;
};

// A clock, link, pump and tick counter wired together.
struct FakeEnv {
  explicit FakeEnv(LinkKind kind = LinkKind::Serial, qint64 startMs = 1'700'000'000'000LL)
      : clock(startMs), link(clock, kind), pump(clock, &link, &ticks) {}
  ExchangeEnv env() { return ExchangeEnv{link, pump, clock, &ticks}; }
  FakeClock clock;
  TickCounter ticks;
  FakeLink link;
  FakePump pump;
};

}  // namespace tessaro::test
