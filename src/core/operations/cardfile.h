#pragma once
// The card file: plain text, one entry per line, each line ended by CR LF,
// nothing else. Single-byte characters.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace tessaro {

// The bytes of a card file holding these entries in order.
QByteArray CardFileBytes(const QStringList& entries);

// The entries of a card file: lines end at CR, CR LF or LF; blanks around each
// line are removed; no line is validated. A last line without an end counts.
QStringList ParseCardFile(QByteArrayView bytes);

// Replaces the file; false when it could not be written completely.
bool WriteCardFile(const QString& path, const QStringList& entries);
// The entries, or nullopt when the file cannot be read.
std::optional<QStringList> ReadCardFile(const QString& path);

}  // namespace tessaro
