#include "cards/cardspanel.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "cards/cardworkflows.h"

namespace tessaro {

namespace {

class ListWidgetCards : public CardList {
 public:
  explicit ListWidgetCards(QListWidget* w) : w_(w) {
    // Rows of one height let the view lay out thousands of entries at once.
    w_->setUniformItemSizes(true);
  }
  int count() const override { return w_->count(); }
  QString text(int i) const override { return w_->item(i)->text(); }
  bool marked(int i) const override { return w_->item(i)->checkState() == Qt::Checked; }
  int current() const override { return w_->currentRow(); }
  void setCurrent(int i) override {
    w_->setCurrentRow(i);
    w_->scrollToItem(w_->item(i));
  }
  void removeAt(int i) override { delete w_->takeItem(i); }
  void clear() override { w_->clear(); }
  void append(const QStringList& texts, bool marked) override {
    if (texts.isEmpty()) return;
    // One repaint for the whole batch instead of one per entry.
    w_->setUpdatesEnabled(false);
    for (const QString& t : texts) {
      auto* item = new QListWidgetItem(t);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(marked ? Qt::Checked : Qt::Unchecked);
      w_->addItem(item);
    }
    w_->setUpdatesEnabled(true);
    if (marked) setCurrent(w_->count() - 1);
  }

 private:
  QListWidget* w_;
};

class ContextHost : public CardHost {
 public:
  explicit ContextHost(AppContext& ctx) : ctx_(ctx), progress_(ctx.control<QLabel>("lblCurID")) {}
  Prompts& prompts() override { return ctx_.prompts(); }
  Link* openLink() override { return ctx_.openLink(); }
  ExchangeEnv env(Link& link) override { return ctx_.env(link); }
  void closeSerial() override { ctx_.links().closeSerial(); }
  void beginBusy() override { ctx_.beginBusy(); }
  void endBusy() override { ctx_.endBusy(); }
  qint16 deviceId() override { return ctx_.deviceIdFromText(); }
  bool& escCancelFlag() override { return ctx_.state().escCancelFlag; }
  int maxCardCount() override { return ctx_.state().maxCardCount; }
  QString programFolder() override { return ctx_.services().programFolder; }
  void setProgress(const QString& text) override { progress_->setText(text); }

 private:
  AppContext& ctx_;
  QLabel* progress_;
};

}  // namespace

CardsPanel::CardsPanel(AppContext& ctx)
    : ctx_(ctx),
      cardText_(ctx.control<QLineEdit>("txtCardID")),
      list_(std::make_unique<ListWidgetCards>(ctx.control<QListWidget>("lstCardID"))),
      host_(std::make_unique<ContextHost>(ctx)) {
  auto on = [this](const char* name, auto handler) {
    connect(ctx_.control<QPushButton>(name), &QPushButton::clicked, this, handler);
  };
  on("cmdAdd", [this] { AddTypedCard(*host_, *list_, cardText_->text()); });
  on("cmdDelete", [this] { DeleteCurrentCard(*list_); });
  on("cmdExport", [this] { ExportCards(*host_, *list_); });
  on("cmdImport", [this] { ImportCards(*host_, *list_); });
  on("cmdSendAllCards", [this] { SendAllCards(*host_, *list_); });
  on("cmdReceiveAllCards", [this] { ReceiveAllCards(*host_, *list_); });
  on("cmdEraseAll", [this] { EraseAllCards(*host_); });
  cardText_->installEventFilter(this);
}

CardsPanel::~CardsPanel() = default;

bool CardsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cardText_ && event->type() == QEvent::FocusIn) {
    // Typing then replaces the previous number. Deferred, because a mouse
    // click that gave the focus would otherwise move the cursor and undo it.
    QTimer::singleShot(0, cardText_, [w = cardText_] { w->selectAll(); });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tessaro
