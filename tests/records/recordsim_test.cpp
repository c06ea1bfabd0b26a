// The records panel end to end against the simulated reader, over TCP and a
// pseudo-terminal, on the real event loop and clock (each download pauses 1-2 s).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"
#include "sim/readersim.h"

namespace tessaro {
namespace {

class RecordsSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    sim::SimReader& r = reader.addReader(1, DeviceModel::TS30P);
    for (int i = 0; i < 3; ++i) {
      sim::SimRecord rec;
      rec.card = 12345678 + static_cast<quint32>(i);
      rec.stamp = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9 + i));
      r.records.push_back(rec);
    }
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = dir.path();
    s.portResolver = [this](int) { return reader.ptyPath(); };
    window = std::make_unique<MainWindow>(s);
    ctx = &window->context();
    ctx->chooseModel(DeviceModel::TS30P);
    ctx->control<QLineEdit>("txtOldID")->setText(QStringLiteral("1"));
  }

  void useTcp() {
    quint16 port = 0;
    // txtPort holds a signed 16-bit number.
    for (quint16 p = 20000 + QCoreApplication::applicationPid() % 10000; !port && p < 32767; ++p) {
      if (reader.listenTcp(QHostAddress::LocalHost, p)) port = p;
    }
    ASSERT_NE(port, 0);
    ctx->control<QCheckBox>("chkTCPIPActive")->setChecked(true);
    ctx->control<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
    ctx->control<QLineEdit>("txtPort")->setText(QString::number(port));
  }
  void usePty() {
    ASSERT_TRUE(reader.openPty());
    reader.setBaud(38400);
    ctx->control<QCheckBox>("chkTCPIPActive")->setChecked(false);
    // A pseudo-terminal keeps no parity: the line runs without one.
    ctx->control<QComboBox>("cmbParity")->setCurrentIndex(2);
  }
  void download(bool clearRam) {
    ctx->control<QCheckBox>("chkClearRAM")->setChecked(clearRam);
    prompts.answers.push_back(true);
    ctx->control<QPushButton>("cmdReadData")->click();
  }
  QString process() { return ctx->control<QLabel>("lblProcess")->text(); }
  QByteArray log() {
    QFile f(QDir(dir.path()).filePath("AccessFile.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  std::vector<sim::SimRecord>& records() { return reader.reader(1)->records; }

  QTemporaryDir dir;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  test::ScriptedPrompts prompts;
  sim::ReaderSim reader;
  std::unique_ptr<MainWindow> window;
  AppContext* ctx = nullptr;
};

const QByteArray kThreeLines =
    "001,0012345678,0,2026/12/05,14:03:09\r\n"
    "001,0012345679,0,2026/12/05,14:03:10\r\n"
    "001,0012345680,0,2026/12/05,14:03:11\r\n";

TEST_F(RecordsSimTest, TcpDownloadLogsAndErases) {
  useTcp();
  ctx->control<QPushButton>("cmdReadCounter")->click();
  EXPECT_EQ(ctx->control<QLabel>("lblRecordCounter")->text(), QStringLiteral("3"));
  download(true);
  EXPECT_EQ(process(), QStringLiteral("İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:1"));
  EXPECT_EQ(log(), kThreeLines);
  EXPECT_TRUE(records().empty());
}

TEST_F(RecordsSimTest, PtyDownloadKeepsTheMemoryWhenAsked) {
  usePty();
  download(false);
  EXPECT_EQ(process(), QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!"));
  EXPECT_EQ(log(), kThreeLines);
  EXPECT_EQ(records().size(), 3u);
  prompts.answers.push_back(true);
  ctx->control<QPushButton>("cmdClearCounter")->click();
  EXPECT_EQ(prompts.messages.last(), QStringLiteral("Offline Geçiş Hafızası Silindi"));
  EXPECT_TRUE(records().empty());
}

TEST_F(RecordsSimTest, ReaderThatNeverEndsItsFrameKeepsItsMemory) {
  useTcp();
  sim::Fault endless;
  endless.kind = sim::FaultKind::EndlessNoCr;
  reader.setFault("DD", endless);
  QElapsedTimer took;
  took.start();
  download(true);
  // Ended by the frame length, well before any silence deadline could.
  EXPECT_LT(took.elapsed(), 4500);
  EXPECT_EQ(process(), QStringLiteral("Offline Kayıtlar Alınamadı... Kapı:1"));
  EXPECT_TRUE(log().isEmpty());
  EXPECT_EQ(records().size(), 3u);
}

TEST_F(RecordsSimTest, InvalidDateIsLoggedAsTheReaderSentIt) {
  useTcp();
  sim::Fault bad;
  bad.kind = sim::FaultKind::InvalidDate;
  bad.arg = 1;
  reader.setFault("DD", bad);
  download(true);
  const QList<QByteArray> lines = log().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "001,0012345678,0,2026/12/05,14:03:09\r");
  EXPECT_EQ(lines[1], "001,0012345679,0,2026/02/31,25:00:00\r");  // the year stays the record's own
  EXPECT_EQ(lines[2], "001,0012345680,0,2026/12/05,14:03:11\r");
}

}  // namespace
}  // namespace tessaro
