#pragma once
// The TCP link: one client connection, made afresh before every operation.

#include <QString>
#include <QTcpSocket>
#include <memory>

#include "link/link.h"

namespace tessaro {

class TcpLink : public Link {
 public:
  TcpLink();
  ~TcpLink() override;

  // ConnectTcp: drops the current connection, then connects to host:port,
  // waiting while the whole-second clock is at or before start + 1 s.
  // Afterwards isConnected() tells the outcome.
  void connectTcp(const QString& host, qint16 port, MessagePump& pump, WholeSecondClock& clock);
  bool isConnected() const;
  void close();
  // Closes and destroys the socket (program end); a later connectTcp makes a new one.
  void discard();

  LinkKind kind() const override { return LinkKind::Tcp; }
  QByteArray readAll() override;
  qint64 available() override;
  void write(const QByteArray& data) override;

 private:
  std::unique_ptr<QTcpSocket> socket_;
};

}  // namespace tessaro
