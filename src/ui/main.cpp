#include <QApplication>

#include "app/mainwindow.h"
#include "app/services.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaro-config"));
  tessaro::RealServices real;
  tessaro::MainWindow window(real.services());
  real.prompts.setParent(&window);
  window.show();
  return app.exec();
}
