#pragma once
// The command line of tessaro-cli, parsed without side effects.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "link.h"
#include "seriallink.h"
#include "models.h"

namespace tessaro::cli {

enum class Format { Table, Json, Csv };

struct Options {
  QString command;       // "scan", "settings get", "records pull", … (empty: none given)
  QStringList operands;  // FIELD=VALUE…, FILE
  bool help = false;

  // The link: exactly one of --tcp, --serial, --port.
  QString tcpHost;
  quint16 tcpPort = 5600;
  QString serialDevice;
  int portNumber = 0;  // the window's port number
  int baud = 38400;
  QSerialPort::Parity parity = QSerialPort::OddParity;
  DeviceModel model = DeviceModel::TS20B;
  std::vector<int> ids;  // empty with --id all
  bool allIds = false;

  int from = 1, to = 255;  // scan
  Format format = Format::Table;
  QString trace;
  int gapMs = kDefaultGapMs;  // the pause each reader gets after its reply
  QString out, log;  // cards pull, records pull
  QString time;      // clock set: ISO-8601 or "now"
  int maxDrift = 2;  // clock sync, seconds
  bool eraseFirst = false, erase = false;
};

// `args` without the program name. nullopt with the reason on bad input.
std::optional<Options> ParseOptions(const QStringList& args, QString* error);

// "5", "1,3,7-9": the addresses in order, each 1..255; nullopt when malformed.
std::optional<std::vector<int>> ParseIdList(const QString& text);

// "1200, 9600, 19200 or 38400".
QString BaudRatesText();

// The commands, as "scan", "settings get", …, for help and parsing.
const QStringList& Commands();

}  // namespace tessaro::cli
