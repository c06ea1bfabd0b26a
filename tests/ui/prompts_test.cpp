// The real boxes and file dialog behind the user seam.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "language.h"
#include "qtprompts.h"
#include "texts.h"

namespace tessaro {
namespace {

// Runs `act` on the modal dialog once it is up.
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->deleteLater();
      act(d);
    }
  });
  timer->start(5);
}

TEST(QtPrompts, PlainBoxesAndQtsOwnFileDialog) {
  QtPrompts prompts;
  // What the box offers, what the user presses → the answer.
  const std::pair<QMessageBox::StandardButton, bool> answers[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}};
  for (const auto& [button, yes] : answers) {
    WhenShown<QMessageBox>([button = button](QMessageBox* box) {
      EXPECT_EQ(std::make_tuple(box->windowTitle(), box->icon(), box->standardButtons()),
                std::make_tuple(text::kAppTitle, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No));
      box->button(button)->click();
    });
    EXPECT_EQ(prompts.confirm("?"), yes);
  }
  WhenShown<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->accept();
  });
  prompts.message("!");
  WhenShown<QFileDialog>([](QFileDialog* dlg) {
    EXPECT_EQ(std::make_tuple(dlg->objectName(), dlg->windowTitle(), dlg->nameFilters()),
              std::make_tuple(QString("Dlg"), QString("Aç"), QStringList{"Veri (*.txt)", "Metin (*.log)"}));
    // A name may be typed that does not exist yet, or one that does, which the export then overwrites.
    EXPECT_EQ(std::make_tuple(dlg->testOption(QFileDialog::DontUseNativeDialog), dlg->testOption(QFileDialog::DontConfirmOverwrite), dlg->fileMode()),
              std::make_tuple(true, true, QFileDialog::AnyFile));
    dlg->reject();
  });
  EXPECT_TRUE(prompts.chooseFile("Aç", QDir::tempPath(), "Veri (*.txt)|*.txt|Metin|*.log").cancelled);
}

// Qt's own texts follow the window's language, whatever the desktop's: a
// question's buttons, the file dialog and a text box's menu.
TEST(QtPrompts, QtsOwnTextsInTheWindowsLanguage) {
  // Without the accelerator marks and the shortcuts.
  const auto plain = [](QString s) { return s.remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0); };
  const struct { Language language; QStringList box, dialog; const char* undo; } rows[] = {
      {Language::Turkish, {"Evet", "Hayır"}, {"Arama konumu:", "Dosya adı:", "Aç", "İptal"}, "Geri al"},
      {Language::English, {"Yes", "No"}, {"Look in:", "File name:", "Open", "Cancel"}, "Undo"}};
  for (const auto& r : rows) {
    const Translations translations(r.language);
    ASSERT_EQ(translations.missing(), "");
    QtPrompts prompts;
    QStringList box, dialog;
    WhenShown<QMessageBox>([&](QMessageBox* b) {
      box << plain(b->button(QMessageBox::Yes)->text()) << plain(b->button(QMessageBox::No)->text());
      b->reject();
    });
    prompts.confirm("?");
    WhenShown<QFileDialog>([&](QFileDialog* d) {
      for (const char* label : {"lookInLabel", "fileNameLabel"}) dialog << plain(d->findChild<QLabel*>(label)->text());
      for (QAbstractButton* b : d->findChild<QDialogButtonBox*>()->buttons()) dialog << plain(b->text());
      d->reject();
    });
    prompts.chooseFile("Aç", QDir::tempPath(), "Veri (*.txt)|*.txt");
    EXPECT_EQ(box, r.box);
    EXPECT_EQ(dialog, r.dialog);
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    EXPECT_EQ(plain(menu->actions().first()->text()), QString::fromUtf8(r.undo));
  }
}

}  // namespace
}  // namespace tessaro
