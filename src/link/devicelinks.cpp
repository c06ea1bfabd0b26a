#include "link/devicelinks.h"

namespace tessaro {

DeviceLinks::DeviceLinks(MessagePump& pump, WholeSecondClock& clock, TickCounter& ticks)
    : pump_(pump), clock_(clock), ticks_(ticks) {}

Link* DeviceLinks::open(const ConnectionSettings& settings, QString* failMessage) {
  if (settings.tcp) {
    tcp_.connectTcp(settings.host.trimmed(), settings.tcpPort, pump_, clock_);
    if (tcp_.isConnected()) return &tcp_;
    if (failMessage) *failMessage = kTcpOpenFailed;
    return nullptr;
  }
  serial_.setPortNumber(settings.serialPort);
  serial_.setSettings(settings.serialSettings);
  if (serial_.open() == 1) return &serial_;
  if (failMessage) *failMessage = kSerialOpenFailed;
  return nullptr;
}

}  // namespace tessaro
