#include "settings.h"

#include <algorithm>
#include <cctype>

#include "frame.h"
#include "textformat.h"

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

std::optional<quint32> DecodeMasterCard(QByteArrayView field) {
  if (field.size() < 8) return std::nullopt;
  return HexNumber(field.trimmed());
}

std::optional<QByteArray> SettingsPayload(const SettingsRecord& r) {
  const std::optional<QByteArray> master = EncodeMasterCard(r.masterCardId);
  if (!master) return std::nullopt;
  QString s = PadZerosLeft(r.relayTime, 2) + PadZerosLeft(r.offlineRecordType, 1) + FormatDec3(r.newId.value()) + u'0' +
              PadZerosLeft(r.runMode, 1);
  QByteArray out = s.toLatin1() + *master;
  if (r.layout != SettingsLayout::Basic) {
    out += PadZerosLeft(r.epcStartWord, 1).toLatin1() + PadZerosLeft(r.wiegandType, 1).toLatin1();
  }
  if (r.layout == SettingsLayout::WiegandAndDetector) {
    out += PadZerosLeft(r.vehicleDetector, 1).toLatin1() + PadZerosLeft(r.triggerTime, 1).toLatin1();
  }
  return out;
}

Outcome WriteSettings(ExchangeEnv& env, const SettingsRecord& record) {
  const std::optional<QByteArray> payload = SettingsPayload(record);
  if (!payload) return Outcome::BadReply;
  return CommandExchange(env, Cmd::WriteSettings, {.deviceId = record.currentId, .payload = *payload}).outcome;
}

SettingsRead ReadSettings(ExchangeEnv& env, DeviceId deviceId, DeviceModel model) {
  const ExchangeResult r =
      CommandExchange(env, Cmd::ReadSettings, {.deviceId = deviceId, .replyLength = Facts(model).settingsReplyLength});
  SettingsRead read{r.outcome, {}};
  // From the third character after "$" (the address) to the end; without a
  // "$" the reply was judged on its first two characters, so from the third.
  if (r.outcome == Outcome::Ok) read.reply = Mid1(r.received, MarkerPosition(r.received) + 3).toByteArray();
  return read;
}

namespace {

class FirstLine : public LineSink {
 public:
  LineVerdict line(QByteArrayView l) override {
    line_ = l.toByteArray();
    return LineVerdict::End;
  }
  QByteArray line_;
};

bool AllOf(QByteArrayView text, int (*is)(int)) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [is](char c) { return is(uchar(c)) != 0; });
}

}  // namespace

QByteArray ProbeSettings(ExchangeEnv& env, DeviceId deviceId, StreamEnd* end) {
  FirstLine sink;
  const StreamEnd e = StreamExchange(env, Cmd::ReadSettings, deviceId, sink);
  if (end) *end = e;
  return sink.line_;
}

bool WellFormedSettingsLine(QByteArrayView line, DeviceId deviceId) {
  const qsizetype length = line.size() - 1;  // before the CR
  if (!line.startsWith("$US") || !line.endsWith("**\r") || ModelsWithReplyLength(length).empty()) return false;
  if (line.sliced(3, 3) != FormatDec3(deviceId.value()).toLatin1()) return false;
  // Address, relay time, record type and run mode; the master card at 15-22 or 16-23.
  const QByteArrayView s = line.sliced(3);
  return AllOf(s.sliced(0, 6), isdigit) && AllOf(s.sliced(10, 1), isdigit) &&
         (AllOf(s.sliced(14, 8), isxdigit) || AllOf(s.sliced(15, 8), isxdigit));
}

SettingsReplyFields DecodeSettingsReply(QByteArrayView reply, DeviceModel model, bool forScan) {
  const bool masterCardEarly = forScan ? Facts(model).masterCardEarlyInScan : Facts(model).masterCardEarly;
  SettingsReplyFields f;
  f.address = DecimalField(Mid1(reply, 1, 3));
  f.relayTime = DecimalField(Mid1(reply, 4, 2));
  f.recordType = DecimalField(Mid1(reply, 6, 1));
  f.runMode = DecimalField(Mid1(reply, 11, 1));
  f.masterCard = DecodeMasterCard(Mid1(reply, masterCardEarly ? 15 : 16, 8));
  f.epcStartWord = DecimalField(Mid1(reply, 24, 1));
  f.wiegandType = DecimalField(Mid1(reply, 25, 1));
  f.vehicleDetector = DecimalField(Mid1(reply, 26, 1));
  f.triggerTime = DecimalField(Mid1(reply, 27, 1));
  return f;
}

std::optional<RunMode> ReceivedRunMode(qint64 code, DeviceModel model) {
  switch (code) {
    case 0: return RunMode::StandAlone;
    case 1: return RunMode::Online;
    case 2: return Facts(model).readOnlyMode ? RunMode::ReadOnly : RunMode::StandAlone;
    default: return std::nullopt;
  }
}

