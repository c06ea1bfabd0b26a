#include "busview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

#include "accesslog.h"
#include "builders.h"
#include "readers.h"
#include "records.h"
#include "scan.h"
#include "textformat.h"
#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

namespace {

// What a model must be able to do for an action of the bus view.
std::optional<Ability> NeededFor(int action) {
  // Settings, Clock, Cards, Records, Counts
  static const std::optional<Ability> needs[] = {std::nullopt, Ability::ClockAndRecords, std::nullopt,
                                                 Ability::ClockAndRecords, Ability::ClockAndRecords};
  return needs[action];
}

// The model cell's editor: the family (the model not known), each of its
// models for this row, and each of them for every row of the family.
class ModelChoice : public QStyledItemDelegate {
 public:
  ModelChoice(BusTable& rows, QObject* parent) : QStyledItemDelegate(parent), rows_(rows) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* box = Named<QComboBox>(parent, QStringLiteral("cmbBusModel"));
    const ReaderModel& family = rows_.row(index.row()).family;
    box->addItem(family.name(), QVariantList{family.name(), false});
    for (const DeviceModel m : family.candidates()) box->addItem(QLatin1String(Facts(m).name), QVariantList{QLatin1String(Facts(m).name), false});
    for (const DeviceModel m : family.candidates())
      box->addItem(text::BusModelForFamily(QLatin1String(Facts(m).name), family.name()),
                   QVariantList{QLatin1String(Facts(m).name), true});
    // A choice takes effect at once.
    connect(box, &QComboBox::activated, this, [this, box] {
      emit const_cast<ModelChoice*>(this)->commitData(box);
      emit const_cast<ModelChoice*>(this)->closeEditor(box);
    });
    return box;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* box = static_cast<QComboBox*>(editor);
    box->setCurrentIndex(std::max(0, box->findText(index.data(Qt::EditRole).toString())));
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    const QVariantList choice = static_cast<QComboBox*>(editor)->currentData().toList();
    model->setData(index, choice.value(0), choice.value(1).toBool() ? BusTable::kWholeFamilyRole : Qt::EditRole);
  }

 private:
  BusTable& rows_;
};

}  // namespace

// The core's verdict in the bus view's words.
QString BusWhyText(Why why) {
  switch (why) {
    case Why::Done: return text::kBusDone;
    case Why::TimedOut: return text::kBusTimedOut;
    case Why::Collision: return text::kBusCollision;
    case Why::LogFailed: return text::kBusLogFailed;
    case Why::StoreFailed: return text::kBusStoreFailed;
    case Why::Incomplete: return text::kBusIncomplete;
    case Why::EraseFailed: return text::kBusEraseFailed;
    case Why::Stopped: return text::kBusStopped;
    case Why::MemoryFull: return text::kBusMemoryFull;
    case Why::BadReply:
    case Why::NotTaken:
    case Why::ModelUnknown:
    case Why::OtherModel: break;
  }
  return text::kBusBadReply;
}

