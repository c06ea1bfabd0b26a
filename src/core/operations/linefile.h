#pragma once
// A line of readers as a file: each reader's settings and cards, written for
// people and for version control (stable key order, one card a line), and
// checked whole before anything is sent.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include "models.h"

namespace tessaro {

inline constexpr int kLineFileFormat = 1;

struct LineEntry {
  int address = 0;
  // The model, or the candidates where the settings reply could not tell it
  // (the user narrows them by hand or with --model).
  ReaderModel model;
  // The named settings fields the entry gives, in the words of
  // `settings get --json`; a field it leaves out is left as the reader has it.
  QJsonObject settings;
  // Sorted and each card once; nullopt where the entry says nothing of the cards.
  std::optional<std::vector<quint32>> cards;
  // The first field the entry would write ("relay_time", …, "cards"): a
  // write needs the model; empty when the entry writes nothing.
  QString firstWritten() const;
};

struct LineFile {
  QString link;                    // where it was saved from; for the reader of the file only
  std::vector<LineEntry> readers;  // ordered by address
  const LineEntry* find(int address) const;
};

// The models a model name or a family's brief name stands for; empty when it names none.
std::vector<DeviceModel> ModelsNamed(const QString& name);

// The line's link as a file names it: "tcp 10.0.0.20:5600", "serial /dev/ttyUSB0".
QString LinkText(bool tcp, const QString& host, quint16 tcpPort, const QString& serialDevice);

QByteArray LineFileBytes(const LineFile& file);

// What is wrong with a file: the entry (its address, or -1 for the file as a
// whole), the field, and why; each program says it in its own words.
struct LineFileProblem {
  enum Kind {
    NotJson,        // `value`: the character where the JSON breaks
    NotLineFile,    // the top is no object, or `readers` no list of objects
    UnknownFormat,  // `value`: the format it gives
    UnknownField,   // a field a line file or this reader's entry does not have
    BadAddress,     // not a reader address from 1 to 255
    UnknownModel,   // `value`: the model it names
    BadValue,       // a value the field does not take (`value`), or the reader refuses
    NoReadOnly,     // `value`: the model, which has no Read-Only run mode
    TwoEntries,     // a second entry for one address
    BadCard,        // `value`: not a card number
    TooManyCards,   // `value`: how many; more than the model holds
    NoRelayTime,    // `value`: the model, which takes no relay time in the entry's run mode
    ModelConflict,  // `value`: the model given for the entry, which the file's model is not
  };
  Kind kind = NotJson;
  int address = -1;
  QString field;
  QString value;
};

// The whole file checked as the settings write and the card list would check
// it. `given` (the user's models by address) narrows each entry's model; a
// given model the entry's is not is a ModelConflict. What depends on the
// model is checked where the entry's model is known.
std::variant<LineFile, LineFileProblem> ParseLineFile(const QByteArray& bytes,
                                                      const std::function<ReaderModel(int address)>& given = {});

// Writes the file under a temporary name and renames it, so that a write
// that fails leaves no half file and the old one as it was.
bool SaveLineFile(const QString& path, const LineFile& file, QString* error);

}  // namespace tessaro
