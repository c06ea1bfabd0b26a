#pragma once
// Whole operations on one reader of a line, as both the command-line tool and
// the window run them, so the two give the same answers for the same line.

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "accesslog.h"
#include "exchange.h"
#include "models.h"
#include "settings.h"
#include "storedpull.h"

namespace tessaro {

// Why an operation on a reader did not come to its end, or Done when it did.
// Decided here once; the window, the bus view and tessaro-cli each say it in
// their own words.
enum class Why {
  Done,
  TimedOut,      // the reader did not answer in time
  BadReply,      // it answered, but not as asked
  Collision,     // garbled or differing replies: two readers on one address?
  NotTaken,      // it took the request, but what it reads back is still off
  LogFailed,     // a record did not reach the log: its memory was not erased
  StoreFailed,   // the store refused the records: its memory was not erased
  Incomplete,    // the download did not end on its end frame: not erased
  EraseFailed,   // everything is logged, but the erase was not confirmed
  Stopped,       // the user stopped it
  ModelUnknown,  // it needs the reader's model, and only its family is known: nothing was written
  OtherModel,    // its settings reply is one that other models give than the one it was taken for
  MemoryFull,    // its card memory is full: the card was not taken
};
Why WhyOf(Outcome outcome);

// A reader's settings, read as what is known of its model. The reply's
// length narrows the candidates to those of its family; a reply that none of
// them gives is OtherModel, and `model` then holds the models that give it.
struct ReaderSettings {
  Why why = Why::TimedOut;
  ReaderModel model;          // the candidates left
  ReceivedSettings settings;  // a field the candidates read apart is not known
  QByteArray reply;           // from the address after "$US" on
  bool ok() const { return why == Why::Done; }
};
ReaderSettings ReadReaderSettings(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& given);

// What an address of the line answers to two settings reads.
struct ProbedReader {
  bool present = false;                      // anything answered at all
  bool collision = false;                    // the replies were garbled or differed: two readers on one address?
  ReaderModel family = ReaderModel::Among({});  // what the reply's length tells
  std::optional<ReceivedSettings> settings;  // as the family reads them
  QByteArray reply;                          // from the address after "$US" on
  Why why() const { return !present ? Why::TimedOut : collision ? Why::Collision : Why::Done; }
  bool ok() const { return why() == Why::Done; }
};
// `first`: the first reply line where one was heard already (a scan's), so only the second read is asked.
ProbedReader ProbeReader(ExchangeEnv& env, DeviceId deviceId, const QByteArray& first = {});

// The reader's clock against the PC's, in whole seconds (reader minus PC).
struct ClockDrift {
  Outcome outcome = Outcome::NoReply;  // BadReply also when the reader's digits are no time
  QDateTime readerTime;
  qint64 seconds = 0;
  Why why() const { return WhyOf(outcome); }
  bool ok() const { return why() == Why::Done; }
};
ClockDrift ReadDrift(ExchangeEnv& env, DeviceId deviceId, const std::function<QDateTime()>& now);

// Sets the clock when it is off by more than maxDriftS, then reads it back.
struct ClockSync {
  ClockDrift before;
  bool set = false;                  // it was off by more than the limit
  Outcome setOutcome = Outcome::Ok;  // of setting it
  std::optional<ClockDrift> after;   // read back after setting it; its drift is not known unless it is ok()
  bool within = false;               // within the limit now
  Why why() const;
  bool ok() const { return why() == Why::Done; }
};
ClockSync SyncClock(ExchangeEnv& env, DeviceId deviceId, qint64 maxDriftS, const std::function<QDateTime()>& now);

// Writes every card, after erasing the reader's card memory when asked; stops
// at the first card the reader does not take, or when `stopped` says so.
// `progress` hears the count of cards taken before each card is sent.
struct CardPush {
  Outcome outcome = Outcome::Ok;  // of the erase or of the card that was not taken
  bool eraseFailed = false;
  bool memoryFull = false;  // the reader said so of the card it did not take
  int sent = 0;
  bool stopped = false;
  Why why() const { return stopped ? Why::Stopped : memoryFull ? Why::MemoryFull : WhyOf(outcome); }
  bool ok() const { return why() == Why::Done; }
};
CardPush PushCards(ExchangeEnv& env, DeviceId deviceId, const std::vector<quint32>& cards, bool eraseFirst,
                   const std::function<bool()>& stopped = {}, const std::function<void(int sent)>& progress = {});

// The records pull into the access log, with its erase guarantees.
// The steps of a pull, told as each begins. With a store, Storing commits the
// records with their journal, Logging appends the lines, Confirming deletes
// the journal; without one, only Logging comes between download and erase.
enum class PullStage { Downloading, Storing, Logging, Confirming, Erasing };
enum class PullEnd {
  NoRecords,       // the counter said none, or could not be read
  DownloadFailed,  // nothing usable came
  LogFailed,       // a line did not reach the log: the reader keeps its records
  StoreFailed,     // the store refused them (or a journal it keeps): the reader keeps its records
  Incomplete,      // the download did not end on the end-of-records frame: no erase
  EraseFailed,     // everything is logged, but the erase was not confirmed
  Stopped,         // everything is logged; the user stopped before the erase
  Erased,
  Kept,  // everything is logged; no erase was asked for
  Cut,   // the user ended the download: nothing was logged or erased
};
struct Pull {
  PullEnd end = PullEnd::NoRecords;
  int records = 0;  // lines written to the log
  Why why() const;
  bool ok() const { return why() == Why::Done; }
};
// What a pull tells while it runs and asks of its user; each may be empty.
struct PullWatch {
  std::function<void(PullStage)> stage;              // as each step begins
  std::function<void(int got, int count)> download;  // frames so far (0 first), of the counter's
  std::function<bool()> stopped;                     // asked once more before the erase
  std::function<bool()> cut;                         // asked while the records come: ends the download
};
// Counts, downloads, appends every record to the log and, when `erase` is
// set, erases the reader's memory — only after every line reached stable
// storage and the download ended on the reader's end-of-records frame.
// A download `cut` short keeps nothing: the reader holds every record still.
// With a store, the log of an earlier pull cut short is completed first, the
// records are stored, only those new to the store reach the log (storedpull.h),
// and nothing is erased unless the store committed them too; `records` counts
// the lines written.
Pull PullRecords(ExchangeEnv& env, DeviceId deviceId, qint16 recordType, AccessLog& log, bool erase,
                 const PullWatch& watch = {}, const StoreTarget* store = nullptr);

// The records pull with the record type of the reader's own settings, read first.
struct ReaderPull {
  Why settings = Why::TimedOut;  // the settings read; nothing else was done unless Done
  int recordType = 0;            // 1 entry, 2 exit
  Pull pull;
  Why why() const { return settings != Why::Done ? settings : pull.why(); }
  bool ok() const { return why() == Why::Done; }
};
ReaderPull PullReaderRecords(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& model, AccessLog& log, bool erase,
                             const PullWatch& watch = {}, const StoreTarget* store = nullptr);

}  // namespace tessaro
