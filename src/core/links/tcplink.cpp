#include "tcplink.h"

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

void TcpLink::connectTcp(const QString& host, quint16 port, MessagePump& pump, MonotonicClock& clock) {
  if (socket_) {
    if (isConnected()) socket_->close();
    socket_->abort();
    socket_.reset();
  }
  socket_ = std::make_unique<QTcpSocket>();
  fault_ = LinkFault::None;
  // Port 0 names no server.
  if (port == 0 || host.isEmpty()) {
    socket_->abort();
    fault_ = LinkFault::NoHost;
    return;
  }
  socket_->connectToHost(host, port);
  if (socket_->state() == QAbstractSocket::UnconnectedState) return fail();
  // A converter may take its time to accept; it gets two seconds on the clock.
  const Deadline deadline(clock, kConnectWaitMs);
  while (!deadline.passed()) {
    pump.waitForActivity(deadline.remainingUs());
    if (isConnected()) {
      // Requests are a few characters each and wait for their reply: none may
      // be held back to be sent together with the next.
      socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      return;
    }
  }
  fail();
}

void TcpLink::fail() {
  const QAbstractSocket::SocketState state = socket_->state();
  const QAbstractSocket::SocketError e = socket_->error();
  fault_ = state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState ? LinkFault::TimedOut
           : e == QAbstractSocket::ConnectionRefusedError                                         ? LinkFault::Refused
           : e == QAbstractSocket::HostNotFoundError                                              ? LinkFault::NoHost
                                                                                                  : LinkFault::Other;
  detail_ = socket_->errorString();
  socket_->abort();
}

QByteArray TcpLink::readAll() {
  if (!socket_) return {};
  // As on the serial link: exactly what is there, not a reserved chunk.
  const qint64 waiting = socket_->bytesAvailable();
  return waiting > 0 ? socket_->read(waiting) : QByteArray();
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
