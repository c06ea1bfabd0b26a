#include "qtprompts.h"

#include "texts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace tessaro {

void QtPrompts::message(const QString& text, const QString& detail) {
  QMessageBox box(QMessageBox::NoIcon, text::kAppTitle, text, QMessageBox::Ok, parent_);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  box.exec();
}

bool QtPrompts::confirm(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, text::kAppTitle, text, QMessageBox::Yes | QMessageBox::No, parent_);
  return box.exec() == QMessageBox::Yes;
}

QString QtPrompts::qtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i];
    const QString pattern = parts[i + 1];
    if (!desc.contains(pattern)) desc += QStringLiteral(" (%1)").arg(pattern);
    out << desc;
  }
  return out.isEmpty() ? filter : out.join(QStringLiteral(";;"));
}

FileChoice QtPrompts::chooseFile(const QString& title, const QString& folder, const QString& filter) {
  QFileDialog dlg(parent_, title, folder, qtFilter(filter));
  dlg.setObjectName(QStringLiteral("Dlg"));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  // One dialog kind for both directions; overwriting is the card export's intent.
  dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  FileChoice c;
  if (dlg.exec() != QDialog::Accepted) {
    c.cancelled = true;
    return c;
  }
  const QStringList files = dlg.selectedFiles();
  c.fileName = files.isEmpty() ? QString() : files.first();
  return c;
}

void QtPrompts::beep() { QApplication::beep(); }

}  // namespace tessaro
