#pragma once
// What the panels share: the services of the platform, the window-level
// values, the links, the busy state and the first step of every operation,
// opening the link the user chose.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "controls.h"
#include "devicelinks.h"
#include "models.h"
#include "prompts.h"
#include "storedpull.h"
#include "trace.h"

class QLineEdit;

namespace tessaro {

// Platform services; tests replace them.
struct Services {
  Prompts* prompts = nullptr;
  MessagePump* pump = nullptr;
  MonotonicClock* clock = nullptr;
  std::function<QDateTime()> localNow;    // the PC's local date and time
  QString programFolder;                  // where AccessFile.txt and card files live
  QString dataFolder;                     // where AccessFile.txt goes when the program's folder is not writable
  SerialLink::PortResolver portResolver;  // port number → device name
  // Starts a program without a shell; false when it could not be started.
  std::function<bool(const QString& program, const QStringList& args)> startProgram;
  // Finds a program on the PATH; empty when absent.
  std::function<QString(const QString& name)> findProgram;
  int gapMs = kDefaultGapMs;  // the pause each reader gets after its reply (--gap)
  QString storeAddress;       // the passage store (TESSARO_DB); empty: records.sqlite in dataFolder
  QString lineName;           // the line's name in the store (TESSARO_LINE); empty: the link
};

// Window-level values that outlive a single click.
struct WindowState {
  bool escCancelFlag = false;    // set by ESC, cleared by the card transfers
  bool scanCancelFlag = false;   // set by cmdCancelScan, cleared by the scan
  qint16 offlineRecordType = 0;  // 1 entry, 2 exit, 0 before settings were read or sent
};

class Session {
 public:
  Session(QWidget* body, const ConnectionControls& connection, QLineEdit* txtOldID, const Services& services);

  Prompts& prompts() { return *services_.prompts; }
  const Services& services() const { return services_; }
  WindowState& state() { return state_; }
  DeviceLinks& links() { return links_; }

  // The connection panel as it is now.
  ConnectionSettings connection() const;
  bool tcpActive() const;
  // The model the window opens with, checked and shown, until the user picks another.
  static constexpr DeviceModel kStartModel = DeviceModel::TS20B;
  // The model the user sees checked: the option group is exclusive and has one
  // checked from start-up on, so this is always the visible choice, never a guess.
  DeviceModel model() const;
  // Sets the serial port number from cmbPortNumber (done on every settings click).
  void takePortNumber();
  // Shows beside the port number the device it stands for.
  void showPortDevice();
  // The link chkTCPIPActive chooses now, whether or not it is open.
  Link& currentLink();
  // Every byte of both links goes to `sink` (the traffic monitor); nullptr stops it.
  void setTraffic(TraceSink* sink);
  ExchangeEnv env(Link& link) { return links_.env(link); }

  // The reader's address: txtOldID as typed, and as a number (half to even, else 0).
  QString deviceIdText() const;
  DeviceId deviceId() const;
  QDateTime localNow() const { return services_.localNow(); }
  // The access log every download of the window goes to.
  QString accessLogPath() const;
  // The passage store every download of the window keeps its records in,
  // opened at first use; nullptr after telling the user why it cannot be.
  RecordStore* store();
  // The store if it is open now; never asks the user anything.
  RecordStore* openedStore() const { return store_.get(); }
  // Forgets a store that failed, so the next use opens it anew.
  void dropStore() { store_.reset(); }
  // The open store and the names a download of the chosen link keeps its records under.
  StoreTarget storeTarget();
  // Asks for a file in the program's folder and writes `bytes` to it whole, or
  // tells the user it could not be written; a cancelled dialog says nothing.
  void saveAs(const QString& title, const QString& filter, const QByteArray& bytes);

  // BeginBusy / EndBusy: controls take no input and the pointer is the hourglass
  // (unless another window of the program goes on working meanwhile).
  void beginBusy(bool hourglass = true);
  void endBusy();
  bool busy() const { return busyDepth_ > 0; }

  enum class Port { KeepOpen, Close };
  // One operation on the reader, from opening its link to closing it: false
  // when the link could not be opened (the user has been told). Closes the
  // serial port at the end when asked, and ends the busy state it began.
  class Operation {
   public:
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    ~Operation() { finish(); }
    explicit operator bool() const { return link_ != nullptr; }
    ExchangeEnv& env() { return *env_; }
    Link& link() { return *link_; }
    void beginBusy(bool hourglass = true);
    void endBusy();
    // Closes the serial port when asked, then ends the busy state.
    void finish();

   private:
    friend class Session;
    Operation(Session& session, Link* link, Port port, bool busy);
    Session& session_;
    Link* link_;
    std::optional<ExchangeEnv> env_;
    Port port_;
    bool busy_ = false;
    bool finished_ = false;
  };
  Operation open(Port port);   // opens the chosen link
  Operation begin(Port port);  // opens it and enters the busy state

 private:
  Operation start(Port port, bool busy);

  QWidget* body_;
  const ConnectionControls& connection_;
  QLineEdit* txtOldID_;
  Services services_;
  WindowState state_;
  DeviceLinks links_;
  // The links as the commands use them, so a monitor sees every exchange.
  TracingLink serialTraced_, tcpTraced_;
  std::unique_ptr<RecordStore> store_;
  int busyDepth_ = 0;
  bool hourglass_ = false;
  QPointer<QWidget> focusBeforeBusy_;
};

}  // namespace tessaro
