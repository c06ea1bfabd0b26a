#pragma once
// The reader's configuration: the "%DS" write and the "%US" read, their
// layouts per model, the master card conversions and the rules that turn
// what the user typed into a settings record.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "exchange.h"
#include "models.h"

namespace tessaro {

struct SettingsRecord {
  DeviceId currentId = 1;       // the address the request goes to
  int relayTime = 1;          // 1..64 seconds
  int offlineRecordType = 1;  // 1 entry, 2 exit
  DeviceId newId = 1;           // the address the reader is to take
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

// The card number of an eight-character hexadecimal field ("80000000" →
// 2147483648, shown as its decimal text). Blanks around the digits are
// ignored; nullopt when the field is shorter than eight characters or holds
// anything but hexadecimal digits.
std::optional<quint32> DecodeMasterCard(QByteArrayView field);

// The characters between the address and "**" of a "%DS" request: 16, 18 or
// 20 by layout. nullopt when the master card cannot be encoded.
std::optional<QByteArray> SettingsPayload(const SettingsRecord& record);

// "%DS" to record.currentId. A master card that cannot be encoded is a bad
// request: nothing is sent and the outcome is BadReply.
Outcome WriteSettings(ExchangeEnv& env, const SettingsRecord& record);

struct SettingsRead {
  Outcome outcome = Outcome::NoReply;
  QByteArray reply;  // on Ok the received text from the address after "$US" on; else empty
};
// "%US" to deviceId, waiting for the model's reply length.
SettingsRead ReadSettings(ExchangeEnv& env, DeviceId deviceId, DeviceModel model);

// One settings read whatever the model: the first reply line as it came,
// from its "$" through its CR (empty without one), and how the stream ended.
QByteArray ProbeSettings(ExchangeEnv& env, DeviceId deviceId, StreamEnd* end = nullptr);

// A probed line that has the readers' settings layout: "$US", the asked
// address, digits where the readers put digits, a hexadecimal master card,
// "**" and CR, and one of the readers' lengths.
bool WellFormedSettingsLine(QByteArrayView line, DeviceId deviceId);

// The fields of a settings reply (position 1 = the first character after "$US").
struct SettingsReplyFields {
  qint64 address = 0;                 // 1-3
  qint64 relayTime = 0;               // 4-5
  qint64 recordType = 0;              // 6: 1 entry, anything else exit
  qint64 runMode = 0;                 // 11
  std::optional<quint32> masterCard;  // 15-22 or 16-23; nullopt when not usable
  qint64 epcStartWord = 0;            // 24
  qint64 wiegandType = 0;             // 25
  qint64 vehicleDetector = 0;         // 26
  qint64 triggerTime = 0;             // 27
};
// The address scan reads the master card of a TS-20B one place later than a
// settings read does (`forScan`).
SettingsReplyFields DecodeSettingsReply(QByteArrayView settingsReply, DeviceModel model, bool forScan = false);

// The run mode a received run-mode code selects on this model; nullopt for
// a code that selects nothing.
std::optional<RunMode> ReceivedRunMode(qint64 code, DeviceModel model);

// A settings reply as the user is shown it. A scan knows no Read-Only (any
// code but 0 is Online) and no model extras.
struct ReceivedSettings {
  qint64 address = 0;
  qint64 relayTime = 0;               // seconds, as the reader keeps them (0-99)
  int recordType = 1;                 // 1 entry, 2 exit
  std::optional<RunMode> runMode;     // nullopt: the code selects nothing
  std::optional<quint32> masterCard;  // nullopt: the field is no card number
  std::optional<int> epcStartWord;    // 0 → "4", 1 → "6"; where the layout has it
  std::optional<int> wiegandType;     // 0 → Wiegand 26, 1 → Wiegand 34; where the layout has it
  std::optional<bool> vehicleDetector;
  std::optional<int> triggerTime;  // 1 … 9 seconds; 5 for any other character
  // Read with a family, not a model: the candidates take the master card
  // from other places, or give the run-mode code other meanings.
  bool masterCardUnknown = false;
  bool runModeUnknown = false;
};
ReceivedSettings InterpretSettings(QByteArrayView settingsReply, DeviceModel model, bool forScan = false);
// The same as what is known of the model: a field its candidates read apart
// is not known (nullopt, and marked so); the others as any of them reads them.
ReceivedSettings InterpretSettings(QByteArrayView settingsReply, const ReaderModel& model);

// The numeric value of the text rounded half to even, when it reads as a
// number within lo..hi (the range is tested before rounding).
std::optional<int> NumberInRange(QStringView text, double lo, double hi);

// Where an address scan starts: the typed address when it is a number of at
// most 255, else 0; never below 0.
int ScanStartAddress(QStringView typed);

// The settings as the user typed and chose them.
struct SettingsForm {
  QString oldId, newId, relayTime, masterCard, triggerTime;
  bool entry = true;
  RunMode runMode = RunMode::StandAlone;
  int epcStartWord = 0;
  int wiegandType = 0;
  bool vehicleDetector = false;
};

enum class SettingsField { OldId, NewId, RelayTime, MasterCard, TriggerTime };

// The form checked field by field in the order the user is told about them.
struct SettingsCheck {
  std::optional<SettingsField> invalid;  // the first field that failed
  // Set once the checks got that far, whether or not a later field failed.
  std::optional<int> recordType;  // 1 entry, 2 exit
  bool standAloneForced = false;  // a "Read-Only" the model does not know goes as Stand-Alone
  SettingsRecord record;          // complete when nothing is invalid
};
SettingsCheck CheckSettingsForm(const SettingsForm& form, DeviceModel model);

}  // namespace tessaro
