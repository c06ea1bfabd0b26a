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
#include <QVersionNumber>

namespace tessaro::test {

void StopServer();

PgServer& PgServer::instance() {
  static PgServer server;
  return server;
}

// Stopped while the application still exists (QProcess needs it); the
// destructor at exit then finds nothing left to do.
void StopServer() { PgServer::instance().stop(); }

PgServer::PgServer() {
  // The newest installed server.
  QVersionNumber newest;
  for (const QString& v : QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)) && QVersionNumber::fromString(v) > newest) {
      newest = QVersionNumber::fromString(v);
      bin_ = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
    }
  }
  if (bin_.isEmpty()) {
    why_ = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (bash scripts/deps.sh installs it)");
    return;
  }
  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tessaro-pg-XXXXXX"));
  dir.setAutoRemove(false);
  folder_ = dir.path();
  if (geteuid() == 0) {
    const passwd* pg = getpwnam("postgres");
    if (!pg || chown(folder_.toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0) {
      why_ = QStringLiteral("running as root without a postgres user to run the server as");
      return;
    }
    asPostgres_ = true;
  }
  QString out;
  const QString data = folder_ + QStringLiteral("/data");
  if (!run({bin_ + "initdb", "-D", data, "--auth=trust", "-U", "postgres", "-E", "UTF8", "--no-sync"}, &out)) {
    why_ = QStringLiteral("initdb failed: ") + out;
    return;
  }
  // Only the socket in the folder: no port of the machine is taken.
  if (!run({bin_ + "pg_ctl", "-D", data, "-l", folder_ + "/server.log", "-w", "-o",
            QStringLiteral("-k %1 -c listen_addresses= -F").arg(folder_), "start"},
           &out)) {
    why_ = QStringLiteral("the server did not start: ") + out;
    return;
  }
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
  if (output) *output = QString::fromLocal8Bit(p.readAll());
  return ok;
}

QString PgServer::newDatabase() {
  const QString name = QStringLiteral("t%1").arg(++databases_);
  {
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgserver-admin"));
    admin.setHostName(folder_);
    admin.setUserName(QStringLiteral("postgres"));
    admin.setDatabaseName(QStringLiteral("postgres"));
    if (!admin.open() || !QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + name)) {
      why_ = QStringLiteral("CREATE DATABASE failed: ") + admin.lastError().text();
      running_ = false;
    }
    admin.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("pgserver-admin"));
  return QStringLiteral("postgresql://postgres@/%1?host=%2").arg(name, folder_);
}

QString PgServer::deadAddress() const {
  return QStringLiteral("postgresql://postgres@/t1?host=%1/nowhere").arg(folder_);
}

}  // namespace tessaro::test
