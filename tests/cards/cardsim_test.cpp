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

using test::ScriptedPrompts;

enum class Line { Tcp, Pty };

// The window against a simulated TS-40B with address 1, over TCP or a pseudo-terminal.
struct SimRig {
  explicit SimRig(Line line) {
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = dir.path();
    s.portResolver = [this](int) { return sim.ptyPath(); };
    w = std::make_unique<MainWindow>(s);
    w->context().chooseModel(DeviceModel::TS40B);
    reader = &sim.addReader(1, DeviceModel::TS40B);
    if (line == Line::Tcp) {
      // txtPort holds a signed 16-bit number: the reader listens below 32768.
      for (int p = 22000 + (QCoreApplication::applicationPid() % 500) * 17; !ready && p < 32700; p += 31) {
        ready = sim.listenTcp(QHostAddress::LocalHost, static_cast<quint16>(p));
        if (ready) {
          c<QCheckBox>("chkTCPIPActive")->setChecked(true);
          c<QLineEdit>("txtIP")->setText("127.0.0.1");
          c<QLineEdit>("txtPort")->setText(QString::number(p));
        }
      }
    } else {
      ready = sim.openPty();
      c<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal takes no parity
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
  ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  sim::ReaderSim sim;
  sim::SimReader* reader = nullptr;
  bool ready = false;
  std::unique_ptr<MainWindow> w;
};

class CardsWithSim : public ::testing::TestWithParam<Line> {};

TEST_P(CardsWithSim, EveryButtonOfTheCardFrame) {
  SimRig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  rig.add("255");
  rig.add("4294967295");
  rig.add("12");
  rig.add("99");
  rig.list()->setCurrentRow(3);
  rig.click("cmdDelete");
  rig.list()->item(2)->setCheckState(Qt::Unchecked);
  ASSERT_EQ(rig.texts(), (QStringList{"255", "4294967295", "12"}));

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
  EXPECT_EQ(rig.list()->currentRow(), 2);
  EXPECT_EQ(rig.c<QLabel>("lblCurID")->text(), "");
  EXPECT_TRUE(rig.c<QWidget>("body")->isEnabled());
}

TEST_P(CardsWithSim, RefusedCardAndEndlessLine) {
  SimRig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  rig.add("7");
  sim::Fault wrong;
  wrong.kind = sim::FaultKind::WrongCode;
  wrong.once = true;
  rig.sim.setFault("NC", wrong);
  rig.click("cmdSendAllCards", {true, true});
  EXPECT_EQ(rig.prompts.questions.size(), 2);
  EXPECT_EQ(rig.prompts.questions.value(1), "Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
  EXPECT_EQ(rig.prompts.messages, QStringList{"İşlem Tamamlandı"});
  EXPECT_EQ(rig.reader->cards, std::vector<quint32>{7});

  // A reader that never ends its line stops the reading at once instead of forever.
  sim::Fault endless;
  endless.kind = sim::FaultKind::EndlessNoCr;
  rig.sim.setFault("UC", endless);
  QElapsedTimer t;
  t.start();
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_LT(t.elapsed(), 5000);
  EXPECT_EQ(rig.prompts.messages.size(), 1);
  EXPECT_TRUE(rig.c<QWidget>("body")->isEnabled());
}

TEST_P(CardsWithSim, EscStopsTheSendBeforeTheNextCard) {
  SimRig rig(GetParam());
  ASSERT_TRUE(rig.ready);
  for (const char* t : {"1", "2", "3"}) rig.add(t);
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, rig.w.get(), [&](const QByteArray& r) {
    if (r.startsWith("%NC001") && r.contains("00000001")) QTest::keyClick(rig.c<QWidget>("lstCardID"), Qt::Key_Escape);
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

TEST(CardsWithSimTimeouts, ReaderFallsSilentWithoutAnEndLine) {
  SimRig rig(Line::Tcp);
  ASSERT_TRUE(rig.ready);
  sim::ReaderSim::generateCards(*rig.reader, 10);
  sim::Fault stop;
  stop.kind = sim::FaultKind::StopAfterNoEnd;
  stop.arg = 3;
  rig.sim.setFault("UC", stop);
  QElapsedTimer t;
  t.start();
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_GE(t.elapsed(), 4900);
  EXPECT_LE(t.elapsed(), 7000);
  EXPECT_EQ(rig.prompts.messages, QStringList{"Kart numaraları cihazdan alınamadı"});
  EXPECT_EQ(rig.list()->count(), 3);
}

}  // namespace
}  // namespace tessaro
