// scan: every address of a range, and the readers that answer.

#include <QJsonArray>

#include "job.h"
#include "readers.h"
#include "settingsfields.h"

namespace tessaro::cli {

bool PrepareScan(Job& job, QString* why) {
  // The reader addresses, as --id takes them.
  const std::optional<int> from = IntegerIn(job.option("--from", QStringLiteral("1")), 1, 255);
  const std::optional<int> to = IntegerIn(job.option("--to", QStringLiteral("255")), 1, 255);
  if (!from || !to || *to < *from) {
    *why = QStringLiteral("--from and --to: addresses from 1 to 255, --from first");
    return false;
  }
  for (int id = *from; id <= *to; ++id) job.addresses.push_back(id);
  return true;
}

std::vector<int> EveryAddress() {
  std::vector<int> all;
  for (int id = 1; id <= 255; ++id) all.push_back(id);
  return all;
}

ReaderRow ScanRow(Job& job, int address, const ProbedReader& p) {
  // A model given narrows the family; the fields its candidates read apart stay unknown.
  const ReaderModel model = p.family.within(job.model(address));
  QJsonArray names;
  for (DeviceModel m : (model.none() ? p.family : model).candidates()) names.append(QLatin1String(Facts(m).name));
  if (!p.ok())
    return Failed(address, Status(p.why()), QStringLiteral("garbled or differing replies: two readers on one address?"))
        .set("models", names);
  if (model.none()) return ModelRow(address, Why::OtherModel, p.family, job.model(address)).set("models", names);
  const ReceivedSettings s = InterpretSettings(p.reply, model);
  const QJsonObject fields = SettingsJson(s, model);
  ReaderRow r{address};
  r.set("models", names).set("relay_time", static_cast<double>(s.relayTime)).set("record_type", RecordTypeName(s.recordType));
  return r.set("run_mode", fields["run_mode"]).set("master_card", fields["master_card"]);
}

}  // namespace tessaro::cli
