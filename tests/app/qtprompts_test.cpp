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

// Runs `inspect` on the modal dialog once it is up; it must close the dialog.
template <typename Dialog>
void whenShown(std::function<void(Dialog*)> inspect) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
    if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      inspect(d);
    }
  });
  timer->start();
}

TEST(QtPrompts, MessageIsAPlainOkBoxWithTheApplicationTitle) {
  QtPrompts prompts;
  bool seen = false;
  whenShown<QMessageBox>([&](QMessageBox* box) {
    seen = true;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Tessaro TS-20,30,40,90 Konfigürasyon V3.0"));
    EXPECT_EQ(box->text(), QStringLiteral("Haberleşme Portu Açılamadı"));
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    box->button(QMessageBox::Ok)->click();
  });
  prompts.message(QStringLiteral("Haberleşme Portu Açılamadı"));
  EXPECT_TRUE(seen);
}

TEST(QtPrompts, ConfirmationGoesOnOnlyWithYes) {
  QtPrompts prompts;
  const std::pair<QMessageBox::StandardButton, bool> answers[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}};
  for (const auto& [button, result] : answers) {
    whenShown<QMessageBox>([button](QMessageBox* box) {
      EXPECT_EQ(box->windowTitle(), kAppTitle);
      EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
      box->button(button)->click();
    });
    EXPECT_EQ(prompts.confirm(QStringLiteral("Emin misiniz?")), result);
  }
  // Closing the box without an answer is not a Yes.
  whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
  EXPECT_FALSE(prompts.confirm(QStringLiteral("Emin misiniz?")));
}

TEST(QtPrompts, FilterDescriptionNamesItsPattern) {
  const std::pair<const char*, const char*> cases[] = {
      {"Veri Dosyaları (*.txt)|*.txt", "Veri Dosyaları (*.txt)"},
      {"Metin|*.txt", "Metin (*.txt)"},
      {"Veri (*.txt)|*.txt|Tümü (*.*)|*.*", "Veri (*.txt);;Tümü (*.*)"},
      {"*.txt", "*.txt"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(QtPrompts::qtFilter(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

TEST(QtPrompts, FileDialogIsQtsOwnWithTitleFolderAndFilter) {
  QtPrompts prompts;
  const QString folder = QDir::tempPath();
  whenShown<QFileDialog>([&](QFileDialog* dlg) {
    EXPECT_EQ(dlg->objectName(), QStringLiteral("Dlg"));
    EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Kart Listesini Kaydet"));
    EXPECT_EQ(QDir(dlg->directory()).canonicalPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(dlg->nameFilters(), QStringList({QStringLiteral("Veri Dosyaları (*.txt)")}));
    dlg->reject();
  });
  const FileChoice c = prompts.chooseFile(QStringLiteral("Kart Listesini Kaydet"), folder,
                                          QStringLiteral("Veri Dosyaları (*.txt)|*.txt"));
  EXPECT_TRUE(c.cancelled);
  EXPECT_TRUE(c.fileName.isEmpty());

  // The dialog lists the folder in the background; pick the file once it has taken the selection.
  const QString wanted = QDir(folder).filePath(QStringLiteral("kartlar.txt"));
  QTimer picker;
  int tries = 0;  // gives up after two seconds rather than hang the suite
  QObject::connect(&picker, &QTimer::timeout, [&] {
    auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dlg) return;
    // Typed into the name box, as the user does.
    if (auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(QStringLiteral("kartlar.txt"));
    if (dlg->selectedFiles() == QStringList{wanted}) {
      QMetaObject::invokeMethod(dlg, "accept");
    } else if (++tries > 200) {
      dlg->reject();
    }
  });
  picker.start(10);
  const FileChoice chosen = prompts.chooseFile(QStringLiteral("Aç"), folder, QStringLiteral("Veri Dosyaları (*.txt)|*.txt"));
  picker.stop();
  EXPECT_FALSE(chosen.cancelled);
  EXPECT_EQ(QFileInfo(chosen.fileName).fileName(), QStringLiteral("kartlar.txt"));
}

}  // namespace
}  // namespace tessaro
