#pragma once
// tessaro-cli run as its user runs it, to its end, while this process's event
// loop goes on serving the simulated line it talks to.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

struct CliRun {
  double seconds = 0;
  int exit = -1;  // -1: it did not end within the hour
  QByteArray out;
};

inline CliRun RunCli(const QStringList& args) {
  QProcess p;
  QElapsedTimer t;
  t.start();
  p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/tessaro-cli"), args);
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(3600 * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  return {t.nsecsElapsed() / 1e9, p.state() == QProcess::NotRunning ? p.exitCode() : -1, p.readAllStandardOutput()};
}
