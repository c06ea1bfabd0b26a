#pragma once
// The command line of tessaro-cli, parsed without side effects.

#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTime>
#include <map>
#include <optional>
#include <vector>

#include "commands.h"
#include "link.h"
#include "models.h"
#include "seriallink.h"

namespace tessaro::cli {

enum class Format { Table, Json, Csv };

// The models --model gives: one for every reader ("TS-40"), by address
// ("1-4=TS-40,5=TS-90C"), or both (a bare model for the addresses not named).
struct GivenModels {
  std::optional<DeviceModel> rest;           // the addresses not named
  std::map<int, DeviceModel> byAddress;
  // What is known of the reader's model before it is asked: every model when none is given.
  ReaderModel of(int address) const;
  std::vector<DeviceModel> named() const;  // each model given, once
  bool any() const { return rest || !byAddress.empty(); }
};
// nullopt with the reason when the text is no such list.
std::optional<GivenModels> ParseGivenModels(const QString& text, QString* why);

struct Options {
  const Command* command = nullptr;  // none only with --help
  QStringList operands;              // FIELD=VALUE…, FILE
  bool help = false;

  // The link: exactly one of --tcp, --serial, --port.
  QString tcpHost;
  quint16 tcpPort = 5600;
  QString serialDevice;
  int portNumber = 0;  // the window's port number
  // The link as the user gave it: "10.0.0.20:5600", "/dev/ttyUSB0" or "port 3".
  QString linkName() const {
    if (!tcpHost.isEmpty()) return QStringLiteral("%1:%2").arg(tcpHost).arg(tcpPort);
    return serialDevice.isEmpty() ? QStringLiteral("port %1").arg(portNumber) : serialDevice;
  }
  int baud = LineSettings{}.baud;
  QSerialPort::Parity parity = LineSettings{}.parity;
  GivenModels models;
  // --id LIST; nullopt for every reader a scan finds (--id all, or a line command without --id).
  std::optional<std::vector<int>> ids;

  Format format = Format::Table;
  QString trace;
  QString db;                 // --db as given; empty: the window's store
  int gapMs = kDefaultGapMs;  // the pause each reader gets after its reply
  bool fullWait = false;      // a scan waits the settings read's whole time at every address

  // The command's own options as given; a flag's value is empty. Its
  // prepare and reader routines read and check them.
  QMap<QString, QString> own;
};

// `args` without the program name. nullopt with the reason on bad input.
std::optional<Options> ParseOptions(const QStringList& args, QString* error);

// A whole number from lo to hi; nullopt otherwise.
std::optional<int> IntegerIn(const QString& text, int lo, int hi);

// A date and time as every command takes it: 2026-12-07, 2026-12-07T08:30 or
// 2026-12-07 08:30:15 (T or a space), in the PC's local time, which the
// readers keep; a time given with Z or an offset (+03:00) is converted to it.
struct When {
  QDate date;
  QTime time;                                // 00:00:00 for a day alone
  enum { Day, Minute, Second } given = Day;  // how much of it was written
};
std::optional<When> ParseWhen(const QString& text);
// Why `text` of `option` is no date and time, with the forms it takes.
QString NoWhen(const QString& option, const QString& text);

// "1200, 9600, 19200 or 38400".
QString BaudRatesText();

// Every model's name, as --model takes it.
QString ModelChoices();

}  // namespace tessaro::cli
