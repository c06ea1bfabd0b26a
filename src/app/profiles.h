#pragma once
// The one table of what each reader model has. Pure data, shared by the
// window, the command routines and the simulator.

#include <QString>
#include <array>

namespace tessaro {

enum class DeviceModel { TS20 = 0, TS30H, TS30P, TS40, TS40B, TS20B, TS90, TS90B, TS90C };
inline constexpr int kModelCount = 9;

enum class RunMode { StandAlone = 0, Online = 1, ReadOnly = 2 };

enum class SettingsLayout { Basic = 0, WiegandOnly = 1, WiegandAndDetector = 2 };

struct DeviceProfile {
  DeviceModel model;
  const char* optionCaption;  // opsDevice caption
  const char* typeText;       // lblDeviceType
  qint16 cardLimit;           // MaxCardCount
  bool readOnlyOffered;
  bool receiveAllCards;  // cmdReceiveAllCards usable
  bool specialPanel;     // frTS30P usable
  bool wiegand;          // pic90B 0/1, lbl90B 0/1 shown
  bool vehicleDetector;  // chkLoop, txtLoopTime, lbl90B 2/3 shown
  SettingsLayout layout;
  int settingsReplyLength;     // ExpectedReplyLength of the %US reply
  bool masterCardEarly;        // receive: master card at 15-22 instead of 16-23
  bool masterCardEarlyInScan;  // scan: master card at 15-22
};

const std::array<DeviceProfile, kModelCount>& DeviceProfiles();
const DeviceProfile& ProfileOf(DeviceModel model);

// "TS-30P", "ts30p", "TS-90C (Command Mode)" → the model; false when unknown.
bool ModelFromName(const QString& name, DeviceModel* out);

}  // namespace tessaro
