#pragma once
// The TCP link: one client connection, made afresh before every operation.

#include <QString>
#include <QTcpSocket>
#include <memory>

#include "link.h"

namespace tessaro {

class TcpLink : public Link {
 public:
  static constexpr int kConnectWaitMs = 2000;

  TcpLink();
  ~TcpLink() override;

  // ConnectTcp: drops the current connection, then connects to host:port,
  // sleeping in the message pump up to two seconds for it. Afterwards
  // isConnected() tells the outcome.
  void connectTcp(const QString& host, quint16 port, MessagePump& pump, MonotonicClock& clock);
  bool isConnected() const;
  // Why the last connectTcp failed, and the system's words for it.
  LinkFault lastFault() const { return fault_; }
  const QString& lastFaultDetail() const { return detail_; }
  void close();
  // Closes and destroys the socket (program end); a later connectTcp makes a new one.
  void discard();

  LinkKind kind() const override { return LinkKind::Tcp; }
  QByteArray readAll() override;
  qint64 available() override;
  void write(const QByteArray& data) override;

 private:
  // Keeps why the socket did not connect, then drops it.
  void fail();

  std::unique_ptr<QTcpSocket> socket_;
  LinkFault fault_ = LinkFault::None;
  QString detail_;
};

}  // namespace tessaro
