#pragma once
// A record of every byte that crosses a link, as a decorator of the link, so
// every command shares one trace. The text format is one line per piece:
//
//   <seconds since the trace began, 3 decimals> <TX|RX> <hex bytes> |<printable text>|
//   0.012 TX 25 55 52 30 30 31 2A 2A 0D |%UR001**.|
//
// Printable text shows bytes 0x20-0x7E as they are and every other byte as ".".

#include <QByteArray>
#include <QFile>
#include <QString>

#include "link.h"

namespace tessaro {

struct TraceEvent {
  qint64 ms = 0;  // since the trace began
  bool sent = false;
  QByteArray bytes;
};

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void traced(const TraceEvent& event) = 0;
  // The exchange of the last request sent is over.
  virtual void exchangeEnded(qint64 /*ms*/, Outcome /*outcome*/) {}
};

QByteArray FormatTraceLine(const TraceEvent& event);
// The two views of a piece the trace and the monitor share: "25 55 0D" and "%U.".
QByteArray HexText(const QByteArray& bytes);
QByteArray PrintableText(const QByteArray& bytes);

// Passes everything to the wrapped link and tells the sink what went out and
// what came in; reads that found nothing are not events. Without a sink it
// only passes everything on.
class TracingLink : public Link {
 public:
  TracingLink(Link& inner, TraceSink* sink, MonotonicClock& clock, qint64 startMs);
  void setSink(TraceSink* sink) { sink_ = sink; }
  LinkKind kind() const override { return inner_.kind(); }
  QByteArray readAll() override;
  qint64 available() override { return inner_.available(); }
  void write(const QByteArray& data) override;
  void prepareForRequest() override { inner_.prepareForRequest(); }
  bool portCheck() override { return inner_.portCheck(); }
  int baud() const override { return inner_.baud(); }
  void exchangeEnded(Outcome outcome) override {
    if (sink_) sink_->exchangeEnded(clock_.nowMs() - startMs_, outcome);
  }

 private:
  void emitEvent(bool sent, const QByteArray& bytes);
  Link& inner_;
  TraceSink* sink_;
  MonotonicClock& clock_;
  qint64 startMs_;
};

// Appends the trace lines to a file, each one flushed as it is written.
class TraceFile : public TraceSink {
 public:
  // False (with the reason) when the file cannot be created.
  bool open(const QString& path, QString* error);
  void traced(const TraceEvent& event) override;

 private:
  QFile file_;
};

}  // namespace tessaro
