#pragma once
// "Kart Sahipleri ve Yetkiler": who may pass which door, edited in the store
// the record viewer reads. Every change is written as the command-line tool
// writes it, with its audit row under this OS user and host, and is checked
// against the store as it is at that moment, not as the lists last showed it.
// "Planla" and "Uygula" bring every door's list to its reader, every line at
// once on threads of their own, while this window goes on painting.

#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "access.h"
#include "session.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace tessaro {

class AccessEditor : public QWidget {
  Q_OBJECT
 public:
  explicit AccessEditor(Session& session, QWidget* parent = nullptr);
  // Reads the store anew into the lists, keeping what is selected; false
  // after telling the user why it could not.
  bool reload();
  bool running() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::optional<AccessData> load();
  bool write(const std::function<bool(AccessChanges&)>& save);
  void filterHolders();
  void showHolder();
  void clearHolder();
  // The form onto `h`; false after telling the user what is wrong.
  bool takeForm(const AccessData& data, AccessHolder& h);
  void addHolder();
  void changeHolder(bool disable);
  void showGroup();
  void addGroup();
  void saveGroupDoors();
  void showDoor();
  void renameDoor();
  void run(bool apply);
  void setRunning(bool running);
  void showOutcomes(const std::vector<LineOutcome>& lines, bool applying);

  Session& session_;
  std::optional<AccessData> data_;
  QTabWidget* tabs_;
  QLineEdit* search_;
  QListWidget* holders_;
  QLineEdit* name_;
  QLineEdit* note_;
  QCheckBox* enabled_;
  QLineEdit* from_;
  QLineEdit* until_;
  QLineEdit* cards_;
  QListWidget* holderGroups_;
  QListWidget* holderDoors_;
  QListWidget* groups_;
  QLineEdit* groupName_;
  QListWidget* groupDoors_;
  QTableWidget* doors_;
  QLineEdit* doorName_;
  QPushButton* plan_;
  QPushButton* apply_;
  QPushButton* stop_;
  QCheckBox* unreadable_;
  QTableWidget* table_;
  QLabel* state_;
  std::map<qint64, int> rowOfDoor_;  // door id -> row of the plan's table
  std::atomic<bool> stopped_{false};
  bool running_ = false;
};

}  // namespace tessaro