BusView::BusView(Session& session, std::function<std::optional<std::vector<quint32>>()> cards, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), cards_(std::move(cards)) {
  setObjectName(QStringLiteral("frmBus"));
  setWindowTitle(caption::frmBus);
  resize(940, 480);
  from_ = NamedBox(this, "txtBusFrom", QStringLiteral("1"), 50);
  to_ = NamedBox(this, "txtBusTo", QStringLiteral("255"), 50);
  auto* scanButton = NamedButton(this, "cmdBusScan", caption::cmdBusScan);
  cancelButton_ = NamedButton(this, "cmdBusCancel", caption::cmdBusCancel);
  cancelButton_->setEnabled(false);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("prgBus"));
  fullWait_ = new QCheckBox(caption::chkBusFullWait, this);
  fullWait_->setObjectName(QStringLiteral("chkBusFullWait"));
  fullWait_->setToolTip(text::kBusFullWaitTip);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(caption::BusAddresses, this));
  for (QWidget* w : std::initializer_list<QWidget*>{from_, new QLabel(QStringLiteral("-"), this), to_, fullWait_,
                                                    scanButton, cancelButton_, progress_})
    top->addWidget(w);

  rows_ = new BusTable(this);
  table_ = Named<QTableView>(this, QStringLiteral("tblBus"));
  table_->setModel(rows_);
  table_->setItemDelegateForColumn(BusTable::kModel, new ModelChoice(*rows_, table_));
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setWordWrap(false);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  connect(rows_, &BusTable::familyChosen, this,
          [this](const ReaderModel& family, const ReaderModel& model) { familyModels_[family.candidates()] = model; });

  auto* settings = NamedButton(this, "cmdBusSettings", caption::cmdBusSettings);
  auto* clock = NamedButton(this, "cmdBusClock", caption::cmdBusClock);
  drift_ = NamedBox(this, "txtBusDrift", QStringLiteral("2"), 50);
  auto* cardsButton = NamedButton(this, "cmdBusCards", caption::cmdBusCards);
  auto* records = NamedButton(this, "cmdBusRecords", caption::cmdBusRecords);
  erase_ = new QCheckBox(caption::chkBusErase, this);
  erase_->setObjectName(QStringLiteral("chkBusErase"));
  erase_->setChecked(true);
  auto* counts = NamedButton(this, "cmdBusCounts", caption::cmdBusCounts);
  auto* retry = NamedButton(this, "cmdBusRetry", caption::cmdBusRetry);
  auto* exportButton = NamedButton(this, "cmdBusExport", caption::cmdBusExport);
  auto* saveLine = NamedButton(this, "cmdBusSaveLine", caption::cmdBusSaveLine);
  auto* compare = NamedButton(this, "cmdBusCompare", caption::cmdBusCompare);
  auto* apply = NamedButton(this, "cmdBusApply", caption::cmdBusApply);
  auto* actionsRow = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{settings, counts, clock, new QLabel(caption::BusMaxDrift, this),
                                                    drift_, cardsButton, records, erase_})
    actionsRow->addWidget(w);
  actionsRow->addStretch();
  auto* lastRow = new QHBoxLayout;
  for (QWidget* w : {saveLine, compare, apply}) lastRow->addWidget(w);
  lastRow->addStretch();
  lastRow->addWidget(retry);
  lastRow->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_);
  layout->addLayout(actionsRow);
  layout->addLayout(lastRow);
  actions_ = {from_,  to_,    fullWait_, scanButton, settings,     clock,    drift_,  cardsButton, records,
              erase_, counts, retry,      exportButton, saveLine, compare, apply,       table_};

  connect(scanButton, &QPushButton::clicked, this, &BusView::scan);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel_ = true; });
  connect(settings, &QPushButton::clicked, this, [this] { runOnSelection(Action::Settings); });
  connect(clock, &QPushButton::clicked, this, [this] { runOnSelection(Action::Clock); });
  connect(cardsButton, &QPushButton::clicked, this, [this] { runOnSelection(Action::Cards); });
  connect(records, &QPushButton::clicked, this, [this] { runOnSelection(Action::Records); });
  connect(counts, &QPushButton::clicked, this, [this] { runOnSelection(Action::Counts); });
  connect(retry, &QPushButton::clicked, this, [this] { run(last_, std::vector<int>(failed_)); });
  connect(exportButton, &QPushButton::clicked, this, &BusView::exportCsv);
  connect(saveLine, &QPushButton::clicked, this, &BusView::saveLine);
  connect(compare, &QPushButton::clicked, this, &BusView::compareWithFile);
  connect(apply, &QPushButton::clicked, this, &BusView::applyFile);
  // One click on a family's model cell offers its models.
  connect(table_, &QTableView::clicked, this, [this](const QModelIndex& index) {
    if (index.flags() & Qt::ItemIsEditable) table_->edit(index);
  });
  connect(table_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { emit addressChosen(rows_->row(index.row()).address); });
}

