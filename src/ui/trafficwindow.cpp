#include "trafficwindow.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include "builders.h"
#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

class TrafficModel : public QAbstractTableModel {
 public:
  explicit TrafficModel(TrafficLog& log) : log_(log) {
    log_.changed = [this](qsizetype added, qsizetype dropped) {
      if (dropped > 0) {
        // The ring let its oldest frames go (or was cleared).
        beginResetModel();
        endResetModel();
        return;
      }
      if (added > 0) {
        const int rows = static_cast<int>(log_.frames().size());
        beginInsertRows({}, rows - static_cast<int>(added), rows - 1);
        endInsertRows();
      } else if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
      }
    };
  }
  ~TrafficModel() override { log_.changed = nullptr; }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(log_.frames().size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 8; }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o == Qt::Horizontal && role == Qt::DisplayRole) return QString(caption::tblTraffic[section]);
    return {};
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const TrafficFrame& f = log_.frames()[static_cast<size_t>(index.row())];
    if (role == Qt::BackgroundRole && f.marked()) return QColor(f.stray ? 0xFFF2CC : 0xF8D0D0);
    if (role != Qt::DisplayRole) return {};
    using K = TrafficFrame::Kind;
    switch (index.column()) {
      case 0: return QString::number(f.ms);
      case 1:
        return f.kind == K::Sent ? QStringLiteral("TX") : f.kind == K::Received ? QStringLiteral("RX") : QString();
      case 2: return f.address < 0 ? QString() : QString::number(f.address);
      case 3: return QString::fromLatin1(f.code);
      case 4: return f.kind == K::TimedOut ? QString() : QString::number(f.bytes.size());
      case 5: return QString::fromLatin1(HexText(f.bytes));
      case 6: return QString::fromLatin1(PrintableText(f.bytes));
      default:
        return f.kind == K::TimedOut ? text::kTrafficTimedOut
               : f.failed            ? text::kTrafficFailed
               : f.stray             ? text::kTrafficStray
                                     : QString();
    }
  }

 private:
  TrafficLog& log_;
};

namespace {

// Rows of one address and of one command (both may be empty), or only the marked ones.
class TrafficFilter : public QSortFilterProxyModel {
 public:
  TrafficFilter(TrafficLog& log, QLineEdit* address, QLineEdit* command, QCheckBox* errorsOnly)
      : log_(log), address_(address), command_(command), errorsOnly_(errorsOnly) {}
  bool filterAcceptsRow(int row, const QModelIndex&) const override {
    const TrafficFrame& f = log_.frames()[static_cast<size_t>(row)];
    const QString address = address_->text().trimmed(), command = command_->text().trimmed().toUpper();
    if (!address.isEmpty() && f.address != address.toInt()) return false;
    if (!command.isEmpty() && QString::fromLatin1(f.code) != command) return false;
    return !errorsOnly_->isChecked() || f.marked();
  }
  void refresh() { invalidateFilter(); }

 private:
  TrafficLog& log_;
  QLineEdit* address_;
  QLineEdit* command_;
  QCheckBox* errorsOnly_;
};

}  // namespace

TrafficWindow::TrafficWindow(Session& session, QWidget* parent) : QWidget(parent, Qt::Window), session_(session) {
  setObjectName(QStringLiteral("frmTraffic"));
  setWindowTitle(caption::frmTraffic);
  resize(1000, 480);
  address_ = NamedBox(this, "txtTrafficAddress", {}, 60);
  command_ = NamedBox(this, "txtTrafficCommand", {}, 60);
  errorsOnly_ = new QCheckBox(caption::chkTrafficErrors, this);
  errorsOnly_->setObjectName(QStringLiteral("chkTrafficErrors"));
  auto* clear = NamedButton(this, "cmdTrafficClear", caption::cmdTrafficClear);
  auto* asText = NamedButton(this, "cmdTrafficText", caption::cmdTrafficText);
  auto* asCsv = NamedButton(this, "cmdTrafficCsv", caption::cmdTrafficCsv);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(caption::TrafficAddress, this));
  bar->addWidget(address_);
  bar->addWidget(new QLabel(caption::TrafficCommand, this));
  bar->addWidget(command_);
  bar->addWidget(errorsOnly_);
  bar->addStretch();
  for (QPushButton* b : {clear, asText, asCsv}) bar->addWidget(b);

  model_ = new TrafficModel(log_);
  model_->setParent(this);
  auto* filter = new TrafficFilter(log_, address_, command_, errorsOnly_);
  filter->setParent(this);
  filter->setSourceModel(model_);
  filter_ = filter;
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("tblTraffic"));
  table_->setModel(filter_);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->horizontalHeader()->setStretchLastSection(true);
  // Fixed widths: measuring ten thousand rows would stall the window.
  const int widths[] = {80, 36, 50, 56, 64, 330, 200};
  for (int c = 0; c < 7; ++c) table_->setColumnWidth(c, widths[c]);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(table_);

  for (QLineEdit* e : {address_, command_}) connect(e, &QLineEdit::textChanged, this, [filter] { filter->refresh(); });
  connect(errorsOnly_, &QCheckBox::toggled, this, [filter] { filter->refresh(); });
  connect(clear, &QPushButton::clicked, this, [this] { log_.clear(); });
  connect(asText, &QPushButton::clicked, this,
          [this] { session_.saveAs(caption::cmdTrafficText, text::kTextFilter, TrafficText(shownFrames())); });
  connect(asCsv, &QPushButton::clicked, this,
          [this] { session_.saveAs(caption::cmdTrafficCsv, text::kCsvFilter, TrafficCsv(shownFrames())); });
}

TrafficWindow::~TrafficWindow() {
  session_.setTraffic(nullptr);
  // The models read the log, which goes before the window's children.
  delete filter_;
  delete model_;
}

void TrafficWindow::showEvent(QShowEvent* event) {
  session_.setTraffic(&log_);
  QWidget::showEvent(event);
}

void TrafficWindow::hideEvent(QHideEvent* event) {
  // Closed, the monitor costs the links nothing.
  session_.setTraffic(nullptr);
  QWidget::hideEvent(event);
}

std::deque<TrafficFrame> TrafficWindow::shownFrames() const {
  std::deque<TrafficFrame> out;
  for (int r = 0; r < filter_->rowCount(); ++r)
    out.push_back(log_.frames()[static_cast<size_t>(filter_->mapToSource(filter_->index(r, 0)).row())]);
  return out;
}

}  // namespace tessaro
