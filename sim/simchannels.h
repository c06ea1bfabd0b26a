#pragma once
// The lines the simulator talks on: a TCP connection, a pseudo-terminal or a
// real serial port. They only move bytes; what is sent when is the pacer's.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;
class QTcpSocket;

namespace tessaro::sim {

class Channel : public QObject {
 public:
  using QObject::QObject;
  // Bytes accepted by the line (fewer when it is full), -1 when it is gone.
  virtual qint64 writeSome(const QByteArray& data) = 0;
  virtual void dropLine() = 0;
  virtual bool alive() const = 0;
  // A real serial line spends a request's own time on the wire before the
  // simulator sees it; the others deliver it at once.
  virtual bool deliversAtOnce() const { return true; }

  bool dropping = false;  // being dropped by a fault: neither reads nor sends
};

// One accepted connection; the channel owns the socket.
class TcpChannel : public Channel {
 public:
  TcpChannel(QTcpSocket* s, QObject* parent);
  qint64 writeSome(const QByteArray& data) override;
  void dropLine() override;
  bool alive() const override;
  QTcpSocket* socket;
};

class PtyChannel : public Channel {
 public:
  using Channel::Channel;
  ~PtyChannel() override;
  // Opens a raw pseudo-terminal; `reader` then reports what the program writes.
  bool open(QString* error);
  qint64 writeSome(const QByteArray& data) override;
  QByteArray readAvailable();
  void dropLine() override;
  bool alive() const override;
  void closeFds();
  int master = -1;
  int slave = -1;
  QString slaveName;
  QSocketNotifier* reader = nullptr;
};

class SerialChannel : public Channel {
 public:
  using Channel::Channel;
  // 8 data bits, one stop bit, no flow control; parity 'o', 'e' or 'n'.
  bool open(const QString& device, int baud, char parity, QString* error);
  qint64 writeSome(const QByteArray& data) override;
  // A real line cannot be dropped; the rest of the reply is simply not sent.
  void dropLine() override;
  bool alive() const override;
  bool deliversAtOnce() const override { return false; }
  QSerialPort port;
};

}  // namespace tessaro::sim
