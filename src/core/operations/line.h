#pragma once
// A line of readers against its file: each reader saved into an entry, the
// differences planned without writing anything, and the plan applied so that
// only what differs is written, a card list goes whole only where a card must
// go, and every reader is read back. Applying right after applying finds
// nothing to do.

#include <QJsonValue>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "exchange.h"
#include "linefile.h"
#include "readers.h"
#include "settings.h"
#include "settingsfields.h"

namespace tessaro {

// One reader as a file entry: its model where `given` names one of its
// family, else the family; the settings that are known of it and, where
// every candidate gives its list back, its cards.
struct SavedReader {
  Why why = Why::TimedOut;
  bool present = false;  // something answered at the address
  ReaderModel family;    // with OtherModel: the models whose reply it gave
  LineEntry entry;
  bool ok() const { return why == Why::Done; }
};
// `probed`: what a scan read of it already, so that it is not asked twice more.
SavedReader SaveReader(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& given, const ProbedReader* probed = nullptr);

struct SettingChange {
  QString field;
  QJsonValue now, wanted;
};

enum class CardsPlan {
  NotManaged,  // the entry says nothing of the cards
  Same,        // the reader holds exactly the entry's cards
  Add,         // cards to add and none to remove: only those are sent
  Replace,     // a card must go: the memory is erased and the whole list sent
  Unknown,     // the model gives no list back: its cards are left as they are
  SendWhole,   // the model gives no list back: erased and the whole list sent, as asked
};

struct ReaderPlan {
  int address = 0;                       // the entry's
  DeviceId at;                           // where the reader answers now
  Why read = Why::Done;                  // the reads the plan rests on
  ReaderModel answeredAs;                // with OtherModel: the models whose reply it gave
  std::vector<SettingChange> settings;   // in the order the fields are shown
  SettingsRecord write;                  // the one settings write, when a setting differs
  // A setting the entry leaves to the reader holds a value no write may send.
  std::optional<SettingsField> unsendable;
  // A field of the entry that the model, in the run mode, does not take as named.
  std::optional<FieldRefusal> refused;
  CardsPlan cards = CardsPlan::NotManaged;
  std::vector<quint32> add, remove;      // Add and Replace: what comes and what goes
  bool answered() const { return read == Why::Done; }
  bool nothingToDo() const;
};

// Reads the reader that answers at `at` (the entry's own address unless a
// replaced reader answers elsewhere) and compares it with the entry. Nothing
// is written. An entry that writes something needs its model: without it the
// plan is ModelUnknown and nothing is asked.
ReaderPlan PlanReader(ExchangeEnv& env, const LineEntry& entry, DeviceId at, bool sendUnreadableCards);

struct ReaderApply {
  Why why = Why::Done;            // Done when all was written and the reader read back as its entry
  bool settingsWritten = false;
  bool cardsErased = false;
  int cardsSent = 0;
  std::optional<ReaderPlan> after;  // the reader read back
  bool ok() const { return why == Why::Done; }
};
// Writes what the plan says, then reads the reader back at the entry's address.
ReaderApply ApplyReader(ExchangeEnv& env, const LineEntry& entry, const ReaderPlan& plan,
                        const std::function<bool()>& stopped = {});

}  // namespace tessaro
