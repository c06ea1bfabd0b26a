#pragma once
// Builders for %US replies as the readers send them.

#include <QByteArray>

#include "app/profiles.h"

namespace tessaro::test {

// The settings text after "$US": address, relay time, record type, four unused
// characters, run mode, unused characters up to the master card (15-22 for
// `early`, else 16-23), then the extras from the next position on.
inline QByteArray SettingsText(const QByteArray& address, const QByteArray& relay, char type, char mode,
                               const QByteArray& master, bool early, const QByteArray& extras = {}) {
  return address + relay + type + "0000" + mode + (early ? "000" : "0000") + master + extras;
}

// "$US" + text, padded so that it reaches the model's reply length, + "**" CR.
inline QByteArray UsReply(const QByteArray& text, DeviceModel model) {
  QByteArray r = "$US" + text;
  const int length = ProfileOf(model).settingsReplyLength;
  while (r.size() + 3 < length) r += '0';
  return r + "**\r";
}

}  // namespace tessaro::test
