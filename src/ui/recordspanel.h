#pragma once
// "Offline Geçiş Kayıtları": the record counter, the download into the
// access log (optionally erasing the reader's memory), erase, open the log.

#include <QObject>

#include "controls.h"
#include "session.h"

namespace tessaro {

class RecordsPanel : public QObject {
  Q_OBJECT
 public:
  RecordsPanel(RecordControls& controls, Session& session);

 private:
  void readCounter();   // cmdReadCounter
  void readData();      // cmdReadData
  void clearCounter();  // cmdClearCounter
  void openFile();      // cmdOpenFile
  // The status joined to the current text of txtOldID ("... Kapı:7").
  void showDoor(const QString& status);

  RecordControls& c_;
  Session& session_;
};

}  // namespace tessaro
