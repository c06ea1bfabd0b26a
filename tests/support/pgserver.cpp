#include "support/pgserver.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace tessaro::test {

// Stopped while the application still exists (QProcess needs it).
static void StopServer() { PgServer::instance().stop(); }

PgServer& PgServer::instance() {
  static PgServer server;
  return server;
}

PgServer::PgServer() {
  // The newest installed server ("15" sorts after "13").
  QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList({"[0-9]*"}, QDir::Dirs);
  std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
  bin_ = versions.isEmpty() ? QString() : QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(versions.last());
  if (!QFile::exists(bin_ + "initdb")) {
    why_ = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (bash scripts/deps.sh installs it)");
    return;
  }
  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tessaro-pg-XXXXXX"));
  dir.setAutoRemove(false);
  folder_ = dir.path();
  const passwd* pg = geteuid() == 0 ? getpwnam("postgres") : nullptr;
  asPostgres_ = pg != nullptr;
  if (geteuid() == 0 && (!pg || chown(folder_.toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0)) {
    why_ = QStringLiteral("running as root without a postgres user to run the server as");
    return;
  }
  const QString data = folder_ + QStringLiteral("/data");
  // Only the socket in the folder: no port of the machine is taken.
  if (!run({bin_ + "initdb", "-D", data, "--auth=trust", "-U", "postgres", "-E", "UTF8", "--no-sync"}, &why_) ||
      !run({bin_ + "pg_ctl", "-D", data, "-l", folder_ + "/server.log", "-w", "-o",
            QStringLiteral("-k %1 -c listen_addresses= -F").arg(folder_), "start"},
           &why_))
    return;
  running_ = true;
  qAddPostRoutine(StopServer);
}

PgServer::~PgServer() { stop(); }

void PgServer::stop() {
  if (running_) run({bin_ + "pg_ctl", "-D", folder_ + "/data", "-m", "immediate", "-w", "stop"});
  running_ = false;
  if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
  folder_.clear();
}

bool PgServer::run(const QStringList& command, QString* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.setWorkingDirectory(QDir::tempPath());
  if (asPostgres_) p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--"} + command);
  else p.start(command[0], command.mid(1));
  const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (output) *output = command[0] + QStringLiteral(" failed: ") + QString::fromLocal8Bit(p.readAll());
  return ok;
}

QString PgServer::newDatabase() {
  QString name = QStringLiteral("t%1").arg(++databases_);
  {
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgserver-admin"));
    admin.setHostName(folder_);
    admin.setUserName(QStringLiteral("postgres"));
    admin.setDatabaseName(QStringLiteral("postgres"));
    if (!admin.open() || !QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + name))
      why_ = QStringLiteral("CREATE DATABASE failed: ") + admin.lastError().text(), name.clear();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("pgserver-admin"));
  return name.isEmpty() ? QString() : QStringLiteral("postgresql://postgres@/%1?host=%2").arg(name, folder_);
}

QString PgServer::deadAddress() const { return QStringLiteral("postgresql://postgres@/t1?host=%1/nowhere").arg(folder_); }

}  // namespace tessaro::test
