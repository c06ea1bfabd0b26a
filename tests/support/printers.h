#pragma once
// Readable failure messages for Qt's text types.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << QString::fromLatin1(b.toPercentEncoding(" $%*,:/?<>!.+-")).toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']'; }

#include "models.h"

namespace tessaro {
inline void PrintTo(const ReaderModel& m, std::ostream* os) { *os << '{' << ModelNames(m.candidates()).toStdString() << '}'; }
}  // namespace tessaro
