#include <QApplication>
#include <QTextStream>

#include "commandline.h"
#include "mainwindow.h"
#include "platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaro-config"));
  QString error;
  const std::optional<tessaro::WindowOptions> options = tessaro::ParseWindowArgs(app.arguments().mid(1), &error);
  if (!options || options->help) {
    QTextStream(options ? stdout : stderr) << (options ? QString() : QStringLiteral("tessaro-config: %1\n").arg(error))
                                           << tessaro::WindowUsage();
    return options ? 0 : 1;
  }
  tessaro::Platform platform;
  tessaro::Services services = platform.services();
  services.gapMs = options->gapMs;
  tessaro::MainWindow window(services);
  platform.prompts.setParent(&window);
  window.show();
  return app.exec();
}
