#pragma once
// A reader that answers one request with the fuzzer's bytes, in pieces of a
// chosen size, for the routines that read through the exchanges. No real time
// passes: the clock steps on every reading, so silence ends a wait after a
// few wakes.

#include <QByteArray>

#include "link.h"

namespace tessaro::fuzz {

class ReplyLink : public Link {
 public:
  ReplyLink(QByteArray reply, qsizetype piece) : reply_(std::move(reply)), piece_(piece) {}
  LinkKind kind() const override { return LinkKind::Tcp; }
  QByteArray readAll() override {
    if (!written_) return {};
    const QByteArray out = reply_.mid(at_, piece_);
    at_ += out.size();
    return out;
  }
  qint64 available() override { return written_ ? qMin(piece_, reply_.size() - at_) : 0; }
  void write(const QByteArray& /*data*/) override { written_ = true; }

 private:
  QByteArray reply_;
  qsizetype piece_;
  qsizetype at_ = 0;
  bool written_ = false;
};

class IdlePump : public MessagePump {
 public:
  void waitForActivity(qint64 /*maxUs*/) override {}
};

class SteppingClock : public MonotonicClock {
 public:
  qint64 nowUs() override { return (now_ += 250) * 1000; }

 private:
  qint64 now_ = 0;
};

struct ReplyEnv {
  explicit ReplyEnv(QByteArray reply, qsizetype piece = 1 << 30) : link(std::move(reply), piece) {}
  ReplyLink link;
  IdlePump pump;
  SteppingClock clock;
  LinePace pace;
  ExchangeEnv env() { return ExchangeEnv{link, pump, clock, pace}; }
};

}  // namespace tessaro::fuzz
