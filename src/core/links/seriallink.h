#pragma once
// The serial link over QSerialPort: port number 1..16, a settings text such as
// "38400,o,8,1", open/close and the operations the exchange performs.

#include <QSerialPort>
#include <QString>
#include <functional>

#include "link.h"

namespace tessaro {

// The line speeds the readers run at, slowest first.
inline constexpr int kBaudRates[] = {1200, 9600, 19200, 38400};

// A line's settings besides its fixed 8 data bits and 1 stop bit.
struct LineSettings {
  qint32 baud = 38400;
  QSerialPort::Parity parity = QSerialPort::OddParity;
  bool operator==(const LineSettings&) const = default;
};

class SerialLink : public Link {
 public:
  // Maps a port number to a device name; empty when there is none. Tests
  // inject a pseudo-terminal here.
  using PortResolver = std::function<QString(int portNumber)>;

  SerialLink();
  void setPortResolver(PortResolver resolver);
  QString deviceName(int portNumber) const;

  // CommPort and Settings: take effect at the next Open.
  void setPortNumber(int portNumber);
  int portNumber() const { return portNumber_; }
  void setLine(const LineSettings& line) { line_ = line; }
  LineSettings line() const { return line_; }

  // OpenSerialPort: 1 when the port is open afterwards, 2 when it could not be
  // opened. An open port takes the new line settings; when the selected port
  // number changed, the old port is closed and the selected one opened.
  int open();
  // Why the last open failed, and the system's words for it.
  LinkFault lastFault() const { return fault_; }
  const QString& lastFaultDetail() const { return detail_; }
  // The port exists but this user may not use it.
  bool lastOpenDenied() const { return fault_ == LinkFault::Denied; }
  // CloseSerialPort: never fails.
  void close();
  bool isOpen() const { return port_.isOpen(); }
  // The device the open port talks to ("/dev/ttyUSB0", "COM3"); empty when closed.
  QString openDevice() const { return port_.isOpen() ? openedDevice_ : QString(); }

  LinkKind kind() const override { return LinkKind::Serial; }
  QByteArray readAll() override;
  qint64 available() override;
  void write(const QByteArray& data) override;
  void prepareForRequest() override;
  bool portCheck() override;
  int baud() const override { return line_.baud; }

 private:
  bool applySettings();

  QSerialPort port_;
  PortResolver resolver_;
  int portNumber_ = 1;
  int openedNumber_ = 0;
  QString openedDevice_;  // the device the open port was resolved to
  LinkFault fault_ = LinkFault::None;
  QString detail_;
  LineSettings line_;
};

}  // namespace tessaro
