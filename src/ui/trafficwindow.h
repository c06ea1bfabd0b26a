#pragma once
// "Haberleşme İzleme": every request and reply on the open link, as the
// commands of the window send and receive them, with the failed replies,
// time-outs and stray bytes marked; filters and export. It records only while
// it is open.

#include <QWidget>
#include <memory>

#include "session.h"
#include "traffic.h"

class QCheckBox;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace tessaro {

class TrafficModel;

class TrafficWindow : public QWidget {
  Q_OBJECT
 public:
  TrafficWindow(Session& session, QWidget* parent = nullptr);
  ~TrafficWindow() override;
  TrafficLog& log() { return log_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::deque<TrafficFrame> shownFrames() const;

  Session& session_;
  TrafficLog log_;
  TrafficModel* model_;
  QSortFilterProxyModel* filter_;
  QTableView* table_;
  QLineEdit* address_;
  QLineEdit* command_;
  QCheckBox* errorsOnly_;
};

}  // namespace tessaro
