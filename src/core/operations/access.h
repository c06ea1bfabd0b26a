#pragma once
// Each door's wanted list brought to its reader, as a line file's entry is
// (line.h): the plan reads the reader's list and says which cards to add and
// which to remove; only the missing cards go where none must go, and where a
// card must go the plan says the memory is erased and the whole list sent. A
// list longer than the door's model holds is refused for that door. The
// lines of a site are worked at once, each on a thread of its own with its own
// link and store connection, under the line's lock in the store; each line
// keeps to one request at a time.

#include <QDate>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "accessstore.h"
#include "line.h"
#include "linelock.h"

namespace tessaro {

struct DoorPlan {
  AccessDoor door;
  WantedList wanted;
  ReaderPlan reader;  // not asked when the list is over the model's limit
  bool overLimit() const { return wanted.overLimit(); }
  bool nothingToDo() const { return !overLimit() && reader.nothingToDo(); }
  // Something to write, and a reader that answered as the door's model.
  bool writes() const { return !overLimit() && reader.answered() && !reader.nothingToDo(); }
};
// Reads the door's reader and compares it with its list; writes nothing. A
// model that gives no list back is planned to get it whole only with `sendUnreadable`.
DoorPlan PlanDoor(ExchangeEnv& env, const AccessDoor& door, const WantedList& wanted, bool sendUnreadable);
// Writes what the plan says, then reads the reader back.
ReaderApply ApplyDoor(ExchangeEnv& env, const DoorPlan& plan, const std::function<bool()>& stopped = {});

// One line's doors, each with its list.
struct LineWork {
  AccessLine line;
  std::vector<std::pair<AccessDoor, WantedList>> doors;
};
// Every line of the data that `only` names (all when empty) that has doors,
// with each door's list for `day`.
std::vector<LineWork> SiteWork(const AccessData& data, QDate day, const QStringList& only = {});

struct DoorOutcome {
  DoorPlan plan;
  bool planned = false;                // the reader was read (or its list refused) before the run stopped
  std::optional<ReaderApply> applied;  // written, as the plan said
};

enum class LineEnd {
  Done,
  NoLink,       // the line's link could not be opened: nothing was asked
  StoreFailed,  // the store could not be had for the line's lock: nothing was asked
  LockLost,     // another program took the line's lock: the rest was not done
  Declined,     // the plan was not confirmed: nothing was written
};

struct LineOutcome {
  AccessLine line;
  LineEnd end = LineEnd::Done;
  QString storeError;  // with StoreFailed
  std::vector<DoorOutcome> doors;
};

struct SiteOptions {
  StoreAddress store;
  Actor actor;
  int gapMs = kDefaultGapMs;
  bool sendUnreadable = false;
  bool apply = false;  // plan only when false
  // Asked on the calling thread with every line's plan, when something is to be
  // written; an empty function writes without asking.
  std::function<bool(const std::vector<LineOutcome>&)> confirm;
  // Told on the line's own thread: another program holds the line, so this one waits.
  std::function<void(const QString& line, const LockHolder& holder)> waiting;
  // Told on the line's own thread before each door is read or written.
  std::function<void(const QString& line, const AccessDoor& door, bool writing)> progress;
  std::function<bool()> stopped;  // asked on every line's thread
};

// Plans (and with `apply` writes) every line of `work` at once, waiting on
// the calling thread's event loop until every line is done. Each write of a
// door, and each line's apply, is an audit row.
std::vector<LineOutcome> RunSite(const std::vector<LineWork>& work, const SiteOptions& options);

}  // namespace tessaro