void BusView::setRunning(bool running) {
  // While the line is in use here, only "İptal" acts.
  for (QWidget* w : actions_) w->setEnabled(!running);
  cancelButton_->setEnabled(running);
  if (running) cancel_ = false;
  else progress_->setValue(progress_->maximum());
}

void BusView::result(int row, const QString& text, bool ok, const QString& details) {
  rows_->change(row, [&](BusRow& r) {
    r.result = text;
    r.details = details;
    r.failed = !ok;
  });
  if (!ok) failed_.push_back(row);
}

QString BusView::refusal(int row, std::optional<Ability> needs) const {
  const ReaderModel& model = rows_->row(row).model;
  if (!needs || model.can(*needs)) return {};
  if (!model.mayCan(*needs)) return text::BusNotOnModel(ModelNames(ModelsThatCan(*needs)));
  return text::BusModelUnknown(ModelNames(model.candidates()));
}

void BusView::scan() {
  const std::optional<int> from = NumberInRange(from_->text(), 0, 255), to = NumberInRange(to_->text(), 0, 255);
  if (!from || !to || *to < *from) return session_.prompts().message(text::kBusBadRange);
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  rows_->clear();
  failed_.clear();
  progress_->setRange(*from, *to + 1);
  std::vector<int> addresses;
  for (int address = *from; address <= *to; ++address) addresses.push_back(address);
  const LineScan scan = ScanLine(op.env(), addresses,
                                 {.fullWait = fullWait_->isChecked(),
                                  .cancelled = [this] { return cancel_; },
                                  .asking = [this](int address, int) { progress_->setValue(address); }});
  for (const ScannedReader& found : scan.readers) {
    const ProbedReader& p = found.probe;
    const DeviceId id = found.address;
    BusRow row{.address = found.address, .family = p.family, .model = p.family, .reply = p.reply, .collision = p.collision};
    // A model the user chose for the whole family stands for its new rows too.
    if (const auto chosen = familyModels_.find(p.family.candidates()); chosen != familyModels_.end())
      row.model = chosen->second;
    if (p.ok()) row.settings = InterpretSettings(p.reply, row.model);
    const int r = rows_->append(row);
    if (p.collision) {
      result(r, BusWhyText(p.why()), false);
      continue;
    }
    // Only a reader known to have a clock and records is asked for them.
    if (!row.model.can(Ability::ClockAndRecords)) {
      result(r, text::kBusDone, true);
      continue;
    }
    const ClockDrift drift = ReadDrift(op.env(), id, [this] { return session_.localNow(); });
    Outcome counted = Outcome::NoReply;
    const std::optional<int> count = ReadRecordCount(op.env(), id, &counted);
    rows_->change(r, [&](BusRow& b) {
      if (drift.ok()) b.drift = drift.seconds;
      b.count = count;
    });
    const Why worst = !drift.ok() ? drift.why() : WhyOf(counted);
    result(r, BusWhyText(worst), worst == Why::Done);
  }
  setRunning(false);
}

bool BusView::startOnLine(Session::Operation& op) {
  if (!op) return false;
  // The main window keeps out while the line is in use here.
  op.beginBusy(false);
  setRunning(true);
  return true;
}

std::vector<int> BusView::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void BusView::runOnSelection(Action action) {
  const std::vector<int> rows = selectedRows();
  if (rows.empty()) return session_.prompts().message(text::kBusNothingSelected);
  run(action, rows);
}

