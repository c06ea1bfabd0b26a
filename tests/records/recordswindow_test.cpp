#include "records/recordspanel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "app/mainwindow.h"
#include "common/fakes.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"
#include "sim/readersim.h"

namespace tessaro {
namespace {

// Real events, fake time: the reader on the same event loop answers within a few
// passes, and the clock moves on only while nothing arrives, so the deadlines
// are exact and the suite does not wait for them.
class SteppingPump : public MessagePump {
 public:
  explicit SteppingPump(test::FakeClock& clock) : clock_(clock) {}
  void pump() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
  void waitForActivity(int maxMs) override {
    const qint64 before = waiting ? waiting() : 0;
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (waiting && waiting() > before) return;
      QThread::usleep(200);
    }
    clock_.ms += std::max(1, maxMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  std::function<qint64()> waiting;

 private:
  test::FakeClock& clock_;
};

QByteArray RecordFrame(int card, const char* stamp = "051226140309") {
  return "$DD001" + QByteArray::number(card).rightJustified(9, '0') + stamp + "**\r";
}

QByteArray LogLines(int first, int n, char type = '0') {
  QByteArray all;
  for (int i = first; i < first + n; ++i)
    all += "001," + QByteArray::number(i).rightJustified(10, '0') + "," + type + ",2026/12/05,14:03:09\r\n";
  return all;
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kDoneErased = QStringLiteral("İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:1");
const QString kDoneKept = QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!");
const QString kLogFailed = QStringLiteral("Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:1");
const QString kIncomplete = QStringLiteral("Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:1");
using V = std::vector<QByteArray>;

// The window for a TS-30P against the simulated reader with address 1 over TCP.
class RecordsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    reader = &sim.addReader(1, DeviceModel::TS30P);
    // txtPort holds a signed 16-bit number: the reader listens below 32768.
    for (quint16 p = 20000 + QCoreApplication::applicationPid() % 10000; !port && p < 32767; ++p)
      if (sim.listenTcp(QHostAddress::LocalHost, p)) port = p;
    ASSERT_NE(port, 0);
    QObject::connect(&sim, &sim::ReaderSim::requestReceived, [this](const QByteArray& r) {
      if (onRequest) onRequest(r);
    });
    start();
  }
  // Fake time unless `realTime`; `folder` replaces the program folder.
  void start(bool realTime = false, const QString& folder = {}) {
    window.reset();
    AppServices s;
    s.prompts = &prompts;
    s.pump = realTime ? static_cast<MessagePump*>(&realPump) : &pump;
    s.clock = realTime ? static_cast<WholeSecondClock*>(&realClock) : &clock;
    s.programFolder = folder.isEmpty() ? dir.path() : folder;
    s.portResolver = [this](int) { return sim.ptyPath(); };
    s.findProgram = [this](const QString& name) { return searched << name, editor; };
    s.startProgram = [this](const QString& program, const QStringList& args) { return started << program << args, true; };
    window = std::make_unique<MainWindow>(s);
    ctx = &window->context();
    // Activity: a connection made or characters received.
    pump.waiting = [this] {
      TcpLink& tcp = ctx->links().tcp();
      return tcp.available() + (tcp.isConnected() ? (qint64(1) << 40) : 0);
    };
    // The frame is usable only for the TS-30P, as a user would choose it.
    ctx->chooseModel(DeviceModel::TS30P);
    ASSERT_TRUE(ctx->control<QWidget>("frLOGMemory")->isEnabled());
    ctx->control<QCheckBox>("chkTCPIPActive")->setChecked(true);
    ctx->control<QLineEdit>("txtIP")->setText(QStringLiteral("127.0.0.1"));
    ctx->control<QLineEdit>("txtPort")->setText(QString::number(port));
    setId("1");
  }
  void addRecords(int n) {
    for (int i = 0; i < n; ++i) {
      sim::SimRecord rec;
      rec.card = 1000 + static_cast<quint32>(reader->records.size());
      rec.stamp = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9));
      reader->records.push_back(rec);
    }
  }
  void fault(const char* code, sim::FaultKind kind, const QByteArray& raw = {}, int arg = 0) {
    sim::Fault f;
    f.kind = kind;
    f.raw = raw;
    f.arg = arg;
    sim.setFault(code, f);
  }
  void setId(const char* text) { ctx->control<QLineEdit>("txtOldID")->setText(QString::fromUtf8(text)); }
  void click(const char* name) { ctx->control<QPushButton>(name)->click(); }
  QString process() { return ctx->control<QLabel>("lblProcess")->text(); }
  QString logPath() const { return QDir(dir.path()).filePath("AccessFile.txt"); }
  void download(bool clearRam = true) {
    ctx->control<QCheckBox>("chkClearRAM")->setChecked(clearRam);
    prompts.answers.push_back(true);
    click("cmdReadData");
  }
  V codes() const {
    V c;
    for (const QByteArray& r : sim.requests()) c.push_back(r.left(3));
    return c;
  }

