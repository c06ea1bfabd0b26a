// line save, line plan, line apply: the readers of a line against a file.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <map>

#include "job.h"
#include "line.h"
#include "readers.h"
#include "scan.h"
#include "settingsfields.h"

namespace tessaro::cli {

namespace {

QString ProblemText(const QString& path, const LineFileProblem& p) {
  QString where = path;
  if (p.address >= 0) where += QStringLiteral(", reader %1").arg(p.address);
  if (!p.field.isEmpty()) where += QStringLiteral(", field %1").arg(p.field);
  QString what;
  switch (p.kind) {
    case LineFileProblem::NotJson: what = QStringLiteral("not JSON (at character %1)").arg(p.value); break;
    case LineFileProblem::NotLineFile: what = QStringLiteral("not a line file"); break;
    case LineFileProblem::UnknownFormat: what = QStringLiteral("unknown format %1").arg(p.value); break;
    case LineFileProblem::UnknownField: what = QStringLiteral("not a field of this entry"); break;
    case LineFileProblem::BadAddress: what = QStringLiteral("not a reader address from 1 to 255"); break;
    case LineFileProblem::UnknownModel: what = QStringLiteral("unknown model '%1'").arg(p.value); break;
    case LineFileProblem::BadValue: what = QStringLiteral("'%1' cannot be sent").arg(p.value); break;
    case LineFileProblem::NoReadOnly: what = QStringLiteral("%1 has no read-only run mode").arg(p.value); break;
    case LineFileProblem::TwoEntries: what = QStringLiteral("a second entry for this address"); break;
    case LineFileProblem::BadCard: what = QStringLiteral("'%1' is not a card number").arg(p.value); break;
    case LineFileProblem::TooManyCards: what = QStringLiteral("%1 cards, more than the model holds").arg(p.value); break;
    case LineFileProblem::NoRelayTime:
      what = QStringLiteral("%1 takes no relay time in the entry's run mode (it is sent as 1)").arg(p.value);
      break;
    case LineFileProblem::ModelConflict: what = QStringLiteral("not %1, the model given with --model").arg(p.value); break;
  }
  return QStringLiteral("%1: %2").arg(where, what);
}

// --id LIST, or every reader address.
std::vector<int> LineAddresses(const Options& o) {
  if (o.ids) return *o.ids;
  std::vector<int> all;
  for (int id = 1; id <= 255; ++id) all.push_back(id);
  return all;
}

QString ValueText(const QJsonValue& v) {
  const QString text = v.toVariant().toString();
  return text.isEmpty() ? QStringLiteral("\"\"") : text;
}

}  // namespace

QString CardsText(const ReaderPlan& plan) {
  switch (plan.cards) {
    case CardsPlan::NotManaged: return {};
    case CardsPlan::Same: return QStringLiteral("same");
    case CardsPlan::Add: return QStringLiteral("add %1").arg(plan.add.size());
    case CardsPlan::Replace:
      return QStringLiteral("erase all and send %1 (%2 to remove)").arg(plan.add.size()).arg(plan.remove.size());
    case CardsPlan::Unknown: return QStringLiteral("not readable, left as they are");
    case CardsPlan::SendWhole: return QStringLiteral("erase all and send %1").arg(plan.add.size());
  }
  return {};
}

// A planned reader of the file, or one that answers and is not in it.
struct Planned {
  const LineEntry* entry = nullptr;
  int address = 0;
  ReaderPlan plan;
  bool extra = false;  // answers, not in the file
};

// Each setting that differs as "field:now->wanted".
QJsonArray SettingsText(const ReaderPlan& plan) {
  QJsonArray settings;
  for (const SettingChange& c : plan.settings)
    settings.append(QStringLiteral("%1:%2->%3").arg(c.field, ValueText(c.now), ValueText(c.wanted)));
  return settings;
}

// What still differs after a write, field by field.
QString Differences(const ReaderPlan& after) {
  QStringList parts;
  for (const QJsonValue& v : SettingsText(after)) parts << v.toString();
  if (!after.add.empty() || !after.remove.empty())
    parts << QStringLiteral("cards (%1 missing, %2 not in the entry)").arg(after.add.size()).arg(after.remove.size());
  if (after.unsendable || after.refused) parts << QStringLiteral("a setting no write may send");
  return parts.join(QStringLiteral(", "));
}

namespace {

ReaderRow PlanRow(const Planned& p) {
  if (p.extra) return Failed(p.address, QStringLiteral("not in file"), QStringLiteral("answers but is not in the file"));
  const ReaderPlan& plan = p.plan;
  if (plan.read == Why::OtherModel) return ModelRow(p.address, plan.read, plan.answeredAs, p.entry->model);
  if (!plan.answered())
    return Failed(p.address, Status(plan.read), QStringLiteral("no plan (%1)").arg(Status(plan.read)));
  if (plan.refused) {
    const QString model = p.entry->model.name();
    return Failed(p.address, QStringLiteral("invalid value"),
                  plan.refused->kind == FieldRefusal::NoRelayTime
                      ? QStringLiteral("%1 takes no relay time in the run mode it is to have (it is sent as 1)").arg(model)
                      : QStringLiteral("%1 does not take its %2").arg(model, plan.refused->field));
  }
  if (plan.unsendable)
    return Failed(p.address, QStringLiteral("invalid value"),
                  QStringLiteral("its %1 holds a value no settings write may send; name it in the file")
                      .arg(SettingsFieldName(*plan.unsendable)));
  ReaderRow r{p.address, plan.nothingToDo() ? QStringLiteral("ok") : QStringLiteral("differs")};
  if (plan.at.value() != p.address) r.set("found_at", plan.at.value());
  r.set("model", p.entry->model.name()).set("settings", SettingsText(plan)).set("cards", CardsText(plan));
  r.set("add", static_cast<int>(plan.add.size())).set("remove", static_cast<int>(plan.remove.size()));
  return r;
}

// Plans the file's readers of the run first, then looks for readers of the
// run's addresses that answer but are not in the file (unless --no-scan).
std::vector<Planned> PlanLine(Job& job, ExchangeEnv& env) {
  const LineFile& file = *job.lineFile;
  const bool unreadable = job.has("--send-unreadable-cards");
  std::vector<Planned> planned;
  std::vector<int> others, entries;
  for (const int id : LineAddresses(job.options)) (file.find(id) ? entries : others).push_back(id);
  job.progress.begin(static_cast<qint64>(entries.size()));
  for (size_t i = 0; i < entries.size() && !job.interrupted(); ++i) {
    const int id = entries[i];
    job.progress.step(QStringLiteral("reading address %1,").arg(id), static_cast<qint64>(i + 1),
                      static_cast<int>(planned.size()));
    planned.push_back(Planned{file.find(id), id, PlanReader(env, *file.find(id), job.foundAt.value_or(id), unreadable)});
  }
  if (!job.has("--no-scan") && !job.interrupted())
    for (const ScannedReader& found : ScanLine(env, others, job.scanOptions(static_cast<qint64>(others.size()))).readers)
      planned.push_back(Planned{nullptr, found.address, {}, true});
  std::sort(planned.begin(), planned.end(), [](const Planned& a, const Planned& b) { return a.address < b.address; });
  return planned;
}

bool ReadLineFile(Job& job, QString* why) {
  const QString path = job.options.operands.value(0);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    *why = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
    return false;
  }
  const GivenModels& given = job.options.models;
  auto parsed = ParseLineFile(f.readAll(), [&given](int address) { return given.of(address); });
  if (const auto* problem = std::get_if<LineFileProblem>(&parsed)) {
    *why = ProblemText(path, *problem);
    return false;
  }
  job.lineFile = std::get<LineFile>(std::move(parsed));
  // Nothing is written from a value read with another model's layout: an
  // entry that writes needs its one model.
  for (const int id : LineAddresses(job.options)) {
    const LineEntry* e = job.lineFile->find(id);
    const QString field = e ? e->firstWritten() : QString();
    if (e && !e->model.known() && (!field.isEmpty() || job.has("--found-at"))) {
      *why = QStringLiteral("%1, reader %2, field %3: its model is one of %4; name one in the file or give --model %2=MODEL")
                 .arg(path)
                 .arg(id)
                 .arg(field.isEmpty() ? QStringLiteral("model") : field, ModelNames(e->model.candidates()));
      return false;
    }
  }
  if (job.has("--found-at")) {
    const std::optional<int> at = IntegerIn(job.option("--found-at"), 1, 255);
    if (!at) {
      *why = QStringLiteral("--found-at: give the address from 1 to 255 where the replaced reader answers");
      return false;
    }
    if (!job.options.ids || job.options.ids->size() != 1 || !job.lineFile->find(job.options.ids->front())) {
      *why = QStringLiteral("--found-at takes one --id, the address of the file's entry the reader replaces");
      return false;
    }
    job.foundAt = at;
  }
  return true;
}

}  // namespace

