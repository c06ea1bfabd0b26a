#include "link/tcplink.h"

namespace tessaro {

TcpLink::TcpLink() : socket_(std::make_unique<QTcpSocket>()) {}

TcpLink::~TcpLink() { close(); }

bool TcpLink::isConnected() const { return socket_ && socket_->state() == QAbstractSocket::ConnectedState; }

void TcpLink::close() {
  if (socket_) socket_->abort();
}

void TcpLink::discard() {
  close();
  socket_.reset();
}

void TcpLink::connectTcp(const QString& host, qint16 port, MessagePump& pump, WholeSecondClock& clock) {
  if (socket_) {
    if (isConnected()) socket_->close();
    socket_->abort();
    socket_.reset();
  }
  for (int i = 0; i <= 10000; ++i) pump.pump();
  socket_ = std::make_unique<QTcpSocket>();
  // Port 0 and negative numbers name no server; a negative 16-bit value must not
  // wrap into some other port.
  if (port <= 0 || host.isEmpty()) {
    socket_->abort();
    return;
  }
  socket_->connectToHost(host, static_cast<quint16>(port));
  if (socket_->state() == QAbstractSocket::UnconnectedState) {
    socket_->abort();
    return;
  }
  qint64 now = clock.nowSeconds();
  const qint64 deadline = now + 1;
  while (now <= deadline) {
    pump.waitForActivity(clock.msUntilNextSecond());
    now = clock.nowSeconds();
    if (isConnected()) return;
  }
  socket_->abort();
}

QByteArray TcpLink::readAll() {
  if (!socket_) return {};
  return socket_->readAll();
}

qint64 TcpLink::available() {
  if (!socket_) return 0;
  return socket_->bytesAvailable();
}

void TcpLink::write(const QByteArray& data) {
  if (!isConnected()) return;
  socket_->write(data);
  socket_->flush();
}

}  // namespace tessaro
