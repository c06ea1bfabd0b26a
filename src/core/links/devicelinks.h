#pragma once
// The two links of the program and the first step of every operation: open
// the link the user chose.

#include <QString>

#include "exchange.h"
#include "seriallink.h"
#include "tcplink.h"

namespace tessaro {

// What the connection panel holds at the moment an operation starts.
struct ConnectionSettings {
  bool tcp = false;
  QString host;
  quint16 tcpPort = 5600;
  int serialPort = 1;
  LineSettings serialLine;
};

class DeviceLinks {
 public:
  DeviceLinks(MessagePump& pump, MonotonicClock& clock) : pump_(pump), clock_(clock) {}

  SerialLink& serial() { return serial_; }
  TcpLink& tcp() { return tcp_; }
  MessagePump& pump() { return pump_; }
  MonotonicClock& clock() { return clock_; }

  // ConnectTcp or OpenSerialPort; nullptr when the chosen link could not be opened.
  Link* open(const ConnectionSettings& settings);
  // Why the last open failed, and the system's words for it.
  LinkFault lastFault() const { return lastTcp_ ? tcp_.lastFault() : serial_.lastFault(); }
  QString lastFaultDetail() const { return lastTcp_ ? tcp_.lastFaultDetail() : serial_.lastFaultDetail(); }
  void closeSerial() { serial_.close(); }

  // The pause every reader gets after its reply, on both links.
  void setGapMs(int ms) { serialPace_.gapMs = tcpPace_.gapMs = ms; }
  int gapMs() const { return serialPace_.gapMs; }

  // Each transport keeps its own record of when it was last busy.
  ExchangeEnv env(Link& link) {
    return ExchangeEnv{link, pump_, clock_, link.kind() == LinkKind::Serial ? serialPace_ : tcpPace_};
  }

 private:
  MessagePump& pump_;
  MonotonicClock& clock_;
  SerialLink serial_;
  TcpLink tcp_;
  LinePace serialPace_, tcpPace_;
  bool lastTcp_ = false;  // the link last opened
};

}  // namespace tessaro
