#include <gtest/gtest.h>

#include "printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
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
#include "sim/readersim.h"

namespace tessaro {
namespace {

enum class Line { None, Tcp, Pty };

// The window, optionally against a simulated TS-40B with address 1 over TCP or a pseudo-terminal.
struct Rig {
  explicit Rig(Line line) {
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = dir.path();
    s.portResolver = [this](int) { return sim.ptyPath(); };
    w = std::make_unique<MainWindow>(s);
    if (line == Line::None) return;
    w->context().chooseModel(DeviceModel::TS40B);
    reader = &sim.addReader(1, DeviceModel::TS40B);
    if (line == Line::Pty) {
      ready = sim.openPty();
      c<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal takes no parity
      return;
    }
    // txtPort holds a signed 16-bit number: the reader listens below 32768.
    for (int p = 22000 + (QCoreApplication::applicationPid() % 500) * 17; !ready && p < 32700; p += 31) {
      if (!(ready = sim.listenTcp(QHostAddress::LocalHost, static_cast<quint16>(p)))) continue;
      c<QCheckBox>("chkTCPIPActive")->setChecked(true);
      c<QLineEdit>("txtIP")->setText("127.0.0.1");
      c<QLineEdit>("txtPort")->setText(QString::number(p));
    }
  }
  template <typename T>
  T* c(const char* name) { return w->context().control<T>(name); }
  void click(const char* name, std::deque<bool> answers = {}) {
    prompts.messages.clear();
    prompts.questions.clear();
    prompts.answers = std::move(answers);
    c<QPushButton>(name)->click();
  }
  QListWidget* list() { return c<QListWidget>("lstCardID"); }
  QStringList texts() {
    QStringList out;
    for (int i = 0; i < list()->count(); ++i) out << list()->item(i)->text();
    return out;
  }
  void add(const QString& t) {
    c<QLineEdit>("txtCardID")->setText(t);
    click("cmdAdd");
  }
  std::vector<QByteArray> requests(const char* code) {
    std::vector<QByteArray> out;
    for (const QByteArray& r : sim.requests())
      if (r.startsWith(code)) out.push_back(r);
    return out;
  }

  QTemporaryDir dir;
  test::ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  sim::ReaderSim sim;
  sim::SimReader* reader = nullptr;
  bool ready = false;
  std::unique_ptr<MainWindow> w;
};

TEST(CardsPanel, LimitFollowsTheModel) {
  Rig rig(Line::None);
  rig.w->context().chooseModel(DeviceModel::TS20);
  for (int i = 0; i < 255; ++i) rig.add(QString::number(i));
  rig.add("999");
  EXPECT_EQ(rig.list()->count(), 255);
  EXPECT_EQ(rig.prompts.messages, QStringList{"En fazla 255 kart ekleyebilirsiniz"});
  rig.w->context().chooseModel(DeviceModel::TS40B);
  rig.add("999");
  EXPECT_EQ(rig.list()->count(), 256);
  rig.w->context().chooseModel(DeviceModel::TS20);
  EXPECT_EQ(rig.list()->count(), 256);  // a model change keeps the list
}

TEST(CardsPanel, FocusSelectsTheWholeCardText) {
  Rig rig(Line::None);
  rig.w->show();
  auto* box = rig.c<QLineEdit>("txtCardID");
  box->setText("12345");
  box->setCursorPosition(2);
  rig.c<QLineEdit>("txtOldID")->setFocus();
  QApplication::processEvents();
  box->setFocus(Qt::MouseFocusReason);
  QTRY_COMPARE(box->selectedText(), QString("12345"));
}

class CardsWithSim : public ::testing::TestWithParam<Line> {};

TEST_P(CardsWithSim, EveryButtonOfTheCardFrame) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  for (const char* t : {" 255 ", "4294967295", "12", "99", "x"}) rig.add(t);
  EXPECT_EQ(rig.prompts.messages, QStringList{"Lütfen geçerli bir 'Kart ID' giriniz."});
  EXPECT_EQ(rig.c<QLineEdit>("txtCardID")->text(), "x");  // the box keeps its text
  EXPECT_EQ(rig.list()->currentRow(), 3);
  rig.list()->item(3)->setCheckState(Qt::Unchecked);
  rig.click("cmdDelete");  // the current entry, marked or not
  rig.list()->item(2)->setCheckState(Qt::Unchecked);
  ASSERT_EQ(rig.texts(), (QStringList{"255", "4294967295", "12"}));
  EXPECT_EQ(rig.list()->item(1)->checkState(), Qt::Checked);

  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(rig.prompts.messages, QStringList{"İşlem Tamamlandı"});
  EXPECT_EQ(rig.requests("%NC"), (std::vector<QByteArray>{"%NC001000000FF**\r", "%NC001FFFFFFFF**\r"}));
  EXPECT_EQ(rig.reader->cards, (std::vector<quint32>{255, 0xFFFFFFFF}));

