// scan: every address of a range, and the readers that answer.

#include <QJsonArray>

#include "job.h"
#include "readers.h"

namespace tessaro::cli {

bool PrepareScan(Job& job, QString* why) {
  const std::optional<int> from = IntegerIn(job.option("--from", QStringLiteral("1")), 0, 255);
  const std::optional<int> to = IntegerIn(job.option("--to", QStringLiteral("255")), 0, 255);
  if (!from || !to || *to < *from) {
    *why = QStringLiteral("--from and --to: addresses from 0 to 255, --from first");
    return false;
  }
  for (int id = *from; id <= *to; ++id) job.addresses.push_back(id);
  return true;
}

std::optional<ReaderRow> RunScan(Job& job, ExchangeEnv& env, int address) {
  const ProbedReader p = ProbeReader(env, address, job.options.model);
  if (!p.present) return std::nullopt;
  QJsonArray names;
  for (DeviceModel m : p.models) names.append(QLatin1String(Facts(m).name));
  if (!p.ok())
    return Failed(address, Status(p.why()), QStringLiteral("garbled or differing replies: two readers on one address?"))
        .set("models", names);
  const ReceivedSettings& s = *p.settings;
  ReaderRow r{address};
  r.set("models", names)
      .set("relay_time", static_cast<double>(s.relayTime))
      .set("record_type", RecordTypeName(s.recordType));
  if (s.runMode) r.set("run_mode", RunModeName(*s.runMode));
  return r.set("master_card", s.masterCard ? QString::number(*s.masterCard) : QString());
}

}  // namespace tessaro::cli
