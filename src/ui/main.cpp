#include <QApplication>
#include <QTextStream>

#include "commandline.h"
#include "language.h"
#include "mainwindow.h"
#include "platform.h"
#include "portnames.h"

namespace {

// --help and --version: the answer on standard output, no window.
bool Answered(const std::optional<tessaro::WindowOptions>& options) {
  if (!options || !(options->help || options->version)) return false;
  QTextStream(stdout) << (options->help ? tessaro::WindowUsage() : tessaro::WindowVersion());
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  const QString language = qEnvironmentVariable("TESSARO_LANG");
  QString error;
  // Asked before the application object, they need no display; Qt's own
  // options (-style …) are known only after it.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (Answered(tessaro::ParseWindowArgs(args, &error, language))) return 0;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessaro-config"));
  const std::optional<tessaro::WindowOptions> options =
      tessaro::ParseWindowArgs(app.arguments().mid(1), &error, language);
  if (!options) {
    QTextStream(stderr) << QStringLiteral("tessaro-config: %1\n").arg(error) << tessaro::WindowUsage();
    return 1;
  }
  if (Answered(options)) return 0;
  const tessaro::Translations translations(options->language);
  // The window still works, with Qt's own texts in English.
  if (!translations.missing().isEmpty())
    QTextStream(stderr) << QStringLiteral("tessaro-config: %1 not found\n").arg(translations.missing());
  tessaro::Platform platform;
  tessaro::Services services = platform.services();
  services.gapMs = options->gapMs;
  if (!options->serialDevice.isEmpty())
    services.portResolver = [device = options->serialDevice](int n) { return n == 1 ? device : tessaro::SerialDeviceForPort(n); };
  tessaro::MainWindow window(services);
  window.startWith(options->model, options->tcpHost, options->tcpPort);
  platform.prompts.setParent(&window);
  window.show();
  return app.exec();
}
