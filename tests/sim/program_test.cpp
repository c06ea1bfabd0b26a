// The command line of tessaro-reader-sim and the program's life: it says where
// it listens, serves, and on SIGTERM or SIGINT ends cleanly without its link.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include "sim/simoptions.h"
#include "sim/simstate.h"
#include "simclient.h"

using namespace tessaro;
using namespace tessaro::sim;
using namespace tessaro::sim::test;

namespace {

const QStringList kEveryOption = {"--tcp",    "--listen-any", "--pty",   "--serial",      "--parity",
                                  "--baud",   "--model",      "--id",    "--cards",       "--cards-file",
                                  "--records", "--clock-offset", "--erase-delay", "--state", "--log",
                                  "--fault",  "--help"};

TEST(SimOptions, HelpListsEveryOption) {
  const QString help = SimHelpText();
  for (const QString& o : kEveryOption) EXPECT_TRUE(help.contains(o + QLatin1Char(' '))) << o.toStdString();
  for (const char* model : {"TS-20", "TS-30H", "TS-30P", "TS-40", "TS-40B", "TS-20B", "TS-90", "TS-90B", "TS-90C"})
    EXPECT_TRUE(help.contains(QLatin1String(model))) << model;
}

TEST(SimOptions, Accepted) {
  SimOptions o;
  QString error;
  ASSERT_TRUE(ParseSimOptions({}, &o, &error));  // the defaults
  EXPECT_TRUE(o.tcp);
  EXPECT_EQ(o.tcpHost, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(o.tcpPort, 5600);
  EXPECT_EQ(o.model, DeviceModel::TS30P);
  EXPECT_EQ(o.ids, std::vector<int>{1});
  EXPECT_EQ(o.eraseDelayMs, 2000);
  ASSERT_TRUE(ParseSimOptions({"--pty", "/tmp/x", "--model", "TS-90C", "--id", "3", "--id=200", "--baud", "9600",
                               "--clock-offset", "-3600", "--fault", "DD:stopafter:3", "--fault", "US:silence",
                               "--erase-delay", "25000", "--tcp", "[::1]:7000"},
                              &o, &error))
      << error.toStdString();
  EXPECT_EQ(o.ptyPath, QStringLiteral("/tmp/x"));
  EXPECT_EQ(o.model, DeviceModel::TS90C);
  EXPECT_EQ(o.ids, (std::vector<int>{3, 200}));
  EXPECT_EQ(o.baud, 9600);
  EXPECT_EQ(o.clockOffset, -3600);
  ASSERT_EQ(o.faults.size(), 2u);
  EXPECT_EQ(o.faults[0].first, "DD");
  EXPECT_EQ(o.faults[0].second.kind, FaultKind::StopAfter);
  EXPECT_EQ(o.faults[1].second.kind, FaultKind::Silence);
  EXPECT_TRUE(o.tcp);
  EXPECT_EQ(o.tcpHost, QStringLiteral("::1"));
  EXPECT_EQ(o.tcpPort, 7000);

  ASSERT_TRUE(ParseSimOptions({"--pty", "/tmp/x"}, &o, &error));
  EXPECT_FALSE(o.tcp);  // a pty alone does not also listen
  ASSERT_TRUE(ParseSimOptions({"--tcp", "0.0.0.0:5600", "--listen-any"}, &o, &error));
  ASSERT_TRUE(ParseSimOptions({"--tcp", "localhost:5600"}, &o, &error));
}

TEST(SimOptions, Refused) {
  const std::vector<QStringList> cases = {
      {"--tcp", "0.0.0.0:5600"},          // not loopback without --listen-any
      {"--tcp", "192.168.1.5:5600"},
      {"--tcp", "127.0.0.1"},
      {"--tcp", "127.0.0.1:70000"},
      {"--model", "TS-99"},
      {"--id", "0"},
      {"--id", "256"},
      {"--id", "1", "--id", "1"},
      {"--cards", "-1"},
      {"--cards", "10", "--cards-file", "f"},
      {"--baud", "0"},
      {"--erase-delay", "25001"},
      {"--fault", "US:vanish"},
      {"--pty", "/tmp/a", "--serial", "/dev/ttyS0"},
      {"--parity", "x"},
      {"--id"},
      {"--bogus"},
  };
  for (const QStringList& args : cases) {
    SimOptions o;
    QString error;
    EXPECT_FALSE(ParseSimOptions(args, &o, &error)) << args.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(SimOptions, CardFiles) {
  std::vector<quint32> cards;
  QString error;
  ASSERT_TRUE(ParseCardFile("255\r\n\n-1\n4294967295\n  12 \n", &cards, &error));
  EXPECT_EQ(cards, (std::vector<quint32>{255, 0xFFFFFFFF, 0xFFFFFFFF, 12}));
  for (const QByteArray& bad : {QByteArray("12\nabc\n"), QByteArray("4294967296\n"), QByteArray("-2147483649\n"),
                                QByteArray("1.5\n")}) {
    EXPECT_FALSE(ParseCardFile(bad, &cards, &error)) << bad.constData();
  }
}

#ifdef TESSARO_READER_SIM

QString Program() { return QStringLiteral(TESSARO_READER_SIM); }

TEST(SimProgram, HelpAndAnAddressBeyondLoopback) {
  QProcess p;
  p.start(Program(), {"--help"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), SimHelpText());
  p.start(Program(), {"--tcp", "0.0.0.0:5600"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 2);
  EXPECT_TRUE(p.readAllStandardError().contains("loopback"));
}

// Starts the program and waits for its one line about where it listens.
struct Running {
  explicit Running(const QStringList& args) {
    p.start(Program(), args);
    WaitUntil([&] { return p.canReadLine() || p.state() == QProcess::NotRunning; }, 5000);
    line = QString::fromUtf8(p.readLine()).trimmed();
  }
  ~Running() {
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(2000);
    }
  }
  int stop(int signal) {
    ::kill(static_cast<pid_t>(p.processId()), signal);
    WaitUntil([&] { return p.state() == QProcess::NotRunning; }, 5000);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  QProcess p;
  QString line;
};

TEST(SimProgram, ServesUntilSigtermAndRemovesItsLink) {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttySim"));
  const QString state = dir.filePath(QStringLiteral("memory.json"));
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    Running r({"--pty", link, "--model", "TS-20", "--id", "5", "--cards", "3", "--state", state});
    EXPECT_EQ(r.line, QStringLiteral("tessaro-reader-sim: TS-20, ID 5, listening on pty %1").arg(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(r.stop(sig), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    // The memory was saved and is loaded again the next time.
    std::vector<SimReader> readers;
    QFile f(state);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ASSERT_TRUE(StateFromJson(f.readAll(), &readers, nullptr));
    ASSERT_EQ(readers.size(), 1u);
    EXPECT_EQ(readers[0].id, 5);
    EXPECT_EQ(readers[0].cards.size(), 3u);
  }
}

TEST(SimProgram, AnswersOverTcp) {
  // Ports below 32768 are what the window's port box can name.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int port = 21000 + (::getpid() * 11 + attempt * 97) % 11000;
    Running r({"--tcp", QStringLiteral("127.0.0.1:%1").arg(port), "--model", "TS-30P", "--id", "1", "--id", "2",
               "--records", "50"});
    if (r.line.isEmpty()) continue;  // the port was taken
    EXPECT_EQ(r.line, QStringLiteral("tessaro-reader-sim: TS-30P, ID 1,2, listening on tcp 127.0.0.1:%1").arg(port));
    TcpClient c(static_cast<quint16>(port));
    ASSERT_TRUE(c.connected);
    EXPECT_EQ(c.ask("%RC002**\r", 13), "$RC0020051**\r");
    EXPECT_EQ(r.stop(SIGTERM), 0);
    return;
  }
  FAIL() << "no free port";
}

#endif

}  // namespace
