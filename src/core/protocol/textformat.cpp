#include "textformat.h"

#include <cmath>
#include <limits>

namespace tessaro {

QString FormatDec3(qint16 value) {
  if (value >= 0 && value <= 255) {
    return QString::number(value).rightJustified(3, QLatin1Char('0'));
  }
  return QString::number(value);
}

QString PadZerosLeft(qint64 value, int width) {
  if (width < 0) width = 0;
  QString t = QString::number(value);
  if (t.size() > width) return t.left(width);
  return t.rightJustified(width, QLatin1Char('0'));
}

QString FormatHex8(quint32 value) { return QString::number(value, 16).toUpper().rightJustified(8, QLatin1Char('0')); }

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  return std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
}

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Reads sign, digits, fraction and exponent starting at i; returns the number of
// characters consumed (0 when no digit was seen). Blanks inside are not allowed.
qsizetype scanNumber(QStringView s, qsizetype i, double* out) {
  const qsizetype start = i;
  QString buf;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) buf += s[i++];
  qsizetype digits = 0;
  while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
    buf += s[i++];
    ++digits;
  }
  if (i < s.size() && s[i] == u'.') {
    buf += s[i++];
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
      buf += s[i++];
      ++digits;
    }
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    qsizetype j = i + 1;
    QString exp = QStringLiteral("e");
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) exp += s[j++];
    qsizetype expDigits = 0;
    while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128 && expDigits < 6) {
      exp += s[j++];
      ++expDigits;
    }
    if (expDigits > 0) {
      buf += exp;
      i = j;
    }
  }
  bool ok = false;
  double v = buf.toDouble(&ok);
  if (!ok) return 0;
  *out = v;
  return i - start;
}

}  // namespace

std::optional<double> NumericValue(QStringView text) {
  qsizetype b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  if (b == e) return std::nullopt;
  QStringView core = text.mid(b, e - b);
  double v = 0;
  qsizetype used = scanNumber(core, 0, &v);
  if (used == 0 || used != core.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool IsNumeric(QStringView text) { return NumericValue(text).has_value(); }

double LeadingNumber(QStringView text) {
  // A port typed as "56 00" is port 5600: blanks before and inside the number are skipped.
  QString compact;
  for (QChar c : text) {
    if (!isBlank(c)) compact += c;
  }
  double v = 0;
  if (scanNumber(compact, 0, &v) == 0 || !std::isfinite(v)) return 0;
  return v;
}

static qint16 toInt16OrZero(double v) {
  const double r = RoundHalfEven(v);
  if (!std::isfinite(r) || r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max()) return 0;
  return static_cast<qint16>(r);
}

qint16 ToInt16(QStringView text) {
  auto v = NumericValue(text);
  return v ? toInt16OrZero(*v) : 0;
}

quint16 PortNumberFromText(QStringView text) {
  const double r = RoundHalfEven(LeadingNumber(text));
  return r >= 1 && r <= 65535 ? static_cast<quint16>(r) : 0;
}

qint64 DecimalField(QByteArrayView text) {
  qint64 v = 0;
  bool any = false;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (c < '0' || c > '9') break;
    any = true;
    if (v < 100000000000000LL) v = v * 10 + (c - '0');
  }
  return any ? v : 0;
}

std::optional<quint32> HexNumber(QByteArrayView digits) {
  if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
  quint32 v = 0;
  for (const char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<quint32>(d);
  }
  return v;
}

QString CsvField(const QString& text) {
  if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')) return text;
  return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

}  // namespace tessaro
