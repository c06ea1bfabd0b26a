#include <gtest/gtest.h>

#include "printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

#include "app/mainwindow.h"
#include "common/pty.h"
#include "common/scriptedprompts.h"
#include "link/eventpump.h"

namespace tessaro {
namespace {

using test::PtyPair;
using test::ScriptedPrompts;

// A reader that holds cards and answers %NC, %UC and %EC, reached over TCP or
// the master side of a pseudo-terminal.
class ScriptedReader : public QObject {
 public:
  std::vector<quint32> cards;
  QByteArray nextNcStatus;  // one-off status for the next %NC
  QByteArray received;

  bool listen() {
    // txtPort holds a signed 16-bit number, so the reader must sit below 32768.
    bool ok = false;
    for (int i = 0; i < 200 && !ok; ++i) {
      ok = server_.listen(QHostAddress::LocalHost, static_cast<quint16>(20000 + (getpid() * 7 + i * 37) % 12000));
    }
    if (!ok) return false;
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        socket_ = s;
        connect(s, &QTcpSocket::readyRead, this, [this, s] { take(s->readAll()); });
      }
    });
    return true;
  }
  quint16 port() const { return server_.serverPort(); }

  void attach(PtyPair& pty) {
    pty_ = &pty;
    notifier_ = std::make_unique<QSocketNotifier>(pty.masterFd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { take(pty_->read()); });
  }

 private:
  void send(const QByteArray& bytes) {
    if (pty_) {
      pty_->write(bytes);
    } else if (socket_) {
      socket_->write(bytes);
    }
  }
  void take(const QByteArray& bytes) {
    received += bytes;
    pending_ += bytes;
    for (qsizetype cr; (cr = pending_.indexOf('\r')) >= 0;) {
      const QByteArray req = pending_.left(cr + 1);
      pending_.remove(0, cr + 1);
      answer(req);
    }
  }
  void answer(const QByteArray& req) {
    const QByteArray addr = req.mid(3, 3);
    if (req.startsWith("%NC")) {
      QByteArray status = nextNcStatus.isEmpty() ? QByteArray("O") : nextNcStatus;
      nextNcStatus.clear();
      if (status == "O") cards.push_back(req.mid(6, 8).toUInt(nullptr, 16));
      send("$NC" + addr + status + "**\r");
    } else if (req.startsWith("%UC")) {
      QByteArray out;
      for (quint32 c : cards) out += "$UC" + addr + QByteArray::number(c, 16).toUpper().rightJustified(8, '0') + "**\r";
      send(out + "$UF" + addr + "**\r");
    } else if (req.startsWith("%EC")) {
      cards.clear();
      send("$EC" + addr + "**\r");
    }
  }

  QTcpServer server_;
  QTcpSocket* socket_ = nullptr;
  PtyPair* pty_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  QByteArray pending_;
};

struct Window {
  Window() {
    AppServices s;
    s.prompts = &prompts;
    s.pump = &pump;
    s.clock = &clock;
    s.programFolder = dir.path();
    s.portResolver = [this](int) { return devicePath; };
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
  void useTcp(quint16 port) {
    c<QCheckBox>("chkTCPIPActive")->setChecked(true);
    c<QLineEdit>("txtIP")->setText("127.0.0.1");
    c<QLineEdit>("txtPort")->setText(QString::number(port));
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
  QString devicePath;
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

void sendReceiveErase(Window& win, ScriptedReader& reader) {
  win.add("255");
  win.add("-1");
  win.add("17");
  win.list()->item(2)->setCheckState(Qt::Unchecked);
  win.prompts.answers = {true};
  win.click("cmdSendAllCards");
  EXPECT_EQ(win.prompts.messages, QStringList{"İşlem Tamamlandı"});
  EXPECT_EQ(reader.cards, (std::vector<quint32>{255, 0xFFFFFFFF}));
  EXPECT_TRUE(reader.received.contains("%NC001000000FF**\r%NC001FFFFFFFF**\r"));
  EXPECT_EQ(win.c<QLabel>("lblCurID")->text(), "");
  EXPECT_TRUE(win.c<QWidget>("body")->isEnabled());

  win.prompts.messages.clear();
  win.prompts.answers = {true};
  win.click("cmdReceiveAllCards");
  EXPECT_EQ(win.prompts.messages, QStringList{"Kart numaraları cihazdan alındı."});
  EXPECT_EQ(win.texts(), (QStringList{"255", "-1"}));
  EXPECT_EQ(win.list()->item(1)->checkState(), Qt::Unchecked);

  win.prompts.messages.clear();
  win.prompts.answers = {true};
  win.click("cmdEraseAll");
  EXPECT_EQ(win.prompts.messages, QStringList{"Tüm kart hafızası silindi!"});
  EXPECT_TRUE(reader.cards.empty());
  EXPECT_EQ(win.list()->count(), 2);  // erasing leaves the window's list alone

  win.prompts.messages.clear();
  win.prompts.answers = {true};
  win.click("cmdReceiveAllCards");
  EXPECT_EQ(win.prompts.messages, QStringList{"Cihaz kart hafızası boş"});
  EXPECT_EQ(win.list()->count(), 0);
}

TEST(CardsPanel, TransfersOverTcp) {
  ScriptedReader reader;
  ASSERT_TRUE(reader.listen());
  Window win;
  win.useTcp(reader.port());
  sendReceiveErase(win, reader);
}

TEST(CardsPanel, TransfersOverASerialLine) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ScriptedReader reader;
  reader.attach(pty);
  Window win;
  win.devicePath = pty.slavePath();
  win.c<QComboBox>("cmbParity")->setCurrentIndex(2);  // a pseudo-terminal takes no parity
  sendReceiveErase(win, reader);
  EXPECT_TRUE(win.w->context().links().serial().openDevice().isEmpty());  // closed after each transfer
}

TEST(CardsPanel, RefusedCardAsksForARetry) {
  ScriptedReader reader;
  ASSERT_TRUE(reader.listen());
  Window win;
  win.useTcp(reader.port());
  win.add("5");
  reader.nextNcStatus = "E";
  win.prompts.answers = {true, true};
  win.click("cmdSendAllCards");
  EXPECT_EQ(win.prompts.questions, (QStringList{"Seçilen kart numaralarını göndermekistiyor musunuz?",
                                                "Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??"}));
  EXPECT_EQ(reader.cards, std::vector<quint32>{5});
  EXPECT_EQ(win.prompts.messages, QStringList{"İşlem Tamamlandı"});
}

}  // namespace
}  // namespace tessaro
