#include "cards.h"

#include <cmath>

#include "frame.h"
#include "textformat.h"

namespace tessaro {

std::optional<quint32> CardNumberFromText(QStringView text) {
  const std::optional<double> v = NumericValue(text);
  if (!v) return std::nullopt;
  const double r = RoundHalfEven(*v);
  if (!std::isfinite(r) || r < -2147483648.0 || r > 4294967295.0) return std::nullopt;
  return static_cast<quint32>(static_cast<qint64>(r) & 0xFFFFFFFFLL);
}

Outcome SendCard(ExchangeEnv& env, DeviceId deviceId, quint32 card, bool* memoryFull) {
  const ExchangeResult r =
      CommandExchange(env, Cmd::SendCard, {.deviceId = deviceId, .payload = FormatHex8(card).toLatin1()});
  if (memoryFull) {
    const qsizetype at = r.received.indexOf("$NC");
    *memoryFull = r.outcome == Outcome::BadReply && at >= 0 && Mid1(r.received, at + 7, 1) == "E";
  }
  return r.outcome;
}

Outcome EraseCards(ExchangeEnv& env, DeviceId deviceId) {
  return CommandExchange(env, Cmd::EraseCards, {.deviceId = deviceId}).outcome;
}

std::optional<quint32> DecodeCardLine(QByteArrayView line) {
  // Offsets from the "$": code at 1, card digits at 6..13, "**" at 14.
  if (line.size() < 16 || line[0] != ReplyMarker) return std::nullopt;
  if (line.sliced(1, 2) != "UC" || line.sliced(14, 2) != "**") return std::nullopt;
  const std::optional<quint32> value = HexNumber(line.sliced(6, 8));
  if (!value) return std::nullopt;
  return value;
}

namespace {

class CardLines : public LineSink {
 public:
  explicit CardLines(const std::function<void(const std::vector<quint32>&)>& received) : received_(received) {}
  LineVerdict line(QByteArrayView line) override {
    if (line.contains("UF")) return LineVerdict::End;
    if (!line.contains("UC")) return LineVerdict::Unexpected;
    ++read.lines;
    if (const std::optional<quint32> card = DecodeCardLine(line)) batch_.push_back(*card);
    return read.lines > kMaxCardLines ? LineVerdict::Full : LineVerdict::More;
  }
  void pieceDone() override {
    if (batch_.empty()) return;
    if (received_) received_(batch_);
    batch_.clear();
  }
  CardsRead read;

 private:
  const std::function<void(const std::vector<quint32>&)>& received_;
  std::vector<quint32> batch_;
};

}  // namespace

CardsRead ReadCards(ExchangeEnv& env, DeviceId deviceId,
                    const std::function<void(const std::vector<quint32>&)>& received,
                    const std::function<bool()>& cancelled) {
  CardLines sink(received);
  sink.read.end = StreamExchange(env, Cmd::ReadCards, deviceId, sink, cancelled);
  return sink.read;
}

}  // namespace tessaro
