// The bus view's line file: the selected readers saved into one file, the
// line compared with a file, and a file applied to the line.

#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QItemSelectionModel>
#include <algorithm>

#include "busview.h"
#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

namespace {

QString Value(const QJsonValue& v) {
  if (v.isBool()) return v.toBool() ? QStringLiteral("on") : QStringLiteral("off");
  return v.toVariant().toString();
}

// What the plan will do to the reader, briefly for its row.
QString PlanText(const ReaderPlan& p, const LineEntry& entry) {
  if (p.read == Why::ModelUnknown) return text::BusModelUnknown(ModelNames(entry.model.candidates()));
  if (p.read == Why::OtherModel) return text::BusOtherModel(ModelNames(p.answeredAs.candidates()));
  if (!p.answered()) return BusWhyText(p.read);
  if (p.refused) return text::BusNotTaken(entry.model.name(), p.refused->field);
  if (p.nothingToDo()) return text::kBusAsInFile;
  QStringList parts;
  QStringList fields;
  for (const SettingChange& c : p.settings) fields << c.field;
  if (!fields.isEmpty()) parts << text::BusSettingsDiffer(fields.join(QStringLiteral(", ")));
  if (p.cards == CardsPlan::Add) parts << text::BusCardsToAdd(static_cast<int>(p.add.size()));
  if (p.cards == CardsPlan::Replace || p.cards == CardsPlan::SendWhole)
    parts << text::BusCardsToReplace(static_cast<int>(p.add.size()));
  if (p.cards == CardsPlan::Unknown) parts << text::kBusCardsUnknown;
  return parts.join(QStringLiteral("; "));
}

// Every difference, for the row's tooltip.
QString PlanDetails(const ReaderPlan& p) {
  QStringList lines;
  for (const SettingChange& c : p.settings) lines << QStringLiteral("%1: %2 → %3").arg(c.field, Value(c.now), Value(c.wanted));
  for (const quint32 c : p.remove) lines << QStringLiteral("- %1").arg(c);
  if (p.cards == CardsPlan::Add)
    for (const quint32 c : p.add) lines << QStringLiteral("+ %1").arg(c);
  return lines.join(u'\n');
}

}  // namespace

std::vector<int> BusView::selectedOrAllRows() const {
  std::vector<int> rows = selectedRows();
  if (rows.empty())
    for (int r = 0; r < rows_->rowCount(); ++r) rows.push_back(r);
  return rows;
}

int BusView::rowOf(int address) {
  const int r = rows_->rowOf(address);
  return r >= 0 ? r : rows_->append(BusRow{.address = address, .family = ReaderModel::Among({}), .model = ReaderModel::Among({})});
}

void BusView::saveLine() {
  const std::vector<int> rows = selectedOrAllRows();
  if (rows.empty()) return session_.prompts().message(text::kBusNothingSelected);
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  failed_.clear();
  LineFile file;
  const ConnectionSettings c = session_.connection();
  file.link = LinkText(c.tcp, c.host, c.tcpPort, session_.links().serial().deviceName(c.serialPort));
  for (const int row : rows) {
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    // Each reader as its row knows its model: the family until the user chose.
    const SavedReader saved = SaveReader(op.env(), rows_->row(row).address, rows_->row(row).model);
    if (saved.ok()) file.readers.push_back(saved.entry);
    result(row,
           saved.ok()                        ? text::kBusSaved
           : saved.why == Why::OtherModel ? text::BusOtherModel(ModelNames(saved.family.candidates()))
                                            : BusWhyText(saved.why),
           saved.ok());
  }
  setRunning(false);
  op.finish();
  if (!file.readers.empty()) session_.saveAs(caption::cmdBusSaveLine, text::kLineFilter, LineFileBytes(file));
}

std::optional<LineFile> BusView::chooseLineFile(const QString& title) {
  Prompts& prompts = session_.prompts();
  const FileChoice choice = prompts.chooseFile(title, session_.services().programFolder, text::kLineFilter);
  if (choice.cancelled) return std::nullopt;
  QFile f(choice.fileName);
  if (choice.fileName.isEmpty() || !f.open(QIODevice::ReadOnly)) {
    prompts.message(text::kFileNotRead);
    return std::nullopt;
  }
  // A model chosen for a row narrows the file's entry for that reader.
  const auto parsed = ParseLineFile(f.readAll(), [this](int address) {
    const int r = rows_->rowOf(address);
    return r >= 0 && !rows_->row(r).model.none() ? rows_->row(r).model : ReaderModel();
  });
  if (const auto* problem = std::get_if<LineFileProblem>(&parsed)) {
    prompts.message(text::BadLineFile(QFileInfo(choice.fileName).fileName(), problem->address, problem->field));
    return std::nullopt;
  }
  return std::get<LineFile>(parsed);
}

std::vector<ReaderPlan> BusView::planLine(Session::Operation& op, const LineFile& file) {
  std::vector<ReaderPlan> plans;
  failed_.clear();
  for (const LineEntry& entry : file.readers) {
    const int row = rowOf(entry.address);
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    plans.push_back(PlanReader(op.env(), entry, entry.address, false));
    const ReaderPlan& p = plans.back();
    result(row, PlanText(p, entry), p.answered(), PlanDetails(p));
  }
  // Readers of the line the file does not hold.
  for (int r = 0; r < rows_->rowCount(); ++r)
    if (!file.find(rows_->row(r).address)) result(r, text::kBusNotInFile, true);
  return plans;
}

void BusView::compareWithFile() {
  const std::optional<LineFile> file = chooseLineFile(caption::cmdBusCompare);
  if (!file) return;
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  planLine(op, *file);
  setRunning(false);
}

void BusView::applyFile() {
  const std::optional<LineFile> file = chooseLineFile(caption::cmdBusApply);
  if (!file) return;
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  const std::vector<ReaderPlan> plans = planLine(op, *file);
  QStringList lines;
  for (const ReaderPlan& p : plans)
    if (p.answered() && !p.nothingToDo() && !p.refused) lines << text::BusPlanLine(p.address, PlanText(p, *file->find(p.address)));
  if (lines.isEmpty()) {
    setRunning(false);
    op.finish();
    return session_.prompts().message(text::kBusNothingToApply);
  }
  // Nothing is written until the user has seen what will be.
  if (!session_.prompts().confirm(text::BusApplyQuestion(lines.join(u'\n')))) return setRunning(false);
  failed_.clear();
  for (const ReaderPlan& p : plans) {
    if (!p.answered() || p.nothingToDo() || p.refused) continue;
    const int row = rowOf(p.address);
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    const ReaderApply a = ApplyReader(op.env(), *file->find(p.address), p, [this] { return cancel_; });
    const bool readBack = a.after && a.after->answered();
    result(row, a.ok() ? text::kBusApplied : readBack ? text::kBusReadBackDiffers : BusWhyText(a.why), a.ok(),
           readBack && !a.ok() ? PlanDetails(*a.after) : QString());
  }
  setRunning(false);
}

}  // namespace tessaro
