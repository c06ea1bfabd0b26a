#pragma once
// The command line of tessaro-reader-sim, parsed without side effects so the
// tests can check it.

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "simtypes.h"

namespace tessaro::sim {

struct SimOptions {
  bool help = false;
  bool tcp = false;  // listen on TCP; the default when no other line is chosen
  QString tcpHost = QStringLiteral("127.0.0.1");
  quint16 tcpPort = 5600;
  bool listenAny = false;
  QString ptyPath;
  QString serialDevice;
  char parity = 'o';
  SimModel model = SimModel::TS30P;
  std::vector<int> ids;            // at least one after parsing; an address twice is two readers on it
  std::vector<SimModel> idModels;  // the model of each entry of ids
  int cards = 0;
  QString cardsFile;
  int records = 0;
  qint64 clockOffset = 0;
  int baud = 0;
  Delivery delivery = Delivery::Usb;
  QString logFile;
  QString stateFile;
  int eraseDelayMs = 2000;
  std::vector<std::pair<QByteArray, Fault>> faults;
};

// `args` without the program name. False with a reason on bad input.
bool ParseSimOptions(const QStringList& args, SimOptions* out, QString* error);
QString SimHelpText();

// HOST:PORT; the host may be a name that resolves to one address ("localhost").
bool ParseHostPort(const QString& text, QString* host, quint16* port);
// Loopback addresses only, unless the user asked for more.
bool IsLoopbackHost(const QString& host);

}  // namespace tessaro::sim
