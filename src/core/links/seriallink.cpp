#include "seriallink.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "portnames.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tessaro {

namespace {
bool UserMayUse(const QString& device) {
#ifdef Q_OS_UNIX
  return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
  Q_UNUSED(device);
  return true;  // the group advice is for Unix systems
#endif
}
}  // namespace

SerialLink::SerialLink() : resolver_(SerialDeviceForPort) {}

void SerialLink::setPortResolver(PortResolver resolver) { resolver_ = std::move(resolver); }

QString SerialLink::deviceName(int portNumber) const { return resolver_ ? resolver_(portNumber) : QString(); }

void SerialLink::setPortNumber(int portNumber) { portNumber_ = portNumber; }

bool SerialLink::applySettings() {
  // A speed the readers do not run at is refused like a port that is not there.
  if (std::find(std::begin(kBaudRates), std::end(kBaudRates), line_.baud) == std::end(kBaudRates)) return false;
  // What the driver refuses is ignored like every other port error: a
  // pseudo-terminal, for one, keeps no parity but carries the bytes all the same.
  port_.setBaudRate(line_.baud);
  port_.setParity(line_.parity);
  port_.setDataBits(QSerialPort::Data8);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.clearError();
  return true;
}

int SerialLink::open() {
  port_.clearError();
  fault_ = LinkFault::None;
  detail_.clear();
  const QString device = deviceName(portNumber_);
  if (port_.isOpen()) {
    // A port left open by an earlier operation takes the current line settings.
    if (openedNumber_ == portNumber_ && openedDevice_ == device) return applySettings() ? 1 : 2;
    // The user picked another port since: the selection holds, not the old port.
    close();
  }
  if (device.isEmpty()) return fault_ = LinkFault::NoDevice, 2;
  port_.setPortName(device);
  if (!applySettings()) return fault_ = LinkFault::Other, 2;
  // The settings made before are applied by open().
  if (!port_.open(QIODevice::ReadWrite)) {
    // Qt also reports a port that another program holds as a permission error;
    // only a device this user may not read and write is refused for lack of rights.
    const QSerialPort::SerialPortError e = port_.error();
    detail_ = port_.errorString();
    fault_ = e == QSerialPort::DeviceNotFoundError ? LinkFault::NoDevice
             : e == QSerialPort::PermissionError   ? (UserMayUse(device) ? LinkFault::InUse : LinkFault::Denied)
             : e == QSerialPort::UnsupportedOperationError || QFileInfo(device).isDir() ? LinkFault::NotSerial
                                                                                        : LinkFault::Other;
    port_.clearError();
    return 2;
  }
  openedNumber_ = portNumber_;
  openedDevice_ = device;
  return 1;
}

void SerialLink::close() {
  port_.clearError();
  if (port_.isOpen()) port_.close();
  port_.clearError();
  openedNumber_ = 0;
  openedDevice_.clear();
}

QByteArray SerialLink::readAll() {
  if (!port_.isOpen()) return {};
  // QIODevice::readAll reserves a whole chunk for every read of a drain: read
  // what is there and no more.
  const qint64 waiting = port_.bytesAvailable();
  return waiting > 0 ? port_.read(waiting) : QByteArray();
}

qint64 SerialLink::available() {
  if (!port_.isOpen()) return 0;
  return port_.bytesAvailable();
}

void SerialLink::write(const QByteArray& data) {
  if (!port_.isOpen()) return;
  port_.write(data);
  port_.flush();
}

void SerialLink::prepareForRequest() {
  // Nothing left of an earlier exchange may go out with the request or be
  // taken for its reply.
  if (port_.isOpen()) port_.clear(QSerialPort::AllDirections);
}

bool SerialLink::portCheck() {
  port_.clearError();
  if (!port_.isOpen()) return false;
  port_.readAll();
  return port_.error() == QSerialPort::NoError;
}

}  // namespace tessaro
