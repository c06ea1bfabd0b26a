#include "cards/cardworkflows.h"

#include <algorithm>

#include "cards/cardfile.h"
#include "link/textformat.h"

namespace tessaro {

QStringList CardList::texts() const {
  QStringList out;
  out.reserve(count());
  for (int i = 0; i < count(); ++i) out << text(i);
  return out;
}

QString CardText::LimitMessage(int limit) { return QStringLiteral("En fazla %1 kart ekleyebilirsiniz").arg(limit); }

void AddTypedCard(CardHost& host, CardList& list, const QString& typed) {
  const QString trimmed = typed.trimmed();
  if (trimmed.isEmpty() || !IsNumeric(trimmed)) {
    host.prompts().message(CardText::InvalidCardId);
    return;
  }
  const int limit = host.maxCardCount();
  if (list.count() >= limit) {
    host.prompts().message(CardText::LimitMessage(limit));
    return;
  }
  list.append({trimmed}, true);
}

void DeleteCurrentCard(CardList& list) {
  const int i = list.current();
  if (list.count() > 0 && i >= 0 && i < list.count()) list.removeAt(i);
}

namespace {

// The file dialog as export and import use it; an empty optional means stop.
std::optional<QString> askFileName(CardHost& host, const QString& title) {
  const FileChoice choice = host.prompts().chooseFile(title, host.programFolder(), CardText::FileFilter);
  if (choice.cancelled) return std::nullopt;
  if (!choice.error.isEmpty()) host.prompts().message(choice.error);
  if (choice.fileName.isEmpty()) {
    host.prompts().message(CardText::InvalidFileName);
    return std::nullopt;
  }
  return choice.fileName;
}

}  // namespace

void ExportCards(CardHost& host, CardList& list) {
  host.setProgress(QString());
  const std::optional<QString> name = askFileName(host, CardText::ExportTitle);
  if (!name) return;
  if (!WriteCardFile(*name, list.texts())) host.prompts().message(CardText::FileNotWritten);
}

void ImportCards(CardHost& host, CardList& list) {
  host.setProgress(QString());
  const std::optional<QString> name = askFileName(host, CardText::ImportTitle);
  if (!name) return;
  if (!host.prompts().confirm(CardText::ImportQuestion)) return;
  // The file is read before the list is cleared: an unreadable file must not
  // cost the user the list.
  const std::optional<QStringList> lines = ReadCardFile(*name);
  if (!lines) {
    host.prompts().message(CardText::FileNotRead);
    return;
  }
  list.clear();
  const int limit = std::max(0, host.maxCardCount());
  const qsizetype take = std::min<qsizetype>(lines->size(), limit);
  if (take > 0) list.append(lines->mid(0, take), true);
  if (lines->size() > take) host.prompts().message(CardText::LimitMessage(limit));
}

void SendAllCards(CardHost& host, CardList& list) {
  Prompts& prompts = host.prompts();
  if (!prompts.confirm(CardText::SendQuestion)) return;
  if (list.count() == 0) {
    prompts.message(CardText::ListEmpty);
    return;
  }
  Link* link = host.openLink();
  if (!link) return;
  host.beginBusy();
  const qint16 id = host.deviceId();
  ExchangeEnv env = host.env(*link);
  host.setProgress(QString());
  bool& esc = host.escCancelFlag();
  int i = 0;
  while (i < list.count()) {
    if (esc) {
      esc = false;
      host.closeSerial();
      host.endBusy();
      prompts.message(CardText::Stopped);
      return;
    }
    list.setCurrent(i);
    host.setProgress(QString::number(i + 1));
    if (!list.marked(i)) {
      ++i;
      continue;
    }
    const QString text = list.text(i);
    const std::optional<qint32> card = CardNumberFromText(text);
    if (!card) {
      // Sending some other card, or skipping this one silently, would both
      // leave the reader with a list the user did not ask for.
      host.closeSerial();
      host.endBusy();
      prompts.message(CardText::BadCardPrefix + text);
      return;
    }
    if (SendCard(env, id, *card) == StatusOk) {
      ++i;
      continue;
    }
    if (!prompts.confirm(CardText::RetryQuestion)) {
      host.closeSerial();
      host.endBusy();
      host.setProgress(QString());
      return;
    }
  }
  host.setProgress(QString());
  host.closeSerial();
  host.endBusy();
  prompts.message(CardText::Done);
}

namespace {

class ListSink : public CardSink {
 public:
  ListSink(CardHost& host, CardList& list) : host_(host), list_(list) {}
  void cardsReceived(const std::vector<qint32>& cards) override {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(cards.size()));
    for (qint32 c : cards) texts << QString::number(c);
    list_.append(texts, false);
  }
  void progress(int cardsAdded) override { host_.setProgress(QString::number(cardsAdded)); }

 private:
  CardHost& host_;
  CardList& list_;
};

}  // namespace

void ReceiveAllCards(CardHost& host, CardList& list) {
  Prompts& prompts = host.prompts();
  if (!prompts.confirm(CardText::ReceiveQuestion)) return;
  list.clear();
  Link* link = host.openLink();
  if (!link) return;
  host.beginBusy();
  const qint16 id = host.deviceId();
  ExchangeEnv env = host.env(*link);
  ListSink sink(host, list);
  const int result = ReadCards(env, id, host.escCancelFlag(), sink);
  if (result == kReadCardsCancelled) {
    prompts.message(CardText::Stopped);
  } else if (result == kReadCardsTimedOut) {
    prompts.message(CardText::ReceiveFailed);
  } else if (result == 0) {
    prompts.message(CardText::ReaderEmpty);
  } else {
    prompts.message(CardText::Received);
  }
  host.closeSerial();
  host.endBusy();
}

void EraseAllCards(CardHost& host) {
  Prompts& prompts = host.prompts();
  host.setProgress(QString());
  if (!prompts.confirm(CardText::EraseQuestion)) return;
  Link* link = host.openLink();
  if (!link) return;
  host.beginBusy();
  const qint16 id = host.deviceId();
  ExchangeEnv env = host.env(*link);
  const int result = EraseCards(env, id);
  host.endBusy();
  prompts.message(result == StatusOk ? CardText::Erased : CardText::NotErased);
  host.closeSerial();
}

}  // namespace tessaro
