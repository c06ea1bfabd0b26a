#include <QApplication>

#include "mainwindow.h"
#include "platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaro-config"));
  tessaro::Platform platform;
  tessaro::MainWindow window(platform.services());
  platform.prompts.setParent(&window);
  window.show();
  return app.exec();
}
