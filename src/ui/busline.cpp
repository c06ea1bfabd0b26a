// The bus view's line file: the selected readers saved into one file, the
// line compared with a file, and a file applied to the line.

#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
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
QString PlanText(const ReaderPlan& p) {
  if (!p.answered()) return BusWhyText(p.read);
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
  std::vector<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
  if (rows.empty())
    for (int r = 0; r < table_->rowCount(); ++r) rows.push_back(r);
  std::sort(rows.begin(), rows.end());
  return rows;
}

int BusView::rowOf(int address) {
  for (int r = 0; r < table_->rowCount(); ++r)
    if (table_->item(r, kAddress)->text().toInt() == address) return r;
  return addRow(address);
}

void BusView::saveLine() {
  const std::vector<int> rows = selectedOrAllRows();
  if (rows.empty()) return session_.prompts().message(text::kBusNothingSelected);
  Session::Operation op = session_.open(Session::Port::Close);
  if (!startOnLine(op)) return;
  failed_.clear();
  LineFile file;
  const ConnectionSettings c = session_.connection();
  file.link = c.tcp ? QStringLiteral("tcp %1:%2").arg(c.host).arg(c.tcpPort)
                    : QStringLiteral("serial %1").arg(session_.links().serial().deviceName(c.serialPort));
  for (const int row : rows) {
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    const SavedReader saved = SaveReader(op.env(), table_->item(row, kAddress)->text().toInt(), session_.model());
    if (saved.ok()) file.readers.push_back(saved.entry);
    result(row, saved.ok() ? text::kBusSaved : BusWhyText(saved.why), saved.ok());
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
  const auto parsed = ParseLineFile(f.readAll(), session_.model());
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
    result(row, PlanText(p), p.answered());
    table_->item(row, kResult)->setToolTip(PlanDetails(p));
  }
  // Readers of the line the file does not hold.
  for (int r = 0; r < table_->rowCount(); ++r)
    if (!file.find(table_->item(r, kAddress)->text().toInt())) result(r, text::kBusNotInFile, true);
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
    if (p.answered() && !p.nothingToDo()) lines << text::BusPlanLine(p.address, PlanText(p));
  if (lines.isEmpty()) {
    setRunning(false);
    op.finish();
    return session_.prompts().message(text::kBusNothingToApply);
  }
  // Nothing is written until the user has seen what will be.
  if (!session_.prompts().confirm(text::BusApplyQuestion(lines.join(u'\n')))) return setRunning(false);
  failed_.clear();
  for (const ReaderPlan& p : plans) {
    if (!p.answered() || p.nothingToDo()) continue;
    const int row = rowOf(p.address);
    if (cancel_) {
      result(row, BusWhyText(Why::Stopped), false);
      continue;
    }
    const ReaderApply a = ApplyReader(op.env(), *file->find(p.address), p, [this] { return cancel_; });
    result(row, a.ok() ? text::kBusApplied : BusWhyText(a.why), a.ok());
  }
  setRunning(false);
}

}  // namespace tessaro
