#include "devicelinks.h"

namespace tessaro {

Link* DeviceLinks::open(const ConnectionSettings& settings) {
  lastTcp_ = settings.tcp;
  if (settings.tcp) {
    tcp_.connectTcp(settings.host.trimmed(), settings.tcpPort, pump_, clock_);
    return tcp_.isConnected() ? &tcp_ : nullptr;
  }
  serial_.setPortNumber(settings.serialPort);
  serial_.setLine(settings.serialLine);
  return serial_.open() == 1 ? &serial_ : nullptr;
}

}  // namespace tessaro
