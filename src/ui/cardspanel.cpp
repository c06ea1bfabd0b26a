#include "cardspanel.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "cardfile.h"
#include "cards.h"
#include "textformat.h"
#include "texts.h"
#include "viewpacer.h"

namespace tessaro {

CardsPanel::CardsPanel(CardControls& controls, Session& session) : c_(controls), session_(session) {
  // Rows of one height let the view lay out thousands of entries at once.
  c_.lstCardID->setUniformItemSizes(true);
  connect(c_.cmdAdd, &QPushButton::clicked, this, &CardsPanel::add);
  connect(c_.cmdDelete, &QPushButton::clicked, this, &CardsPanel::removeCurrent);
  connect(c_.cmdExport, &QPushButton::clicked, this, &CardsPanel::exportFile);
  connect(c_.cmdImport, &QPushButton::clicked, this, &CardsPanel::importFile);
  connect(c_.cmdSendAllCards, &QPushButton::clicked, this, &CardsPanel::sendAll);
  connect(c_.cmdReceiveAllCards, &QPushButton::clicked, this, &CardsPanel::receiveAll);
  connect(c_.cmdEraseAll, &QPushButton::clicked, this, &CardsPanel::eraseAll);
  c_.txtCardID->installEventFilter(this);
}

bool CardsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == c_.txtCardID && event->type() == QEvent::FocusIn) {
    // Typing then replaces the previous number. Deferred, because a mouse
    // click that gave the focus would otherwise move the cursor and undo it.
    QTimer::singleShot(0, c_.txtCardID, [w = c_.txtCardID] { w->selectAll(); });
  }
  return QObject::eventFilter(watched, event);
}

void CardsPanel::setCurrent(int row) {
  c_.lstCardID->setCurrentRow(row);
  c_.lstCardID->scrollToItem(c_.lstCardID->item(row));
}

void CardsPanel::append(const QStringList& texts, bool marked) {
  if (texts.isEmpty()) return;
  for (const QString& t : texts) {
    auto* item = new QListWidgetItem(t);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
    c_.lstCardID->addItem(item);
  }
  if (marked) setCurrent(c_.lstCardID->count() - 1);
}

QStringList CardsPanel::entries() const {
  QStringList out;
  for (int i = 0; i < c_.lstCardID->count(); ++i) out << c_.lstCardID->item(i)->text();
  return out;
}

void CardsPanel::add() {
  const QString trimmed = c_.txtCardID->text().trimmed();
  if (!IsNumeric(trimmed)) {
    session_.prompts().message(text::kInvalidCardId);
    return;
  }
  const int limit = Facts(session_.model()).cardLimit;
  if (c_.lstCardID->count() >= limit) {
    session_.prompts().message(text::CardLimit(limit));
    return;
  }
  append({trimmed}, true);
}

void CardsPanel::removeCurrent() {
  const int row = c_.lstCardID->currentRow();
  if (row >= 0 && row < c_.lstCardID->count()) delete c_.lstCardID->takeItem(row);
}

QString CardsPanel::askFileName(const QString& title) {
  Prompts& prompts = session_.prompts();
  const FileChoice choice = prompts.chooseFile(title, session_.services().programFolder, text::kCardFileFilter);
  if (choice.cancelled) return {};
  if (!choice.error.isEmpty()) prompts.message(choice.error);
  if (choice.fileName.isEmpty()) prompts.message(text::kInvalidFileName);
  return choice.fileName;
}

void CardsPanel::exportFile() {
  c_.lblCurID->clear();
  const QString name = askFileName(text::kExportTitle);
  if (name.isEmpty()) return;
  if (!WriteCardFile(name, entries())) session_.prompts().message(text::kFileNotWritten);
}

void CardsPanel::importFile() {
  c_.lblCurID->clear();
  const QString name = askFileName(text::kImportTitle);
  if (name.isEmpty() || !session_.prompts().confirm(text::kImportQuestion)) return;
  // The file is read before the list is cleared: an unreadable file must not
  // cost the user the list.
  const std::optional<QStringList> lines = ReadCardFile(name);
  if (!lines) {
    session_.prompts().message(text::kFileNotRead);
    return;
  }
  c_.lstCardID->clear();
  const int limit = std::max<int>(0, Facts(session_.model()).cardLimit);
  append(lines->mid(0, limit), true);
  if (lines->size() > limit) session_.prompts().message(text::CardLimit(limit));
}

