#pragma once
// "Kayıt Görüntüleyici": the passages of the store in a table, filtered by
// time, reader and card, with the card holders' names; saved as CSV. The
// table fetches a page at a time as the user scrolls, so a store of a million
// passages opens as fast as one of ten.

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "recordquery.h"
#include "session.h"

class QLabel;
class QLineEdit;
class QTableView;

namespace tessaro {

class PassageModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  // Starts over with the filter's first page from the store `source` gives
  // at each page (none: nothing shown); false when the store refused.
  bool show(std::function<RecordStore*()> source, const PassageFilter& filter);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  // Asked at each page: a download may have closed the store since the last one.
  std::function<RecordStore*()> source_;
  PassageFilter filter_;
  std::vector<Passage> rows_;
  bool atEnd_ = true;
  bool failed_ = false;
};

// A passage's cells as the viewer and its CSV show them.
QStringList PassageCells(const Passage& passage);

class RecordViewer : public QWidget {
  Q_OBJECT
 public:
  explicit RecordViewer(Session& session, QWidget* parent = nullptr);
  // Reads the filter boxes and shows what they take in; false after telling the user what is wrong.
  bool refresh();

 private:
  std::optional<PassageFilter> filter();
  void exportCsv();
  void importHolders();

  Session& session_;
  QLineEdit* from_;
  QLineEdit* to_;
  QLineEdit* readers_;
  QLineEdit* card_;
  QLabel* count_;
  QTableView* table_;
  PassageModel model_;
};

}  // namespace tessaro
