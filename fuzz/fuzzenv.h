#pragma once
// A reader that answers one request with the fuzzer's bytes, for the routines
// that read their reply through the exchange. No time passes; the reply is
// there as soon as the request was written.

#include <QByteArray>

#include "link/link.h"

namespace tessaro::fuzz {

class ReplyLink : public Link {
 public:
  explicit ReplyLink(QByteArray reply) : reply_(std::move(reply)) {}
  LinkKind kind() const override { return LinkKind::Tcp; }
  QByteArray readAll() override {
    if (!written_) return {};
    QByteArray out;
    out.swap(reply_);
    return out;
  }
  qint64 available() override { return written_ ? reply_.size() : 0; }
  void write(const QByteArray& /*data*/) override { written_ = true; }

 private:
  QByteArray reply_;
  bool written_ = false;
};

class IdlePump : public MessagePump {
 public:
  void pump() override {}
  void waitForActivity(int /*maxMs*/) override {}
};

// Advances one second on every reading, so a reply that is too short ends the
// wait after a few passes instead of never.
class SteppingClock : public WholeSecondClock {
 public:
  qint64 nowSeconds() override { return now_++; }
  int msUntilNextSecond() override { return 1; }

 private:
  qint64 now_ = 1000;
};

struct ReplyEnv {
  explicit ReplyEnv(QByteArray reply) : link(std::move(reply)) {}
  ReplyLink link;
  IdlePump pump;
  SteppingClock clock;
  TickCounter ticks;
  ExchangeEnv env() { return ExchangeEnv{link, pump, clock, &ticks}; }
};

}  // namespace tessaro::fuzz
