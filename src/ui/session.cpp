#include "session.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QSysInfo>

#include "accesslog.h"
#include "portnames.h"
#include "textformat.h"
#include "texts.h"

namespace tessaro {

Session::Session(QWidget* body, const ConnectionControls& connection, QLineEdit* txtOldID, const Services& services)
    : body_(body),
      connection_(connection),
      txtOldID_(txtOldID),
      services_(services),
      links_(*services.pump, *services.clock),
      serialTraced_(links_.serial(), nullptr, *services.clock, services.clock->nowMs()),
      tcpTraced_(links_.tcp(), nullptr, *services.clock, services.clock->nowMs()) {
  if (services_.portResolver) links_.serial().setPortResolver(services_.portResolver);
  links_.setGapMs(services_.gapMs);
  if (!services_.localNow) services_.localNow = [] { return QDateTime::currentDateTime(); };
}

ConnectionSettings Session::connection() const {
  // "Tek", "Çift", "Yok"; nothing chosen counts as odd.
  static const QSerialPort::Parity parities[3] = {QSerialPort::OddParity, QSerialPort::EvenParity,
                                                  QSerialPort::NoParity};
  const int parity = connection_.cmbParity->currentIndex();
  ConnectionSettings s;
  s.tcp = tcpActive();
  s.host = connection_.txtIP->text().trimmed();
  s.tcpPort = PortNumberFromText(connection_.txtPort->text());
  s.serialPort = connection_.cmbPortNumber->currentIndex() + 1;
  s.serialLine = {connection_.cmbBaudRate->currentText().trimmed().toInt(),
                  parities[parity >= 0 && parity <= 2 ? parity : 0]};
  return s;
}

bool Session::tcpActive() const { return connection_.chkTCPIPActive->isChecked(); }

DeviceModel Session::model() const {
  const int id = connection_.opsDevice->checkedId();
  return id >= 0 && id < kModelCount ? static_cast<DeviceModel>(id) : kStartModel;
}

void Session::takePortNumber() { links_.serial().setPortNumber(connection().serialPort); }

void Session::showPortDevice() {
  const int n = connection_.cmbPortNumber->currentIndex() + 1;
  const QString device = links_.serial().deviceName(n);
  connection_.lblPortDevice->setText(PortDeviceCaption(device));
  // The adapter's own name does not fit beside the number; it shows on hover.
  const QString stable = SerialStableName(device);
  connection_.lblPortDevice->setToolTip(stable.isEmpty() ? device : stable);
}

Link& Session::currentLink() { return tcpActive() ? tcpTraced_ : serialTraced_; }

void Session::setTraffic(TraceSink* sink) {
  serialTraced_.setSink(sink);
  tcpTraced_.setSink(sink);
}

QString Session::accessLogPath() const { return AccessLogPath(services_.programFolder, services_.dataFolder); }

RecordStore* Session::store() {
  if (store_) return store_.get();
  const QString given =
      services_.storeAddress.isEmpty() ? DefaultStoreFile(services_.dataFolder) : services_.storeAddress;
  AddressFault fault = AddressFault::None;
  const std::optional<StoreAddress> address = ParseStoreAddress(given, &fault);
  if (!address) {
    prompts().message(text::kStoreBadAddress,
                      text::StoreAddressDetail(given, text::kStoreAddressParts[static_cast<int>(fault) - 1]));
    return nullptr;
  }
  StoreOpen opened = RecordStore::open(*address);
  const QString where = address->shown() + QStringLiteral(": ") + opened.detail;
  switch (opened.error) {
    case StoreError::None: store_ = std::move(opened.store); break;
    case StoreError::NoDriver: prompts().message(text::kStoreNoDriver, opened.detail); break;
    case StoreError::Unreachable: prompts().message(text::kStoreUnreachable, where); break;
    case StoreError::NewerSchema:
      prompts().message(text::kStoreNewer,
                        text::StoreVersionDetail(address->shown(), opened.foundVersion, kStoreSchemaVersion));
      break;
    case StoreError::Missing:  // the window makes its store
    case StoreError::Failed: prompts().message(text::kStoreOpenFailed, where); break;
  }
  return store_.get();
}

StoreTarget Session::storeTarget() {
  const ConnectionSettings c = connection();
  QString line = services_.lineName;
  if (line.isEmpty())
    line = c.tcp ? QStringLiteral("%1:%2").arg(c.host).arg(c.tcpPort) : links_.serial().deviceName(c.serialPort);
  return {store_.get(), line, QSysInfo::machineHostName()};
}

void Session::saveAs(const QString& title, const QString& filter, const QByteArray& bytes) {
  const FileChoice choice = prompts().chooseFile(title, services_.programFolder, filter);
  if (choice.cancelled) return;
  // A write that fails part-way leaves any earlier file of that name as it was.
  QSaveFile file(choice.fileName);
  if (choice.fileName.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
      !file.commit())
    prompts().message(text::kFileNotWritten);
}

QString Session::deviceIdText() const { return txtOldID_->text(); }

DeviceId Session::deviceId() const { return ToInt16(txtOldID_->text()); }

void Session::beginBusy(bool hourglass) {
  if (busyDepth_++ == 0) {
    // Disabling the body takes the focus away; it comes back with EndBusy.
    focusBeforeBusy_ = QApplication::focusWidget();
    body_->setEnabled(false);
    hourglass_ = hourglass;
    if (hourglass_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

void Session::endBusy() {
  if (busyDepth_ == 0 || --busyDepth_ > 0) return;
  body_->setEnabled(true);
  if (hourglass_) QApplication::restoreOverrideCursor();
  if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled() && focusBeforeBusy_->isVisible() &&
      !QApplication::focusWidget()) {
    focusBeforeBusy_->setFocus();
  }
  focusBeforeBusy_.clear();
}

Session::Operation Session::open(Port port) { return start(port, false); }

Session::Operation Session::begin(Port port) { return start(port, true); }

Session::Operation Session::start(Port port, bool busy) {
  const ConnectionSettings settings = connection();
  // A device plugged in or removed since the selection shows at the next operation.
  if (!settings.tcp) showPortDevice();
  Link* opened = links_.open(settings);
  Link* link = !opened ? nullptr : opened == &links_.serial() ? static_cast<Link*>(&serialTraced_) : &tcpTraced_;
  if (!link && !settings.tcp && links_.serial().lastOpenDenied()) {
    // The message stays the one users know; its details say why and what to do.
    prompts().message(text::kSerialOpenFailed, text::SerialDenied(links_.serial().deviceName(settings.serialPort)));
  } else if (!link) {
    prompts().message(settings.tcp ? text::kTcpOpenFailed : text::kSerialOpenFailed);
  }
  return Operation(*this, link, port, busy);
}

Session::Operation::Operation(Session& session, Link* link, Port port, bool busy)
    : session_(session), link_(link), port_(port) {
  if (!link_) return;
  env_.emplace(session_.env(*link_));
  if (busy) beginBusy();
}

void Session::Operation::beginBusy(bool hourglass) {
  if (busy_) return;
  busy_ = true;
  session_.beginBusy(hourglass);
}

void Session::Operation::endBusy() {
  if (!busy_) return;
  busy_ = false;
  session_.endBusy();
}

void Session::Operation::finish() {
  if (finished_ || !link_) return;
  finished_ = true;
  if (port_ == Port::Close) session_.links().closeSerial();
  endBusy();
}

}  // namespace tessaro