ReceivedSettings InterpretSettings(QByteArrayView reply, DeviceModel model, bool forScan) {
  const SettingsReplyFields f = DecodeSettingsReply(reply, model, forScan);
  ReceivedSettings s;
  s.address = f.address;
  s.relayTime = f.relayTime;
  s.recordType = f.recordType == 1 ? 1 : 2;
  s.runMode = forScan ? (f.runMode == 0 ? RunMode::StandAlone : RunMode::Online) : ReceivedRunMode(f.runMode, model);
  s.masterCard = f.masterCard;
  if (forScan) return s;
  const SettingsLayout layout = Facts(model).layout;
  if (layout != SettingsLayout::Basic) {
    s.epcStartWord = f.epcStartWord == 0 ? 0 : 1;
    s.wiegandType = f.wiegandType == 0 ? 0 : 1;
  }
  if (layout == SettingsLayout::WiegandAndDetector) {
    s.vehicleDetector = f.vehicleDetector == 1;
    s.triggerTime = f.triggerTime >= 1 && f.triggerTime <= 9 ? static_cast<int>(f.triggerTime) : 5;
  }
  return s;
}

ReceivedSettings InterpretSettings(QByteArrayView reply, const ReaderModel& model) {
  if (model.none()) return {};
  ReceivedSettings s = InterpretSettings(reply, model.model());
  for (DeviceModel other : model.candidates()) {
    const ReceivedSettings o = InterpretSettings(reply, other);
    if (o.runMode != s.runMode) s.runMode.reset(), s.runModeUnknown = true;
    if (o.epcStartWord != s.epcStartWord || o.wiegandType != s.wiegandType) s.epcStartWord.reset(), s.wiegandType.reset();
    if (o.vehicleDetector != s.vehicleDetector || o.triggerTime != s.triggerTime)
      s.vehicleDetector.reset(), s.triggerTime.reset();
  }
  // Read from another place, the master card is another number, even where
  // the two happen to agree.
  if (!model.agree([](const ModelFacts& f) { return f.masterCardEarly; })) s.masterCard.reset(), s.masterCardUnknown = true;
  return s;
}

std::optional<int> NumberInRange(QStringView text, double lo, double hi) {
  const std::optional<double> v = NumericValue(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(RoundHalfEven(*v));
}

int ScanStartAddress(QStringView typed) {
  const std::optional<double> v = NumericValue(typed);
  if (!v || *v > 255) return 0;
  // A negative start would put a signed, non-three-digit address on the wire.
  return std::max(0, static_cast<int>(RoundHalfEven(*v)));
}

SettingsCheck CheckSettingsForm(const SettingsForm& form, DeviceModel model) {
  const ModelFacts& facts = Facts(model);
  SettingsCheck c;
  SettingsRecord& r = c.record;
  auto fail = [&c](SettingsField field) {
    c.invalid = field;
    return c;
  };
  if (!NumberInRange(form.oldId, 0, 255)) return fail(SettingsField::OldId);
  if (!NumberInRange(form.newId, 1, 255)) return fail(SettingsField::NewId);
  r.currentId = ToInt16(form.oldId);
  r.newId = ToInt16(form.newId);
  r.layout = facts.layout;
  r.offlineRecordType = form.entry ? 1 : 2;
  c.recordType = r.offlineRecordType;

  bool takesRelayTime = false;
  switch (form.runMode) {
    case RunMode::Online: takesRelayTime = true; break;
    case RunMode::StandAlone: takesRelayTime = facts.relayTimeInStandAlone; break;
    case RunMode::ReadOnly:
      takesRelayTime = facts.readOnlyMode;
      c.standAloneForced = !facts.readOnlyMode;
      break;
  }
  r.runMode = static_cast<int>(c.standAloneForced ? RunMode::StandAlone : form.runMode);
  if (takesRelayTime) {
    const std::optional<int> relay = NumberInRange(form.relayTime, 1, 64);
    if (!relay) return fail(SettingsField::RelayTime);
    r.relayTime = *relay;
  }

  const QString master = form.masterCard.trimmed();
  // Beyond "numeric, at most ten characters" the number must fit the card's
  // 32 unsigned bits, or it would go out as another card's number.
  if (master.size() > 10 || !MasterCardValue(master)) return fail(SettingsField::MasterCard);
  r.masterCardId = master;

  if (facts.layout != SettingsLayout::Basic) {
    r.epcStartWord = form.epcStartWord;
    r.wiegandType = form.wiegandType;
  }
  if (facts.layout == SettingsLayout::WiegandAndDetector) {
    r.vehicleDetector = form.vehicleDetector ? 1 : 0;
    const std::optional<int> trigger = NumberInRange(form.triggerTime, 1, 9);
    if (!trigger) return fail(SettingsField::TriggerTime);
    r.triggerTime = *trigger;
  }
  return c;
}

}  // namespace tessaro
