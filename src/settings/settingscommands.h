#pragma once
// The reader's configuration record: the %DS write and the %US read, their
// layouts per model, and the master card conversions. No widgets here.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

#include "app/profiles.h"
#include "link/exchange.h"

namespace tessaro {

struct SettingsRecord {
  qint16 currentId = 1;       // the address the request goes to
  int relayTime = 1;          // 1..64 seconds
  int offlineRecordType = 1;  // 1 entry, 2 exit
  qint16 newId = 1;           // the address the reader is to take
  int runMode = 0;            // RunMode values
  QString masterCardId;       // decimal text, trimmed
  int epcStartWord = 0;       // 0 → "4", 1 → "6"
  int wiegandType = 0;        // 0 → Wiegand 26, 1 → Wiegand 34
  int vehicleDetector = 0;    // 0 off, 1 on
  int triggerTime = 5;        // 1..9 seconds
  SettingsLayout layout = SettingsLayout::Basic;
};

// The master card number of a numeric text (blanks around it allowed, a
// fraction rounded half to even); nullopt when the text is not numeric or the
// number lies outside 0..4294967295.
std::optional<quint32> MasterCardValue(QStringView text);

// Eight upper-case hexadecimal digits of the unsigned number ("4294967295" →
// "FFFFFFFF"); nullopt where MasterCardValue has none.
std::optional<QByteArray> EncodeMasterCard(QStringView text);

// The decimal text of an eight-character hexadecimal field ("80000000" →
// "2147483648"). Blanks around the digits are ignored; nullopt when the field
// is shorter than eight characters or holds anything but hexadecimal digits.
std::optional<QString> DecodeMasterCard(QByteArrayView field);

// The characters between the address and "**" of a %DS request: 16, 18 or 20
// by layout. nullopt when the master card cannot be encoded.
std::optional<QByteArray> SettingsPayload(const SettingsRecord& record);

// %DS to record.currentId. Status convention NoReplyZero: 1 acknowledged,
// 0 time-out, -1 wrong reply, failed port check, or a master card that cannot
// be encoded (nothing is sent then).
int WriteSettings(ExchangeEnv& env, const SettingsRecord& record);

// %US to deviceId, waiting for the model's reply length until the tick
// counter passes 50 (serial) or 150 (TCP). *settingsReply is emptied first and
// on StatusOk holds the received text from the address after "$US" on.
int ReadSettings(ExchangeEnv& env, qint16 deviceId, DeviceModel model, QByteArray* settingsReply);

// Where the master card sits in a settings reply: 15-22 or 16-23.
enum class MasterCardAt { Early, Late };

// The fields of a settings reply (position 1 = the first character after "$US").
struct SettingsReplyFields {
  qint64 address = 0;                 // 1-3
  qint64 relayTime = 0;               // 4-5
  qint64 recordType = 0;              // 6: 1 entry, anything else exit
  qint64 runMode = 0;                 // 11
  std::optional<QString> masterCard;  // decimal, nullopt when the field is not usable
  qint64 epcStartWord = 0;            // 24
  qint64 wiegandType = 0;             // 25
  qint64 vehicleDetector = 0;         // 26
  qint64 triggerTime = 0;             // 27
};
SettingsReplyFields DecodeSettingsReply(QByteArrayView settingsReply, MasterCardAt masterCardAt);

}  // namespace tessaro
