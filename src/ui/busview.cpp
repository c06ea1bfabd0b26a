#include "busview.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "accesslog.h"
#include "builders.h"
#include "readers.h"
#include "records.h"
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
    case Why::BadReply:
    case Why::NotTaken: break;
  }
  return text::kBusBadReply;
}

BusView::BusView(Session& session, std::function<std::optional<std::vector<qint32>>()> cards, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), cards_(std::move(cards)) {
  setObjectName(QStringLiteral("frmBus"));
  setWindowTitle(caption::frmBus);
  resize(860, 480);
  from_ = NamedBox(this, "txtBusFrom", QStringLiteral("1"), 50);
  to_ = NamedBox(this, "txtBusTo", QStringLiteral("255"), 50);
  auto* scanButton = NamedButton(this, "cmdBusScan", caption::cmdBusScan);
  cancelButton_ = NamedButton(this, "cmdBusCancel", caption::cmdBusCancel);
  cancelButton_->setEnabled(false);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("prgBus"));
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(caption::BusAddresses, this));
  for (QWidget* w : std::initializer_list<QWidget*>{from_, new QLabel(QStringLiteral("-"), this), to_, scanButton,
                                                    cancelButton_, progress_})
    top->addWidget(w);

  table_ = new QTableWidget(0, 8, this);
  table_->setObjectName(QStringLiteral("tblBus"));
  table_->setHorizontalHeaderLabels(QStringList(std::begin(caption::tblBus), std::end(caption::tblBus)));
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->setWordWrap(false);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

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
  actions_ = {from_,   to_,    scanButton, settings, clock,        drift_,   cardsButton, records,
              erase_,  counts, retry,      exportButton, saveLine, compare, apply};

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
  connect(table_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { emit addressChosen(table_->item(row, kAddress)->text().toInt()); });
}

int BusView::addRow(int address) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  for (int c = 0; c < table_->columnCount(); ++c) table_->setItem(row, c, new QTableWidgetItem);
  set(row, kAddress, QString::number(address));
  return row;
}

void BusView::set(int row, int column, const QString& text) { table_->item(row, column)->setText(text); }

void BusView::showSettings(int row, const ReceivedSettings& s) {
  if (s.runMode) set(row, kRunMode, caption::opsRunMode[static_cast<int>(*s.runMode)]);
  set(row, kRelay, QString::number(s.relayTime));
  set(row, kRecordType, s.recordType == 1 ? text::kBusEntry : text::kBusExit);
}

void BusView::setRunning(bool running) {
  // While the line is in use here, only "İptal" acts.
  for (QWidget* w : actions_) w->setEnabled(!running);
  cancelButton_->setEnabled(running);
  if (running) cancel_ = false;
  else progress_->setValue(progress_->maximum());
}

void BusView::result(int row, const QString& text, bool ok) {
  set(row, kResult, text);
  if (!ok) failed_.push_back(row);
}

std::vector<DeviceModel> BusView::familyOf(int row) const {
  // The scan keeps the length of the row's settings reply, which is all it tells of the model.
  return ModelsWithReplyLength(table_->item(row, kModel)->data(Qt::UserRole).toInt());
}

DeviceModel BusView::modelOf(int row) const { return ModelOfFamily(familyOf(row), session_.model()); }

