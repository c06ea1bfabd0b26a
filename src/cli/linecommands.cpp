// line save, line plan, line apply: the readers of a line against a file.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include "job.h"
#include "line.h"
#include "readers.h"
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
  }
  return QStringLiteral("%1: %2").arg(where, what);
}

// --id LIST, or every reader address.
std::vector<int> LineAddresses(const Options& o) {
  if (!o.allIds && !o.ids.empty()) return o.ids;
  std::vector<int> all;
  for (int id = 1; id <= 255; ++id) all.push_back(id);
  return all;
}

QString LinkText(const Options& o) {
  const char* kind = !o.tcpHost.isEmpty() ? "tcp " : !o.serialDevice.isEmpty() ? "serial " : "";
  return QLatin1String(kind) + o.linkName();
}

QString ValueText(const QJsonValue& v) {
  if (v.isBool()) return QLatin1String(v.toBool() ? "on" : "off");
  const QString text = v.toVariant().toString();
  return text.isEmpty() ? QStringLiteral("\"\"") : text;
}

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

ReaderRow PlanRow(const Planned& p) {
  if (p.extra) return Failed(p.address, QStringLiteral("not in file"), QStringLiteral("answers but is not in the file"));
  const ReaderPlan& plan = p.plan;
  if (!plan.answered())
    return Failed(p.address, Status(plan.read), QStringLiteral("no plan (%1)").arg(Status(plan.read)));
  if (plan.unsendable)
    return Failed(p.address, QStringLiteral("invalid value"),
                  QStringLiteral("its %1 holds a value no settings write may send; name it in the file")
                      .arg(SettingsFieldName(*plan.unsendable)));
  ReaderRow r{p.address, plan.nothingToDo() ? QStringLiteral("ok") : QStringLiteral("differs")};
  if (plan.at.value() != p.address) r.set("found_at", plan.at.value());
  QJsonArray settings;
  for (const SettingChange& c : plan.settings)
    settings.append(QStringLiteral("%1:%2->%3").arg(c.field, ValueText(c.now), ValueText(c.wanted)));
  r.set("model", p.entry->model).set("settings", settings).set("cards", CardsText(plan));
  r.set("add", static_cast<int>(plan.add.size())).set("remove", static_cast<int>(plan.remove.size()));
  return r;
}

// Plans every address of the run: an entry of the file is read and
// compared, any other address only asked whether a reader answers there.
std::vector<Planned> PlanLine(Job& job, ExchangeEnv& env) {
  const LineFile& file = *job.lineFile;
  const bool unreadable = job.has("--send-unreadable-cards");
  std::vector<Planned> planned;
  const std::vector<int> addresses = LineAddresses(job.options);
  for (size_t i = 0; i < addresses.size() && !job.interrupted(); ++i) {
    const int id = addresses[i];
    job.progress(QStringLiteral("reading %1").arg(id));
    Planned p{file.find(id), id};
    if (p.entry) {
      p.plan = PlanReader(env, *p.entry, job.foundAt.value_or(id), unreadable);
      planned.push_back(p);
    } else if (ProbeReader(env, id, job.options.model).present) {
      p.extra = true;
      planned.push_back(p);
    }
  }
  return planned;
}

bool ReadLineFile(Job& job, QString* why) {
  const QString path = job.options.operands.value(0);
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    *why = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
    return false;
  }
  auto parsed = ParseLineFile(f.readAll(), job.options.model);
  if (const auto* problem = std::get_if<LineFileProblem>(&parsed)) {
    *why = ProblemText(path, *problem);
    return false;
  }
  job.lineFile = std::get<LineFile>(std::move(parsed));
  if (job.has("--found-at")) {
    const std::optional<int> at = IntegerIn(job.option("--found-at"), 1, 255);
    if (!at) {
      *why = QStringLiteral("--found-at: give the address from 1 to 255 where the replaced reader answers");
      return false;
    }
    if (job.options.allIds || job.options.ids.size() != 1 || !job.lineFile->find(job.options.ids.front())) {
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
  const bool everyAddress = o.allIds || o.ids.empty();
  LineFile file{LinkText(o), {}};
  std::vector<ReaderRow> rows;
  for (const int id : LineAddresses(o)) {
    if (job.interrupted()) {
      rows.push_back(Failed(id, QStringLiteral("stopped"), QStringLiteral("not saved: stopped by the user")));
      break;
    }
    job.progress(QStringLiteral("reading %1").arg(id));
    const SavedReader saved = SaveReader(env, id, o.model);
    // Where every address is asked, one where nothing answers is no reader.
    if (everyAddress && !saved.present) continue;
    if (!saved.ok()) {
      rows.push_back(Failed(id, Status(saved.why), QStringLiteral("not saved (%1)").arg(Status(saved.why))));
      continue;
    }
    file.readers.push_back(saved.entry);
    ReaderRow r{id};
    r.set("model", saved.entry.model);
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
    job.console.err << "tessaro-cli: " << path << " not written: not every reader was read" << Qt::endl;
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
    WriteRows(job.console.err, Format::Table, QStringLiteral("line plan"), rows);
    if (!job.console.confirm(QStringLiteral("Write this plan to %1 reader(s)?").arg(toApply.size()))) {
      for (const Planned* p : toApply)
        *std::find_if(rows.begin(), rows.end(), [p](const ReaderRow& r) { return r.address == p->address; }) =
            Failed(p->address, QStringLiteral("stopped"), QStringLiteral("not written: the plan was declined"));
      return rows;
    }
  }
  for (const Planned* p : toApply) {
    ReaderRow& row =
        *std::find_if(rows.begin(), rows.end(), [p](const ReaderRow& r) { return r.address == p->address; });
    if (job.interrupted()) {
      row = Failed(p->address, QStringLiteral("stopped"), QStringLiteral("not written: stopped by the user"));
      continue;
    }
    job.progress(QStringLiteral("writing %1").arg(p->address));
    const ReaderApply a = ApplyReader(env, *p->entry, p->plan, [&job] { return job.interrupted(); });
    const bool readBack = a.after && a.after->answered();
    ReaderRow r = a.ok()      ? ReaderRow{p->address}
                  : readBack ? Failed(p->address, QStringLiteral("differs"), QStringLiteral("read back unlike its entry"))
                             : Failed(p->address, Status(a.why), QStringLiteral("not applied (%1)").arg(Status(a.why)));
    r.set("model", p->entry->model).set("settings_written", a.settingsWritten);
    r.set("cards_erased", a.cardsErased).set("cards_sent", a.cardsSent);
    row = r;
  }
  return rows;
}

}  // namespace tessaro::cli
