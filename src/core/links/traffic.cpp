#include "traffic.h"

#include "textformat.h"

namespace tessaro {

void TrafficLog::add(TrafficFrame frame) {
  frames_.push_back(std::move(frame));
  qsizetype dropped = 0;
  while (static_cast<qsizetype>(frames_.size()) > capacity_) {
    frames_.pop_front();
    ++dropped;
  }
  repliesFrom_ = std::max<qsizetype>(0, repliesFrom_ - dropped);
  if (changed) changed(1, dropped);
}

void TrafficLog::traced(const TraceEvent& e) {
  // A copy of its own size: what a link reads may share the link's whole buffer block.
  TrafficFrame f{e.ms, e.sent ? TrafficFrame::Kind::Sent : TrafficFrame::Kind::Received,
                 QByteArray(e.bytes.constData(), e.bytes.size())};
  if (e.sent) {
    // A request opens an exchange: "%", its command and three address digits.
    inExchange_ = true;
    code_ = e.bytes.mid(1, 2);
    address_ = static_cast<int>(DecimalField(e.bytes.mid(3, 3)));
    repliesFrom_ = static_cast<qsizetype>(frames_.size()) + 1;
  }
  f.stray = !e.sent && !inExchange_;
  if (!f.stray) {
    f.address = address_;
    f.code = code_;
  }
  add(std::move(f));
}

void TrafficLog::exchangeEnded(qint64 ms, Outcome outcome) {
  if (!inExchange_) return;
  inExchange_ = false;
  if (outcome == Outcome::BadReply) {
    for (qsizetype i = repliesFrom_; i < static_cast<qsizetype>(frames_.size()); ++i) frames_[size_t(i)].failed = true;
    if (changed) changed(0, 0);
  } else if (outcome == Outcome::NoReply) {
    add({ms, TrafficFrame::Kind::TimedOut, {}, address_, code_});
  }
}

void TrafficLog::clear() {
  const qsizetype n = static_cast<qsizetype>(frames_.size());
  frames_.clear();
  repliesFrom_ = 0;
  if (changed) changed(0, n);
}

QByteArray TrafficText(const std::deque<TrafficFrame>& frames) {
  QByteArray out;
  for (const TrafficFrame& f : frames)
    if (f.kind != TrafficFrame::Kind::TimedOut)
      out += FormatTraceLine({f.ms, f.kind == TrafficFrame::Kind::Sent, f.bytes});
  return out;
}

QByteArray TrafficCsv(const std::deque<TrafficFrame>& frames) {
  QByteArray out = "ms,direction,address,command,length,hex,text,mark\n";
  for (const TrafficFrame& f : frames) {
    const char* dir = f.kind == TrafficFrame::Kind::Sent ? "TX" : f.kind == TrafficFrame::Kind::Received ? "RX" : "";
    const char* mark = f.kind == TrafficFrame::Kind::TimedOut ? "time-out"
                       : f.failed                             ? "bad reply"
                       : f.stray                              ? "stray"
                                                              : "";
    QByteArray text = PrintableText(f.bytes).replace('"', "\"\"");
    out += QByteArray::number(f.ms) + ',' + dir + ',' + (f.address < 0 ? QByteArray() : QByteArray::number(f.address)) +
           ',' + f.code + ',' + QByteArray::number(f.bytes.size()) + ',' + HexText(f.bytes) + ",\"" + text + "\"," +
           mark + '\n';
  }
  return out;
}

}  // namespace tessaro
