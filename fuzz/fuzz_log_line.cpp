// What the store reads from outside: an access-log line gives no passage or
// one whose fields write the line's start again and whose stamp is a date or
// marked "?"; an address either names a database or says what is wrong; a
// reader list holds readers only.

#include "fuzz/fuzzinput.h"
#include "recordquery.h"
#include "textformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessaro;
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const std::optional<LoggedPassage> p = ReadLogLine(bytes)) {
    const QString start =
        PadZerosLeft(p->address, 3) + u',' + PadZerosLeft(p->card, 10) + u',' + QString::number(p->type);
    FUZZ_CHECK(start.toLatin1() == bytes.first(16));
    FUZZ_CHECK(p->stamp.startsWith(u'?') ? p->stamp.size() == 20 : p->stamp.size() == 19 && p->stamp[10] == u' ');
  }
  const QString text = QString::fromUtf8(bytes);
  AddressFault fault = AddressFault::None;
  if (const std::optional<StoreAddress> a = ParseStoreAddress(text, &fault)) {
    FUZZ_CHECK(fault == AddressFault::None);
    FUZZ_CHECK(a->engine == StoreEngine::Sqlite ? !a->file.isEmpty() : !a->host.isEmpty() && !a->database.isEmpty());
  } else {
    FUZZ_CHECK(fault != AddressFault::None);
  }
  if (const std::optional<std::vector<int>> ids = ParseAddressList(text)) {
    for (const int id : *ids) FUZZ_CHECK(id >= 1 && id <= 255);
  }
  return 0;
}
