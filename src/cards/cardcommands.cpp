#include "cards/cardcommands.h"

#include <cmath>

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {

std::optional<qint32> CardNumberFromText(QStringView text) {
  const std::optional<double> v = NumericValue(text);
  if (!v) return std::nullopt;
  const double r = RoundHalfEven(*v);
  if (!std::isfinite(r) || r < -2147483648.0 || r > 4294967295.0) return std::nullopt;
  const qint64 whole = static_cast<qint64>(r);
  return static_cast<qint32>(static_cast<quint32>(whole & 0xFFFFFFFFLL));
}

QByteArray SendCardRequest(qint16 deviceId, qint32 card) {
  return BuildRequest("NC", deviceId, FormatHex8(card).toLatin1());
}

int SendCard(ExchangeEnv& env, qint16 deviceId, qint32 card) {
  const CommandParams& p = Cmd::SendCard;
  return CommandExchange(env, p, deviceId, FormatHex8(card).toLatin1()).status(p.convention);
}

int EraseCards(ExchangeEnv& env, qint16 deviceId) {
  const CommandParams& p = Cmd::EraseCards;
  return CommandExchange(env, p, deviceId).status(p.convention);
}

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<qint32> CardStreamCollector::decodeCardLine(QByteArrayView line) {
  // Offsets from the "$": code at 1, card digits at 6..13, "**" at 14.
  if (line.size() < 16 || line[0] != ReplyMarker) return std::nullopt;
  if (line.sliced(1, 2) != "UC" || line.sliced(14, 2) != "**") return std::nullopt;
  quint32 value = 0;
  for (char c : line.sliced(6, 8)) {
    const int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<quint32>(d);
  }
  return static_cast<qint32>(value);
}

void CardStreamCollector::compact() {
  // Dropping the consumed front only when it outweighs the rest keeps the
  // total copying linear in the stream's length.
  if (offset_ == buffer_.size()) {
    buffer_.clear();
    offset_ = 0;
  } else if (offset_ > 4096 && offset_ * 2 > buffer_.size()) {
    buffer_.remove(0, offset_);
    offset_ = 0;
  }
}

std::vector<qint32> CardStreamCollector::feed(QByteArrayView piece) {
  std::vector<qint32> cards;
  if (ended()) return cards;
  buffer_.append(piece);
  const QByteArrayView all(buffer_);
  for (;;) {
    const qsizetype dollar = all.indexOf(ReplyMarker, offset_);
    if (dollar < 0) {
      // Nothing without a "$" can become part of a line.
      offset_ = all.size();
      break;
    }
    offset_ = dollar;
    const qsizetype cr = all.indexOf('\r', dollar + 1);
    if (cr < 0) {
      if (all.size() - dollar > kMaxPendingLine) state_ = State::Overlong;
      break;
    }
    // The same limit for a line that arrived whole, so the outcome does not
    // depend on how the stream was cut into pieces.
    if (cr - dollar > kMaxPendingLine) {
      state_ = State::Overlong;
      break;
    }
    const QByteArrayView line = all.sliced(dollar, cr - dollar + 1);
    offset_ = cr + 1;
    if (line.indexOf("UF") >= 0) {
      state_ = State::EndLine;
      break;
    }
    if (line.indexOf("UC") < 0) {
      state_ = State::Unexpected;
      break;
    }
    ++lines_;
    if (auto card = decodeCardLine(line)) cards.push_back(*card);
    if (lines_ > kMaxCardLines) {
      state_ = State::LineLimit;
      break;
    }
  }
  compact();
  return cards;
}

int ReadCards(ExchangeEnv& env, qint16 deviceId, bool& escCancelFlag, CardSink& sink) {
  const CommandParams& p = Cmd::ReadCards;
  const bool serial = env.link.kind() == LinkKind::Serial;
  DrainForCommand(env, p);
  CardStreamCollector collector;
  int counter = 1;  // the serial form's progress number
  qint64 deadline = env.clock.nowSeconds() + p.deadlineSeconds;
  WriteRequest(env, BuildRequest(QByteArrayView(p.code, 2), deviceId));
  for (;;) {
    const qint64 now = env.clock.nowSeconds();
    if (now > deadline) break;
    WaitPass(env, now, deadline + 1);
    if (env.link.available() > 0) {
      const std::vector<qint32> cards = collector.feed(env.link.readAll());
      if (!cards.empty()) {
        sink.cardsReceived(cards);
        counter += static_cast<int>(cards.size());
        if (serial) sink.progress(counter - 1);
      }
      if (collector.ended()) break;
      deadline = env.clock.nowSeconds() + p.deadlineSeconds;
    }
    if (escCancelFlag) {
      escCancelFlag = false;
      return kReadCardsCancelled;
    }
  }
  return env.clock.nowSeconds() > deadline ? kReadCardsTimedOut : collector.lineCount();
}

}  // namespace tessaro