  QTemporaryDir dir;
  test::FakeClock clock{1'700'000'000'000LL};
  SteppingPump pump{clock};
  QtMessagePump realPump;
  SystemWholeSecondClock realClock;
  test::ScriptedPrompts prompts;
  sim::ReaderSim sim;
  sim::SimReader* reader = nullptr;
  quint16 port = 0;
  std::function<void(const QByteArray&)> onRequest;  // sees the window when a request arrives
  QString editor;
  QStringList searched, started;
  std::unique_ptr<MainWindow> window;
  AppContext* ctx = nullptr;
};

TEST_F(RecordsWindow, CounterShowsStoredRecordsOrZero) {
  const struct {
    const char* id;
    sim::FaultKind kind;
    QByteArray raw;
    const char* shown;
    const char* request;
  } cases[] = {
      {"1", sim::FaultKind::None, {}, "9", "%RC001**\r"},
      {"1", sim::FaultKind::Raw, "$RC0010001**\r", "0", "%RC001**\r"},  // empty memory
      {"1", sim::FaultKind::Silence, {}, "0", "%RC001**\r"},            // no reply looks the same
      {"abc", sim::FaultKind::Silence, {}, "0", "%RC000**\r"},          // no range check
  };
  addRecords(9);
  for (const auto& c : cases) {
    sim.clearRequests();
    sim.clearFaults();
    fault("RC", c.kind, c.raw);
    prompts.beeps = 0;
    setId(c.id);
    bool busy = false;
    onRequest = [&](const QByteArray&) { busy = ctx->busy(); };
    click("cmdReadCounter");
    EXPECT_EQ(ctx->control<QLabel>("lblRecordCounter")->text(), QString::fromLatin1(c.shown)) << c.id << c.raw.data();
    EXPECT_EQ(sim.requests(), V{c.request});
    EXPECT_TRUE(busy);
    EXPECT_FALSE(ctx->busy());
    EXPECT_EQ(prompts.beeps, 1);
  }
}

TEST_F(RecordsWindow, EraseAsksFirstAndReportsTheOutcome) {
  click("cmdClearCounter");  // unscripted question: No
  EXPECT_TRUE(sim.requests().empty());
  EXPECT_EQ(prompts.questions,
            QStringList{QStringLiteral("Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?")});
  EXPECT_TRUE(prompts.messages.isEmpty());

  addRecords(2);
  prompts.answers = {true};
  bool busy = false;
  onRequest = [&](const QByteArray&) { busy = ctx->busy(); };
  click("cmdClearCounter");
  EXPECT_EQ(sim.requests(), V{"%EM001**\r"});
  EXPECT_TRUE(busy);
  EXPECT_TRUE(reader->records.empty());

  fault("EM", sim::FaultKind::Raw, "$XX001**\r");
  prompts.answers = {true};
  click("cmdClearCounter");
  EXPECT_EQ(prompts.messages, (QStringList{QStringLiteral("Offline Geçiş Hafızası Silindi"),
                                           QStringLiteral("Hata! Offline Geçiş Hafızası Silinemedi")}));
}

