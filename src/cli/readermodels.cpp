// The reader's model as a command needs it: given with --model, or told by
// the reader's settings reply where its length leaves one model.

#include "job.h"
#include "readers.h"

namespace tessaro::cli {

ReaderRow ModelRow(int address, Why why, const ReaderModel& model, const ReaderModel& given) {
  const QString candidates = ModelNames(model.candidates());
  const QString option = QStringLiteral("--model %1=MODEL").arg(address);
  if (why == Why::OtherModel)
    return Failed(address, Status(why),
                  QStringLiteral("it answered as %1, not as %2; give its model with %3")
                      .arg(model.known() ? candidates : QStringLiteral("one of ") + candidates,
                           ModelNames(given.candidates()), option));
  return Failed(address, Status(Why::ModelUnknown),
                QStringLiteral("its model is one of %1 (its settings reply tells no more); give it with %2")
                    .arg(candidates, option));
}

std::optional<ReaderRow> KnowModel(Job& job, ExchangeEnv& env, int address) {
  const ReaderModel given = job.model(address);
  if (given.known()) return std::nullopt;
  const ReaderSettings read = ReadReaderSettings(env, address, given);
  if (read.why == Why::OtherModel || (read.ok() && !read.model.known()))
    return ModelRow(address, read.why, read.model, given);
  if (!read.ok())
    return Failed(address, Status(read.why), QStringLiteral("no settings read for its model (%1)").arg(Status(read.why)));
  job.learned[address] = read.model;
  return std::nullopt;
}

}  // namespace tessaro::cli
