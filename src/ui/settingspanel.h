#pragma once
// "Cihaz Ayarları": receive and send the reader's settings, find a reader's
// address by trying one address after the other, and the run mode's hold on
// the relay time.

#include <QObject>

#include "controls.h"
#include "session.h"
#include "settings.h"

namespace tessaro {

class SettingsPanel : public QObject {
  Q_OBJECT
 public:
  SettingsPanel(SettingsControls& controls, Session& session);

  // Selects a run mode as a click on its option does: Stand-Alone locks the
  // relay time at "1", the others free it.
  void chooseRunMode(RunMode mode);

 signals:
  // A scan began or ended; the window keeps other commands out meanwhile.
  void scanRunning(bool running);

 private:
  void receive();  // cmdReceive
  void send();     // cmdSend
  void findId();   // cmdFindID
  void applyRunMode(int mode);
  void selectRecordType(int type);
  // Fills the form from a reply (all but the addresses).
  void show(const ReceivedSettings& settings);
  QString failure(const QString& what, Outcome outcome);

  SettingsControls& c_;
  Session& session_;
};

}  // namespace tessaro
