#include <gtest/gtest.h>

#include "printers.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"

namespace tessaro {
namespace {

using test::ScriptedPrompts;

struct Window {
  Window() {
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = dir.path();
    w = std::make_unique<MainWindow>(s);
  }
  template <typename T>
  T* c(const char* name) { return w->context().control<T>(name); }
  void click(const char* name) { c<QPushButton>(name)->click(); }
  QListWidget* list() { return c<QListWidget>("lstCardID"); }
  QStringList texts() {
    QStringList out;
    for (int i = 0; i < list()->count(); ++i) out << list()->item(i)->text();
    return out;
  }
  void add(const QString& text) {
    c<QLineEdit>("txtCardID")->setText(text);
    click("cmdAdd");
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  std::unique_ptr<MainWindow> w;
};

TEST(CardsPanel, AddMarksAndSelectsAndDeleteRemovesTheCurrentEntry) {
  Window win;
  win.add(" 1234 ");
  win.add("1234");
  win.add("x");
  ASSERT_EQ(win.texts(), (QStringList{"1234", "1234"}));
  EXPECT_EQ(win.list()->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(win.list()->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(win.list()->currentRow(), 1);
  EXPECT_EQ(win.prompts.messages, QStringList{"Lütfen geçerli bir 'Kart ID' giriniz."});
  EXPECT_EQ(win.c<QLineEdit>("txtCardID")->text(), "x");  // the box keeps its text

  win.list()->item(0)->setCheckState(Qt::Unchecked);
  win.list()->setCurrentRow(0);
  win.click("cmdDelete");
  EXPECT_EQ(win.list()->count(), 1);
  EXPECT_EQ(win.list()->item(0)->checkState(), Qt::Checked);
}

TEST(CardsPanel, LimitFollowsTheModel) {
  Window win;
  win.w->context().chooseModel(DeviceModel::TS20);
  for (int i = 0; i < 255; ++i) win.add(QString::number(i));
  win.add("999");
  EXPECT_EQ(win.list()->count(), 255);
  EXPECT_EQ(win.prompts.messages, QStringList{"En fazla 255 kart ekleyebilirsiniz"});
  win.w->context().chooseModel(DeviceModel::TS40B);
  win.add("999");
  EXPECT_EQ(win.list()->count(), 256);
  win.w->context().chooseModel(DeviceModel::TS20);
  EXPECT_EQ(win.list()->count(), 256);  // a model change keeps the list
}

TEST(CardsPanel, FocusSelectsTheWholeCardText) {
  Window win;
  win.w->show();
  auto* box = win.c<QLineEdit>("txtCardID");
  box->setText("12345");
  box->setCursorPosition(2);
  win.c<QLineEdit>("txtOldID")->setFocus();
  QApplication::processEvents();
  box->setFocus(Qt::MouseFocusReason);
  QTRY_COMPARE(box->selectedText(), QString("12345"));
}

TEST(CardsPanel, ExportAndImportThroughTheDialog) {
  Window win;
  for (const char* t : {"1", "2", "3"}) win.add(t);
  win.c<QLabel>("lblCurID")->setText("7");
  const QString path = win.dir.filePath("kart.txt");
  win.prompts.files.push_back(FileChoice{false, path, {}});
  win.click("cmdExport");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("1\r\n2\r\n3\r\n"));
  EXPECT_EQ(win.c<QLabel>("lblCurID")->text(), "");
  EXPECT_EQ(win.prompts.dialogFolders, QStringList{win.dir.path()});

  win.click("cmdDelete");
  win.list()->item(0)->setCheckState(Qt::Unchecked);
  win.prompts.files.push_back(FileChoice{false, path, {}});
  win.prompts.answers.push_back(true);
  win.click("cmdImport");
  EXPECT_EQ(win.texts(), (QStringList{"1", "2", "3"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(win.list()->item(i)->checkState(), Qt::Checked);
  EXPECT_EQ(win.list()->currentRow(), 2);
}

}  // namespace
}  // namespace tessaro
