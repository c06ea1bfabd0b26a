#include "simpacer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>

namespace tessaro::sim {

namespace {

constexpr qint64 kUnpacedChunk = 64 * 1024;
constexpr qint64 kEndlessChunk = 64;  // unpaced endless filler per pass
constexpr qint64 kEndlessPassUs = 10'000;
constexpr qint64 kStallLimitUs = 2'000'000;
constexpr qint64 kBitsUsPerChar = 11 * 1'000'000;  // a character's 11 bits, in bit-microseconds

QByteArray filler(qint64 from, qint64 n) {
  static const char kDigits[] = "0123456789ABCDEF";
  QByteArray f(n, '0');
  for (qint64 i = 0; i < n; ++i) f[i] = kDigits[(from + i) % 16];
  return f;
}

}  // namespace

Pacer::Pacer(Channel& line, Hooks hooks) : line_(line), hooks_(std::move(hooks)) {
  clock_.start();
  timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  wake_ = std::make_unique<QSocketNotifier>(timerFd_, QSocketNotifier::Read);
  QObject::connect(wake_.get(), &QSocketNotifier::activated, [this] {
    quint64 expiries = 0;
    [[maybe_unused]] const ssize_t n = ::read(timerFd_, &expiries, sizeof expiries);
    service();
  });
}

Pacer::~Pacer() {
  wake_.reset();
  if (timerFd_ >= 0) ::close(timerFd_);
}

void Pacer::arm(qint64 us) {
  itimerspec when{};
  us = std::max<qint64>(1, us);  // a zero time would disarm the timer
  when.it_value.tv_sec = static_cast<time_t>(us / 1'000'000);
  when.it_value.tv_nsec = static_cast<long>(us % 1'000'000) * 1000;
  ::timerfd_settime(timerFd_, 0, &when, nullptr);
}

void Pacer::stopEndless() {
  if (!queue_.empty() && queue_.front().endless) stopEndless_ = true;
}

// Characters of 11 bits at the line rate, counted from the moment the line
// last started to send after a silence. A character is handed on once its
// last bit has arrived, never sooner: as a USB adapter hands them on, what
// arrived within a millisecond together and the piece's last character at its
// own time (`rest`: the characters the piece has left); as a UART without a
// FIFO, each character at its own time.
qint64 Pacer::paceBudget(qint64 now, qint64 rest, qint64* waitUs) {
  if (paceOriginUs_ < 0) {
    paceOriginUs_ = now;
    pacedSent_ = 0;
  }
  const qint64 arrived = (now - paceOriginUs_) * baud_ / kBitsUsPerChar;
  if (arrived > pacedSent_) return arrived - pacedSent_;
  qint64 wakeUs = charsEndUs(pacedSent_ + 1);
  if (delivery_ == Delivery::Usb)
    wakeUs = std::max(wakeUs, std::min(charsEndUs(pacedSent_ + std::max<qint64>(rest, 1)), now + 1000));
  *waitUs = wakeUs - now;
  return 0;
}

qint64 Pacer::charsEndUs(qint64 chars) const { return paceOriginUs_ + (chars * kBitsUsPerChar + baud_ - 1) / baud_; }

void Pacer::service() {
  while (line_.alive() && !line_.dropping && !queue_.empty()) {
    OutPiece& p = queue_.front();
    const qint64 t = nowUs();
    if (!pieceStarted_) {
      pieceStarted_ = true;
      sentInPiece_ = 0;
      endlessSent_ = 0;
      readyAtUs_ = t + qint64(p.delayMs) * 1000;
      if (p.dropAfter >= 0) dropCountdown_ = p.dropAfter;
      if (p.delayMs > 0) {
        paceOriginUs_ = -1;  // the line falls silent
      } else if (p.requestChars > 0 && baud_ > 0) {
        // However fast its bytes reached the simulator, the request takes its
        // own time on the line, after whatever was still being sent.
        if (paceOriginUs_ < 0) {
          paceOriginUs_ = t;
          pacedSent_ = 0;
        }
        pacedSent_ += p.requestChars;
      }
    }
    if (t < readyAtUs_) {
      arm(readyAtUs_ - t);
      return;
    }
    if (dropCountdown_ == 0) {
      drop();
      return;
    }
    const qint64 rest = p.data.size() - sentInPiece_;
    const bool endlessGoing =
        rest <= 0 && p.endless && !stopEndless_ && (p.endlessLimit == 0 || endlessSent_ < p.endlessLimit);
    if (rest <= 0 && !endlessGoing) {
      queue_.pop_front();
      pieceStarted_ = false;
      stopEndless_ = false;
      continue;
    }
    qint64 waitUs = 1000;
    // A burst of the adapter reaches the PC at once; the line's pace is in its timing.
    const bool paced = baud_ > 0 && !p.burst;
    qint64 budget = paced ? paceBudget(t, rest > 0 ? rest : kEndlessChunk, &waitUs) : kUnpacedChunk;
    if (budget <= 0) {
      arm(waitUs);
      return;
    }
    // A UART without a FIFO hands each character on by itself, even when it is fetched late.
    const bool oneByOne = paced && delivery_ == Delivery::Uart;
    const bool moreDue = oneByOne && budget > 1;
    if (oneByOne) budget = 1;
    if (dropCountdown_ > 0) budget = std::min(budget, dropCountdown_);
    QByteArray chunk;
    if (rest > 0) {
      chunk = p.data.mid(sentInPiece_, std::min(rest, budget));
    } else {
      qint64 n = baud_ > 0 ? budget : std::min(budget, kEndlessChunk);
      if (p.endlessLimit > 0) n = std::min(n, p.endlessLimit - endlessSent_);
      chunk = filler(endlessSent_, n);
    }
    const qint64 w = line_.writeSome(chunk);
    if (w < 0) {
      queue_.clear();
      pieceStarted_ = false;
      return;
    }
    if (rest > 0) sentInPiece_ += w;
    else endlessSent_ += w;
    pacedSent_ += w;
    if (dropCountdown_ > 0) dropCountdown_ -= w;
    if (dropCountdown_ == 0) {
      drop();
      return;
    }
    if (w < chunk.size()) {
      // The line is full: nobody reads the other end. Try again shortly, and
      // give the reply up when it stays full, as a reader's buffer would overflow.
      if (w > 0 || stalledSinceUs_ < 0) stalledSinceUs_ = t;
      if (t - stalledSinceUs_ > kStallLimitUs) {
        hooks_.log("!", "reply given up: nobody reads the line");
        queue_.clear();
        pieceStarted_ = false;
        stalledSinceUs_ = -1;
        return;
      }
      arm(5000);
      return;
    }
    stalledSinceUs_ = -1;
    if (moreDue) {
      arm(1);  // the reader's turn to take it before the next one comes
      return;
    }
    if (rest <= 0 && baud_ <= 0) {
      arm(kEndlessPassUs);
      return;
    }
    if (baud_ <= 0 && rest > kUnpacedChunk) {
      arm(1);  // keep the event loop responsive between large chunks
      return;
    }
  }
  if (queue_.empty()) paceOriginUs_ = -1;
}

void Pacer::drop() {
  queue_.clear();
  pieceStarted_ = false;
  dropCountdown_ = -1;
  hooks_.log("!", "line dropped by fault");
  hooks_.dropped();
}

}  // namespace tessaro::sim
