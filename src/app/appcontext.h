#pragma once
// What the panels share: the window's controls (found by their names), the
// module-level values, the links, the user seam and the busy state.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "app/profiles.h"
#include "app/prompts.h"
#include "link/devicelinks.h"

namespace tessaro {

// Module- and window-level values that outlive a single click.
struct AppState {
  bool escCancelFlag = false;    // set by ESC, cleared by the card transfers
  bool scanCancelFlag = false;   // set by cmdCancelScan, cleared by the scan
  TickCounter tickCounter;       // advanced by TTimer every 10 ms
  qint16 maxCardCount = 255;     // card limit of the chosen model
  qint16 offlineRecordType = 0;  // 1 entry, 2 exit, 0 before settings were read or sent
};

// Platform services the window uses; tests replace them.
struct AppServices {
  Prompts* prompts = nullptr;
  MessagePump* pump = nullptr;
  WholeSecondClock* clock = nullptr;
  std::function<QDateTime()> localNow;    // the PC's local date and time
  QString programFolder;                  // where AccessFile.txt and card files live
  SerialLink::PortResolver portResolver;  // port number → device name
  // Starts a program without a shell; false when it could not be started.
  std::function<bool(const QString& program, const QStringList& args)> startProgram;
  // Finds a program on the PATH; empty when absent.
  std::function<QString(const QString& name)> findProgram;
};

class AppContext {
 public:
  AppContext(QWidget* window, const AppServices& services);

  QWidget* window() const { return window_; }
  AppState& state() { return state_; }
  DeviceLinks& links() { return links_; }
  Prompts& prompts() { return *services_.prompts; }
  const AppServices& services() const { return services_; }

  // A named control of the window; aborts when the name is unknown, since
  // that is a programming error.
  template <typename T>
  T* control(const char* name) const {
    T* w = window_->findChild<T*>(QString::fromLatin1(name));
    if (!w) missingControl(name);
    return w;
  }

  // The connection panel as it is now.
  ConnectionSettings connection() const;
  // Sets the serial port number from cmbPortNumber (done on every click).
  void takePortNumber();
  // Step 1 of every device operation: open the chosen link or tell the user why not.
  Link* openLink();
  ExchangeEnv env(Link& link) { return links_.env(link); }
  bool tcpActive() const;

  // BeginBusy / EndBusy: controls take no input and the pointer is the hourglass.
  void beginBusy();
  void endBusy();
  bool busy() const { return busyDepth_ > 0; }

  DeviceModel model() const;
  RunMode runMode() const;
  // Selecting a run mode counts as choosing it: the relay time effect applies.
  void chooseRunMode(RunMode mode);
  // Applies a model's profile as a click on its option does.
  void chooseModel(DeviceModel model);

  // DeviceId from txtOldID: numeric text rounded half to even, else 0.
  qint16 deviceIdFromText() const;

  QDateTime localNow() const;

 private:
  [[noreturn]] static void missingControl(const char* name);

  QWidget* window_;
  AppServices services_;
  AppState state_;
  DeviceLinks links_;
  int busyDepth_ = 0;
  QPointer<QWidget> focusBeforeBusy_;
};

}  // namespace tessaro
