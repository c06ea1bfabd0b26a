#pragma once
// The bus view's rows as data: each reader's address, what is known of its
// model, what it told and what became of the last action on it, with the
// table model that shows them. A reader's values are never read back out of
// the table's cells.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "models.h"
#include "settings.h"

namespace tessaro {

struct BusRow {
  int address = 0;
  ReaderModel family;  // what its settings reply's length tells
  ReaderModel model;   // the family until the user chooses the model
  QByteArray reply;    // the settings reply, read again as the model when it is chosen
  bool collision = false;
  std::optional<ReceivedSettings> settings;  // as `model` reads `reply`
  std::optional<qint64> drift;               // seconds, reader minus PC
  bool driftUnknown = false;                 // asked, but not known (a clock set not read back)
  std::optional<int> count;                  // stored records
  QString result, details;                   // of the last action; details for its tooltip
  bool failed = false;
};

class BusTable : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kAddress, kModel, kRunMode, kRelay, kRecordType, kMasterCard, kDrift, kCount, kResult, kColumns };
  // setData on the model column with this role chooses the model for every row of the row's family.
  static constexpr int kWholeFamilyRole = Qt::UserRole + 1;

  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The model column takes a model's name, or the family's brief name for "not known".
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  const BusRow& row(int r) const { return rows_[static_cast<size_t>(r)]; }
  // Changes one row and shows it.
  template <typename F>
  void change(int r, F edit) {
    edit(rows_[static_cast<size_t>(r)]);
    emit dataChanged(index(r, 0), index(r, kColumns - 1));
  }
  void clear();
  int append(BusRow row);
  int rowOf(int address) const;  // -1 when none
  // The row's model: also the settings it holds are read again as it.
  void choose(int r, const ReaderModel& model);
  // The cells as text, as the table shows them.
  QString text(int r, int column) const;

 signals:
  // The user chose a model for every row of a family.
  void familyChosen(const ReaderModel& family, const ReaderModel& model);

 private:
  std::vector<BusRow> rows_;
};

}  // namespace tessaro
