#pragma once
// The two links of the window and the first step of every operation: open the
// link the user chose.

#include <QString>

#include "link/exchange.h"
#include "link/link.h"
#include "link/seriallink.h"
#include "link/tcplink.h"

namespace tessaro {

// What the connection panel holds at the moment an operation starts.
struct ConnectionSettings {
  bool tcp = false;
  QString host;
  qint16 tcpPort = 5600;
  int serialPort = 1;
  QString serialSettings = QStringLiteral("38400,o,8,1");
};

inline const QString kTcpOpenFailed = QStringLiteral("TCPIP Portu Açılamadı");
inline const QString kSerialOpenFailed = QStringLiteral("Haberleşme Portu Açılamadı");

class DeviceLinks {
 public:
  DeviceLinks(MessagePump& pump, WholeSecondClock& clock, TickCounter& ticks);

  SerialLink& serial() { return serial_; }
  TcpLink& tcp() { return tcp_; }
  MessagePump& pump() { return pump_; }
  WholeSecondClock& clock() { return clock_; }
  TickCounter& ticks() { return ticks_; }

  // Opens the chosen link (ConnectTcp or OpenSerialPort). On failure returns
  // nullptr and the message the user is to see.
  Link* open(const ConnectionSettings& settings, QString* failMessage);
  void closeSerial() { serial_.close(); }

  ExchangeEnv env(Link& link) { return ExchangeEnv{link, pump_, clock_, &ticks_}; }

 private:
  MessagePump& pump_;
  WholeSecondClock& clock_;
  TickCounter& ticks_;
  SerialLink serial_;
  TcpLink tcp_;
};

}  // namespace tessaro
