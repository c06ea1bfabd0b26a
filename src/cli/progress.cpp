#include "progress.h"

namespace tessaro::cli {

void Progress::within(const QString& context) {
  context_ = context;
  if (!context.isEmpty()) draw(context);
}

void Progress::begin(qint64 total) {
  total_ = total;
  startK_ = 0;
}

void Progress::step(const QString& what, qint64 k, int found) {
  if (!terminal_) return;
  // Timed from its first step, so a stretch picked up later (a download at its first piece) keeps its pace.
  if (startK_ == 0 || k < startK_) startK_ = k, startUs_ = clock_.nowUs();
  QString text = context_.isEmpty() ? what : context_ + QStringLiteral(": ") + what;
  text += total_ > 0 ? QStringLiteral(" %1 of %2").arg(k).arg(total_) : QStringLiteral(" %1").arg(k);
  if (found >= 0) text += QStringLiteral(", %1 found").arg(found);
  if (total_ > 0 && k > startK_) {
    const qint64 leftS = (clock_.nowUs() - startUs_) * (total_ - k + 1) / (k - startK_) / 1000000;
    text += QStringLiteral(", %1:%2 left").arg(leftS / 60).arg(leftS % 60, 2, 10, QLatin1Char('0'));
  }
  draw(text);
}

void Progress::clear() {
  if (!shown_) return;
  err_ << "\r\033[K" << Qt::flush;
  shown_ = false;
}

void Progress::draw(const QString& text) {
  if (!terminal_) return;
  // Back to the line's start and everything after the cursor erased: shorter text leaves nothing behind.
  err_ << "\r\033[K" << text << Qt::flush;
  shown_ = true;
}

}  // namespace tessaro::cli
