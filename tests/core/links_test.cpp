// The serial link over pseudo-terminals, the TCP link over the loopback, and
// how port numbers name devices.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include "devicelinks.h"
#include "eventpump.h"
#include "portnames.h"
#include "simchannels.h"

namespace tessaro {
namespace {

TEST(Links, SerialOpensTheSelectedPortWithItsSettings) {
  sim::PtyChannel a, b;
  QString error;
  ASSERT_TRUE(a.open(&error) && b.open(&error)) << error.toStdString();
  QtMessagePump pump;
  SteadyClock clock;
  DeviceLinks links(pump, clock);
  SerialLink& serial = links.serial();
  serial.setPortResolver([&](int n) { return n == 1 ? a.slaveName : n == 2 ? b.slaveName : QString(); });
  // Port, speed → the result of opening, and the device then open; a speed the readers do not run at is refused.
  const struct { int port, baud, result; QString device; } rows[] = {
      {1, 9600, 1, a.slaveName}, {1, 1200, 1, a.slaveName}, {2, 38400, 1, b.slaveName}, {3, 38400, 2, {}},
      {1, 57600, 2, {}}, {1, 0, 2, {}}, {1, 1199, 2, {}}};
  for (const auto& r : rows) {
    serial.close();
    serial.setPortNumber(r.port);
    serial.setLine({r.baud, QSerialPort::NoParity});
    EXPECT_EQ(serial.open(), r.result) << r.port << " " << r.baud;
    EXPECT_EQ(serial.openDevice(), r.device) << r.port << " " << r.baud;
    EXPECT_FALSE(serial.lastOpenDenied()) << r.port << " " << r.baud;
  }
  const Link* opened = links.open({.tcp = false, .serialPort = 1, .serialLine = {19200, QSerialPort::NoParity}});
  ASSERT_EQ(opened, &serial);
  EXPECT_EQ(serial.line().baud, 19200);
  serial.write("%UR001**\r");
  pump.waitForActivity(20'000);
  EXPECT_EQ(a.readAvailable(), "%UR001**\r");
  a.writeSome("$UR");
  for (int i = 0; i < 5 && serial.available() < 3; ++i) pump.waitForActivity(20'000);
  EXPECT_EQ(serial.readAll(), "$UR");
  EXPECT_TRUE(serial.portCheck());
  // A port another program holds is refused, but not for lack of rights.
  SerialLink other;
  other.setPortResolver([&](int) { return a.slaveName; });
  other.setLine({19200, QSerialPort::NoParity});
  EXPECT_FALSE(other.lastOpenDenied());
  EXPECT_EQ(other.open(), 2);
  EXPECT_FALSE(other.lastOpenDenied());
  links.closeSerial();
  EXPECT_FALSE(serial.isOpen());
  EXPECT_FALSE(serial.portCheck());
  EXPECT_EQ(links.open({.tcp = false, .serialPort = 4}), nullptr);
}

TEST(Links, TcpConnectsAfreshEveryTime) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  QtMessagePump pump;
  SteadyClock clock;
  DeviceLinks links(pump, clock);
  const ConnectionSettings to{.tcp = true, .host = " 127.0.0.1 ", .tcpPort = server.serverPort()};
  ASSERT_EQ(links.open(to), &links.tcp());
  ASSERT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(1000));
  QTcpSocket* first = server.nextPendingConnection();
  ASSERT_EQ(links.open(to), &links.tcp());
  // The first connection was closed before the second was made.
  EXPECT_TRUE(first->state() == QAbstractSocket::UnconnectedState || first->waitForDisconnected(1000));
  server.close();
  EXPECT_EQ(links.open(to), nullptr);
  EXPECT_EQ(links.open({.tcp = true, .host = "127.0.0.1", .tcpPort = 0}), nullptr);
  EXPECT_EQ(links.open({.tcp = true, .host = "", .tcpPort = 5600}), nullptr);
}

TEST(Links, PortNumbersCountUsbThenAcmThenSerialInNumericOrder) {
  QTemporaryDir dir;
  for (const char* n : {"ttyS10", "ttySAC0", "ttyS2", "ttyUSB10", "ttyUSB1", "ttyACM0", "tty0", "ttyUSB2", "ttyS"})
    ASSERT_TRUE(QFile(dir.filePath(QString::fromLatin1(n))).open(QIODevice::WriteOnly));
  QStringList names;
  for (const QString& p : SerialDeviceNodes(dir.path())) names << p.section(QLatin1Char('/'), -1);
  EXPECT_EQ(names, QStringList({"ttyUSB1", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS", "ttyS2", "ttyS10", "ttySAC0"}));
  // A stable name links to the device.
  ASSERT_TRUE(QDir(dir.path()).mkdir("by-id"));
  ASSERT_TRUE(QFile::link(dir.filePath("ttyUSB2"), dir.filePath("by-id/usb-FTDI_FT232R_A1-if00-port0")));
  EXPECT_EQ(SerialStableName(dir.filePath("ttyUSB2"), dir.filePath("by-id")), dir.filePath("by-id/usb-FTDI_FT232R_A1-if00-port0"));
  EXPECT_EQ(SerialStableName(dir.filePath("ttyUSB1"), dir.filePath("by-id")), "");
  EXPECT_EQ(PortDeviceCaption("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(PortDeviceCaption(""), "-");
  EXPECT_TRUE(SerialDeviceForPort(0).isEmpty());
}

}  // namespace
}  // namespace tessaro
