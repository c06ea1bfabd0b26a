#pragma once
// "Hat Görünümü": every reader of the line in one table, from a scan of an
// address range, and the same operations on many readers at once. It runs the
// core's reader operations that tessaro-cli runs, so both give the same
// answers for the same line.

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "line.h"
#include "models.h"
#include "session.h"
#include "settings.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tessaro {

// The core's verdict in the bus view's words.
QString BusWhyText(Why why);

class BusView : public QWidget {
  Q_OBJECT
 public:
  // `cards` gives the main window's marked card numbers (nullopt: an entry is
  // no card number, the user has been told).
  BusView(Session& session, std::function<std::optional<std::vector<qint32>>()> cards, QWidget* parent = nullptr);

 signals:
  // A reader's address was double-clicked.
  void addressChosen(int address);

 private:
  enum Column { kAddress, kModel, kRunMode, kRelay, kRecordType, kDrift, kCount, kResult };
  enum class Action { Settings, Clock, Cards, Records, Counts };
  void scan();
  void run(Action action, const std::vector<int>& rows);
  void runOnSelection(Action action);
  int addRow(int address);
  void set(int row, int column, const QString& text);
  void result(int row, const QString& text, bool ok);
  void showSettings(int row, const ReceivedSettings& settings);
  void setRunning(bool running);
  // An opened line taken for one action of this view: the main window kept out, the view running.
  bool startOnLine(Session::Operation& op);
  std::vector<DeviceModel> familyOf(int row) const;
  DeviceModel modelOf(int row) const;
  void exportCsv();
  // The line as a file: save the rows, compare the line with a file, apply a file.
  void saveLine();
  void compareWithFile();
  void applyFile();
  std::optional<LineFile> chooseLineFile(const QString& title);
  std::vector<ReaderPlan> planLine(Session::Operation& op, const LineFile& file);
  std::vector<int> selectedOrAllRows() const;
  int rowOf(int address);  // the address's row, made when it has none

  Session& session_;
  std::function<std::optional<std::vector<qint32>>()> cards_;
  bool cancel_ = false;
  Action last_ = Action::Settings;
  std::vector<int> failed_;  // rows the last action failed on
  QLineEdit* from_;
  QLineEdit* to_;
  QLineEdit* drift_;
  QCheckBox* erase_;
  QProgressBar* progress_;
  QTableWidget* table_;
  QPushButton* cancelButton_;
  std::vector<QWidget*> actions_;  // disabled while a scan or an action runs
};

}  // namespace tessaro
