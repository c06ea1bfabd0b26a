#pragma once
#include <QByteArray>
#include <QObject>

#include "app/appcontext.h"
#include "settings/settingscommands.h"

namespace tessaro {

// "Cihaz Ayarları": receive and send the reader's settings, and find a
// reader's address by trying one address after the other.
class SettingsPanel : public QObject {
  Q_OBJECT
 public:
  explicit SettingsPanel(AppContext& ctx);

  void receive();  // cmdReceive
  void send();     // cmdSend
  void findId();   // cmdFindID

  // The text of the last successful settings read, from the address after
  // "$US" on; empty after a failed one.
  const QByteArray& settingsReply() const { return settingsReply_; }

 private:
  // Shows a validation message and puts the focus into the control.
  void reject(const char* control, const QString& message);
  void selectRecordType(bool entry);
  void showMasterCard(const SettingsReplyFields& fields);

  AppContext& ctx_;
  QByteArray settingsReply_;
};

}  // namespace tessaro
