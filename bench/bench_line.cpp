// A line as a file: 16 readers with 2000 cards each on one pseudo-terminal
// paced at 38400 baud are saved, one card is added to every reader's entry,
// and tessaro-cli applies the file. The apply reads each reader (settings and
// card list) for its plan, sends the one missing card, and reads it back; a
// full resend would send all 32000 cards again.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "readersim.h"
#include "runcli.h"

namespace {

constexpr int kReaders = 16, kCards = 2000, kBaud = 38400, kGapMs = 5;

double LineSeconds(double chars) { return chars * 11 / kBaud; }

double Run(const QStringList& args, int* exitCode) {
  const CliRun r = RunCli(args);
  *exitCode = r.exit;
  return r.seconds;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessaro::sim;
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  ReaderSim sim;
  for (int id = 1; id <= kReaders; ++id) {
    SimReader& r = sim.addReader(id, SimModel::TS40B);  // holds 5000: room for one more
    for (int i = 0; i < kCards; ++i) r.cards.push_back(500000 + id * 10000 + i);
  }
  if (!sim.openPty()) return 1;
  sim.setBaud(kBaud);
  const QString file = dir.filePath("line.json");
  const QStringList line = {"--serial", sim.ptyPath(), "--parity", "none", "--model", "TS-40B", "--id", "1-16"};
  int exit = -1;
  const double save = Run(QStringList{"line", "save", file} + line, &exit);
  if (exit != 0) return std::printf("line save failed (%d)\n", exit), 1;

  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return 1;
  QJsonObject doc = QJsonDocument::fromJson(f.readAll()).object();
  f.close();
  QJsonArray readers = doc["readers"].toArray();
  for (qsizetype i = 0; i < readers.size(); ++i) {
    QJsonObject entry = readers[i].toObject();
    QJsonArray cards = entry["cards"].toArray();
    cards.append(900000 + static_cast<int>(i));
    entry["cards"] = cards;
    readers[i] = entry;
  }
  doc["readers"] = readers;
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  f.write(QJsonDocument(doc).toJson());
  f.close();

  const double apply = Run(QStringList{"line", "apply", file, "--yes"} + line, &exit);
  if (exit != 0) std::printf("line apply failed (%d)\n", exit);
  bool written = exit == 0;
  for (int id = 1; id <= kReaders; ++id) written = written && sim.reader(id)->cards.size() == size_t(kCards + 1);

  // A card list read: one 17-character line a card and the end line; a card write: request and reply and the gap.
  const double readList = LineSeconds(17.0 * (kCards + 1) + 9);
  const double writeCard = LineSeconds(17 + 10) + kGapMs / 1000.0;
  const double resend = kReaders * (kCards + 1) * writeCard;
  const double reads = kReaders * 2 * readList;  // the plan's and the read-back's
  std::printf("line save, %d readers x %d cards, pty at %d baud | %.1f s = %.3f x the card lists' line time | | \n",
              kReaders, kCards, kBaud, save, save / (kReaders * readList));
  std::printf(
      "line apply, one card added to each reader | %.1f s = %.3f x (two list reads + %d card writes, %.1f s); "
      "%.2f x a full resend (%.1f s) | < 1 x a full resend | %s\n",
      apply, apply / (reads + kReaders * writeCard), kReaders, reads + kReaders * writeCard, apply / resend, resend,
      written && apply < resend ? "ok" : "MISSED");
  return written ? 0 : 1;
}
