#pragma once
// A software Tessaro reader: speaks the protocol as the readers do, over TCP,
// a pseudo-terminal or a real serial port, with fault injection for tests.
// Runs on the caller's event loop (no threads), so tests start it in-process
// and the program under test pumps it while it waits.

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "simfaults.h"
#include "simtypes.h"

namespace tessaro::sim {

class ReaderSim : public QObject {
  Q_OBJECT
 public:
  // Holds up to 255 readers; references from addReader stay valid until loadState.
  explicit ReaderSim(QObject* parent = nullptr);
  ~ReaderSim() override;

  // Readers on the one line; each answers only requests with its own address.
  SimReader& addReader(int id, SimModel model);
  // A second reader on an address another one holds, as an installer's
  // mistake makes it: both answer every request to it at once.
  SimReader& addSecondReader(int id, SimModel model);
  SimReader* reader(int id);
  std::vector<SimReader>& readers();

  // Transports. Port 0 picks a free port (see tcpPort()).
  bool listenTcp(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
  quint16 tcpPort() const;
  // A pseudo-terminal; the program opens ptyPath(). With a symlink path the
  // link is created there and removed when the simulator ends.
  bool openPty(const QString& symlinkPath = {});
  QString ptyPath() const;
  bool openSerial(const QString& device, int baud);
  // Parity of openSerial: 'o' (the tool's default), 'e' or 'n'. Call before openSerial.
  void setSerialParity(char parity);
  // Why the last listenTcp, openPty or openSerial failed.
  QString lastError() const;
  // Paces every byte sent at this line rate (11 bits a character); 0 = unpaced.
  void setBaud(int baud);
  // How a paced line hands its characters on: in a USB adapter's chunks (the default) or one by one.
  void setDelivery(Delivery delivery);

  // Faults per command code ("US", "DD", …); an empty code applies to every command.
  void setFault(const QByteArray& code, const Fault& fault);
  void clearFaults();
  // How long "%EC" takes before its reply (default 2000 ms, at most 25000).
  void setEraseCardsDelayMs(int ms);
  // The time the reader treats as "now" before its offset (tests inject it).
  void setNow(std::function<QDateTime()> now);

  // Every request received, in order (the raw frames including CR).
  const std::vector<QByteArray>& requests() const;
  void clearRequests();
  // The bytes of the reply the simulator would send for a request, without
  // faults or pacing; empty for no reply. Used by the byte-exact tests.
  // The request is handled as if it came over the line: the memory changes
  // (a "%DS" moves the reader, "%NC" stores a card, "%EM" erases), but it is
  // not added to requests(). Streams come whole, with their end line.
  // A known command with a malformed payload gets "$ER" + address + code + "**" CR.
  QByteArray replyFor(const QByteArray& request);

  // Log every request and reply with a timestamp.
  bool setLogFile(const QString& path);
  // Saves the memory to this file after every request that changed it, and at the end.
  void setAutoSave(const QString& path);
  // Load and save the readers' memory as JSON.
  bool loadState(const QString& path, QString* error = nullptr);
  bool saveState(const QString& path, QString* error = nullptr) const;

  // Fills a reader with generated cards and records with plausible dates.
  static void generateCards(SimReader& r, int count, quint32 seed = 1);
  static void generateRecords(SimReader& r, int count, const QDateTime& newest, quint32 seed = 1);

 signals:
  void requestReceived(const QByteArray& request);

 private:
  struct Impl;
  std::unique_ptr<Impl> d;
};

}  // namespace tessaro::sim
