// The nightly collection's script (packaging/systemd/tessaro-pull, what
// tessaro-pull@NAME.service runs): /etc/tessaro/NAME.conf becomes one
// tessaro-cli records pull, or a refusal that names what is wrong.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "support/fakes.h"
#include "readersim.h"

namespace tessaro {
namespace {

struct PullRun { int exitCode = -1; QString out, err; };

// The script for instance "demo" with `conf` as its configuration (none when
// null). The event loop runs meanwhile, so a simulated reader in this process answers.
PullRun RunPull(const QTemporaryDir& dir, const char* conf, const QString& cli) {
  if (conf) test::WriteFile(dir.filePath(QStringLiteral("demo.conf")), conf);
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TESSARO_CONF_DIR"), dir.path());
  env.insert(QStringLiteral("TESSARO_CLI"), cli);
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(dir.path());
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  p.start(QStringLiteral(TESSARO_PULL_SCRIPT), {QStringLiteral("demo")});
  loop.exec();
  return {p.state() == QProcess::NotRunning ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

TEST(Pull, ConfigurationBecomesOneRecordsPull) {
  QTemporaryDir dir;
  // A tessaro-cli that prints its arguments, one a line.
  const QString cli = dir.filePath(QStringLiteral("cli"));
  test::WriteFile(cli, "#!/bin/sh\nfor a; do echo \"$a\"; done\n");
  QFile::setPermissions(cli, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const struct { const char* conf; const char* args; const char* refusal; } rows[] = {
      {"TCP = 10.0.0.20:5601 \nREADERS=1,3,7-9\nMODEL=TS-40\n",  // blanks around a key or value are no part of it
       "records pull --erase --tcp 10.0.0.20:5601 --id 1,3,7-9 --model TS-40 --log /var/lib/tessaro/demo/AccessFile.txt"},
      // Comments, blank lines, options split but not globbed, no end of line at the end.
      {"# gate\n\nSERIAL=/dev/serial/by-id/usb-FTDI_A1-if00\nREADERS=all\nMODEL=TS-30P\nLOG_FOLDER=/var/lib/tessaro/demo/gate\n"
       "OPTIONS=--baud 9600 --gap *",
       "records pull --erase --serial /dev/serial/by-id/usb-FTDI_A1-if00 --id all --model TS-30P "
       "--log /var/lib/tessaro/demo/gate/AccessFile.txt --baud 9600 --gap *"},
      {"SERIAL=/dev/ttyUSB0\nTCP=10.0.0.20\nREADERS=1\nMODEL=TS-40\n", nullptr, "give SERIAL or TCP, not both"},
      {"READERS=1\nMODEL=TS-40\n", nullptr, "give the link"}, {"TCP=10.0.0.20\nMODEL=TS-40\n", nullptr, "give the readers:"},
      {"TCP=10.0.0.20\nREADERS=1\n", nullptr, "give the readers' model"},
      {"TCP=10.0.0.20\nREADER =1\nMODEL=TS-40\n", nullptr, "unknown key 'READER'"},
      {"TCP 10.0.0.20\n", nullptr, "not KEY=VALUE: TCP 10.0.0.20"}, {nullptr, nullptr, "cannot be read"}};
  for (const auto& r : rows) {
    QFile::remove(dir.filePath(QStringLiteral("demo.conf")));
    const PullRun run = RunPull(dir, r.conf, cli);
    const QString conf = QString::fromUtf8(r.conf ? r.conf : "(none)");
    if (r.args) {
      EXPECT_EQ(run.exitCode, 0) << conf.toStdString() << run.err.toStdString();
      EXPECT_EQ(run.out.trimmed().replace(QLatin1Char('\n'), QLatin1Char(' ')), QString::fromUtf8(r.args));
    } else {
      EXPECT_EQ(run.exitCode, 1) << conf.toStdString();
      EXPECT_EQ(run.out, "") << conf.toStdString();
      EXPECT_TRUE(run.err.contains(QString::fromUtf8(r.refusal))) << run.err.toStdString();
    }
  }
}

// With the real tessaro-cli: the reader's records land in the log and are erased in the reader.
TEST(Pull, RecordsOfAReaderIntoTheLog) {
  sim::ReaderSim sim;
  ASSERT_TRUE(sim.listenTcp());
  sim::SimReader& reader = sim.addReader(2, sim::SimModel::TS30P);
  sim::ReaderSim::generateRecords(reader, 5, QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9)));
  QTemporaryDir dir;
  const QByteArray conf =
      QStringLiteral("TCP=127.0.0.1:%1\nREADERS=2\nMODEL=TS-30P\nLOG_FOLDER=%2\n").arg(sim.tcpPort()).arg(dir.path()).toUtf8();
  const PullRun run = RunPull(dir, conf.constData(), QStringLiteral(TESSARO_CLI_PROGRAM));
  EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_EQ(test::ReadFile(dir.filePath(QStringLiteral("AccessFile.txt"))).count('\n'), 5);
  EXPECT_TRUE(reader.records.empty());
}

}  // namespace
}  // namespace tessaro
