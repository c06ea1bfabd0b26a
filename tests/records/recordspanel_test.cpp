#include "records/recordspanel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "app/mainwindow.h"
#include "common/fakes.h"
#include "common/scriptedprompts.h"

namespace tessaro {
namespace {

// Real events, fake time: a reader on the same event loop answers within a few
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

QByteArray RecordFrame(int card, const char* stamp) {
  return "$DD001" + QByteArray::number(card).rightJustified(9, '0') + stamp + "**\r";
}

// A reader with offline records behind a TCP port; tests replace its answers.
class ScriptedReader : public QObject {
 public:
  ScriptedReader() {
    // txtPort holds a signed 16-bit number: the port must be below 32768.
    for (quint16 port = 20000 + QCoreApplication::applicationPid() % 10000; !server_.isListening(); ++port) {
      if (port > 32767) port = 20000;
      server_.listen(QHostAddress::LocalHost, port);
    }
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        socket_ = s;
        connect(s, &QTcpSocket::readyRead, this, [this, s] { receive(s); });
      }
    });
  }
  quint16 port() const { return server_.serverPort(); }

  void addRecords(int n, const char* stamp = "051226140309") {
    for (int i = 0; i < n; ++i) records.push_back(RecordFrame(1000 + static_cast<int>(records.size()), stamp));
  }
  QByteArray stream() const { return records.join() + "$FD001**\r"; }

  std::vector<QByteArray> requests;
  QByteArrayList records;
  std::function<QByteArray(const QByteArray& request)> answer;  // overrides the reader's own answer
  std::function<void(const QByteArray& request)> onRequest;     // sees the window when a request arrives

 private:
  void receive(QTcpSocket* s) {
    buffer_ += s->readAll();
    for (qsizetype cr; (cr = buffer_.indexOf('\r')) >= 0;) {
      const QByteArray request = buffer_.left(cr + 1);
      buffer_.remove(0, cr + 1);
      requests.push_back(request);
      if (onRequest) onRequest(request);
      const QByteArray reply = answer ? answer(request) : readerAnswer(request);
      if (!reply.isEmpty()) {
        s->write(reply);
        s->flush();
      }
    }
  }
  QByteArray readerAnswer(const QByteArray& request) {
    const QByteArray code = request.mid(1, 2), address = request.mid(3, 3);
    if (code == "RC") return "$RC" + address + QByteArray::number(records.size() + 1).rightJustified(4, '0') + "**\r";
    if (code == "DD") return stream();
    if (code == "EM") {
      records.clear();
      return "$EM" + address + "**\r";
    }
    return {};
  }

  QTcpServer server_;
  QTcpSocket* socket_ = nullptr;
  QByteArray buffer_;
};

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray LogLines(int first, int n, char type = '1') {
  QByteArray all;
  for (int i = first; i < first + n; ++i)
    all += "001," + QByteArray::number(i).rightJustified(10, '0') + "," + type + ",2026/12/05,14:03:09\r\n";
  return all;
}

const QString kDoneErased = QStringLiteral("İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:1");
const QString kDoneKept = QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!");
const QString kLogFailed = QStringLiteral("Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:1");
const QString kIncomplete = QStringLiteral("Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:1");

class RecordsPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = folder.isEmpty() ? dir.path() : folder;
    s.findProgram = [this](const QString& name) {
      searched << name;
      return editor;
    };
    s.startProgram = [this](const QString& program, const QStringList& args) {
      started << program << args;
      return true;
    };
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
    ctx->control<QLineEdit>("txtPort")->setText(QString::number(reader.port()));
    setId("1");
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
  std::vector<QByteArray> codes() const {
    std::vector<QByteArray> c;
    for (const QByteArray& r : reader.requests) c.push_back(r.left(3));
    return c;
  }

  QTemporaryDir dir;
  QString folder;  // the program folder when not the temporary one
  test::FakeClock clock{1'700'000'000'000LL};
  SteppingPump pump{clock};
  test::ScriptedPrompts prompts;
  ScriptedReader reader;
  QString editor;
  QStringList searched, started;
  std::unique_ptr<MainWindow> window;
  AppContext* ctx = nullptr;
};

using V = std::vector<QByteArray>;

TEST_F(RecordsPanelTest, CounterShowsStoredRecordsOrZero) {
  struct Case {
    const char* id;
    const char* reply;  // nullptr: the reader's own counter of 9 records
    const char* shown;
    const char* request;
  } cases[] = {
      {"1", nullptr, "9", "%RC001**\r"},
      {"1", "$RC0010001**\r", "0", "%RC001**\r"},  // empty memory
      {"1", "", "0", "%RC001**\r"},                // no reply looks the same
      {"abc", "", "0", "%RC000**\r"},              // no range check
  };
  reader.addRecords(9);
  for (const Case& c : cases) {
    reader.requests.clear();
    prompts.beeps = 0;
    setId(c.id);
    if (c.reply) {
      const QByteArray reply = c.reply;
      reader.answer = [reply](const QByteArray&) { return reply; };
    } else {
      reader.answer = nullptr;
    }
    bool busy = false;
    reader.onRequest = [&](const QByteArray&) { busy = ctx->busy(); };
    click("cmdReadCounter");
    EXPECT_EQ(ctx->control<QLabel>("lblRecordCounter")->text(), QString::fromLatin1(c.shown)) << c.id << c.reply;
    EXPECT_EQ(reader.requests, V{c.request});
    EXPECT_TRUE(busy);
    EXPECT_FALSE(ctx->busy());
    EXPECT_EQ(prompts.beeps, 1);
  }
}

