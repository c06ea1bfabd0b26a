// cards pull, cards push, cards erase, cards diff.

#include <QFileInfo>
#include <QJsonArray>
#include <QSet>
#include <algorithm>

#include "cardfile.h"
#include "cards.h"
#include "job.h"
#include "readers.h"

namespace tessaro::cli {

namespace {

// The reader's whole card list; nullopt with the failed row when it did not come to its end.
std::optional<std::vector<quint32>> CardsOf(Job& job, ExchangeEnv& env, int id, std::optional<ReaderRow>* failed) {
  std::vector<quint32> cards;
  job.progress.begin(0);  // the reader tells no count before its list
  const CardsRead read = ReadCards(env, id, [&](const std::vector<quint32>& got) {
    cards.insert(cards.end(), got.begin(), got.end());
    job.progress.step(QStringLiteral("cards"), static_cast<qint64>(cards.size()));
  });
  if (read.end != StreamEnd::Silence) return cards;
  *failed = Failed(id, QStringLiteral("time-out"), QStringLiteral("the card list did not come to its end"));
  return std::nullopt;
}

}  // namespace

bool PrepareCardFile(Job& job, QString* why) {
  const QString file = job.options.operands[0];
  const std::optional<QStringList> entries = ReadCardFile(file);
  if (!entries) {
    *why = QStringLiteral("cannot read the card file %1").arg(file);
    return false;
  }
  for (qsizetype i = 0; i < entries->size(); ++i) {
    const std::optional<quint32> card = CardNumberFromText(entries->at(i));
    if (!card) {
      *why = QStringLiteral("%1 line %2: '%3' is not a card number").arg(file).arg(i + 1).arg(entries->at(i));
      return false;
    }
    job.fileCards.push_back(*card);
  }
  return true;
}

bool PrepareCardsErase(Job& job, QString* why) {
  // An emptied card memory is not brought back by a second thought: asked as line apply asks.
  const std::optional<std::vector<int>>& ids = job.options.ids;
  if (job.has("--yes")) return true;
  if (!job.console.confirm) {
    *why = QStringLiteral("%1 empties the readers' card memory; without a terminal give --yes")
               .arg(QLatin1String(job.options.command->name));
    return false;
  }
  const QString readers =
      ids ? QStringLiteral("%1 reader(s)").arg(ids->size()) : QStringLiteral("every reader on the line");
  if (job.console.confirm(QStringLiteral("Erase the card memory of %1?").arg(readers))) return true;
  *why = QStringLiteral("nothing erased: the question was declined");
  return false;
}

std::optional<ReaderRow> RunCardsErase(Job&, ExchangeEnv& env, int address) {
  const Outcome outcome = EraseCards(env, address);
  if (outcome != Outcome::Ok)
    return Failed(address, Reason(outcome), QStringLiteral("cards not erased (%1)").arg(Reason(outcome)));
  return ReaderRow{address}.set("erased", true);
}

bool PrepareCardsPush(Job& job, QString* why) {
  if (!PrepareCardFile(job, why)) return false;
  if (job.has("--erase-first") && !PrepareCardsErase(job, why)) return false;
  // The limit is the model's, known before the first card is sent.
  for (const DeviceModel model : job.options.models.named()) {
    if (static_cast<qsizetype>(job.fileCards.size()) > Facts(model).cardLimit) {
      *why = QStringLiteral("%1 holds %2 cards, not the %3 of %4")
                 .arg(QLatin1String(Facts(model).name))
                 .arg(Facts(model).cardLimit)
                 .arg(job.fileCards.size())
                 .arg(job.options.operands[0]);
      return false;
    }
  }
  return true;
}

std::optional<ReaderRow> RunCardsPush(Job& job, ExchangeEnv& env, int address) {
  // A list that every model holds needs no model; a longer one needs the reader's.
  const qsizetype count = static_cast<qsizetype>(job.fileCards.size());
  if (count > job.model(address).cardLimit()) {
    if (std::optional<ReaderRow> unknown = KnowModel(job, env, address)) return unknown;
    const DeviceModel model = job.model(address).model();
    if (count > Facts(model).cardLimit)
      return Failed(address, QStringLiteral("invalid value"),
                    QStringLiteral("%1 holds %2 cards, not %3").arg(QLatin1String(Facts(model).name)).arg(Facts(model).cardLimit).arg(count));
  }
  job.progress.begin(count);
  const CardPush p = PushCards(
      env, address, job.fileCards, job.has("--erase-first"), [&job] { return job.interrupted(); },
      [&job](int sent) { job.progress.step(QStringLiteral("card"), sent + 1); });
  if (p.why() == Why::Stopped)
    return Failed(address, Status(p.why()), QStringLiteral("stopped by the user after %1 cards").arg(p.sent))
        .set("sent", p.sent);
  if (!p.ok()) {
    const quint32 card = p.eraseFailed ? 0 : job.fileCards[static_cast<size_t>(p.sent)];
    const QString what =
        p.eraseFailed ? QStringLiteral("cards not erased (%1)").arg(Status(p.why()))
        : p.memoryFull
            ? QStringLiteral("its card memory is full: card %1 not taken after %2 cards").arg(card).arg(p.sent)
            : QStringLiteral("card %1 not accepted (%2)").arg(card).arg(Status(p.why()));
    return Failed(address, Status(p.why()), what).set("sent", p.sent);
  }
  return ReaderRow{address}.set("sent", p.sent);
}

std::optional<ReaderRow> RunCardsPull(Job& job, ExchangeEnv& env, int address) {
  std::optional<ReaderRow> failed;
  const std::optional<std::vector<quint32>> cards = CardsOf(job, env, address, &failed);
  if (!cards) return failed;
  const QString out = job.option("--out");
  QString file = out.isEmpty() ? QStringLiteral("cards-%1.txt").arg(address) : out;
  if (!out.isEmpty() && job.severalReaders()) {
    const QFileInfo info(out);
    file = info.path() + u'/' + info.completeBaseName() + QStringLiteral("-%1").arg(address) +
           (info.suffix().isEmpty() ? QString() : u'.' + info.suffix());
  }
  QStringList texts;
  for (quint32 c : *cards) texts << QString::number(c);
  if (!WriteCardFile(file, texts))
    return Failed(address, QStringLiteral("file error"), QStringLiteral("cannot write %1").arg(file));
  return ReaderRow{address}.set("cards", static_cast<int>(cards->size())).set("file", file);
}

std::optional<ReaderRow> RunCardsDiff(Job& job, ExchangeEnv& env, int address) {
  std::optional<ReaderRow> failed;
  const std::optional<std::vector<quint32>> cards = CardsOf(job, env, address, &failed);
  if (!cards) return failed;
  QSet<quint32> onReader(cards->begin(), cards->end()), inFile(job.fileCards.begin(), job.fileCards.end());
  auto list = [](const QSet<quint32>& set) {
    QList<quint32> sorted(set.begin(), set.end());
    std::sort(sorted.begin(), sorted.end());
    QJsonArray out;
    for (quint32 c : sorted) out.append(QString::number(c));
    return out;
  };
  // A reader that differs from its file is as line plan's: the exit status says so.
  const bool same = onReader == inFile;
  return ReaderRow{address, same ? QStringLiteral("ok") : QStringLiteral("differs")}
      .set("only_on_reader", list(onReader - inFile))
      .set("only_in_file", list(inFile - onReader));
}

}  // namespace tessaro::cli
