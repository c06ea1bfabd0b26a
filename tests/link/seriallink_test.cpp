#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <termios.h>
#include <thread>

#include "common/pty.h"
#include "link/eventpump.h"
#include "link/exchange.h"
#include "link/portnames.h"
#include "link/seriallink.h"

namespace tessaro {
namespace {

using test::PtyPair;

TEST(SerialSettings, ParseTheSettingsText) {
  using P = QSerialPort::Parity;
  const std::tuple<const char*, bool, qint32, P> cases[] = {
      {"38400,o,8,1", true, 38400, P::OddParity}, {"9600,e,8,1", true, 9600, P::EvenParity},
      {"1200,n,8,1", true, 1200, P::NoParity},    {"19200,O,8,1", true, 19200, P::OddParity},
      {" 9600 ,e,8,1", true, 9600, P::EvenParity}, {"9600,x,8,1", false, 0, {}}, {"9600,e,7,1", false, 0, {}},
      {"9600,e,8,2", false, 0, {}}, {"abc,o,8,1", false, 0, {}}, {",o,8,1", false, 0, {}},
      {"-9600,o,8,1", false, 0, {}}, {"9600,o,8", false, 0, {}}, {"", false, 0, {}}};
  for (const auto& [text, ok, baud, parity] : cases) {
    SerialLink::LineSettings s;
    EXPECT_EQ(SerialLink::parseSettings(QString::fromLatin1(text), &s), ok) << text;
    if (ok) { EXPECT_EQ(std::make_pair(s.baud, s.parity), std::make_pair(baud, parity)) << text; }
  }
}

TEST(SerialPortNames, LinuxOrderIsUsbThenAcmThenS) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* n : {"ttyS10", "ttyS2", "ttyUSB10", "ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "tty0", "ttyUSB2"}) {
    QFile f(dir.filePath(QString::fromLatin1(n)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QStringList names;
  for (const QString& p : SerialDeviceNodes(dir.path())) names << p.section(QLatin1Char('/'), -1);
  EXPECT_EQ(names, QStringList({"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS0", "ttyS2", "ttyS10"}));
  EXPECT_TRUE(SerialDeviceForPort(0).isEmpty());
  EXPECT_TRUE(SerialDeviceForPort(-1).isEmpty());
}

// Ports 1 and 2 are pseudo-terminals, 3 names a missing device, others none.
class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(a.ok() && b.ok());
    link.setPortResolver([this](int n) {
      return n == 1 ? a.slavePath() : n == 2 ? b.slavePath() : n == 3 ? QStringLiteral("/dev/no-such-port") : QString();
    });
  }
  // Lets the port's notifiers deliver what the other side wrote.
  void settle() {
    for (int i = 0; i < 3; ++i) pump.waitForActivity(10);
  }
  // Open file descriptors of this process that point at `path`.
  static int handlesTo(const QString& path) {
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& e : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
      n += QFile::symLinkTarget(fds.filePath(e)) == path;
    }
    return n;
  }
  // The line as the terminal reports it: speed, 8 data bits, 1 stop bit, no flow
  // control; a pseudo-terminal keeps no parity, so that is the one the link applied.
  void expectLine(const PtyPair& pty, speed_t speed, QSerialPort::Parity parity) {
    termios t{};
    ASSERT_EQ(tcgetattr(pty.masterFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed);
    EXPECT_EQ(cfgetispeed(&t), speed);
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(0));
    EXPECT_EQ(link.lineSettings().parity, parity);
  }
  PtyPair a, b;
  SerialLink link;
  QtMessagePump pump;
  SystemWholeSecondClock clock;
};

// Port, settings text → OpenSerialPort result and the line the port got.
TEST_F(SerialLinkTest, OpenWithLineSettingsAndWriteExactBytes) {
  using P = QSerialPort::Parity;
  const std::tuple<int, const char*, int, speed_t, P> cases[] = {
      {1, "38400,o,8,1", 1, B38400, P::OddParity}, {1, "9600,e,8,1", 1, B9600, P::EvenParity},
      {1, "1200,n,8,1", 1, B1200, P::NoParity},    {1, "19200,o,8,1", 1, B19200, P::OddParity},
      {1, "38400,n,8,1", 1, B38400, P::NoParity},  {1, "abc,o,8,1", 2, 0, {}}, {3, "9600,e,8,1", 2, 0, {}},
      {4, "9600,e,8,1", 2, 0, {}}, {0, "9600,e,8,1", 2, 0, {}}, {17, "9600,e,8,1", 2, 0, {}}};
  EXPECT_FALSE(link.isOpen());
  for (const auto& [port, settings, result, speed, parity] : cases) {
    SCOPED_TRACE(testing::Message() << port << " " << settings);
    link.close();
    link.setPortNumber(port);
    link.setSettings(QString::fromLatin1(settings));
    ASSERT_EQ(link.open(), result);
    EXPECT_EQ(link.isOpen(), result == 1);
    if (result == 1) {
      EXPECT_EQ(link.openDevice(), a.slavePath());
      expectLine(a, speed, parity);
    }
  }
  link.setPortNumber(1);
  link.setSettings(QStringLiteral("38400,o,8,1"));
  ASSERT_EQ(link.open(), 1);
  link.write("%UR001**\r");
  settle();
  EXPECT_EQ(a.read(), QByteArray("%UR001**\r"));
  EXPECT_TRUE(b.read().isEmpty());
}

// Already open counts as success and takes the new settings without closing;
// but a port left open by a clock operation must not keep talking on the old
// device once the user has chosen another number.
TEST_F(SerialLinkTest, ReopenKeepsThePortOrFollowsTheSelection) {
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  const int handlesA = handlesTo(a.slavePath());
  link.setSettings(QStringLiteral("9600,e,8,1"));
  EXPECT_EQ(link.open(), 1);
  EXPECT_EQ(handlesTo(a.slavePath()), handlesA);
  expectLine(a, B9600, QSerialPort::EvenParity);

  link.setPortNumber(2);
  link.setSettings(QStringLiteral("1200,n,8,1"));
  EXPECT_EQ(link.open(), 1);
  EXPECT_EQ(link.openDevice(), b.slavePath());
  EXPECT_EQ(handlesTo(a.slavePath()), handlesA - 1);
  expectLine(b, B1200, QSerialPort::NoParity);
  link.write("%DR001**\r");
  settle();
  EXPECT_EQ(b.read(), QByteArray("%DR001**\r"));
  EXPECT_TRUE(a.read().isEmpty());

  // A selected port that cannot be opened leaves nothing open; after that the
  // selected number is used at the next opening.
  link.setPortNumber(3);
  EXPECT_EQ(link.open(), 2);
  EXPECT_FALSE(link.isOpen());
  link.setPortNumber(1);
  EXPECT_EQ(link.open(), 1);
  EXPECT_EQ(link.openDevice(), a.slavePath());
  // Closing really releases it.
  link.close();
  EXPECT_FALSE(link.isOpen());
  EXPECT_EQ(handlesTo(a.slavePath()), 1);  // only the test's own side
}

TEST_F(SerialLinkTest, CloseIsHarmlessAndAClosedPortSendsNothing) {
  link.close();
  link.close();
  link.write("%UR001**\r");
  EXPECT_EQ(link.available(), 0);
  EXPECT_TRUE(link.readAll().isEmpty());
  EXPECT_FALSE(link.portCheck());
  TickCounter ticks;
  ExchangeEnv env{link, pump, clock, &ticks};
  // Without a reader the exchange ends with no reply; with a port check, as a bad reply.
  for (CommandParams cmd : {Cmd::ReadClock, Cmd::WriteSettings}) {
    cmd.serialDrain = 1;
    EXPECT_EQ(CommandExchange(env, cmd, 1).status(cmd.convention), -1) << cmd.code;
  }
  settle();
  EXPECT_TRUE(a.read().isEmpty());
  EXPECT_TRUE(b.read().isEmpty());
}

// Serial data, a timer and posted input each end a long wait early: waiting
// sleeps in the event loop instead of polling.
TEST_F(SerialLinkTest, PumpWakesOnDataTimersAndInput) {
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  bool posted = false, fired = false;
  const struct {
    const char* name;
    std::function<void()> onMain;           // runs before the wait
    std::function<void()> fromOtherThread;  // runs 150 ms into the wait
    std::function<bool()> arrived;
  } cases[] = {
      {"serial data", {}, [&] { a.write("$DR001**\r"); }, [&] { return link.available() == 9; }},
      {"posted input", {}, [&] { QMetaObject::invokeMethod(qApp, [&] { posted = true; }, Qt::QueuedConnection); },
       [&] { return posted; }},
      {"timer", [&] { QTimer::singleShot(150, [&] { fired = true; }); }, [] {}, [&] { return fired; }},
  };
  for (const auto& c : cases) {
    if (c.onMain) c.onMain();
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      c.fromOtherThread();
    });
    QElapsedTimer t;
    t.start();
    int passes = 0;  // each wait would sleep 5 s; only the event can end them sooner
    while (!c.arrived() && t.elapsed() < 5000) {
      pump.waitForActivity(5000);
      ++passes;
    }
    const qint64 woke = t.elapsed();
    other.join();
    EXPECT_TRUE(c.arrived()) << c.name;
    EXPECT_GE(woke, 100) << c.name;
    EXPECT_LT(woke, 1500) << c.name;
    EXPECT_LT(passes, 10) << c.name;
  }
}

TEST_F(SerialLinkTest, ExchangeOverThePty) {
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  // Leftovers of an earlier conversation are drained before the request.
  a.write("$EM001**\r");
  settle();
  // The reader answers in two pieces as soon as the request is complete.
  QByteArray seen;
  QSocketNotifier reader(a.masterFd(), QSocketNotifier::Read);
  QObject::connect(&reader, &QSocketNotifier::activated, [&] {
    seen += a.read();
    if (seen.endsWith('\r')) {
      a.write("noise$UR001061224");
      a.write("103000**\r");
    }
  });
  ExchangeEnv env{link, pump, clock, nullptr};
  CommandParams quick = Cmd::ReadClock;
  quick.serialDrain = 50;
  quick.deadlineSeconds = 3;  // a reply late in the clock second must not be cut short here
  const ExchangeResult r = CommandExchange(env, quick, 1);
  EXPECT_EQ(seen, QByteArray("%UR001**\r"));
  EXPECT_EQ(r.outcome, Outcome::Ok);
  EXPECT_EQ(r.received, QByteArray("noise$UR001061224103000**\r"));
}

}  // namespace
}  // namespace tessaro
