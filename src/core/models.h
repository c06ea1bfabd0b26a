#pragma once
// What each reader model is on the wire: its name, card limit and settings
// layout. Pure data; what the window shows for a model is the window's own.

#include <QStringView>
#include <optional>

namespace tessaro {

enum class DeviceModel { TS20 = 0, TS30H, TS30P, TS40, TS40B, TS20B, TS90, TS90B, TS90C };
inline constexpr int kModelCount = 9;

enum class RunMode { StandAlone = 0, Online = 1, ReadOnly = 2 };

// Which fields follow the master card in the settings.
enum class SettingsLayout { Basic, WiegandOnly, WiegandAndDetector };

struct ModelFacts {
  const char* name;  // "TS-20": the device type as users name it
  qint16 cardLimit;
  bool readOnlyMode;           // knows the "Read-Only" run mode
  bool relayTimeInStandAlone;  // takes the relay time also in Stand-Alone mode
  SettingsLayout layout;
  int settingsReplyLength;     // characters of the "%US" reply
  bool masterCardEarly;        // the master card at 15-22 of the settings reply, not 16-23
  bool masterCardEarlyInScan;  // the same, as the address scan reads it
};

const ModelFacts& Facts(DeviceModel model);

// "TS-30P", "ts30p", "TS 30P" → the model.
std::optional<DeviceModel> ModelFromName(QStringView name);

}  // namespace tessaro
