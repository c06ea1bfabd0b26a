// Offline record download: 3501 records from the simulated reader over a pty
// paced at 38400 baud and over TCP unpaced, the time to append them to the
// access log, and the peak memory.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "accesslog.h"
#include "eventpump.h"
#include "readersim.h"
#include "records.h"
#include "seriallink.h"
#include "tcplink.h"
#include "trace.h"
#include "traffic.h"

using namespace tessaro;

namespace {

constexpr int kRecords = 3501;
constexpr int kBaud = 38400;
constexpr int kFrameBytes = 30;  // "$DD" + address + card + stamp + "**" + CR

struct Figures {
  std::vector<OfflineRecord> records;
  double pauseMs = 0;
  double totalMs = 0;
};

// The download as the panel runs it: the pause, then "%DD" with collection and conversion.
Figures TimedDownload(Link& link, MessagePump& pump, MonotonicClock& clock) {
  LinePace pace;
  ExchangeEnv env{link, pump, clock, pace};
  Figures f;
  QElapsedTimer total;
  total.start();
  Pause(pump, clock, kPauseBeforeDownloadMs);
  f.pauseMs = static_cast<double>(total.nsecsElapsed()) / 1e6;
  f.records = DownloadRecords(env, 1).records;
  f.totalMs = static_cast<double>(total.nsecsElapsed()) / 1e6;
  return f;
}

void Report(const char* line, const Figures& f, double lineMs) {
  const double reference = lineMs + f.pauseMs;
  std::printf(
      "%s: %d records, total %.0f ms, line time %.0f ms + pause %.0f ms = %.0f ms, ratio %.3f (target <= 1.05)\n", line,
      static_cast<int>(f.records.size()), f.totalMs, lineMs, f.pauseMs, reference, f.totalMs / reference);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QtMessagePump pump;
  SteadyClock clock;

  sim::ReaderSim reader;
  sim::SimReader& r = reader.addReader(1, sim::SimModel::TS30P);
  sim::ReaderSim::generateRecords(r, kRecords, QDateTime::currentDateTime());

  // Over a pseudo-terminal at the line rate: 11 bits a character.
  if (!reader.openPty()) {
    std::printf("pty: cannot open a pseudo-terminal\n");
    return 1;
  }
  reader.setBaud(kBaud);
  SerialLink serial;
  const QString pty = reader.ptyPath();
  serial.setPortResolver([pty](int) { return pty; });
  serial.setPortNumber(1);
  serial.setLine({38400, QSerialPort::NoParity});
  if (serial.open() != 1) {
    std::printf("pty: cannot open %s\n", qPrintable(pty));
    return 1;
  }
  const double lineMs = static_cast<double>(kRecords) * kFrameBytes * 11 * 1000 / kBaud;
  Report("pty 38400 baud", TimedDownload(serial, pump, clock), lineMs);
  // The window's links pass through the traffic monitor's decorator; closed, it must cost nothing.
  TracingLink closed(serial, nullptr, clock, clock.nowMs());
  Report("pty 38400 baud, traffic monitor closed", TimedDownload(closed, pump, clock), lineMs);
  TrafficLog traffic;
  TracingLink open(serial, &traffic, clock, clock.nowMs());
  Report("pty 38400 baud, traffic monitor open", TimedDownload(open, pump, clock), lineMs);
  serial.close();

  // Over TCP without pacing: the line's own time is nil, only the pause remains.
  reader.setBaud(0);
  if (!reader.listenTcp()) return 1;
  TcpLink tcp;
  tcp.connectTcp(QStringLiteral("127.0.0.1"), reader.tcpPort(), pump, clock);
  if (!tcp.isConnected()) {
    std::printf("tcp: cannot connect to the simulated reader\n");
    return 1;
  }
  const Figures overTcp = TimedDownload(tcp, pump, clock);
  Report("tcp unpaced", overTcp, 0);

  // Appending every record to the log, one open and close per line, then the flush.
  QTemporaryDir dir;
  AccessLog log(dir.filePath(kAccessLogName));
  QElapsedTimer append;
  append.start();
  int written = 0;
  for (const OfflineRecord& rec : overTcp.records) written += log.append(1, rec, 1) ? 1 : 0;
  const bool flushed = log.flush();
  std::printf("access log: %d lines appended and %s in %.0f ms\n", written, flushed ? "flushed" : "NOT flushed",
              static_cast<double>(append.nsecsElapsed()) / 1e6);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
  return 0;
}