void BusView::scan() {
  const std::optional<int> from = NumberInRange(from_->text(), 0, 255), to = NumberInRange(to_->text(), 0, 255);
  if (!from || !to || *to < *from) return session_.prompts().message(text::kBusBadRange);
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  table_->setRowCount(0);
  failed_.clear();
  progress_->setRange(*from, *to + 1);
  for (int address = *from; address <= *to && !cancel_; ++address) {
    progress_->setValue(address);
    const DeviceId id = address;
    const ProbedReader p = ProbeReader(op.env(), id, session_.model());
    if (!p.present) continue;
    const int row = addRow(address);
    set(row, kModel, FamilyName(p.models));
    table_->item(row, kModel)->setToolTip(ModelNames(p.models));
    if (!p.models.empty()) table_->item(row, kModel)->setData(Qt::UserRole, Facts(p.models.front()).settingsReplyLength);
    if (p.collision) {
      table_->item(row, kAddress)->setData(Qt::UserRole, true);
      for (int c = 0; c < table_->columnCount(); ++c) {
        table_->item(row, c)->setBackground(QColor(0xF8D0D0));
        table_->item(row, c)->setToolTip(text::kBusCollisionTip);
      }
      result(row, BusWhyText(p.why()), false);
      continue;
    }
    showSettings(row, *p.settings);
    // Only a family with a clock and records is asked for them.
    if (!FamilyCan(p.models, Ability::ClockAndRecords)) {
      result(row, text::kBusDone, true);
      continue;
    }
    const ClockDrift drift = ReadDrift(op.env(), id, [this] { return session_.localNow(); });
    if (drift.ok()) set(row, kDrift, QString::number(drift.seconds));
    Outcome counted = Outcome::NoReply;
    if (const std::optional<int> count = ReadRecordCount(op.env(), id, &counted))
      set(row, kCount, QString::number(*count));
    const Why worst = !drift.ok() ? drift.why() : WhyOf(counted);
    result(row, BusWhyText(worst), worst == Why::Done);
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

void BusView::runOnSelection(Action action) {
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) return session_.prompts().message(text::kBusNothingSelected);
  run(action, rows);
}

void BusView::run(Action action, const std::vector<int>& rows) {
  const std::optional<int> maxDrift = NumberInRange(drift_->text(), 0, 86400);
  if (action == Action::Clock && !maxDrift) return session_.prompts().message(text::kBusBadDrift);
  std::vector<qint32> cards;
  if (action == Action::Cards) {
    const std::optional<std::vector<qint32>> list = cards_();
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
    progress_->setValue(static_cast<int>(i));
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    if (table_->item(row, kAddress)->data(Qt::UserRole).toBool()) {
      result(row, BusWhyText(Why::Collision), false);
      continue;
    }
    const DeviceId id = table_->item(row, kAddress)->text().toInt();
    if (const std::optional<Ability> needs = NeededFor(static_cast<int>(action)); needs && !FamilyCan(familyOf(row), *needs)) {
      result(row, text::BusNotOnModel(ModelNames(ModelsThatCan(*needs))), false);
      continue;
    }
    const DeviceModel model = modelOf(row);
    switch (action) {
      case Action::Settings: {
        const SettingsRead read = ReadSettings(op.env(), id, model);
        if (read.outcome == Outcome::Ok) showSettings(row, InterpretSettings(read.reply, model));
        result(row, BusWhyText(WhyOf(read.outcome)), read.outcome == Outcome::Ok);
        break;
      }
      case Action::Clock: {
        const ClockSync s = SyncClock(op.env(), id, *maxDrift, now);
        if (s.before.ok()) set(row, kDrift, QString::number((s.after ? *s.after : s.before).seconds));
        result(row, BusWhyText(s.why()), s.ok());
        break;
      }
      case Action::Cards: {
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
        if (r.pull.end == PullEnd::Erased) set(row, kCount, QStringLiteral("0"));
        break;
      }
      case Action::Counts: {
        Outcome outcome = Outcome::NoReply;
        const std::optional<int> count = ReadRecordCount(op.env(), id, &outcome);
        if (count) set(row, kCount, QString::number(*count));
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
  for (const text::Text& c : caption::tblBus) header << CsvField(c);
  csv += header.join(u',').toUtf8() + '\n';
  for (int r = 0; r < table_->rowCount(); ++r) {
    QStringList line;
    for (int c = 0; c < table_->columnCount(); ++c) line << CsvField(table_->item(r, c)->text());
    csv += line.join(u',').toUtf8() + '\n';
  }
  session_.saveAs(caption::cmdBusExport, text::kCsvFilter, csv);
}

}  // namespace tessaro
