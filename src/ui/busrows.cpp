#include "busrows.h"

#include <QColor>

#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

namespace {

// What a row shows where a value is not known of its model.
const QString kUnknown = QStringLiteral("?");

}  // namespace

QString BusTable::text(int r, int column) const {
  const BusRow& row = rows_[static_cast<size_t>(r)];
  const std::optional<ReceivedSettings>& s = row.settings;
  switch (column) {
    case kAddress: return QString::number(row.address);
    case kModel: return row.family.none() ? QString() : row.model.name();
    case kRunMode:
      if (!s) return {};
      return s->runMode ? caption::opsRunMode[static_cast<int>(*s->runMode)] : kUnknown;
    case kRelay: return s ? QString::number(s->relayTime) : QString();
    case kRecordType: return !s ? QString() : s->recordType == 1 ? text::kBusEntry : text::kBusExit;
    case kMasterCard:
      if (!s) return {};
      return s->masterCard ? QString::number(*s->masterCard) : kUnknown;
    case kDrift: return row.driftUnknown ? kUnknown : row.drift ? QString::number(*row.drift) : QString();
    case kCount: return row.count ? QString::number(*row.count) : QString();
    case kResult: return row.result;
  }
  return {};
}

QVariant BusTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const BusRow& row = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return text(index.row(), index.column());
    case Qt::ToolTipRole:
      if (row.collision) return QString(text::kBusCollisionTip);
      if (index.column() == kModel)
        return ModelNames(row.family.candidates()) +
               (flags(index) & Qt::ItemIsEditable ? u'\n' + QString(text::kBusChooseModelTip) : QString());
      if (index.column() == kResult && !row.details.isEmpty()) return row.details;
      return {};
    case Qt::BackgroundRole: return row.collision ? QVariant(QColor(0xF8D0D0)) : QVariant();
    default: return {};
  }
}

QVariant BusTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  // The master card's column sits among the settings, before the clock's.
  if (section == kMasterCard) return QString(caption::tblBusMasterCard);
  return QString(caption::tblBus[section < kMasterCard ? section : section - 1]);
}

Qt::ItemFlags BusTable::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  // Only a family of several models leaves a choice.
  if (index.column() == kModel && row(index.row()).family.candidates().size() > 1) f |= Qt::ItemIsEditable;
  return f;
}

bool BusTable::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != kModel || !(flags(index) & Qt::ItemIsEditable)) return false;
  const BusRow& row = rows_[static_cast<size_t>(index.row())];
  const std::optional<DeviceModel> named = ModelFromName(value.toString());
  if (named && !row.family.includes(*named)) return false;
  const ReaderModel model = named ? ReaderModel(*named) : row.family;
  if (role == kWholeFamilyRole) {
    const ReaderModel family = row.family;
    for (int r = 0; r < rowCount(); ++r)
      if (rows_[static_cast<size_t>(r)].family == family) choose(r, model);
    emit familyChosen(family, model);
    return true;
  }
  if (role != Qt::EditRole) return false;
  choose(index.row(), model);
  return true;
}

void BusTable::choose(int r, const ReaderModel& model) {
  change(r, [&model](BusRow& row) {
    row.model = model;
    if (!row.reply.isEmpty()) row.settings = InterpretSettings(row.reply, model);
  });
}

void BusTable::clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int BusTable::append(BusRow row) {
  const int r = rowCount();
  beginInsertRows({}, r, r);
  rows_.push_back(std::move(row));
  endInsertRows();
  return r;
}

int BusTable::rowOf(int address) const {
  for (size_t r = 0; r < rows_.size(); ++r)
    if (rows_[r].address == address) return static_cast<int>(r);
  return -1;
}

}  // namespace tessaro
