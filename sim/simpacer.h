#pragma once
// Sends the pieces of replies down one line as a reader and the cable would:
// each piece after its silence, characters paced at the line rate (11 bits a
// character), an adapter's bursts at once, endless filler without CR, a drop
// after so many bytes, and a reply given up when nobody reads the line.

#include <QByteArray>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "simchannels.h"
#include "simprotocol.h"

namespace tessaro::sim {

class Pacer {
 public:
  struct Hooks {
    std::function<void(const char* dir, const QByteArray& what)> log;
    // A drop fault's bytes are sent: the reply is discarded, the line is to be dropped.
    std::function<void()> dropped;
  };
  Pacer(Channel& line, Hooks hooks);
  ~Pacer();
  Pacer(const Pacer&) = delete;
  Pacer& operator=(const Pacer&) = delete;

  // The line rate; 0 = unpaced.
  void setBaud(int baud) { baud_ = baud; }
  // How a paced line hands its characters on.
  void setDelivery(Delivery delivery) { delivery_ = delivery; }
  // Queues a piece after those still being sent; service() starts it.
  void queue(const OutPiece& piece) { queue_.push_back(piece); }
  // Ends an endless reply being sent, as a reader that starts over would.
  void stopEndless();
  // Sends what the line takes now and arms the timer for the rest.
  void service();

 private:
  qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
  qint64 paceBudget(qint64 now, qint64 rest, qint64* waitUs);
  // When the line has carried `chars` characters since its origin: rounded up, never sooner.
  qint64 charsEndUs(qint64 chars) const;
  // Wakes service() after `us` microseconds: a character at 38400 baud lasts 286 of them,
  // so a wait in whole milliseconds would make the line slower than its rate.
  void arm(qint64 us);
  void drop();

  Channel& line_;
  Hooks hooks_;
  int baud_ = 0;
  Delivery delivery_ = Delivery::Usb;
  QElapsedTimer clock_;
  int timerFd_ = -1;
  std::unique_ptr<QSocketNotifier> wake_;
  std::deque<OutPiece> queue_;
  bool pieceStarted_ = false;
  qint64 readyAtUs_ = 0;
  qint64 sentInPiece_ = 0;
  qint64 endlessSent_ = 0;
  qint64 dropCountdown_ = -1;
  bool stopEndless_ = false;
  qint64 paceOriginUs_ = -1;
  qint64 pacedSent_ = 0;
  qint64 stalledSinceUs_ = -1;  // the line has taken nothing since then
};

}  // namespace tessaro::sim
