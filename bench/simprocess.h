#pragma once
// The simulated reader as a process of its own, so that the CPU time and the
// timing measured in the benchmark are the program's alone, and the reader's
// pacing does not share the program's event loop.

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

class SimProcess {
 public:
  SimProcess() = default;
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  // Ended as the user ends it, so it saves its memory and removes its link.
  ~SimProcess() { stop(); }

  // `args`: the reader's own options (--id, --model, --baud, --fault, …); the
  // line is a pseudo-terminal, or TCP with `tcp`.
  bool start(QStringList args, bool tcp) {
    args << QStringLiteral("--state") << dir_.filePath(QStringLiteral("state.json"));
    if (tcp) args << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
    else args << QStringLiteral("--pty") << ptyPath();
    process_.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/tessaro-reader-sim"), args);
    if (!process_.waitForStarted(5000)) return false;
    // It says where it listens once it is ready.
    QEventLoop loop;
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const QString line = QString::fromLatin1(process_.readAllStandardOutput());
    const qsizetype colon = line.lastIndexOf(QLatin1Char(':'));
    if (tcp) tcpPort_ = line.mid(colon + 1).trimmed().toUShort();
    return line.contains(QLatin1String("listening"));
  }
  QString ptyPath() const { return dir_.filePath(QStringLiteral("tty")); }
  quint16 tcpPort() const { return tcpPort_; }

  // Ends it (it saves its memory on the way out) and returns the first reader's cards.
  qsizetype stopAndCountCards() {
    stop();
    QFile f(dir_.filePath(QStringLiteral("state.json")));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QJsonArray readers = QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("readers")].toArray();
    return readers.isEmpty() ? -1 : readers[0].toObject()[QStringLiteral("cards")].toArray().size();
  }

 private:
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    process_.waitForFinished(10000);
  }

  QTemporaryDir dir_;
  QProcess process_;
  quint16 tcpPort_ = 0;
};
