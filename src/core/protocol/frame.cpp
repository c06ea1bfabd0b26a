#include "frame.h"

#include "textformat.h"

namespace tessaro {

QByteArray BuildRequest(QByteArrayView code, DeviceId deviceId, QByteArrayView payload) {
  QByteArray r;
  r.reserve(9 + payload.size());
  r += '%';
  r += code;
  r += FormatDec3(deviceId.value()).toLatin1();
  r += payload;
  r += "**\r";
  return r;
}

qsizetype MarkerPosition(QByteArrayView received) { return received.indexOf(ReplyMarker) + 1; }

QByteArrayView Mid1(QByteArrayView text, qsizetype start, qsizetype n) {
  if (start < 1) start = 1;
  const qsizetype from = start - 1;
  if (from >= text.size()) return {};
  qsizetype len = text.size() - from;
  if (n >= 0 && n < len) len = n;
  return text.sliced(from, len);
}

bool HasReplyCode(QByteArrayView received, QByteArrayView code) {
  return Mid1(received, MarkerPosition(received) + 1, code.size()) == code;
}

QDateTime ReaderStamp(QByteArrayView digits) {
  if (digits.size() != 12) return {};
  int v[6];
  for (int i = 0; i < 6; ++i) {
    const char a = digits[i * 2], b = digits[i * 2 + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return {};
    v[i] = (a - '0') * 10 + (b - '0');
  }
  const QDate date(2000 + v[2], v[1], v[0]);
  const QTime time(v[3], v[4], v[5]);
  if (!date.isValid() || !time.isValid()) return {};
  return QDateTime(date, time);
}

}  // namespace tessaro
