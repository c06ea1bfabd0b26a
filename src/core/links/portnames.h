#pragma once
// Which device a port number 1..16 stands for on this system.

#include <QString>
#include <QStringList>

namespace tessaro {

// Windows: COMn. Linux: the n-th node of /dev/ttyUSB*, then ttyACM*, then
// ttyS*, each in natural numeric order. macOS: the n-th /dev/cu.* node.
// Empty when there is no such device.
QString SerialDeviceForPort(int portNumber);

// How the window names a device beside the port number: "ttyUSB0", "COM3",
// "-" when the number stands for no device.
QString PortDeviceCaption(const QString& device);

// The stable name a device has under `byIdDir` (/dev/serial/by-id), which
// says what the adapter is and keeps it when it is plugged elsewhere; empty
// when there is none.
QString SerialStableName(const QString& device, const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));

// The device nodes in the order the port numbers count them (not on Windows).
QStringList SerialDeviceNodes(const QString& devDir = QStringLiteral("/dev"));

}  // namespace tessaro
