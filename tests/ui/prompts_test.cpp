// The real boxes and file dialog behind the user seam.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

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
    EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
    dlg->reject();
  });
  EXPECT_TRUE(prompts.chooseFile("Aç", QDir::tempPath(), "Veri (*.txt)|*.txt|Metin|*.log").cancelled);
}

}  // namespace
}  // namespace tessaro
