// Writes the seed corpora of the fuzz targets from the simulated reader's real
// replies, for every model:  fuzz_makecorpus <fuzz/corpus>
// The files are committed; run this again when the reply layouts change.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "frame.h"
#include "readersim.h"
#include "simmodels.h"

namespace {

QString gOut;

void seed(const char* target, const QString& name, const QByteArray& bytes) {
  const QString dir = gOut + QLatin1Char('/') + QLatin1String(target);
  QDir().mkpath(dir);
  QFile f(dir + QLatin1Char('/') + name);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
    std::exit(1);
  }
}

QByteArray withHeader(std::initializer_list<char> header, const QByteArray& body) {
  QByteArray out(header.begin(), static_cast<qsizetype>(header.size()));
  return out + body;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  gOut = QString::fromLocal8Bit(argv[1]);
  using namespace tessaro;

  // Row indices of the command table as fuzz_check_reply numbers them.
  struct Row {
    const char* code;
    char index;
  };
  const Row rows[] = {{"DR", 0}, {"UR", 1}, {"RC", 2}, {"EM", 3}, {"EM", 4}, {"EC", 5},
                      {"UC", 6}, {"NC", 7}, {"DS", 8}, {"US", 9}, {"DD", 10}};

  for (int m = 0; m < sim::kSimModelCount; ++m) {
    const sim::SimModelInfo& info = sim::InfoOf(static_cast<sim::SimModel>(m));
    sim::ReaderSim simulator;
    sim::SimReader& reader = simulator.addReader(1, info.model);
    reader.settings.masterCard = 0x80000001u;
    sim::ReaderSim::generateCards(reader, 3, 7);
    sim::ReaderSim::generateRecords(reader, 3, QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9)), 7);
    simulator.setEraseCardsDelayMs(0);
    // A fixed time, so the clock seeds do not change from one run to the next.
    simulator.setNow([] { return QDateTime(QDate(2026, 12, 6), QTime(9, 59, 59)); });
    const QString model = QString::fromLatin1(info.name).remove(QLatin1Char('-')).toLower();

    auto reply = [&](const char* code, QByteArrayView payload = {}) {
      return simulator.replyFor(BuildRequest(QByteArrayView(code, 2), 1, payload));
    };
    // Payloads of the two requests that carry one: a card, and settings in the model's layout.
    QByteArray settings("0510010112345678");
    if (info.layout == sim::SimLayout::WiegandOnly) settings += "01";
    if (info.layout == sim::SimLayout::WiegandAndDetector) settings += "0119";
    // The streams first: the erase rows below empty the reader's memories.
    const QByteArray us = reply("US");
    seed("fuzz_settings_reply", QStringLiteral("sim_%1").arg(model),
         withHeader({info.masterCardPos == 15 ? char(0) : char(1)}, us.mid(MarkerPosition(us) + 2)));
    seed("fuzz_clock_reply", QStringLiteral("sim_%1").arg(model), reply("UR"));
    seed("fuzz_counter_reply", QStringLiteral("sim_%1").arg(model), reply("RC"));
    seed("fuzz_streams", QStringLiteral("sim_%1_cards").arg(model), withHeader({5, 0}, reply("UC")));
    seed("fuzz_streams", QStringLiteral("sim_%1_records").arg(model), withHeader({7, 1}, reply("DD")));
    for (const Row& row : rows) {
      const QByteArray payload = row.index == 7 ? QByteArray("000000FF") : row.index == 8 ? settings : QByteArray();
      const QByteArray r = reply(row.code, payload);
      seed("fuzz_check_reply", QStringLiteral("sim_%1_%2").arg(model).arg(int(row.index)),
           withHeader({row.index, 1, 0}, r));
    }
  }
  std::printf("seeds written to %s\n", argv[1]);
  return 0;
}
