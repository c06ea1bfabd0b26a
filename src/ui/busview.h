#pragma once
// "Hat Görünümü": every reader of the line in one table, from a scan of an
// address range, and the same operations on many readers at once. It runs the
// core's reader operations that tessaro-cli runs, so both give the same
// answers for the same line. Each row keeps what is known of its reader's
// model: the family its reply tells, until the user chooses the model.

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "busrows.h"
#include "line.h"
#include "models.h"
#include "session.h"
#include "settings.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace tessaro {

// The core's verdict in the bus view's words.
QString BusWhyText(Why why);

class BusView : public QWidget {
  Q_OBJECT
 public:
  // `cards` gives the main window's marked card numbers (nullopt: an entry is
  // no card number, the user has been told).
  BusView(Session& session, std::function<std::optional<std::vector<quint32>>()> cards, QWidget* parent = nullptr);
  BusTable& rows() { return *rows_; }

 signals:
  // A reader's address was double-clicked.
  void addressChosen(int address);

 private:
  enum class Action { Settings, Clock, Cards, Records, Counts };
  void scan();
  void run(Action action, const std::vector<int>& rows);
  void runOnSelection(Action action);
  void result(int row, const QString& text, bool ok, const QString& details = {});
  void setRunning(bool running);
  // An opened line taken for one action of this view: the main window kept out, the view running.
  bool startOnLine(Session::Operation& op);
  // Why the row's reader cannot have the action as its model is known; empty when it can.
  QString refusal(int row, std::optional<Ability> needs) const;
  void exportCsv();
  // The line as a file: save the rows, compare the line with a file, apply a file.
  void saveLine();
  void compareWithFile();
  void applyFile();
  std::optional<LineFile> chooseLineFile(const QString& title);
  std::vector<ReaderPlan> planLine(Session::Operation& op, const LineFile& file);
  std::vector<int> selectedRows() const;
  std::vector<int> selectedOrAllRows() const;
  int rowOf(int address);  // the address's row, made when it has none

  Session& session_;
  std::function<std::optional<std::vector<quint32>>()> cards_;
  bool cancel_ = false;
  Action last_ = Action::Settings;
  std::vector<int> failed_;  // rows the last action failed on
  // The models the user chose for every row of a family, kept for the next scan.
  std::map<std::vector<DeviceModel>, ReaderModel> familyModels_;
  QLineEdit* from_;
  QLineEdit* to_;
  QLineEdit* drift_;
  QCheckBox* erase_;
  QCheckBox* fullWait_;
  QProgressBar* progress_;
  BusTable* rows_;
  QTableView* table_;
  QPushButton* cancelButton_;
  std::vector<QWidget*> actions_;  // disabled while a scan or an action runs
};

}  // namespace tessaro