void BusView::run(Action action, const std::vector<int>& rows) {
  const std::optional<int> maxDrift = NumberInRange(drift_->text(), 0, 86400);
  if (action == Action::Clock && !maxDrift) return session_.prompts().message(text::kBusBadDrift);
  std::vector<quint32> cards;
  if (action == Action::Cards) {
    const std::optional<std::vector<quint32>> list = cards_();
    if (!list) return;
    cards = *list;
  }
  if (rows.empty()) return;
  // Records go nowhere while the store cannot take them.
  if (action == Action::Records && !session_.store()) return;
  const StoreTarget target = session_.storeTarget();
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  last_ = action;
  failed_.clear();
  progress_->setRange(0, static_cast<int>(rows.size()));
  AccessLog log(session_.accessLogPath());
  bool storeFailed = false;
  const auto now = [this] { return session_.localNow(); };
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = rows[i];
    const BusRow& b = rows_->row(row);
    progress_->setValue(static_cast<int>(i));
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    if (b.collision) {
      result(row, BusWhyText(Why::Collision), false);
      continue;
    }
    if (const QString refused = refusal(row, NeededFor(static_cast<int>(action))); !refused.isEmpty()) {
      result(row, refused, false);
      continue;
    }
    const DeviceId id = b.address;
    const ReaderModel model = b.model;
    switch (action) {
      case Action::Settings: {
        const ReaderSettings read = ReadReaderSettings(op.env(), id, model);
        if (read.ok()) rows_->change(row, [&](BusRow& r) { r.reply = read.reply, r.settings = read.settings; });
        result(row, read.why == Why::OtherModel ? text::BusOtherModel(ModelNames(read.model.candidates())) : BusWhyText(read.why),
               read.ok());
        break;
      }
      case Action::Clock: {
        const ClockSync s = SyncClock(op.env(), id, *maxDrift, now);
        // A check read that failed leaves the drift after the set unknown.
        if (s.before.ok())
          rows_->change(row, [&](BusRow& r) {
            r.driftUnknown = s.after && !s.after->ok();
            r.drift = (s.after ? *s.after : s.before).seconds;
          });
        result(row, BusWhyText(s.why()), s.ok());
        break;
      }
      case Action::Cards: {
        // A list that every candidate holds needs no model; a longer one needs the reader's.
        if (static_cast<int>(cards.size()) > model.cardLimit()) {
          result(row, model.known() ? text::BusTooManyCards(model.name(), model.cardLimit())
                                    : text::BusModelUnknown(ModelNames(model.candidates())),
                 false);
          break;
        }
        const CardPush p = PushCards(op.env(), id, cards, false, [this] { return cancel_; });
        result(row, p.ok() ? text::kBusCardsSent.arg(p.sent) : BusWhyText(p.why()), p.ok());
        break;
      }
      case Action::Records: {
        const ReaderPull r = PullReaderRecords(op.env(), id, model, log, erase_->isChecked(), {}, &target);
        storeFailed = storeFailed || r.why() == Why::StoreFailed;
        const bool none = r.ok() && r.pull.end == PullEnd::NoRecords;
        result(row, !r.ok() ? BusWhyText(r.why()) : none ? text::kBusNoRecords : text::kBusRecords.arg(r.pull.records),
               r.ok());
        if (r.pull.end == PullEnd::Erased) rows_->change(row, [](BusRow& b) { b.count = 0; });
        break;
      }
      case Action::Counts: {
        Outcome outcome = Outcome::NoReply;
        const std::optional<int> count = ReadRecordCount(op.env(), id, &outcome);
        if (count) rows_->change(row, [&](BusRow& b) { b.count = count; });
        result(row, BusWhyText(WhyOf(outcome)), outcome == Outcome::Ok);
        break;
      }
    }
  }
  // Opened anew at the next use, after the rows that still used it.
  if (storeFailed) session_.dropStore();
  setRunning(false);
}

void BusView::exportCsv() {
  QByteArray csv;
  QStringList header;
  for (int c = 0; c < BusTable::kColumns; ++c) header << CsvField(rows_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
  csv += header.join(u',').toUtf8() + '\n';
  for (int r = 0; r < rows_->rowCount(); ++r) {
    QStringList line;
    for (int c = 0; c < BusTable::kColumns; ++c) line << CsvField(rows_->text(r, c));
    csv += line.join(u',').toUtf8() + '\n';
  }
  session_.saveAs(caption::cmdBusExport, text::kCsvFilter, csv);
}

}  // namespace tessaro
