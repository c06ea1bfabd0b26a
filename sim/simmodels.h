#pragma once
// The reader models as the readers themselves behave. Kept apart from the
// program's own model table on purpose: a wrong entry there must show up as a
// disagreement with the simulated reader, not be repeated by it.

#include <QString>

namespace tessaro::sim {

enum class SimModel { TS20 = 0, TS30H, TS30P, TS40, TS40B, TS20B, TS90, TS90B, TS90C };
inline constexpr int kSimModelCount = 9;

// What follows the master card in the settings.
enum class SimLayout {
  Basic,               // nothing
  WiegandOnly,         // EPC start word, Wiegand type
  WiegandAndDetector,  // EPC start word, Wiegand type, vehicle detector, trigger time
};

struct SimModelInfo {
  SimModel model;
  const char* name;     // as the window shows the model: "TS-20" … "TS-90C"
  const char* caption;  // the model's option in the window, where it differs from the name
  int cardLimit;
  bool readOnly;  // knows the "Read-Only" run mode
  SimLayout layout;
  int settingsReplyLength;  // characters of the "%US" reply before its CR
  int masterCardPos;        // first position of the master card in the settings text
};

const SimModelInfo& InfoOf(SimModel model);

// "TS-30P", "ts30p", "TS-90C (Command Mode)" → the model; false when unknown.
bool SimModelFromName(const QString& name, SimModel* out);

}  // namespace tessaro::sim
