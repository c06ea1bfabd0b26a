#pragma once
// Work asked of a line by anyone who shares the store (the web console), done
// by the program on the PC that owns the line: a row of `jobs` a request,
// claimed by one worker, with a row of `job_readers` for each reader's result
// as it comes. Claiming takes the oldest queued job of the worker's lines in
// one statement; on PostgreSQL with FOR UPDATE SKIP LOCKED, so that two
// workers never take the same job.
//
// The console's own tables (users, sessions, API tokens) are created in the
// same schema step; the console reads and writes them itself.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "recordstore.h"

namespace tessaro {

// The statements of schema version 4 (recordstore.cpp runs them in order).
const std::vector<const char*>& ConsoleSchema();

enum class JobKind { Pull, Apply, Sync };
// "pull", "apply", "sync"
QString JobKindName(JobKind kind);
std::optional<JobKind> JobKindFromName(const QString& name);

// queued -> running -> done | failed
struct LineJob {
  qint64 id = 0;
  QString line;
  JobKind kind = JobKind::Pull;
  QString state;
  QString requestedBy, requestedAt;
  QString worker, startedAt, finishedAt;
  QString summary;  // a short word of the end: "3 of 3 readers", or why nothing was done
};

struct JobReader {
  int address = 0;
  bool ok = false;
  QString result;                // "done", "time-out", …
  std::optional<qint64> records;  // pull: records taken
  std::optional<qint64> drift;    // sync: seconds, reader minus PC, as found
  QString at;                    // UTC, ISO 8601
};

// A new queued job; its id, or nullopt when the store refused.
std::optional<qint64> QueueJob(RecordStore& store, const QString& line, JobKind kind, const QString& requestedBy);
// Takes the oldest queued job of `lines` for `worker`; nullopt with an empty
// lastError() when there is none.
std::optional<LineJob> ClaimJob(RecordStore& store, const QStringList& lines, const QString& worker);
bool AddJobReader(RecordStore& store, qint64 job, const JobReader& reader);
bool FinishJob(RecordStore& store, qint64 job, bool ok, const QString& summary);
std::optional<LineJob> FindJob(RecordStore& store, qint64 id);
// The newest first; of one line when `line` is given.
std::optional<std::vector<LineJob>> ListJobs(RecordStore& store, const QString& line, int limit);
std::optional<std::vector<JobReader>> JobReaders(RecordStore& store, qint64 job);

// What the last finished job of each kind said of each reader of a line.
struct ReaderStatus {
  int address = 0;
  std::optional<JobReader> pull, sync, apply;
};
std::optional<std::vector<ReaderStatus>> LineStatus(RecordStore& store, const QString& line);

}  // namespace tessaro