std::optional<std::vector<quint32>> CardsPanel::markedCards() {
  std::vector<quint32> cards;
  for (int i = 0; i < c_.lstCardID->count(); ++i) {
    const QListWidgetItem* item = c_.lstCardID->item(i);
    if (item->checkState() != Qt::Checked) continue;
    const std::optional<quint32> card = CardNumberFromText(item->text());
    if (!card) {
      session_.prompts().message(text::kBadCard + item->text());
      return std::nullopt;
    }
    cards.push_back(*card);
  }
  return cards;
}

void CardsPanel::sendAll() {
  Prompts& prompts = session_.prompts();
  if (!prompts.confirm(text::kSendCardsQuestion)) return;
  if (c_.lstCardID->count() == 0) {
    prompts.message(text::kListEmpty);
    return;
  }
  Session::Operation op = session_.begin(Session::Port::Close);
  if (!op) return;
  const DeviceId id = session_.deviceId();
  bool& esc = session_.state().escCancelFlag;
  c_.lblCurID->clear();
  // The list follows the cards while each request is on the line, not in between.
  ViewPacer pacer(*session_.services().clock);
  op.env().sent = [&pacer] { pacer.mayShow(); };
  for (int i = 0; i < c_.lstCardID->count();) {
    if (esc) {
      esc = false;
      pacer.finish();
      op.finish();
      prompts.message(text::kStopped);
      return;
    }
    pacer.set([this, i] {
      setCurrent(i);
      c_.lblCurID->setText(QString::number(i + 1));
    });
    const QListWidgetItem* item = c_.lstCardID->item(i);
    if (item->checkState() != Qt::Checked) {
      ++i;
      continue;
    }
    const std::optional<quint32> card = CardNumberFromText(item->text());
    if (!card) {
      // Sending some other card, or skipping this one silently, would both
      // leave the reader with a list the user did not ask for.
      pacer.finish();
      op.finish();
      prompts.message(text::kBadCard + item->text());
      return;
    }
    bool full = false;
    if (SendCard(op.env(), id, *card, &full) == Outcome::Ok) {
      ++i;
    } else if (full) {
      // Asking again cannot make room; the number shows where the list stopped.
      pacer.finish();
      op.finish();
      prompts.message(text::kCardMemoryFull + item->text());
      return;
    } else if (pacer.finish(), !prompts.confirm(text::kRetryQuestion)) {
      op.finish();
      c_.lblCurID->clear();
      return;
    }
  }
  pacer.finish();
  c_.lblCurID->clear();
  op.finish();
  prompts.message(text::kDone);
}

void CardsPanel::receiveAll() {
  Prompts& prompts = session_.prompts();
  if (!prompts.confirm(text::kReceiveCardsQuestion)) return;
  c_.lstCardID->clear();
  Session::Operation op = session_.begin(Session::Port::Close);
  if (!op) return;
  // Only the serial form counts the cards in lblCurID.
  const bool serial = op.link().kind() == LinkKind::Serial;
  int added = 0;
  bool& esc = session_.state().escCancelFlag;
  // The cards join the list at most ten times a second, all of them by the end.
  ViewPacer pacer(*session_.services().clock);
  QStringList arrived;
  const CardsRead read = ReadCards(
      op.env(), session_.deviceId(),
      [&](const std::vector<quint32>& cards) {
        for (quint32 card : cards) arrived << QString::number(card);
        added += static_cast<int>(cards.size());
        pacer.set([&, added] {
          append(std::exchange(arrived, {}), false);
          if (serial) c_.lblCurID->setText(QString::number(added));
        });
        pacer.mayShow();
      },
      [&esc] { return std::exchange(esc, false); });
  pacer.finish();
  if (read.end == StreamEnd::Cancelled) {
    prompts.message(text::kStopped);
  } else if (read.end == StreamEnd::Silence) {
    prompts.message(text::kCardsNotReceived);
  } else {
    prompts.message(read.lines == 0 ? text::kReaderHasNoCards : text::kCardsReceived);
  }
}

void CardsPanel::eraseAll() {
  c_.lblCurID->clear();
  if (!session_.prompts().confirm(text::kEraseCardsQuestion)) return;
  Session::Operation op = session_.begin(Session::Port::Close);
  if (!op) return;
  const Outcome outcome = EraseCards(op.env(), session_.deviceId());
  op.endBusy();
  session_.prompts().message(outcome == Outcome::Ok ? text::kCardsErased : text::kCardsNotErased);
}

}  // namespace tessaro