  const QString path = rig.dir.filePath("liste.txt");
  rig.prompts.files.push_back(FileChoice{false, path, {}});
  rig.click("cmdExport");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("255\r\n4294967295\r\n12\r\n"));
  EXPECT_EQ(rig.c<QLabel>("lblCurID")->text(), "");
  EXPECT_EQ(rig.prompts.dialogFolders, QStringList{rig.dir.path()});

  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.prompts.messages, QStringList{"Kart numaraları cihazdan alındı."});
  EXPECT_EQ(rig.texts(), (QStringList{"255", "-1"}));
  EXPECT_EQ(rig.list()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(rig.list()->currentRow(), -1);
  EXPECT_EQ(rig.requests("%UC"), std::vector<QByteArray>{"%UC001**\r"});

  // The received -1 goes out again as FFFFFFFF.
  rig.list()->item(1)->setCheckState(Qt::Checked);
  rig.sim.clearRequests();
  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(rig.requests("%NC"), std::vector<QByteArray>{"%NC001FFFFFFFF**\r"});

  rig.sim.setEraseCardsDelayMs(1500);
  rig.click("cmdEraseAll", {true});
  EXPECT_EQ(rig.prompts.messages, QStringList{"Tüm kart hafızası silindi!"});
  EXPECT_TRUE(rig.reader->cards.empty());
  EXPECT_EQ(rig.list()->count(), 2);

  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.prompts.messages, QStringList{"Cihaz kart hafızası boş"});
  EXPECT_EQ(rig.list()->count(), 0);

  rig.prompts.files.push_back(FileChoice{false, path, {}});
  rig.click("cmdImport", {true});
  EXPECT_EQ(rig.texts(), (QStringList{"255", "4294967295", "12"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.list()->item(i)->checkState(), Qt::Checked);
  EXPECT_EQ(rig.list()->currentRow(), 2);
  EXPECT_EQ(rig.c<QLabel>("lblCurID")->text(), "");
  EXPECT_TRUE(rig.c<QWidget>("body")->isEnabled());
}

TEST_P(CardsWithSim, RefusedCardAndEndlessLine) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  rig.add("7");
  rig.sim.setFault("NC", sim::Fault{sim::FaultKind::WrongCode, 0, 50, {}, true});
  rig.click("cmdSendAllCards", {true, true});
  EXPECT_EQ(rig.prompts.questions.size(), 2);
  EXPECT_EQ(rig.prompts.questions.value(1), "Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
  EXPECT_EQ(rig.prompts.messages, QStringList{"İşlem Tamamlandı"});
  EXPECT_EQ(rig.reader->cards, std::vector<quint32>{7});

  // A reader that never ends its line stops the reading at once instead of forever.
  rig.sim.setFault("UC", sim::Fault{sim::FaultKind::EndlessNoCr, 0, 50, {}, false});
  QElapsedTimer t;
  t.start();
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_LT(t.elapsed(), 5000);
  EXPECT_EQ(rig.prompts.messages.size(), 1);
  EXPECT_TRUE(rig.c<QWidget>("body")->isEnabled());
}

TEST_P(CardsWithSim, EscStopsTheSendBeforeTheNextCard) {
  Rig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  for (const char* t : {"1", "2", "3"}) rig.add(t);
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, rig.w.get(), [&](const QByteArray& r) {
    if (r.startsWith("%NC001") && r.contains("00000001")) QTest::keyClick(rig.list(), Qt::Key_Escape);
  });
  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(rig.prompts.messages, QStringList{"İşlem durduruldu"});
  EXPECT_EQ(rig.reader->cards, std::vector<quint32>{1});
  EXPECT_EQ(rig.c<QLabel>("lblCurID")->text(), "1");
  EXPECT_FALSE(rig.w->context().state().escCancelFlag);
  EXPECT_TRUE(rig.c<QWidget>("body")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Lines, CardsWithSim, ::testing::Values(Line::Tcp, Line::Pty),
                         [](const auto& info) { return info.param == Line::Tcp ? "Tcp" : "Pty"; });

}  // namespace
}  // namespace tessaro
