#include "recordviewer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "builders.h"
#include "textformat.h"
#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

namespace {

constexpr int kPageRows = 200;

// "05/01/2025", "05/01/2025 09:03" or "05/01/2025 09:03:07", as the window
// shows the clocks; a day alone ends at its last second when it ends a range.
std::optional<QDateTime> TypedTime(const QString& typed, bool end) {
  const QString t = typed.simplified();
  for (const char* format : {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm"}) {
    const QDateTime time = QDateTime::fromString(t, QLatin1String(format));
    if (time.isValid()) return time;
  }
  const QDate day = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
  if (!day.isValid()) return std::nullopt;
  return QDateTime(day, end ? QTime(23, 59, 59) : QTime(0, 0));
}

}  // namespace

bool PassageModel::show(std::function<RecordStore*()> source, const PassageFilter& filter) {
  beginResetModel();
  source_ = std::move(source);
  filter_ = filter;
  rows_.clear();
  atEnd_ = !source_;
  failed_ = false;
  endResetModel();
  fetchMore({});
  return !failed_;
}

int PassageModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int PassageModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(std::size(caption::tblRecords));
}

QStringList PassageCells(const Passage& p) {
  // "?" marks a stamp the reader garbled: its own text is shown.
  const QString time = p.stamp.startsWith(u'?') ? p.stamp.mid(1)
                                                : QDateTime::fromString(p.stamp, QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                      .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
  const QString direction = p.type >= 0 && p.type <= 2 ? text::kRecordDirections[p.type] : QString::number(p.type);
  return {time, p.line, QString::number(p.address), QString::number(p.card), direction, p.holder};
}

QVariant PassageModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return PassageCells(rows_[size_t(index.row())]).value(index.column());
}

QVariant PassageModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  return caption::tblRecords[section].translated();
}

bool PassageModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !atEnd_; }

void PassageModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || atEnd_) return;
  RecordStore* store = source_();
  if (!store) {
    atEnd_ = true;
    return;
  }
  const std::optional<std::vector<Passage>> page =
      PassagePage(*store, filter_, rows_.empty() ? nullptr : &rows_.back(), kPageRows);
  failed_ = !page;
  atEnd_ = !page || int(page->size()) < kPageRows;
  if (!page || page->empty()) return;
  beginInsertRows({}, rowCount(), rowCount() + int(page->size()) - 1);
  rows_.insert(rows_.end(), page->begin(), page->end());
  endInsertRows();
}

RecordViewer::RecordViewer(Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), model_(this) {
  setObjectName(QStringLiteral("frmRecords"));
  setWindowTitle(caption::frmRecords);
  resize(820, 520);
  from_ = NamedBox(this, "txtRecordsFrom", QString(), 140);
  to_ = NamedBox(this, "txtRecordsTo", QString(), 140);
  readers_ = NamedBox(this, "txtRecordsReaders", QString(), 90);
  card_ = NamedBox(this, "txtRecordsCard", QString(), 100);
  auto* filterButton = NamedButton(this, "cmdRecordsFilter", caption::cmdRecordsFilter);
  auto* top = new QHBoxLayout;
  const std::pair<const text::Text*, QLineEdit*> boxes[] = {{&caption::RecordsFrom, from_},
                                                         {&caption::RecordsTo, to_},
                                                         {&caption::RecordsReaders, readers_},
                                                         {&caption::RecordsCard, card_}};
  for (const auto& [label, box] : boxes) {
    top->addWidget(new QLabel(*label, this));
    top->addWidget(box);
  }
  top->addWidget(filterButton);
  top->addStretch();

  table_ = Named<QTableView>(this, QStringLiteral("tblRecords"));
  table_->setModel(&model_);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->setColumnWidth(0, 140);

  count_ = Named<QLabel>(this, QStringLiteral("lblRecordsCount"));
  auto* holders = NamedButton(this, "cmdRecordsHolders", caption::cmdRecordsHolders);
  auto* exportButton = NamedButton(this, "cmdRecordsExport", caption::cmdRecordsExport);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(count_);
  bottom->addStretch();
  bottom->addWidget(holders);
  bottom->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_);
  layout->addLayout(bottom);

  connect(filterButton, &QPushButton::clicked, this, &RecordViewer::refresh);
  for (QLineEdit* box : {from_, to_, readers_, card_})
    connect(box, &QLineEdit::returnPressed, this, &RecordViewer::refresh);
  connect(holders, &QPushButton::clicked, this, &RecordViewer::importHolders);
  connect(exportButton, &QPushButton::clicked, this, &RecordViewer::exportCsv);
}

