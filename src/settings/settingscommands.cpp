#include "settings/settingscommands.h"

#include <cmath>

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {

std::optional<quint32> MasterCardValue(QStringView text) {
  const std::optional<double> v = NumericValue(text);
  if (!v) return std::nullopt;
  // Every number of up to ten characters is exact in a double, so the range
  // test and the conversion below never pass through a 32-bit signed value.
  const double r = RoundHalfEven(*v);
  if (!(r >= 0.0 && r <= 4294967295.0)) return std::nullopt;
  return static_cast<quint32>(static_cast<quint64>(r));
}

std::optional<QByteArray> EncodeMasterCard(QStringView text) {
  const std::optional<quint32> v = MasterCardValue(text);
  if (!v) return std::nullopt;
  return QByteArray::number(*v, 16).toUpper().rightJustified(8, '0');
}

std::optional<QString> DecodeMasterCard(QByteArrayView field) {
  if (field.size() < 8) return std::nullopt;
  const QByteArrayView digits = field.trimmed();
  if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
  quint32 v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else return std::nullopt;
    v = (v << 4) | static_cast<quint32>(d);
  }
  return QString::number(v);
}

std::optional<QByteArray> SettingsPayload(const SettingsRecord& r) {
  const std::optional<QByteArray> master = EncodeMasterCard(r.masterCardId);
  if (!master) return std::nullopt;
  QString s;
  s += PadZerosLeft(r.relayTime, 2);
  s += PadZerosLeft(r.offlineRecordType, 1);
  s += FormatDec3(r.newId);
  s += u'0';  // reserved
  s += PadZerosLeft(r.runMode, 1);
  QByteArray out = s.toLatin1() + *master;
  if (r.layout == SettingsLayout::WiegandOnly || r.layout == SettingsLayout::WiegandAndDetector) {
    out += PadZerosLeft(r.epcStartWord, 1).toLatin1();
    out += PadZerosLeft(r.wiegandType, 1).toLatin1();
  }
  if (r.layout == SettingsLayout::WiegandAndDetector) {
    out += PadZerosLeft(r.vehicleDetector, 1).toLatin1();
    out += PadZerosLeft(r.triggerTime, 1).toLatin1();
  }
  return out;
}

int WriteSettings(ExchangeEnv& env, const SettingsRecord& record) {
  const CommandParams& row = Cmd::WriteSettings;
  const std::optional<QByteArray> payload = SettingsPayload(record);
  if (!payload) return StatusCode(Outcome::BadReply, row.convention);
  return CommandExchange(env, row, record.currentId, *payload).status(row.convention);
}

int ReadSettings(ExchangeEnv& env, qint16 deviceId, DeviceModel model, QByteArray* settingsReply) {
  settingsReply->clear();
  CommandParams row = Cmd::ReadSettings;
  row.threshold = ProfileOf(model).settingsReplyLength;
  const ExchangeResult r = CommandExchange(env, row, deviceId);
  if (r.outcome == Outcome::Ok) {
    // From the third character after "$" (the address) to the end; without a
    // "$" the reply was judged on its first two characters, so from the third.
    *settingsReply = Mid1(r.received, MarkerPosition(r.received) + 3).toByteArray();
  }
  return r.status(row.convention);
}

SettingsReplyFields DecodeSettingsReply(QByteArrayView reply, MasterCardAt masterCardAt) {
  SettingsReplyFields f;
  f.address = DecimalField(Mid1(reply, 1, 3));
  f.relayTime = DecimalField(Mid1(reply, 4, 2));
  f.recordType = DecimalField(Mid1(reply, 6, 1));
  f.runMode = DecimalField(Mid1(reply, 11, 1));
  f.masterCard = DecodeMasterCard(Mid1(reply, masterCardAt == MasterCardAt::Early ? 15 : 16, 8));
  f.epcStartWord = DecimalField(Mid1(reply, 24, 1));
  f.wiegandType = DecimalField(Mid1(reply, 25, 1));
  f.vehicleDetector = DecimalField(Mid1(reply, 26, 1));
  f.triggerTime = DecimalField(Mid1(reply, 27, 1));
  return f;
}

}  // namespace tessaro
