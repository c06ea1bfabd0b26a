#include "simchannels.h"

#include <QSocketNotifier>
#include <QTcpSocket>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tessaro::sim {

TcpChannel::TcpChannel(QTcpSocket* s, QObject* parent) : Channel(parent), socket(s) { s->setParent(this); }

qint64 TcpChannel::writeSome(const QByteArray& data) {
  if (!alive()) return -1;
  const qint64 n = socket->write(data);
  socket->flush();
  return n;
}

void TcpChannel::dropLine() {
  socket->flush();
  socket->disconnectFromHost();
}

bool TcpChannel::alive() const { return socket->state() == QAbstractSocket::ConnectedState; }

PtyChannel::~PtyChannel() { closeFds(); }

bool PtyChannel::open(QString* error) {
  master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    *error = QStringLiteral("no pseudo-terminal available");
    closeFds();
    return false;
  }
  const char* name = ::ptsname(master);
  slaveName = name ? QString::fromLocal8Bit(name) : QString();
  // Holding the slave open keeps the master from reporting a hang-up while
  // no program has the port open, which would wake the notifier endlessly.
  slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
  if (slave < 0) {
    *error = QStringLiteral("cannot open %1").arg(slaveName);
    closeFds();
    return false;
  }
  termios t{};
  ::tcgetattr(slave, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(slave, TCSANOW, &t);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  reader = new QSocketNotifier(master, QSocketNotifier::Read, this);
  return true;
}

qint64 PtyChannel::writeSome(const QByteArray& data) {
  if (master < 0) return -1;
  const ssize_t n = ::write(master, data.constData(), static_cast<size_t>(data.size()));
  if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
  return n;
}

QByteArray PtyChannel::readAvailable() {
  QByteArray out;
  char buf[4096];
  while (master >= 0) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, n);
  }
  return out;
}

void PtyChannel::dropLine() { closeFds(); }

bool PtyChannel::alive() const { return master >= 0; }

void PtyChannel::closeFds() {
  if (reader) {
    reader->setEnabled(false);
    reader->deleteLater();
    reader = nullptr;
  }
  if (master >= 0) ::close(master);
  if (slave >= 0) ::close(slave);
  master = slave = -1;
}

bool SerialChannel::open(const QString& device, int baud, char parity, QString* error) {
  port.setPortName(device);
  const QSerialPort::Parity p = parity == 'e'   ? QSerialPort::EvenParity
                                : parity == 'n' ? QSerialPort::NoParity
                                                : QSerialPort::OddParity;
  if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(baud) || !port.setParity(p) ||
      !port.setDataBits(QSerialPort::Data8) || !port.setStopBits(QSerialPort::OneStop) ||
      !port.setFlowControl(QSerialPort::NoFlowControl)) {
    *error = port.errorString();
    return false;
  }
  return true;
}

qint64 SerialChannel::writeSome(const QByteArray& data) {
  if (!port.isOpen()) return -1;
  return port.write(data);
}

void SerialChannel::dropLine() {}

bool SerialChannel::alive() const { return port.isOpen(); }

}  // namespace tessaro::sim
