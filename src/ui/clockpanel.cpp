#include "clock/clockpanel.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace tessaro {

ClockPanel::ClockPanel(AppContext& ctx) : ctx_(ctx), separators_(SeparatorsOf(QLocale::system())) {
  connect(ctx_.control<QPushButton>("cmdSendRTC"), &QPushButton::clicked, this, &ClockPanel::sendClock);
  connect(ctx_.control<QPushButton>("cmdReceiveRTC"), &QPushButton::clicked, this, &ClockPanel::receiveClock);
  connect(ctx_.control<QTimer>("ClockTimer"), &QTimer::timeout, this, &ClockPanel::tick);
}

void ClockPanel::sendClock() {
  if (!ctx_.prompts().confirm(QStringLiteral("PC saatini cihaza göndermek istediğinizden emin misiniz?"))) return;
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  const qint16 id = ctx_.deviceIdFromText();  // not range-checked: "300" goes out as "300"
  ExchangeEnv env = ctx_.env(*link);
  const int status = SetClock(env, id, [this] { return ctx_.localNow(); });
  ctx_.endBusy();
  ctx_.prompts().message(status == StatusOk ? QStringLiteral("Saat Gönderildi")
                                            : QStringLiteral("Hata! Saat Gönderilemedi"));
  // The serial port stays open for the next clock or record command.
}

void ClockPanel::receiveClock() {
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  const qint16 id = ctx_.deviceIdFromText();
  ExchangeEnv env = ctx_.env(*link);
  QString text;
  // Only a good reply changes the label; failures are silent.
  if (ReadClock(env, id, &text) == StatusOk) ctx_.control<QLabel>("lblDeviceRTC")->setText(text);
  ctx_.endBusy();
}

void ClockPanel::tick() { ctx_.control<QLabel>("lblPCRTC")->setText(PcClockText(ctx_.localNow(), separators_)); }

}  // namespace tessaro