TEST_F(RecordsWindow, DownloadLogsThenErases) {
  addRecords(3);
  fault("DD", sim::FaultKind::InvalidDate, {}, 1);
  ctx->state().offlineRecordType = 2;
  QStringList statusAt;
  QByteArray logAtErase;
  qint64 counterAt = 0, downloadAt = 0;
  onRequest = [&](const QByteArray& r) {
    statusAt << process() + (ctx->busy() && !ctx->control<QWidget>("body")->isEnabled() ? " [busy]" : "");
    if (r.startsWith("%RC")) counterAt = clock.ms;
    if (r.startsWith("%EM")) logAtErase = FileBytes(logPath());
    if (!r.startsWith("%DD")) return;
    downloadAt = clock.ms;
    click("cmdReadCounter");  // a second command on the same link must not start
  };
  download();
  EXPECT_EQ(sim.requests(), (V{"%RC001**\r", "%DD001**\r", "%EM001**\r"}));
  // An invalid stamp is logged as the reader sent it; the year stays the record's own.
  const QByteArray log = LogLines(1000, 3, '2').replace(38 + 17, 19, "2026/02/31,25:00:00");
  EXPECT_EQ(FileBytes(logPath()), log);
  EXPECT_EQ(logAtErase, log);  // on disk before the reader forgets
  EXPECT_TRUE(reader->records.empty());
  EXPECT_EQ(process(), kDoneErased);
  EXPECT_EQ(statusAt, (QStringList{" [busy]", "Offline Kayıtlar Alınıyor... Kapı:1 [busy]",
                                   "Offline Kayıtlar Siliniyor... Kapı:1 [busy]"}));
  // The pause before the download: more than one whole second on the clock.
  EXPECT_GE(downloadAt - counterAt, 1000);
  EXPECT_LE(downloadAt - counterAt, 2000);
  EXPECT_EQ(prompts.questions, QStringList{QStringLiteral("Offline Kayıtları Cihazdan Almak İstiyor musunuz?")});
  EXPECT_EQ(prompts.beeps, 1);
  EXPECT_FALSE(ctx->busy());
  EXPECT_TRUE(ctx->control<QWidget>("body")->isEnabled());
}

TEST_F(RecordsWindow, DownloadWithoutEraseAppendsAgainEachTime) {
  addRecords(3);
  download(false);
  EXPECT_EQ(process(), kDoneKept);
  download(false);
  EXPECT_EQ(process(), kDoneKept);
  EXPECT_EQ(codes(), (V{"%RC", "%DD", "%RC", "%DD"}));
  // Type 0: no settings were read or sent in this run.
  EXPECT_EQ(FileBytes(logPath()), LogLines(1000, 3) + LogLines(1000, 3));
  EXPECT_EQ(reader->records.size(), 3u);
  EXPECT_EQ(prompts.beeps, 2);
}

TEST_F(RecordsWindow, DownloadChecksTheDeviceIdAndFindsNothingOnAnEmptyReader) {
  addRecords(1);
  for (const char* id : {"0", "256", "abc", "-1"}) {
    setId(id);
    download();
    EXPECT_TRUE(process().isEmpty());
  }
  EXPECT_TRUE(sim.requests().empty());
  EXPECT_EQ(prompts.messages.size(), 4);
  EXPECT_EQ(prompts.messages.back(), QStringLiteral("Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!"));
  EXPECT_EQ(prompts.beeps, 4);
  EXPECT_FALSE(QFile::exists(logPath()));

  sim.addReader(7, DeviceModel::TS30P);
  setId(" 7");
  download();
  EXPECT_EQ(process(), QStringLiteral("Kayıt Bulunamadı... Kapı: 7"));
  EXPECT_EQ(sim.requests(), V{"%RC007**\r"});
  ctx->control<QLabel>("lblProcess")->setText(QStringLiteral("old"));
  click("cmdReadData");  // unscripted question: No
  EXPECT_TRUE(process().isEmpty());
  EXPECT_EQ(sim.requests().size(), 1u);
  EXPECT_EQ(prompts.beeps, 5);
}

TEST_F(RecordsWindow, DownloadWithoutEndFrameWritesAndErasesNothing) {
  addRecords(3);
  fault("DD", sim::FaultKind::StopAfterNoEnd, {}, 3);
  const qint64 start = clock.ms;
  download();
  EXPECT_EQ(process(), QStringLiteral("Offline Kayıtlar Alınamadı... Kapı:1"));
  EXPECT_EQ(codes(), (V{"%RC", "%DD"}));
  EXPECT_FALSE(QFile::exists(logPath()));
  EXPECT_GE(clock.ms - start, 5000);
  EXPECT_FALSE(ctx->busy());
}

