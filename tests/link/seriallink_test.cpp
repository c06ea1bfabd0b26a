#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <termios.h>
#include <unistd.h>

#include "common/pty.h"
#include "link/eventpump.h"
#include "link/exchange.h"
#include "link/portnames.h"
#include "link/seriallink.h"

namespace tessaro {
namespace {

using test::PtyPair;

// Lets the port's notifiers deliver what the other side wrote.
void settle(int ms = 30) {
  QtMessagePump pump;
  for (int i = 0; i < ms / 10; ++i) pump.waitForActivity(10);
}

// Open file descriptors of this process that point at `path`.
int openHandlesTo(const QString& path) {
  int n = 0;
  const QDir fds(QStringLiteral("/proc/self/fd"));
  for (const QString& e : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    if (QFile::symLinkTarget(fds.filePath(e)) == path) ++n;
  }
  return n;
}

struct LineCase {
  const char* settings;
  speed_t speed;
  QSerialPort::Parity parity;
};

// The line the program configured: speed, 8 data bits, 1 stop bit and no flow
// control as the terminal reports them; a pseudo-terminal keeps no parity, so
// the parity is the one the link applied.
void expectLine(const PtyPair& pty, const SerialLink& link, const LineCase& c) {
  termios t{};
  ASSERT_EQ(tcgetattr(pty.masterFd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), c.speed) << c.settings;
  EXPECT_EQ(cfgetispeed(&t), c.speed) << c.settings;
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8)) << c.settings;
  EXPECT_EQ(t.c_cflag & CSTOPB, tcflag_t(0)) << c.settings;
  EXPECT_EQ(t.c_cflag & CRTSCTS, tcflag_t(0)) << c.settings;
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(0)) << c.settings;
  EXPECT_EQ(link.lineSettings().parity, c.parity) << c.settings;
}

TEST(SerialSettings, ParseTheSettingsText) {
  const std::tuple<const char*, bool, qint32, QSerialPort::Parity> cases[] = {
      {"38400,o,8,1", true, 38400, QSerialPort::OddParity},
      {"9600,e,8,1", true, 9600, QSerialPort::EvenParity},
      {"1200,n,8,1", true, 1200, QSerialPort::NoParity},
      {"19200,O,8,1", true, 19200, QSerialPort::OddParity},
      {" 9600 ,e,8,1", true, 9600, QSerialPort::EvenParity},
      {"9600,x,8,1", false, 0, QSerialPort::OddParity},
      {"9600,e,7,1", false, 0, QSerialPort::OddParity},
      {"9600,e,8,2", false, 0, QSerialPort::OddParity},
      {"abc,o,8,1", false, 0, QSerialPort::OddParity},
      {",o,8,1", false, 0, QSerialPort::OddParity},
      {"-9600,o,8,1", false, 0, QSerialPort::OddParity},
      {"9600,o,8", false, 0, QSerialPort::OddParity},
      {"", false, 0, QSerialPort::OddParity},
  };
  for (const auto& [text, ok, baud, parity] : cases) {
    SerialLink::LineSettings s;
    EXPECT_EQ(SerialLink::parseSettings(QString::fromLatin1(text), &s), ok) << text;
    if (ok) {
      EXPECT_EQ(s.baud, baud) << text;
      EXPECT_EQ(s.parity, parity) << text;
    }
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

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(b.ok());
    link.setPortResolver([this](int n) {
      if (n == 1) return a.slavePath();
      if (n == 2) return b.slavePath();
      if (n == 3) return QStringLiteral("/dev/no-such-serial-port");
      return QString();
    });
  }
  PtyPair a, b;
  SerialLink link;
};

TEST_F(SerialLinkTest, OpensConfiguredAndWritesTheExactBytes) {
  EXPECT_FALSE(link.isOpen());
  link.setPortNumber(1);
  link.setSettings(QStringLiteral("38400,o,8,1"));
  EXPECT_EQ(link.open(), 1);
  EXPECT_TRUE(link.isOpen());
  EXPECT_EQ(link.openDevice(), a.slavePath());
  expectLine(a, link, {"38400,o,8,1", B38400, QSerialPort::OddParity});
  link.write("%UR001**\r");
  settle();
  EXPECT_EQ(a.read(), QByteArray("%UR001**\r"));
  EXPECT_TRUE(b.read().isEmpty());
}

