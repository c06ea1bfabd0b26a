// The passage store: a pull of 3501 records over a pty paced at 38400 baud
// with and without the store, the import of a 1,000,000-line access log into
// SQLite, the record viewer opening and filtering that store, and one card's
// passages out of it.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "eventpump.h"
#include "mainwindow.h"
#include "readers.h"
#include "readersim.h"
#include "recordquery.h"
#include "seriallink.h"

using namespace tessaro;

namespace {

constexpr int kRecords = 3501;
constexpr int kBaud = 38400;
constexpr int kFrameBytes = 30;  // "$DD" + address + card + stamp + "**" + CR
constexpr int kLogLines = 1'000'000;

// Nothing is asked of the user here; a message would mean the run went wrong.
class PrintedPrompts : public Prompts {
 public:
  void message(const QString& text, const QString& detail) override {
    std::printf("message: %s %s\n", qPrintable(text), qPrintable(detail));
  }
  bool confirm(const QString&) override { return false; }
  FileChoice chooseFile(const QString&, const QString&, const QString&) override { return {true, {}, {}}; }
  void beep() override {}
};

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

const char* Verdict(bool ok) { return ok ? "ok" : "MISSED"; }

// The pull as the window runs it, without erasing, so the reader keeps its records for the next one.
double TimedPull(SerialLink& serial, MessagePump& pump, MonotonicClock& clock, const QString& log,
                 const StoreTarget* store, int* lines) {
  LinePace pace;
  ExchangeEnv env{serial, pump, clock, pace};
  AccessLog accessLog(log);
  QElapsedTimer t;
  t.start();
  const Pull pull = PullRecords(env, 1, 1, accessLog, false, {}, store);
  *lines = pull.records;
  return Ms(t);
}

// A year of passages at 16 readers of one line, 5000 cards, about one every 31 seconds.
bool WriteLog(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  const QDate start(2025, 1, 1);
  qint64 second = 6 * 3600;  // since the start of the first day
  qint64 day = -1;
  QByteArray date, chunk;
  for (qint64 i = 0; i < kLogLines; ++i) {
    second += 17 + (i * 7919) % 29;
    if (second / 86400 != day) {
      day = second / 86400;
      date = start.addDays(day).toString(QStringLiteral("yyyy/MM/dd")).toLatin1();
    }
    const qint64 s = second % 86400;
    chunk += QString::asprintf("%03d,%010d,%d,", int(1 + i % 16), int(100000 + (i * 104729) % 5000), int(1 + i % 2))
                 .toLatin1() +
             date + QString::asprintf(",%02d:%02d:%02d\r\n", int(s / 3600), int(s / 60 % 60), int(s % 60)).toLatin1();
    if (chunk.size() > (1 << 20)) f.write(std::exchange(chunk, {}));
  }
  return f.write(chunk) == chunk.size();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QtMessagePump pump;
  SteadyClock clock;
  QTemporaryDir dir;

  // 1. The pull over a paced pty, first without the store, then with it.
  sim::ReaderSim reader;
  sim::ReaderSim::generateRecords(reader.addReader(1, sim::SimModel::TS30P), kRecords, QDateTime::currentDateTime());
  if (!reader.openPty()) return std::printf("pty: cannot open a pseudo-terminal\n"), 1;
  reader.setBaud(kBaud);
  SerialLink serial;
  const QString pty = reader.ptyPath();
  serial.setPortResolver([pty](int) { return pty; });
  serial.setPortNumber(1);
  serial.setLine({kBaud, QSerialPort::NoParity});
  if (serial.open() != 1) return std::printf("pty: cannot open %s\n", qPrintable(pty)), 1;
  const double lineMs = static_cast<double>(kRecords) * kFrameBytes * 11 * 1000 / kBaud + kPauseBeforeDownloadMs;
  int plainLines = 0, storedLines = 0;
  const double plain = TimedPull(serial, pump, clock, dir.filePath("plain.txt"), nullptr, &plainLines);
  StoreOpen pulled = RecordStore::open(ParseStoreAddress(dir.filePath("pull.sqlite")).value());
  if (!pulled.store) return std::printf("store: %s\n", qPrintable(pulled.detail)), 1;
  const StoreTarget target{pulled.store.get(), QStringLiteral("pty"), QStringLiteral("bench")};
  const double stored = TimedPull(serial, pump, clock, dir.filePath("stored.txt"), &target, &storedLines);
  serial.close();
  std::printf(
      "pull of %d records, pty 38400 baud, without the store | %.0f ms = %.3f x (line time + pause %.0f ms) | <= 1.05 "
      "| %s\n",
      plainLines, plain, plain / lineMs, lineMs, Verdict(plain / lineMs <= 1.05));
  std::printf(
      "pull of %d records, pty 38400 baud, with the store (SQLite) | %.0f ms = %.3f x (line time + pause), %.3f x "
      "without | <= 1.05 | %s\n",
      storedLines, stored, stored / lineMs, stored / plain, Verdict(stored / lineMs <= 1.05));

  // 2. A million-line log into a new SQLite store.
  const QString logPath = dir.filePath("AccessFile.txt");
  if (!WriteLog(logPath)) return std::printf("cannot write the log\n"), 1;
  const QString storePath = dir.filePath("records.sqlite");
  StoreOpen opened = RecordStore::open(ParseStoreAddress(storePath).value());
  if (!opened.store) return std::printf("store: %s\n", qPrintable(opened.detail)), 1;
  QElapsedTimer t;
  t.start();
  const LogImport imported = ImportAccessLog(*opened.store, logPath, QStringLiteral("line 1"), QStringLiteral("bench"));
  const double importMs = Ms(t);
  const double perSecond = static_cast<double>(imported.imported) * 1000 / importMs;
  std::printf("import of a %d-line log into SQLite | %lld records in %.0f ms = %.0f records/s | >= 100000/s | %s\n",
              kLogLines, imported.imported, importMs, perSecond, Verdict(imported.stored && perSecond >= 100000));

  // 3. One card's passages with its holder's name.
  QFile holders(dir.filePath("holders.csv"));
  if (holders.open(QIODevice::WriteOnly)) holders.write("100007;Şükrü Öztürk\n");
  holders.close();
  ImportHolders(*opened.store, holders.fileName());
  t.restart();
  qint64 found = 0;
  ForEachPassage(*opened.store, {.card = 100007}, [&found](const Passage&) { ++found; });
  const double cardMs = Ms(t);
  std::printf("query of one card over %lld passages | %lld passages in %.1f ms | <= 100 ms | %s\n", imported.imported,
              found, cardMs, Verdict(cardMs <= 100));
  opened.store.reset();

  // 4. The viewer on that store: opening it, then a day's passages.
  Services s;
  PrintedPrompts prompts;
  s.prompts = &prompts;
  s.pump = &pump;
  s.clock = &clock;
  s.programFolder = dir.path();
  s.dataFolder = dir.path();
  s.storeAddress = storePath;
  MainWindow window(s);
  window.findChild<QAbstractButton*>(QStringLiteral("opsDevice_2"))->click();
  window.show();
  app.processEvents();
  t.restart();
  window.findChild<QAbstractButton*>(QStringLiteral("cmdRecordViewer"))->click();
  app.processEvents();
  const double openMs = Ms(t);
  auto* table = window.findChild<QTableView*>(QStringLiteral("tblRecords"));
  auto* count = window.findChild<QLabel*>(QStringLiteral("lblRecordsCount"));
  std::printf("viewer on %lld passages: first rows shown | %d rows (%s) in %.0f ms | <= 300 ms | %s\n",
              imported.imported, table->model()->rowCount(), qPrintable(count->text()), openMs, Verdict(openMs <= 300));
  window.findChild<QLineEdit*>(QStringLiteral("txtRecordsFrom"))->setText(QStringLiteral("15/06/2025"));
  window.findChild<QLineEdit*>(QStringLiteral("txtRecordsTo"))->setText(QStringLiteral("15/06/2025"));
  t.restart();
  window.findChild<QAbstractButton*>(QStringLiteral("cmdRecordsFilter"))->click();
  app.processEvents();
  const double filterMs = Ms(t);
  std::printf("viewer: one day's passages | %d rows (%s) in %.0f ms | <= 200 ms | %s\n", table->model()->rowCount(),
              qPrintable(count->text()), filterMs, Verdict(filterMs <= 200));
  return 0;
}
