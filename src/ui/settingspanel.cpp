#include "settingspanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "textformat.h"
#include "texts.h"

namespace tessaro {

SettingsPanel::SettingsPanel(SettingsControls& controls, Session& session) : c_(controls), session_(session) {
  connect(c_.cmdReceive, &QPushButton::clicked, this, &SettingsPanel::receive);
  connect(c_.cmdSend, &QPushButton::clicked, this, &SettingsPanel::send);
  connect(c_.cmdFindID, &QPushButton::clicked, this, &SettingsPanel::findId);
  connect(c_.opsRunMode, &QButtonGroup::idClicked, this, &SettingsPanel::applyRunMode);
}

void SettingsPanel::chooseRunMode(RunMode mode) {
  c_.opsRunMode->button(static_cast<int>(mode))->setChecked(true);
  applyRunMode(static_cast<int>(mode));
}

void SettingsPanel::applyRunMode(int mode) {
  if (mode == static_cast<int>(RunMode::StandAlone)) {
    c_.txtRelayTime->setEnabled(false);
    c_.txtRelayTime->setText(QStringLiteral("1"));
  } else {
    c_.txtRelayTime->setEnabled(true);
  }
}

void SettingsPanel::selectRecordType(int type) {
  c_.opsOfflineRecordType->button(type == 1 ? 0 : 1)->setChecked(true);
  session_.state().offlineRecordType = static_cast<qint16>(type);
}

void SettingsPanel::show(const ReceivedSettings& s) {
  c_.txtRelayTime->setText(QString::number(s.relayTime));
  selectRecordType(s.recordType);
  // Selecting a run mode counts as choosing it: Stand-Alone locks the relay time at "1".
  if (s.runMode) chooseRunMode(*s.runMode);
  // A field that is not eight hexadecimal digits would show a wrong number;
  // the previous text stays instead.
  if (s.masterCard) c_.txtMasterCardID->setText(QString::number(*s.masterCard));
  if (s.epcStartWord) c_.opsStartEPCWord->button(*s.epcStartWord)->setChecked(true);
  if (s.wiegandType) c_.opsWigType->button(*s.wiegandType)->setChecked(true);
  if (s.vehicleDetector) c_.chkLoop->setChecked(*s.vehicleDetector);
  if (s.triggerTime) c_.txtLoopTime->setText(QString::number(*s.triggerTime));
}

QString SettingsPanel::failure(const QString& what, Outcome outcome) {
  return what + (outcome == Outcome::NoReply ? text::kTimedOut : text::kErrorOccurred);
}

void SettingsPanel::receive() {
  session_.takePortNumber();
  if (!NumberInRange(c_.txtOldID->text(), 0, 255)) {
    session_.prompts().message(text::kAskOldId);
    c_.txtOldID->setFocus();
    return;
  }
  Session::Operation op = session_.begin(Session::Port::Close);
  if (!op) return;
  const DeviceModel model = session_.model();
  const SettingsRead read = ReadSettings(op.env(), session_.deviceId(), model);
  op.endBusy();
  if (read.outcome != Outcome::Ok) {
    session_.prompts().message(failure(text::kReceiveFailed, read.outcome));
    return;
  }
  const ReceivedSettings s = InterpretSettings(read.reply, model);
  c_.txtNewID->setText(QString::number(s.address));
  show(s);
}

void SettingsPanel::send() {
  session_.takePortNumber();
  SettingsForm form{.oldId = c_.txtOldID->text(),
                    .newId = c_.txtNewID->text(),
                    .relayTime = c_.txtRelayTime->text(),
                    .masterCard = c_.txtMasterCardID->text(),
                    .triggerTime = c_.txtLoopTime->text(),
                    .entry = c_.opsOfflineRecordType->checkedId() == 0,
                    .runMode = static_cast<RunMode>(std::max(0, c_.opsRunMode->checkedId())),
                    .epcStartWord = c_.opsStartEPCWord->checkedId() == 0 ? 0 : 1,
                    .wiegandType = c_.opsWigType->checkedId() == 0 ? 0 : 1,
                    .vehicleDetector = c_.chkLoop->isChecked()};
  SettingsCheck check = CheckSettingsForm(form, session_.model());
  if (check.recordType) selectRecordType(*check.recordType);
  // These readers know no Read-Only: a choice left over from another model.
  if (check.standAloneForced) chooseRunMode(RunMode::StandAlone);
  if (check.invalid) {
    struct Refusal {
      const QString& message;
      QLineEdit* field;
    };
    const Refusal refusals[] = {{text::kAskOldId, c_.txtOldID},
                                {text::kAskNewId, c_.txtNewID},
                                {text::kAskRelayTime, c_.txtRelayTime},
                                {text::kAskMasterCard, c_.txtMasterCardID},
                                {text::kAskLoopTime, c_.txtLoopTime}};
    const Refusal& r = refusals[static_cast<int>(*check.invalid)];
    session_.prompts().message(r.message);
    r.field->setFocus();
    return;
  }
  if (!session_.prompts().confirm(text::kSendQuestion)) return;
  Session::Operation op = session_.begin(Session::Port::Close);
  if (!op) return;
  // The addresses as the boxes hold them now.
  check.record.currentId = session_.deviceId();
  check.record.newId = ToInt16(c_.txtNewID->text());
  const Outcome outcome = WriteSettings(op.env(), check.record);
  op.endBusy();
  if (outcome == Outcome::Ok) {
    c_.txtOldID->setText(c_.txtNewID->text());
    session_.prompts().message(text::kSent);
  } else {
    session_.prompts().message(failure(text::kSendFailed, outcome));
  }
}

void SettingsPanel::findId() {
  session_.takePortNumber();
  Session::Operation op = session_.open(Session::Port::Close);
  if (!op) {
    c_.cmdFindID->setText(text::caption::cmdFindID);
    return;
  }
  // The scan leaves the window usable for its cancel button.
  for (QWidget* w : std::initializer_list<QWidget*>{c_.cmdSend, c_.cmdReceive, c_.cmdFindID}) w->setEnabled(false);
  emit scanRunning(true);
  c_.cmdCancelScan->setVisible(true);

  int address = ScanStartAddress(c_.txtOldID->text());
  enum class End { Found, Cancelled, NotFound } end;
  SettingsRead read;
  for (;;) {
    if (session_.state().scanCancelFlag) {
      session_.state().scanCancelFlag = false;
      session_.prompts().message(text::kScanCancelled);
      end = End::Cancelled;
      break;
    }
    c_.lblScan->setText(text::kScanning + QString::number(address));
    // The link and the model are those chosen at this try.
    ExchangeEnv env = session_.env(session_.currentLink());
    read = ReadSettings(env, address, session_.model());
    if (read.outcome == Outcome::Ok) {
      end = End::Found;
      break;
    }
    if (++address >= 256) {
      end = End::NotFound;
      break;
    }
  }

  if (end == End::Found) {
    const QString id = QString::number(address);
    c_.txtOldID->setText(id);
    c_.txtNewID->setText(id);
    show(InterpretSettings(read.reply, session_.model(), true));
    session_.prompts().message(text::kFound + id);
  }

  for (QWidget* w : std::initializer_list<QWidget*>{c_.cmdFindID, c_.cmdSend, c_.cmdReceive}) w->setEnabled(true);
  emit scanRunning(false);
  c_.cmdFindID->setText(text::caption::cmdFindID);
  c_.cmdCancelScan->setVisible(false);
  c_.lblScan->clear();
  if (end == End::NotFound) session_.prompts().message(text::kNotFound);
}

}  // namespace tessaro