TEST_F(RecordsWindow, IncompleteDownloadKeepsTheReadersMemory) {
  const struct {
    int records;
    QByteArray tail;  // what follows the records instead of the end frame
    int logged;
  } cases[] = {
      {5, "$XX001**\r" + RecordFrame(7) + "$FD001**\r", 5},  // unexpected reply mid-stream
      {3600, "$FD001**\r", 3501},                            // more than one download holds
      {2, "$DD001" + QByteArray(200, '7'), 2},               // streaming without line ends
  };
  addRecords(1);
  for (const auto& c : cases) {
    QByteArray stream;
    for (int i = 0; i < c.records; ++i) stream += RecordFrame(1000 + i);
    fault("DD", sim::FaultKind::Raw, stream + c.tail);
    for (bool clearRam : {true, false}) {
      QFile::remove(logPath());
      sim.clearRequests();
      download(clearRam);
      EXPECT_EQ(process(), kIncomplete) << c.records;
      EXPECT_EQ(codes(), (V{"%RC", "%DD"})) << c.records;  // never "%EM"
      EXPECT_EQ(FileBytes(logPath()), LogLines(1000, c.logged)) << c.records;
      EXPECT_FALSE(ctx->busy());
    }
  }
}

TEST_F(RecordsWindow, LogThatCannotBeWrittenKeepsTheReadersMemory) {
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  ASSERT_TRUE(QDir(dir.path()).mkpath("taken/AccessFile.txt"));
  addRecords(3);
  // The program folder cannot hold the log: below a file, or the name taken by a folder.
  for (const QString& where : {dir.filePath("plain/sub"), dir.filePath("taken")}) {
    for (bool clearRam : {true, false}) {
      start(false, where);
      sim.clearRequests();
      prompts.beeps = 0;
      download(clearRam);
      EXPECT_EQ(process(), kLogFailed) << where.toStdString();
      EXPECT_EQ(codes(), (V{"%RC", "%DD"}));
      EXPECT_EQ(reader->records.size(), 3u);
      EXPECT_EQ(prompts.beeps, 1);
      EXPECT_FALSE(ctx->busy());
    }
  }
}

TEST_F(RecordsWindow, OpenFileStartsTheEditorWithoutAShell) {
  click("cmdOpenFile");
  EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("NotePad.exe programı çalıştırılamadı")});
  EXPECT_TRUE(started.isEmpty());

  editor = QStringLiteral("/usr/bin/xdg-open");
  start(false, dir.filePath("my logs"));
  click("cmdOpenFile");
  EXPECT_EQ(searched.last(), QStringLiteral("xdg-open"));
  EXPECT_EQ(started, (QStringList{editor, dir.filePath("my logs/AccessFile.txt")}));
  EXPECT_EQ(prompts.messages.size(), 1);
}

// On the real clock and a pseudo-terminal (the download pauses 1-2 s).
TEST_F(RecordsWindow, PtyDownloadKeepsTheMemoryWhenAsked) {
  addRecords(3);
  ASSERT_TRUE(sim.openPty());
  sim.setBaud(38400);
  start(true);
  ctx->control<QCheckBox>("chkTCPIPActive")->setChecked(false);
  ctx->control<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal keeps no parity
  click("cmdReadCounter");
  EXPECT_EQ(ctx->control<QLabel>("lblRecordCounter")->text(), QStringLiteral("3"));
  download(false);
  EXPECT_EQ(process(), kDoneKept);
  EXPECT_EQ(FileBytes(logPath()), LogLines(1000, 3));
  EXPECT_EQ(reader->records.size(), 3u);
  prompts.answers.push_back(true);
  click("cmdClearCounter");
  EXPECT_EQ(prompts.messages.last(), QStringLiteral("Offline Geçiş Hafızası Silindi"));
  EXPECT_TRUE(reader->records.empty());
}

}  // namespace
}  // namespace tessaro
