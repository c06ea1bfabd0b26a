#pragma once
// A line of readers as a file: each reader's settings and cards, written for
// people and for version control (stable key order, one card a line), and
// checked whole before anything is sent.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

#include "models.h"

namespace tessaro {

inline constexpr int kLineFileFormat = 1;

struct LineEntry {
  int address = 0;
  // A model's name, or a family's brief name where the settings reply could
  // not tell the model (the user may narrow it by hand).
  QString model;
  std::vector<DeviceModel> models;  // what `model` stands for
  DeviceModel readAs = DeviceModel::TS20B;  // the model its settings are read and written as
  // The named settings fields the entry gives, in the words of
  // `settings get --json`; a field it leaves out is left as the reader has it.
  QJsonObject settings;
  // Sorted and each card once; nullopt where the entry says nothing of the cards.
  std::optional<std::vector<quint32>> cards;
};

struct LineFile {
  QString link;                    // where it was saved from; for the reader of the file only
  std::vector<LineEntry> readers;  // ordered by address
  const LineEntry* find(int address) const;
};

// The models a model name or a family name stands for; empty when it names none.
std::vector<DeviceModel> ModelsNamed(const QString& name);

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
  };
  Kind kind = NotJson;
  int address = -1;
  QString field;
  QString value;
};

// The whole file checked as the settings write and the card list would check
// it. A family is read as `preferred` when that model belongs to it, else as
// the family's first model.
std::variant<LineFile, LineFileProblem> ParseLineFile(const QByteArray& bytes, DeviceModel preferred);

// Writes the file under a temporary name and renames it, so that a write
// that fails leaves no half file and the old one as it was.
bool SaveLineFile(const QString& path, const LineFile& file, QString* error);

}  // namespace tessaro
