// The settings reply decoder and the master card conversions.
// Input: one byte choosing where the master card sits, then the text after "$US".

#include "fuzz/fuzzinput.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  fuzz::FuzzInput in(data, size);
  // TS-20 reads the master card at 15-22, TS-40 at 16-23.
  const DeviceModel model = (in.byte() & 1) == 0 ? DeviceModel::TS20 : DeviceModel::TS40;
  const QByteArrayView reply = in.rest();

  const SettingsReplyFields f = DecodeSettingsReply(reply, model);
  FUZZ_CHECK(f.address >= 0 && f.relayTime >= 0 && f.recordType >= 0 && f.runMode >= 0);
  if (f.masterCard) {
    // A decoded master card encodes back to the same number.
    const auto again = EncodeMasterCard(QString::number(*f.masterCard));
    FUZZ_CHECK(again && again->size() == 8);
    FUZZ_CHECK(DecodeMasterCard(*again) == f.masterCard);
  }

  // The same bytes as a master card typed by the user.
  const QString typed = QString::fromLatin1(reply);
  const auto value = MasterCardValue(typed);
  const auto encoded = EncodeMasterCard(typed);
  FUZZ_CHECK(value.has_value() == encoded.has_value());
  if (encoded) FUZZ_CHECK(DecodeMasterCard(*encoded) == *value);
  return 0;
}