std::optional<PassageFilter> RecordViewer::filter() {
  auto refuse = [this](QLineEdit* box, const QString& message) {
    session_.prompts().message(message);
    box->setFocus();
    return std::nullopt;
  };
  PassageFilter f;
  f.newestFirst = true;  // the latest passages are what one usually looks for
  const std::pair<QLineEdit*, std::optional<QDateTime>*> times[] = {{from_, &f.from}, {to_, &f.to}};
  for (const auto& [box, time] : times) {
    if (box->text().trimmed().isEmpty()) continue;
    *time = TypedTime(box->text(), box == to_);
    if (!*time) return refuse(box, text::kRecordsBadDate);
  }
  if (!readers_->text().trimmed().isEmpty()) {
    const std::optional<std::vector<int>> list = ParseAddressList(readers_->text());
    if (!list) return refuse(readers_, text::kRecordsBadReaders);
    f.addresses = *list;
  }
  if (const QString card = card_->text().trimmed(); !card.isEmpty()) {
    bool ok = false;
    const qint64 number = card.toLongLong(&ok);
    if (!ok || number < 0 || number > 0xFFFFFFFFLL || !card.front().isDigit())
      return refuse(card_, text::kInvalidCardId);
    f.card = number;
  }
  return f;
}

bool RecordViewer::refresh() {
  const std::optional<PassageFilter> f = filter();
  if (!f) return false;
  RecordStore* store = session_.store();
  const std::optional<qint64> count = store ? CountPassages(*store, *f) : std::nullopt;
  if (!count || !model_.show([this] { return session_.openedStore(); }, *f)) {
    if (store) session_.prompts().message(text::kStoreNotRead, store->lastError());
    session_.dropStore();
    model_.show({}, *f);
    count_->clear();
    return false;
  }
  count_->setText(text::RecordsShown(*count));
  return true;
}

void RecordViewer::exportCsv() {
  const std::optional<PassageFilter> f = filter();
  RecordStore* store = f ? session_.store() : nullptr;
  if (!store) return;
  QStringList header;
  for (const text::Text& c : caption::tblRecords) header << CsvField(c);
  QByteArray csv = header.join(u',').toUtf8() + '\n';
  const bool read = ForEachPassage(*store, *f, [&csv](const Passage& p) {
    QStringList line;
    for (const QString& cell : PassageCells(p)) line << CsvField(cell);
    csv += line.join(u',').toUtf8() + '\n';
  });
  if (!read) return session_.prompts().message(text::kStoreNotRead, store->lastError());
  session_.saveAs(caption::cmdRecordsExport, text::kCsvFilter, csv);
}

void RecordViewer::importHolders() {
  RecordStore* store = session_.store();
  if (!store) return;
  const FileChoice choice =
      session_.prompts().chooseFile(caption::cmdRecordsHolders, session_.services().programFolder, text::kCsvFilter);
  if (choice.cancelled || choice.fileName.isEmpty()) return;
  const HolderImport h = ImportHolders(*store, choice.fileName);
  switch (h.problem.what) {
    case HolderProblem::Unreadable: return session_.prompts().message(text::kFileNotRead);
    case HolderProblem::NotUtf8:
      return session_.prompts().message(text::HoldersBadLine(h.problem.line, text::kHoldersNotUtf8));
    case HolderProblem::NoCard:
      return session_.prompts().message(text::HoldersBadLine(h.problem.line, text::kHoldersNoCard));
    case HolderProblem::NoName:
      return session_.prompts().message(text::HoldersBadLine(h.problem.line, text::kHoldersNoName));
    case HolderProblem::None: break;
  }
  if (!h.stored) return session_.prompts().message(text::kStoreNotWritten, store->lastError());
  session_.prompts().message(text::HoldersImported(h.holders));
  refresh();
}

}  // namespace tessaro
