#include "platform.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "accesslog.h"

namespace tessaro {

Services Platform::services() {
  Services s;
  s.prompts = &prompts;
  s.pump = &pump;
  s.clock = &clock;
  s.localNow = [] { return QDateTime::currentDateTime(); };
  s.programFolder = QCoreApplication::applicationDirPath();
  s.dataFolder = UserDataFolder();
  s.startProgram = [](const QString& program, const QStringList& args) {
    return QProcess::startDetached(program, args);
  };
  s.findProgram = [](const QString& name) { return QStandardPaths::findExecutable(name); };
  // Several PCs collect into one PostgreSQL database when it is named here.
  s.storeAddress = qEnvironmentVariable("TESSARO_DB");
  s.lineName = qEnvironmentVariable("TESSARO_LINE");
  return s;
}

}  // namespace tessaro
