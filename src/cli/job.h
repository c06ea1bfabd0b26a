#pragma once
// One run of a command: what the user asked, the console, and what the
// command's prepare routine read for its reader routine. The routines the
// command table names, by family.

#include <QDateTime>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "accesslog.h"
#include "accessmodel.h"
#include "console.h"
#include "line.h"
#include "linefile.h"
#include "link.h"
#include "options.h"
#include "output.h"
#include "progress.h"
#include "recordquery.h"
#include "recordstore.h"
#include "scan.h"
#include "sitefile.h"

namespace tessaro::cli {

struct Job {
  const Options& options;
  Console& console;
  std::vector<int> addresses;  // in order; a scanned command's prepare routine sets its range
  QString linkText;            // the link as a line file names it
  std::map<int, ReaderModel> learned;  // what a reader's settings reply told of its model

  // Read before any reader is touched, used reader by reader.
  std::vector<std::pair<QString, QString>> fields;  // settings set: FIELD=VALUE as named
  std::vector<quint32> fileCards;                   // cards push, cards diff
  std::unique_ptr<AccessLog> log;                   // records pull
  std::optional<QDateTime> time;                    // clock set; none: the PC's time at the request
  int maxDrift = 2;                                 // clock sync, seconds
  std::optional<LineFile> lineFile;                   // line plan, line apply
  std::optional<int> foundAt;                       // line apply: where the replaced reader answers
  std::unique_ptr<RecordStore> store;               // the commands that take --db
  QString line;                                     // the name the store keeps a pull's records under
  PassageFilter filter;                             // records query
  Progress progress{console.err, console.clock, console.progress};
  // What the first Ctrl-C does and what a second one does, said when pressed.
  QString firstStop = QStringLiteral("stopping after the exchange in progress");
  QString secondStop = firstStop;
  std::optional<AccessData> access;                 // access plan, access apply: read before any reader is asked
  std::optional<SiteFile> site;                     // site load

  // The command's own option as given, or `byDefault`; a flag's value is empty.
  QString option(const char* name, const QString& byDefault = {}) const {
    return options.own.value(QLatin1String(name), byDefault);
  }
  bool has(const char* name) const { return options.own.contains(QLatin1String(name)); }
  int interruptions() const { return console.interrupted ? console.interrupted->load() : 0; }
  bool interrupted() const { return interruptions() > 0; }
  // Writes a line to stderr, the progress line taken away first.
  void say(const QString& text) {
    progress.clear();
    console.err << "tessaro-cli: " << text << Qt::endl;
  }
  // Several readers, by list or by scan.
  bool severalReaders() const { return !options.ids || options.ids->size() > 1; }
  // How a scan of `total` addresses goes: --full-wait, Ctrl-C, the address being asked on the progress line.
  ScanOptions scanOptions(qint64 total) {
    progress.begin(total);
    return {.fullWait = options.fullWait,
            .cancelled = [this] { return interrupted(); },
            .asking = [this, k = qint64(0)](int address, int answered) mutable {
              progress.step(QStringLiteral("scanning address %1,").arg(address), ++k, answered);
            }};
  }
  // What is known of the reader's model: given, or learned from its reply.
  ReaderModel model(int address) const {
    const auto it = learned.find(address);
    return it != learned.end() ? it->second : options.models.of(address);
  }
};

// A reader refused because its model is only a family, or because it answered
// as other models than the one given; `model` holds the candidates.
ReaderRow ModelRow(int address, Why why, const ReaderModel& model, const ReaderModel& given);
// The reader's model made known for a command that needs it: the one given,
// else what its settings reply tells (learned into the job); nullopt when it
// is known, else the reader's failed row.
std::optional<ReaderRow> KnowModel(Job& job, ExchangeEnv& env, int address);

// scancommand.cpp
bool PrepareScan(Job& job, QString* why);
// A reader a scan found, as its row.
ReaderRow ScanRow(Job& job, int address, const ProbedReader& probe);
// Every reader address, 1 to 255.
std::vector<int> EveryAddress();

// settingscommands.cpp
bool PrepareSettingsSet(Job& job, QString* why);
std::optional<ReaderRow> RunSettingsGet(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunSettingsSet(Job& job, ExchangeEnv& env, int address);

// clockcommands.cpp
bool PrepareClockSet(Job& job, QString* why);
bool PrepareClockSync(Job& job, QString* why);
std::optional<ReaderRow> RunClockGet(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunClockSet(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunClockSync(Job& job, ExchangeEnv& env, int address);

// cardcommands.cpp
bool PrepareCardFile(Job& job, QString* why);
bool PrepareCardsPush(Job& job, QString* why);
bool PrepareCardsErase(Job& job, QString* why);
std::optional<ReaderRow> RunCardsPull(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunCardsPush(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunCardsErase(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunCardsDiff(Job& job, ExchangeEnv& env, int address);

// linecommands.cpp
bool PrepareLineSave(Job& job, QString* why);
bool PrepareLinePlan(Job& job, QString* why);
bool PrepareLineApply(Job& job, QString* why);
std::vector<ReaderRow> RunLineSave(Job& job, ExchangeEnv& env);
std::vector<ReaderRow> RunLinePlan(Job& job, ExchangeEnv& env);
std::vector<ReaderRow> RunLineApply(Job& job, ExchangeEnv& env);
// A plan's cards as the line commands say them ("add 3", "erase all and send 20 (1 to remove)").
QString CardsText(const ReaderPlan& plan);
// What still differs after a write.
QString Differences(const ReaderPlan& after);

// recordcommands.cpp
bool PrepareRecordsPull(Job& job, QString* why);
std::optional<ReaderRow> RunRecordsCount(Job& job, ExchangeEnv& env, int address);
std::optional<ReaderRow> RunRecordsPull(Job& job, ExchangeEnv& env, int address);

// storecommands.cpp
// Opens the store of --db (or the window's) into job.store, or says why not.
bool OpenStore(Job& job, QString* why);
bool PrepareRecordsQuery(Job& job, QString* why);
bool PrepareRecordsImport(Job& job, QString* why);
int RunRecordsQuery(Job& job);
int RunRecordsImport(Job& job);
int RunHoldersImport(Job& job);

// accesscommands.cpp
bool PrepareSiteLoad(Job& job, QString* why);
bool PrepareAccessPlan(Job& job, QString* why);
bool PrepareAccessApply(Job& job, QString* why);
int RunSiteLoad(Job& job);
int RunAccessImport(Job& job);
int RunAccessExport(Job& job);
int RunAccessPlan(Job& job);
int RunAccessApply(Job& job);

// workcommand.cpp
bool PrepareWork(Job& job, QString* why);
int RunWork(Job& job);

// holdercommands.cpp
int RunHolderAdd(Job& job);
int RunHolderEdit(Job& job);
int RunHolderDisable(Job& job);
int RunHolderShow(Job& job);
int RunGroupAdd(Job& job);
int RunGroupDoors(Job& job);
int RunGroupMembers(Job& job);
int RunDoorAdd(Job& job);
int RunDoorName(Job& job);

}  // namespace tessaro::cli