TEST_F(RecordsPanelTest, EraseAsksFirstAndReportsTheOutcome) {
  click("cmdClearCounter");  // unscripted question: No
  EXPECT_TRUE(reader.requests.empty());
  EXPECT_EQ(prompts.questions,
            QStringList{QStringLiteral("Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?")});
  EXPECT_TRUE(prompts.messages.isEmpty());

  reader.addRecords(2);
  prompts.answers = {true};
  bool busy = false;
  reader.onRequest = [&](const QByteArray&) { busy = ctx->busy(); };
  click("cmdClearCounter");
  EXPECT_EQ(reader.requests, V{"%EM001**\r"});
  EXPECT_TRUE(busy);
  EXPECT_TRUE(reader.records.isEmpty());

  reader.answer = [](const QByteArray&) { return QByteArray("$XX001**\r"); };
  prompts.answers = {true};
  click("cmdClearCounter");
  EXPECT_EQ(prompts.messages, (QStringList{QStringLiteral("Offline Geçiş Hafızası Silindi"),
                                           QStringLiteral("Hata! Offline Geçiş Hafızası Silinemedi")}));
}

TEST_F(RecordsPanelTest, DownloadLogsThenErases) {
  reader.addRecords(3);
  ctx->state().offlineRecordType = 2;
  QStringList statusAt;
  QByteArray logAtErase;
  qint64 counterAt = 0, downloadAt = 0;
  reader.onRequest = [&](const QByteArray& r) {
    statusAt << process() + (ctx->busy() ? " [busy]" : "");
    if (r.startsWith("%RC")) counterAt = clock.ms;
    if (r.startsWith("%DD")) downloadAt = clock.ms;
    if (r.startsWith("%EM")) logAtErase = FileBytes(logPath());
  };
  download();
  EXPECT_EQ(reader.requests, (V{"%RC001**\r", "%DD001**\r", "%EM001**\r"}));
  EXPECT_EQ(FileBytes(logPath()), LogLines(1000, 3, '2'));
  EXPECT_EQ(logAtErase, LogLines(1000, 3, '2'));  // on disk before the reader forgets
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

TEST_F(RecordsPanelTest, DownloadWithoutEraseAppendsAgainEachTime) {
  reader.addRecords(3);
  download(false);
  EXPECT_EQ(process(), kDoneKept);
  download(false);
  EXPECT_EQ(process(), kDoneKept);
  EXPECT_EQ(codes(), (V{"%RC", "%DD", "%RC", "%DD"}));
  // Type 0: no settings were read or sent in this run.
  EXPECT_EQ(FileBytes(logPath()), LogLines(1000, 3, '0') + LogLines(1000, 3, '0'));
  EXPECT_EQ(prompts.beeps, 2);
}

TEST_F(RecordsPanelTest, DownloadChecksTheDeviceId) {
  reader.addRecords(1);
  for (const char* id : {"0", "256", "abc", "-1"}) {
    setId(id);
    download();
    EXPECT_TRUE(process().isEmpty());
  }
  EXPECT_TRUE(reader.requests.empty());
  EXPECT_EQ(prompts.messages.size(), 4);
  EXPECT_EQ(prompts.messages.back(), QStringLiteral("Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!"));
  EXPECT_EQ(prompts.beeps, 4);
  EXPECT_FALSE(QFile::exists(logPath()));
}

TEST_F(RecordsPanelTest, EmptyReaderAndNoAnswer) {
  setId(" 7");
  download();
  EXPECT_EQ(process(), QStringLiteral("Kayıt Bulunamadı... Kapı: 7"));
  EXPECT_EQ(reader.requests, V{"%RC007**\r"});

  ctx->control<QLabel>("lblProcess")->setText(QStringLiteral("old"));
  click("cmdReadData");  // unscripted question: No
  EXPECT_TRUE(process().isEmpty());
  EXPECT_EQ(reader.requests.size(), 1u);
  EXPECT_EQ(prompts.beeps, 1);
}

TEST_F(RecordsPanelTest, DownloadWithoutEndFrameWritesAndErasesNothing) {
  reader.addRecords(3);
  reader.answer = [this](const QByteArray& r) {
    if (r.startsWith("%DD")) return reader.records.join();  // then silence
    return r.startsWith("%RC") ? QByteArray("$RC0010004**\r") : QByteArray();
  };
  const qint64 start = clock.ms;
  download();
  EXPECT_EQ(process(), QStringLiteral("Offline Kayıtlar Alınamadı... Kapı:1"));
  EXPECT_EQ(codes(), (V{"%RC", "%DD"}));
  EXPECT_FALSE(QFile::exists(logPath()));
  EXPECT_GE(clock.ms - start, 5000);
  EXPECT_FALSE(ctx->busy());
}

TEST_F(RecordsPanelTest, IncompleteDownloadKeepsTheReadersMemory) {
  struct Case {
    int records;
    QByteArray tail;  // what follows the records instead of the end frame
    int logged;
  } cases[] = {
      {5, "$XX001**\r" + RecordFrame(7, "051226140309") + "$FD001**\r", 5},  // unexpected reply mid-stream
      {3600, "$FD001**\r", 3501},                                             // more than one download holds
      {2, "$DD001" + QByteArray(200, '7'), 2},                                // streaming without line ends
  };
  for (const Case& c : cases) {
    for (bool clearRam : {true, false}) {
      QFile::remove(logPath());
      reader.requests.clear();
      reader.records.clear();
      reader.addRecords(c.records);
      const QByteArray stream = reader.records.join() + c.tail;
      reader.answer = [stream](const QByteArray& r) {
        return r.startsWith("%DD") ? stream : r.startsWith("%EM") ? QByteArray("$EM001**\r") : QByteArray("$RC0019999**\r");
      };
      download(clearRam);
      EXPECT_EQ(process(), kIncomplete) << c.records;
      EXPECT_EQ(codes(), (V{"%RC", "%DD"})) << c.records;  // never "%EM"
      EXPECT_EQ(FileBytes(logPath()), LogLines(1000, c.logged, '0')) << c.records;
      EXPECT_FALSE(ctx->busy());
    }
  }
}

TEST_F(RecordsPanelTest, LogThatCannotBeWrittenKeepsTheReadersMemory) {
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  ASSERT_TRUE(QDir(dir.path()).mkpath("taken/AccessFile.txt"));
  for (const QString& where : {dir.filePath("plain/sub"), dir.filePath("taken")}) {
    for (bool clearRam : {true, false}) {
      // The program folder cannot hold the log: below a file, or the name taken by a folder.
      window.reset();
      folder = where;
      SetUp();
      reader.requests.clear();
      reader.answer = nullptr;
      reader.records.clear();
      reader.addRecords(3);
      prompts.beeps = 0;
      download(clearRam);
      EXPECT_EQ(process(), kLogFailed) << where.toStdString();
      EXPECT_EQ(codes(), (V{"%RC", "%DD"}));
      EXPECT_EQ(reader.records.size(), 3);
      EXPECT_EQ(prompts.beeps, 1);
      EXPECT_FALSE(ctx->busy());
    }
  }
}

TEST_F(RecordsPanelTest, WindowStaysBusyForTheWholeDownload) {
  reader.addRecords(2);
  bool busyWhileStreaming = false;
  reader.onRequest = [&](const QByteArray& r) {
    if (!r.startsWith("%DD")) return;
    busyWhileStreaming = ctx->busy() && !ctx->control<QWidget>("body")->isEnabled();
    click("cmdReadCounter");  // a second command on the same link must not start
  };
  download();
  EXPECT_TRUE(busyWhileStreaming);
  EXPECT_EQ(codes(), (V{"%RC", "%DD", "%EM"}));
  EXPECT_EQ(process(), kDoneErased);
}

TEST_F(RecordsPanelTest, InvalidStampIsLoggedWithTheReadersDigits) {
  reader.records = {RecordFrame(1, "051226140309"), RecordFrame(2, "310226250000"), RecordFrame(3, "061226080000")};
  download();
  EXPECT_EQ(FileBytes(logPath()), QByteArray("001,0000000001,0,2026/12/05,14:03:09\r\n"
                                             "001,0000000002,0,2026/02/31,25:00:00\r\n"
                                             "001,0000000003,0,2026/12/06,08:00:00\r\n"));
  EXPECT_EQ(process(), kDoneErased);
}

TEST_F(RecordsPanelTest, OpenFileStartsTheEditorWithoutAShell) {
  click("cmdOpenFile");
  EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("NotePad.exe programı çalıştırılamadı")});
  EXPECT_TRUE(started.isEmpty());

  window.reset();
  folder = dir.filePath("my logs");
  editor = QStringLiteral("/usr/bin/xdg-open");
  SetUp();
  click("cmdOpenFile");
  EXPECT_EQ(searched.last(), QStringLiteral("xdg-open"));
  EXPECT_EQ(started, (QStringList{editor, dir.filePath("my logs/AccessFile.txt")}));
  EXPECT_EQ(prompts.messages.size(), 1);
}

}  // namespace
}  // namespace tessaro
