#include "simpacer.h"

#include <algorithm>

namespace tessaro::sim {

namespace {

constexpr qint64 kUnpacedChunk = 64 * 1024;
constexpr qint64 kEndlessChunk = 64;  // unpaced endless filler per pass
constexpr int kEndlessPassMs = 10;
constexpr qint64 kStallLimitUs = 2'000'000;

QByteArray filler(qint64 from, qint64 n) {
  static const char kDigits[] = "0123456789ABCDEF";
  QByteArray f(n, '0');
  for (qint64 i = 0; i < n; ++i) f[i] = kDigits[(from + i) % 16];
  return f;
}

}  // namespace

Pacer::Pacer(Channel& line, Hooks hooks) : line_(line), hooks_(std::move(hooks)) {
  clock_.start();
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { service(); });
}

void Pacer::stopEndless() {
  if (!queue_.empty() && queue_.front().endless) stopEndless_ = true;
}

// Characters of 11 bits at the line rate, counted from the moment the line
// last started to send after a silence.
qint64 Pacer::paceBudget(qint64 now, int* waitMs) {
  if (paceOriginUs_ < 0) {
    paceOriginUs_ = now;
    pacedSent_ = 0;
  }
  const double usPerChar = 11.0 * 1e6 / baud_;
  const qint64 allowed = static_cast<qint64>((now - paceOriginUs_) / usPerChar) + 1 - pacedSent_;
  if (allowed > 0) return allowed;
  const double nextUs = paceOriginUs_ + pacedSent_ * usPerChar;
  *waitMs = std::max(1, static_cast<int>((nextUs - now + 999) / 1000));
  return 0;
}

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
      arm(static_cast<int>((readyAtUs_ - t + 999) / 1000));
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
    int waitMs = 1;
    // A burst of the adapter reaches the PC at once; the line's pace is in its timing.
    qint64 budget = baud_ > 0 && !p.burst ? paceBudget(t, &waitMs) : kUnpacedChunk;
    if (budget <= 0) {
      arm(waitMs);
      return;
    }
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
      arm(5);
      return;
    }
    stalledSinceUs_ = -1;
    if (rest <= 0 && baud_ <= 0) {
      arm(kEndlessPassMs);
      return;
    }
    if (baud_ <= 0 && rest > kUnpacedChunk) {
      arm(0);  // keep the event loop responsive between large chunks
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
