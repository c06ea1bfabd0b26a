#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "eventpump.h"
#include "mainwindow.h"
#include "qtprompts.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaro-config"));
  tessaro::QtPrompts prompts;
  tessaro::QtMessagePump pump;
  tessaro::SteadyClock clock;
  tessaro::Services services;
  services.prompts = &prompts;
  services.pump = &pump;
  services.clock = &clock;
  services.localNow = [] { return QDateTime::currentDateTime(); };
  services.programFolder = QCoreApplication::applicationDirPath();
  services.startProgram = [](const QString& program, const QStringList& args) {
    return QProcess::startDetached(program, args);
  };
  services.findProgram = [](const QString& name) { return QStandardPaths::findExecutable(name); };
  tessaro::MainWindow window(services);
  prompts.setParent(&window);
  window.show();
  return app.exec();
}
