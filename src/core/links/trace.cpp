#include "trace.h"

namespace tessaro {

QByteArray HexText(const QByteArray& bytes) { return bytes.toHex(' ').toUpper(); }

QByteArray PrintableText(const QByteArray& bytes) {
  QByteArray text;
  for (const char c : bytes) text += c >= 0x20 && c <= 0x7E ? c : '.';
  return text;
}

QByteArray FormatTraceLine(const TraceEvent& e) {
  QByteArray line = QByteArray::number(static_cast<double>(e.ms) / 1000.0, 'f', 3) + (e.sent ? " TX" : " RX");
  if (!e.bytes.isEmpty()) line += ' ' + HexText(e.bytes);
  return line + " |" + PrintableText(e.bytes) + "|\n";
}

TracingLink::TracingLink(Link& inner, TraceSink* sink, MonotonicClock& clock, qint64 startMs)
    : inner_(inner), sink_(sink), clock_(clock), startMs_(startMs) {}

void TracingLink::emitEvent(bool sent, const QByteArray& bytes) {
  if (sink_ && !bytes.isEmpty()) sink_->traced({clock_.nowMs() - startMs_, sent, bytes});
}

QByteArray TracingLink::readAll() {
  QByteArray data = inner_.readAll();
  emitEvent(false, data);
  return data;
}

void TracingLink::write(const QByteArray& data) {
  emitEvent(true, data);
  inner_.write(data);
}

bool TraceFile::open(const QString& path, QString* error) {
  file_.setFileName(path);
  if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
  *error = file_.errorString();
  return false;
}

void TraceFile::traced(const TraceEvent& event) {
  file_.write(FormatTraceLine(event));
  file_.flush();
}

}  // namespace tessaro
