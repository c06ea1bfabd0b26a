// records count, records pull.

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include "job.h"
#include "readers.h"
#include "records.h"

namespace tessaro::cli {

bool PrepareRecordsPull(Job& job, QString* why) {
  const QString path = job.option("--log", QStringLiteral("AccessFile.txt"));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
    *why = QStringLiteral("cannot write the log %1").arg(path);
    return false;
  }
  job.log = std::make_unique<AccessLog>(QFileInfo(f).absoluteFilePath());
  job.firstStop = QStringLiteral(
      "stopping after this reader's download; nothing will be erased (Ctrl-C again ends "
      "the download now)");
  job.secondStop = QStringLiteral("ending the download now; nothing will be erased");
  return true;
}

std::optional<ReaderRow> RunRecordsCount(Job&, ExchangeEnv& env, int address) {
  Outcome outcome = Outcome::NoReply;
  const std::optional<int> count = ReadRecordCount(env, address, &outcome);
  if (!count) return Failed(address, Reason(outcome), QStringLiteral("no record count (%1)").arg(Reason(outcome)));
  return ReaderRow{address}.set("records", *count);
}

std::optional<ReaderRow> RunRecordsPull(Job& job, ExchangeEnv& env, int address) {
  // The record type is the reader's own, from its settings.
  const StoreTarget target{job.store.get(), job.line, QSysInfo::machineHostName()};
  PullWatch watch{.stopped = [&job] { return job.interrupted(); }, .cut = [&job] { return job.interruptions() > 1; }};
  watch.download = [&job](int got, int count) {
    if (got == 0) job.progress.begin(count);
    job.progress.step(QStringLiteral("records"), got);
  };
  const ReaderPull rp =
      PullReaderRecords(env, address, job.model(address), *job.log, job.has("--erase"), watch, &target);
  if (rp.settings != Why::Done)
    return Failed(address, Status(rp.why()),
                  QStringLiteral("no settings read for the record type (%1)").arg(Status(rp.why())));
  const Pull& pull = rp.pull;
  ReaderRow r{address};
  r.set("records", pull.records)
      .set("record_type", RecordTypeName(rp.recordType))
      .set("erased", pull.end == PullEnd::Erased);
  if (rp.ok()) return r;
  r.status = Status(rp.why());
  QString why;
  switch (rp.why()) {
    case Why::TimedOut: why = QStringLiteral("its records did not come"); break;
    case Why::LogFailed:
      why = QStringLiteral("not every line reached %1; its memory was not erased").arg(job.log->path());
      break;
    case Why::StoreFailed:
      why = QStringLiteral("the store %1 refused its records (%2); its memory was not erased")
                .arg(job.store->address().shown(), job.store->lastError());
      break;
    case Why::Incomplete:
      why = QStringLiteral("the download did not end on the end-of-records frame; its memory was not erased");
      break;
    case Why::EraseFailed: why = QStringLiteral("its records are logged, but the erase was not confirmed"); break;
    default:
      why = pull.end == PullEnd::Cut
                ? QStringLiteral("its download was ended by the user; nothing was logged or erased")
                : QStringLiteral("its records are logged; stopped by the user before the erase");
      break;
  }
  r.error = QStringLiteral("reader %1: %2").arg(address).arg(why);
  return r;
}

}  // namespace tessaro::cli