bool PrepareLineSave(Job& job, QString* why) {
  const QFileInfo target(job.options.operands.value(0));
  if (!target.absoluteDir().exists()) {
    *why = QStringLiteral("cannot write %1: no such folder").arg(target.filePath());
    return false;
  }
  return true;
}

bool PrepareLinePlan(Job& job, QString* why) { return ReadLineFile(job, why); }

bool PrepareLineApply(Job& job, QString* why) {
  if (!ReadLineFile(job, why)) return false;
  if (!job.has("--yes") && !job.console.confirm) {
    *why = QStringLiteral("line apply asks before it writes; without a terminal give --yes");
    return false;
  }
  return true;
}

std::vector<ReaderRow> RunLineSave(Job& job, ExchangeEnv& env) {
  const Options& o = job.options;
  const bool everyAddress = !o.ids;
  LineFile file{job.linkText, {}};
  std::vector<ReaderRow> rows;
  // Every address: a scan finds the readers; listed ones are each read.
  std::map<int, ProbedReader> probed;
  std::vector<int> addresses = LineAddresses(o);
  if (everyAddress) {
    const LineScan scan = ScanLine(env, addresses, job.scanOptions(static_cast<qint64>(addresses.size())));
    addresses.clear();
    for (const ScannedReader& r : scan.readers) addresses.push_back(r.address), probed[r.address] = r.probe;
    if (scan.stoppedAt) addresses.push_back(*scan.stoppedAt);
  }
  job.progress.begin(static_cast<qint64>(addresses.size()));
  for (size_t i = 0; i < addresses.size(); ++i) {
    const int id = addresses[i];
    if (job.interrupted()) {
      rows.push_back(Failed(id, QStringLiteral("stopped"), QStringLiteral("not saved: stopped by the user")));
      break;
    }
    job.progress.step(QStringLiteral("reading address %1,").arg(id), static_cast<qint64>(i + 1),
                      static_cast<int>(rows.size()));
    const auto known = probed.find(id);
    const SavedReader saved = SaveReader(env, id, job.model(id), known == probed.end() ? nullptr : &known->second);
    // Where every address is asked, one where nothing answers is no reader.
    if (everyAddress && !saved.present) continue;
    if (saved.why == Why::OtherModel) {
      rows.push_back(ModelRow(id, saved.why, saved.family, job.model(id)));
      continue;
    }
    if (!saved.ok()) {
      rows.push_back(Failed(id, Status(saved.why), QStringLiteral("not saved (%1)").arg(Status(saved.why))));
      continue;
    }
    file.readers.push_back(saved.entry);
    ReaderRow r{id};
    r.set("model", saved.entry.model.name());
    if (saved.entry.cards) r.set("cards", static_cast<int>(saved.entry.cards->size()));
    rows.push_back(r);
  }
  // A file is the whole line or nothing: one reader short would read as removed.
  const bool whole = std::none_of(rows.begin(), rows.end(), [](const ReaderRow& r) { return r.failed(); });
  const QString path = o.operands.value(0);
  QString error;
  if (whole && !file.readers.empty() && !SaveLineFile(path, file, &error)) {
    for (ReaderRow& r : rows) r = Failed(r.address, QStringLiteral("file error"), {});
    rows.front().error = QStringLiteral("cannot write %1: %2").arg(path, error);
  } else if (!whole) {
    job.say(QStringLiteral("%1 not written: not every reader was read").arg(path));
  }
  return rows;
}

