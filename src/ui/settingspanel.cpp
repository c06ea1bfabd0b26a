#include "settings/settingspanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "link/textformat.h"

namespace tessaro {

namespace {

const QString kAskOldId = QStringLiteral("Lütfen cihazın mevcut ID'sini giriniz");
const QString kAskNewId = QStringLiteral("Lütfen 1-255 arası bir ID giriniz");
const QString kAskRelayTime = QStringLiteral("Lütfen 1-64 snd arası bir röle süresi giriniz");
const QString kAskMasterCard = QStringLiteral("Lütfen geçerli bir Master Kart ID'si giriniz");
const QString kAskLoopTime = QStringLiteral("Lütfen 1-9 snd arası bir röle süresi giriniz");
const QString kFindIdCaption = QStringLiteral("Cihaz ID Bul");

// The numeric value of the text rounded half to even, when it reads as a
// number within lo..hi (the range is tested before rounding).
std::optional<int> NumberInRange(const QString& text, double lo, double hi) {
  const std::optional<double> v = NumericValue(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(RoundHalfEven(*v));
}

// How the settings commands word a failure: 0 is a time-out, anything else an error.
QString FailureReason(int status) {
  return status == 0 ? QStringLiteral(" (Zaman aşımı)") : QStringLiteral(" (Hata oluştu)");
}

}  // namespace

SettingsPanel::SettingsPanel(AppContext& ctx) : ctx_(ctx) {
  // A child of the window, so that whoever holds the window finds the last
  // settings reply; the window deletes its panels before its children.
  setObjectName(QStringLiteral("SettingsPanel"));
  setParent(ctx_.window());
  connect(ctx_.control<QPushButton>("cmdReceive"), &QPushButton::clicked, this, &SettingsPanel::receive);
  connect(ctx_.control<QPushButton>("cmdSend"), &QPushButton::clicked, this, &SettingsPanel::send);
  connect(ctx_.control<QPushButton>("cmdFindID"), &QPushButton::clicked, this, &SettingsPanel::findId);
}

void SettingsPanel::reject(const char* control, const QString& message) {
  ctx_.prompts().message(message);
  ctx_.control<QWidget>(control)->setFocus();
}

void SettingsPanel::selectRecordType(bool entry) {
  ctx_.control<QRadioButton>(entry ? "opsOfflineRecordType_0" : "opsOfflineRecordType_1")->setChecked(true);
  ctx_.state().offlineRecordType = entry ? 1 : 2;
}

void SettingsPanel::showMasterCard(const SettingsReplyFields& fields) {
  // A field that is not eight hexadecimal digits would show a wrong number;
  // the previous text stays instead.
  if (fields.masterCard) ctx_.control<QLineEdit>("txtMasterCardID")->setText(*fields.masterCard);
}

void SettingsPanel::receive() {
  ctx_.takePortNumber();
  if (!NumberInRange(ctx_.control<QLineEdit>("txtOldID")->text(), 0, 255)) {
    reject("txtOldID", kAskOldId);
    return;
  }
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  const DeviceModel model = ctx_.model();
  ExchangeEnv env = ctx_.env(*link);
  const int status = ReadSettings(env, ctx_.deviceIdFromText(), model, &settingsReply_);
  ctx_.endBusy();

  if (status == StatusOk) {
    const DeviceProfile& profile = ProfileOf(model);
    const SettingsReplyFields f =
        DecodeSettingsReply(settingsReply_, profile.masterCardEarly ? MasterCardAt::Early : MasterCardAt::Late);
    ctx_.control<QLineEdit>("txtNewID")->setText(QString::number(f.address));
    ctx_.control<QLineEdit>("txtRelayTime")->setText(QString::number(f.relayTime));
    selectRecordType(f.recordType == 1);
    if (f.runMode == 0) {
      ctx_.chooseRunMode(RunMode::StandAlone);
    } else if (f.runMode == 1) {
      ctx_.chooseRunMode(RunMode::Online);
    } else if (f.runMode == 2) {
      ctx_.chooseRunMode(profile.readOnlyOffered ? RunMode::ReadOnly : RunMode::StandAlone);
    }
    showMasterCard(f);
    if (profile.wiegand) {
      ctx_.control<QRadioButton>(f.epcStartWord == 0 ? "opsStartEPCWord_0" : "opsStartEPCWord_1")->setChecked(true);
      ctx_.control<QRadioButton>(f.wiegandType == 0 ? "opsWigType_0" : "opsWigType_1")->setChecked(true);
    }
    if (profile.vehicleDetector) {
      ctx_.control<QCheckBox>("chkLoop")->setChecked(f.vehicleDetector == 1);
      const bool inRange = f.triggerTime >= 1 && f.triggerTime <= 9;
      ctx_.control<QLineEdit>("txtLoopTime")->setText(inRange ? QString::number(f.triggerTime) : QStringLiteral("5"));
    }
  } else {
    ctx_.prompts().message(QStringLiteral("Ayarlar alınamadı.") + FailureReason(status));
  }
  ctx_.links().closeSerial();
}

void SettingsPanel::send() {
  ctx_.takePortNumber();
  auto* oldId = ctx_.control<QLineEdit>("txtOldID");
  auto* newId = ctx_.control<QLineEdit>("txtNewID");
  if (!NumberInRange(oldId->text(), 0, 255)) {
    reject("txtOldID", kAskOldId);
    return;
  }
  if (!NumberInRange(newId->text(), 1, 255)) {
    reject("txtNewID", kAskNewId);
    return;
  }
  const DeviceModel model = ctx_.model();
  const DeviceProfile& profile = ProfileOf(model);
  SettingsRecord record;
  record.layout = profile.layout;

  selectRecordType(ctx_.control<QRadioButton>("opsOfflineRecordType_0")->isChecked());
  record.offlineRecordType = ctx_.state().offlineRecordType;

  bool readRelayTime = false;
  switch (ctx_.runMode()) {
    case RunMode::Online:
      record.runMode = 1;
      readRelayTime = true;
      break;
    case RunMode::StandAlone:
      record.runMode = 0;
      readRelayTime = model == DeviceModel::TS40;
      break;
    case RunMode::ReadOnly:
      if (profile.readOnlyOffered) {
        record.runMode = 2;
        readRelayTime = true;
      } else {
        // A choice left over from another model: these readers know no Read-Only.
        record.runMode = 0;
        ctx_.chooseRunMode(RunMode::StandAlone);
      }
      break;
  }
  record.relayTime = 1;
  if (readRelayTime) {
    const std::optional<int> relay = NumberInRange(ctx_.control<QLineEdit>("txtRelayTime")->text(), 1, 64);
    if (!relay) {
      reject("txtRelayTime", kAskRelayTime);
      return;
    }
    record.relayTime = *relay;
  }

  const QString master = ctx_.control<QLineEdit>("txtMasterCardID")->text().trimmed();
  // Beyond "numeric, at most ten characters" the number must fit the card's
  // 32 unsigned bits, or it would go out as another card's number.
  if (master.size() > 10 || !MasterCardValue(master)) {
    reject("txtMasterCardID", kAskMasterCard);
    return;
  }
  record.masterCardId = master;

  if (profile.wiegand) {
    record.epcStartWord = ctx_.control<QRadioButton>("opsStartEPCWord_0")->isChecked() ? 0 : 1;
    record.wiegandType = ctx_.control<QRadioButton>("opsWigType_0")->isChecked() ? 0 : 1;
  }
  if (profile.vehicleDetector) {
    record.vehicleDetector = ctx_.control<QCheckBox>("chkLoop")->isChecked() ? 1 : 0;
    const std::optional<int> loop = NumberInRange(ctx_.control<QLineEdit>("txtLoopTime")->text(), 1, 9);
    if (!loop) {
      reject("txtLoopTime", kAskLoopTime);
      return;
    }
    record.triggerTime = *loop;
  }

  if (!ctx_.prompts().confirm(QStringLiteral("Cihaza yeni ayarları göndermek istiyor musunuz?"))) return;
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  record.currentId = ToInt16(oldId->text());
  record.newId = ToInt16(newId->text());
  ExchangeEnv env = ctx_.env(*link);
  const int status = WriteSettings(env, record);
  ctx_.endBusy();

  if (status == StatusOk) {
    oldId->setText(newId->text());
    ctx_.prompts().message(QStringLiteral("Ayarlar gönderildi"));
  } else {
    ctx_.prompts().message(QStringLiteral("Ayarlar gönderilemedi.") + FailureReason(status));
  }
  ctx_.links().closeSerial();
}

void SettingsPanel::findId() {
  ctx_.takePortNumber();
  auto* findButton = ctx_.control<QPushButton>("cmdFindID");
  auto* cancelButton = ctx_.control<QPushButton>("cmdCancelScan");
  auto* progress = ctx_.control<QLabel>("lblScan");
  if (!ctx_.openLink()) {
    findButton->setText(kFindIdCaption);
    return;
  }

  // The scan leaves the window usable for its cancel button, so every other
  // command that talks to the reader is kept out until it ends; each gets
  // back the enabled state it had.
  static const char* const kScanOwn[] = {"cmdSend", "cmdReceive", "cmdFindID", "frKart"};
  static const char* const kOtherCommands[] = {"cmdSendRTC", "cmdReceiveRTC", "cmdReadData", "cmdReadCounter",
                                               "cmdClearCounter"};
  std::vector<std::pair<QWidget*, bool>> restore;
  for (const char* name : kOtherCommands) {
    auto* w = ctx_.control<QWidget>(name);
    restore.emplace_back(w, !w->testAttribute(Qt::WA_ForceDisabled));
    w->setEnabled(false);
  }
  for (const char* name : kScanOwn) ctx_.control<QWidget>(name)->setEnabled(false);
  cancelButton->setVisible(true);

  int address = 0;
  if (const std::optional<double> v = NumericValue(ctx_.control<QLineEdit>("txtOldID")->text()); v && *v <= 255) {
    // A negative start would put a signed, non-three-digit address on the wire.
    address = std::max(0, static_cast<int>(RoundHalfEven(*v)));
  }

  enum class End { Found, Cancelled, NotFound } end;
  for (;;) {
    if (ctx_.state().scanCancelFlag) {
      ctx_.state().scanCancelFlag = false;
      ctx_.prompts().message(QStringLiteral("Tarama İptal Edildi"));
      end = End::Cancelled;
      break;
    }
    progress->setText(QStringLiteral("Deniyor...") + QString::number(address));
    // The link and the model are those chosen at this try.
    Link& link = ctx_.tcpActive() ? static_cast<Link&>(ctx_.links().tcp()) : ctx_.links().serial();
    ExchangeEnv env = ctx_.env(link);
    if (ReadSettings(env, static_cast<qint16>(address), ctx_.model(), &settingsReply_) == StatusOk) {
      end = End::Found;
      break;
    }
    if (++address >= 256) {
      end = End::NotFound;
      break;
    }
  }

  if (end == End::Found) {
    const DeviceProfile& profile = ProfileOf(ctx_.model());
    const SettingsReplyFields f =
        DecodeSettingsReply(settingsReply_, profile.masterCardEarlyInScan ? MasterCardAt::Early : MasterCardAt::Late);
    const QString id = QString::number(address);
    ctx_.control<QLineEdit>("txtOldID")->setText(id);
    ctx_.control<QLineEdit>("txtNewID")->setText(id);
    ctx_.control<QLineEdit>("txtRelayTime")->setText(QString::number(f.relayTime));
    selectRecordType(f.recordType == 1);
    ctx_.chooseRunMode(f.runMode == 0 ? RunMode::StandAlone : RunMode::Online);
    showMasterCard(f);
    ctx_.endBusy();
    ctx_.prompts().message(QStringLiteral("Cihaz ID Bulundu, ID:") + id);
    findButton->setText(kFindIdCaption);
  }

  ctx_.control<QWidget>("frKart")->setEnabled(true);
  findButton->setEnabled(true);
  ctx_.control<QWidget>("cmdSend")->setEnabled(true);
  ctx_.control<QWidget>("cmdReceive")->setEnabled(true);
  for (auto& [w, enabled] : restore) w->setEnabled(enabled);
  findButton->setText(kFindIdCaption);
  cancelButton->setVisible(false);
  progress->clear();
  ctx_.endBusy();
  if (end == End::NotFound) ctx_.prompts().message(QStringLiteral("Cihaz bulunamadı"));
  ctx_.links().closeSerial();
}

}  // namespace tessaro
