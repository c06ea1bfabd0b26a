#include "app/appcontext.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdio>
#include <cstdlib>

#include "app/mainwindow.h"
#include "link/portnames.h"
#include "link/textformat.h"

namespace tessaro {

AppContext::AppContext(QWidget* window, const AppServices& services)
    : window_(window), services_(services), links_(*services.pump, *services.clock, state_.tickCounter) {
  if (services_.portResolver) links_.serial().setPortResolver(services_.portResolver);
  if (!services_.localNow) services_.localNow = [] { return QDateTime::currentDateTime(); };
}

void AppContext::missingControl(const char* name) {
  std::fprintf(stderr, "no control named %s\n", name);
  std::abort();
}

ConnectionSettings AppContext::connection() const {
  ConnectionSettings s;
  s.tcp = tcpActive();
  s.host = control<QLineEdit>("txtIP")->text().trimmed();
  s.tcpPort = PortNumberFromText(control<QLineEdit>("txtPort")->text());
  s.serialPort = control<QComboBox>("cmbPortNumber")->currentIndex() + 1;
  static const char* suffix[3] = {",o,8,1", ",e,8,1", ",n,8,1"};
  const int parity = control<QComboBox>("cmbParity")->currentIndex();
  s.serialSettings = control<QComboBox>("cmbBaudRate")->currentText().trimmed() +
                     QLatin1String(parity >= 0 && parity <= 2 ? suffix[parity] : suffix[0]);
  return s;
}

void AppContext::takePortNumber() { links_.serial().setPortNumber(connection().serialPort); }

bool AppContext::tcpActive() const { return control<QCheckBox>("chkTCPIPActive")->isChecked(); }

Link* AppContext::openLink() {
  QString why;
  const ConnectionSettings settings = connection();
  // A device plugged in or removed since the selection shows at the next operation.
  if (!settings.tcp) {
    control<QLabel>("lblPortDevice")->setText(PortDeviceCaption(links_.serial().deviceName(settings.serialPort)));
  }
  Link* link = links_.open(settings, &why);
  if (!link) prompts().message(why);
  return link;
}

void AppContext::beginBusy() {
  if (busyDepth_++ == 0) {
    // Disabling the body takes the focus away; it comes back with EndBusy.
    focusBeforeBusy_ = QApplication::focusWidget();
    control<QWidget>("body")->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

void AppContext::endBusy() {
  if (busyDepth_ == 0) return;
  if (--busyDepth_ == 0) {
    control<QWidget>("body")->setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled() && focusBeforeBusy_->isVisible() &&
        !QApplication::focusWidget()) {
      focusBeforeBusy_->setFocus();
    }
    focusBeforeBusy_.clear();
  }
}

DeviceModel AppContext::model() const {
  for (int i = 0; i < kModelCount; ++i) {
    if (control<QRadioButton>(QStringLiteral("opsDevice_%1").arg(i).toLatin1().constData())->isChecked())
      return static_cast<DeviceModel>(i);
  }
  return DeviceModel::TS20B;
}

RunMode AppContext::runMode() const {
  for (int i = 0; i < 3; ++i) {
    if (control<QRadioButton>(QStringLiteral("opsRunMode_%1").arg(i).toLatin1().constData())->isChecked())
      return static_cast<RunMode>(i);
  }
  return RunMode::StandAlone;
}

void AppContext::chooseRunMode(RunMode mode) {
  const int i = static_cast<int>(mode);
  control<QRadioButton>(QStringLiteral("opsRunMode_%1").arg(i).toLatin1().constData())->setChecked(true);
  if (auto* w = qobject_cast<MainWindow*>(window_)) w->applyRunMode(i);
}

void AppContext::chooseModel(DeviceModel model) {
  const int i = static_cast<int>(model);
  control<QRadioButton>(QStringLiteral("opsDevice_%1").arg(i).toLatin1().constData())->setChecked(true);
  if (auto* w = qobject_cast<MainWindow*>(window_)) w->applyProfile(i);
}

qint16 AppContext::deviceIdFromText() const { return ToInt16(control<QLineEdit>("txtOldID")->text()); }

QDateTime AppContext::localNow() const { return services_.localNow(); }

}  // namespace tessaro
