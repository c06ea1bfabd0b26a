#include "csvtable.h"

#include <QStringDecoder>
#include <algorithm>

namespace tessaro {

namespace {

// The first line whose bytes are no UTF-8, from 1.
qint64 FirstBadLine(QByteArrayView bytes) {
  qint64 line = 1;
  for (qsizetype start = 0; start <= bytes.size(); ++line) {
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0) end = bytes.size();
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = utf8(bytes.sliced(start, end - start));
    if (utf8.hasError()) return line;
    start = end + 1;
  }
  return line;
}

QChar SeparatorOf(const QString& text) {
  bool quoted = false;
  for (const QChar c : text) {
    if (c == u'"') quoted = !quoted;
    else if (!quoted && (c == u',' || c == u';')) return c;
  }
  return u',';
}

}  // namespace

CsvTable ReadCsv(const QByteArray& input) {
  CsvTable t;
  QByteArrayView bytes(input);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(bytes);
  if (utf8.hasError()) {
    t.utf8 = false;
    t.badLine = FirstBadLine(bytes);
    return t;
  }
  t.separator = SeparatorOf(text);
  qint64 line = 1;
  CsvRecord record{line, {}};
  QString field;
  bool quoted = false;
  auto endField = [&] { record.fields << field.trimmed(), field.clear(); };
  auto endRecord = [&] {
    endField();
    const bool blank =
        std::all_of(record.fields.cbegin(), record.fields.cend(), [](const QString& f) { return f.isEmpty(); });
    if (!blank) t.records.push_back(std::move(record));
    record = {line, {}};
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const bool lineEnd = c == u'\n' || (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += text[++i];
      else if (c == u'"') quoted = false;
      else if (c != u'\r') field += c;  // a line break inside a field is kept as LF
      if (lineEnd) ++line;
    } else if (c == u'"' && field.trimmed().isEmpty()) {
      field.clear();
      quoted = true;
    } else if (c == t.separator) {
      endField();
    } else if (lineEnd) {
      ++line;
      endRecord();
    } else if (c != u'\r') {
      field += c;
    }
  }
  endRecord();
  return t;
}

QByteArray CsvLine(const QStringList& fields, QChar separator) {
  QStringList quoted;
  for (const QString& f : fields) {
    const bool quote = f.contains(separator) || f.contains(u'"') || f.contains(u'\n') || f.contains(u'\r');
    quoted << (quote ? u'"' + QString(f).replace(u'"', QStringLiteral("\"\"")) + u'"' : f);
  }
  return quoted.join(separator).toUtf8() + "\r\n";
}

}  // namespace tessaro
