#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "app/qtprompts.h"

namespace tessaro {
namespace {

// Runs `act` on the modal dialog every 10 ms while one is up, until it returns true.
template <typename Dialog>
void whileShown(std::function<bool(Dialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (d && act(d)) timer->deleteLater();
  });
  timer->start(10);
}

// Messages are plain OK boxes, confirmations Yes/No boxes without icon; only Yes goes on.
TEST(QtPrompts, MessageAndConfirmationBoxes) {
  QtPrompts prompts;
  const std::tuple<bool, QMessageBox::StandardButton, bool> cases[] = {
      // confirmation, what the user does (NoButton: closes the box), result
      {false, QMessageBox::Ok, false}, {true, QMessageBox::Yes, true}, {true, QMessageBox::No, false},
      {true, QMessageBox::NoButton, false}};
  for (const auto& [question, button, result] : cases) {
    bool seen = false;
    whileShown<QMessageBox>([&, question = question, button = button](QMessageBox* box) {
      seen = true;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Tessaro TS-20,30,40,90 Konfigürasyon V3.0"));
      EXPECT_EQ(box->text(), QStringLiteral("Haberleşme Portu Açılamadı"));
      EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
      EXPECT_EQ(box->standardButtons(), question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
      if (button == QMessageBox::NoButton) box->reject();
      else box->button(button)->click();
      return true;
    });
    const QString text = QStringLiteral("Haberleşme Portu Açılamadı");
    if (question) {
      EXPECT_EQ(prompts.confirm(text), result) << button;
    } else {
      prompts.message(text);
    }
    EXPECT_TRUE(seen) << button;
  }
}

TEST(QtPrompts, FilterDescriptionNamesItsPattern) {
  const std::pair<const char*, const char*> cases[] = {
      {"Veri Dosyaları (*.txt)|*.txt", "Veri Dosyaları (*.txt)"}, {"Metin|*.txt", "Metin (*.txt)"},
      {"Veri (*.txt)|*.txt|Tümü (*.*)|*.*", "Veri (*.txt);;Tümü (*.*)"}, {"*.txt", "*.txt"}, {"", ""}};
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(QtPrompts::qtFilter(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
  }
}

TEST(QtPrompts, FileDialogIsQtsOwnWithTitleFolderAndFilter) {
  QtPrompts prompts;
  const QString folder = QDir::tempPath(), filter = QStringLiteral("Veri Dosyaları (*.txt)|*.txt");
  whileShown<QFileDialog>([&](QFileDialog* dlg) {
    EXPECT_EQ(dlg->objectName(), QStringLiteral("Dlg"));
    EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Kart Listesini Kaydet"));
    EXPECT_EQ(QDir(dlg->directory()).canonicalPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(dlg->nameFilters(), QStringList({QStringLiteral("Veri Dosyaları (*.txt)")}));
    dlg->reject();
    return true;
  });
  const FileChoice c = prompts.chooseFile(QStringLiteral("Kart Listesini Kaydet"), folder, filter);
  EXPECT_TRUE(c.cancelled);
  EXPECT_TRUE(c.fileName.isEmpty());

  // The name is typed into the box, as the user does; the dialog lists the folder in
  // the background, so it is accepted once it has taken the selection (or given up after 2 s).
  const QString wanted = QDir(folder).filePath(QStringLiteral("kartlar.txt"));
  int tries = 0;
  whileShown<QFileDialog>([&](QFileDialog* dlg) {
    if (auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText("kartlar.txt");
    if (dlg->selectedFiles() == QStringList{wanted}) QMetaObject::invokeMethod(dlg, "accept");
    else if (++tries > 200) dlg->reject();
    else return false;
    return true;
  });
  const FileChoice chosen = prompts.chooseFile(QStringLiteral("Aç"), folder, filter);
  EXPECT_FALSE(chosen.cancelled);
  EXPECT_EQ(QFileInfo(chosen.fileName).fileName(), QStringLiteral("kartlar.txt"));
}

}  // namespace
}  // namespace tessaro