std::vector<ReaderRow> RunLinePlan(Job& job, ExchangeEnv& env) {
  std::vector<ReaderRow> rows;
  for (const Planned& p : PlanLine(job, env)) rows.push_back(PlanRow(p));
  return rows;
}

std::vector<ReaderRow> RunLineApply(Job& job, ExchangeEnv& env) {
  const std::vector<Planned> planned = PlanLine(job, env);
  std::vector<ReaderRow> rows;
  std::vector<const Planned*> toApply;
  for (const Planned& p : planned) {
    rows.push_back(PlanRow(p));
    if (rows.back().status == QLatin1String("differs")) toApply.push_back(&p);
  }
  if (toApply.empty() || job.interrupted()) return rows;
  if (!job.has("--yes")) {
    job.progress.clear();
    WriteRows(job.console.err, Format::Table, QStringLiteral("line plan"), rows);
    if (!job.console.confirm(QStringLiteral("Write this plan to %1 reader(s)?").arg(toApply.size()))) {
      for (const Planned* p : toApply)
        *std::find_if(rows.begin(), rows.end(), [p](const ReaderRow& r) { return r.address == p->address; }) =
            Failed(p->address, QStringLiteral("stopped"), QStringLiteral("not written: the plan was declined"));
      return rows;
    }
  }
  job.progress.begin(static_cast<qint64>(toApply.size()));
  for (size_t i = 0; i < toApply.size(); ++i) {
    const Planned* p = toApply[i];
    ReaderRow& row =
        *std::find_if(rows.begin(), rows.end(), [p](const ReaderRow& r) { return r.address == p->address; });
    if (job.interrupted()) {
      row = Failed(p->address, QStringLiteral("stopped"), QStringLiteral("not written: stopped by the user"));
      continue;
    }
    job.progress.step(QStringLiteral("writing address %1,").arg(p->address), static_cast<qint64>(i + 1));
    const ReaderApply a = ApplyReader(env, *p->entry, p->plan, [&job] { return job.interrupted(); });
    const bool readBack = a.after && a.after->answered();
    ReaderRow r = a.ok()     ? ReaderRow{p->address}
                  : readBack ? Failed(p->address, QStringLiteral("differs"),
                                      QStringLiteral("read back unlike its entry: %1").arg(Differences(*a.after)))
                             : Failed(p->address, Status(a.why), QStringLiteral("not applied (%1)").arg(Status(a.why)));
    r.set("model", p->entry->model.name()).set("settings_written", a.settingsWritten);
    r.set("cards_erased", a.cardsErased).set("cards_sent", a.cardsSent);
    row = r;
  }
  return rows;
}

}  // namespace tessaro::cli