TEST_F(SerialLinkTest, LineSettingsTexts) {
  const LineCase cases[] = {
      {"9600,e,8,1", B9600, QSerialPort::EvenParity},
      {"1200,n,8,1", B1200, QSerialPort::NoParity},
      {"19200,o,8,1", B19200, QSerialPort::OddParity},
      {"38400,n,8,1", B38400, QSerialPort::NoParity},
  };
  link.setPortNumber(1);
  for (const LineCase& c : cases) {
    link.close();
    link.setSettings(QString::fromLatin1(c.settings));
    ASSERT_EQ(link.open(), 1) << c.settings;
    expectLine(a, link, c);
  }
}

TEST_F(SerialLinkTest, AlreadyOpenCountsAsSuccessAndTakesNewSettings) {
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  const int handles = openHandlesTo(a.slavePath());
  link.setSettings(QStringLiteral("9600,e,8,1"));
  EXPECT_EQ(link.open(), 1);
  EXPECT_TRUE(link.isOpen());
  // The port was re-configured, not closed and opened again.
  EXPECT_EQ(openHandlesTo(a.slavePath()), handles);
  expectLine(a, link, {"9600,e,8,1", B9600, QSerialPort::EvenParity});
}

TEST_F(SerialLinkTest, FailedOpens) {
  for (int n : {3, 4, 0, 17}) {
    link.setPortNumber(n);
    EXPECT_EQ(link.open(), 2) << n;
    EXPECT_FALSE(link.isOpen()) << n;
  }
  link.setPortNumber(1);
  link.setSettings(QStringLiteral("abc,o,8,1"));
  EXPECT_EQ(link.open(), 2);
  EXPECT_FALSE(link.isOpen());
}

// A port left open by a clock operation must not keep talking on the old
// device once the user has chosen another number.
TEST_F(SerialLinkTest, ReopensOnThePortTheUserSelected) {
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  const int handlesA = openHandlesTo(a.slavePath());
  link.setPortNumber(2);
  link.setSettings(QStringLiteral("9600,e,8,1"));
  EXPECT_EQ(link.open(), 1);
  EXPECT_EQ(link.openDevice(), b.slavePath());
  EXPECT_EQ(openHandlesTo(a.slavePath()), handlesA - 1);
  expectLine(b, link, {"9600,e,8,1", B9600, QSerialPort::EvenParity});
  link.write("%DR001**\r");
  settle();
  EXPECT_EQ(b.read(), QByteArray("%DR001**\r"));
  EXPECT_TRUE(a.read().isEmpty());

  // A selected port that cannot be opened leaves nothing open.
  link.setPortNumber(3);
  EXPECT_EQ(link.open(), 2);
  EXPECT_FALSE(link.isOpen());
  // After a close the selected number is used at the next opening.
  link.setPortNumber(1);
  EXPECT_EQ(link.open(), 1);
  EXPECT_EQ(link.openDevice(), a.slavePath());
}

TEST_F(SerialLinkTest, CloseIsHarmlessAndAClosedPortSendsNothing) {
  link.close();
  link.close();
  link.write("%UR001**\r");
  EXPECT_EQ(link.available(), 0);
  EXPECT_TRUE(link.readAll().isEmpty());
  EXPECT_FALSE(link.portCheck());

  QtMessagePump pump;
  SystemWholeSecondClock clock;
  TickCounter ticks;
  ExchangeEnv env{link, pump, clock, &ticks};
  CommandParams quick = Cmd::ReadClock;
  quick.serialDrain = 1;
  // Without a reader the exchange ends with no reply; with a port check, as a bad reply.
  EXPECT_EQ(CommandExchange(env, quick, 1).status(quick.convention), -1);
  CommandParams settings = Cmd::WriteSettings;
  settings.serialDrain = 1;
  EXPECT_EQ(CommandExchange(env, settings, 1).status(settings.convention), -1);
  settle();
  EXPECT_TRUE(a.read().isEmpty());
  EXPECT_TRUE(b.read().isEmpty());

  // Closing an open port really releases it.
  link.setPortNumber(1);
  ASSERT_EQ(link.open(), 1);
  link.close();
  EXPECT_FALSE(link.isOpen());
  EXPECT_EQ(openHandlesTo(a.slavePath()), 1);  // only the test's own side
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
  QtMessagePump pump;
  SystemWholeSecondClock clock;
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
