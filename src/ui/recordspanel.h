#pragma once
// The "Offline Geçiş Kayıtları" frame: record counter, download into the
// access log (optionally erasing the reader's memory), erase, open the log.

#include <QObject>

#include "app/appcontext.h"

namespace tessaro {

class RecordsPanel : public QObject {
  Q_OBJECT
 public:
  explicit RecordsPanel(AppContext& ctx);

  void readCounter();   // cmdReadCounter
  void readData();      // cmdReadData
  void clearCounter();  // cmdClearCounter
  void openFile();      // cmdOpenFile

 private:
  // "Kapı:" joined to the current text of txtOldID.
  QString door(const QString& status) const;
  void setProcess(const QString& text);

  AppContext& ctx_;
};

}  // namespace tessaro
