#pragma once
// Every reader model's profile: its names, what it is on the wire and what it
// can do. The one table that the window, the bus view and the command-line
// tool all read.

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

namespace tessaro {

enum class DeviceModel { TS20 = 0, TS30H, TS30P, TS40, TS40B, TS20B, TS90, TS90B, TS90C };
inline constexpr int kModelCount = 9;

enum class RunMode { StandAlone = 0, Online = 1, ReadOnly = 2 };

// Which fields follow the master card in the settings.
enum class SettingsLayout { Basic, WiegandOnly, WiegandAndDetector };

struct ModelFacts {
  const char* caption;         // the option that chooses it: "TS-90C (Command Mode)"
  const char* name;            // the device type as users name it: "TS-90C"
  qint16 cardLimit;            // cards the list may hold for it
  bool readOnlyMode;           // knows the "Read-Only" run mode
  bool relayTimeInStandAlone;  // takes the relay time also in Stand-Alone mode
  bool cardDownload;           // gives its card list back
  bool clockAndRecords;        // has a real-time clock and keeps offline passage records
  SettingsLayout layout;       // the Wiegand options travel with every layout but Basic,
                               // the vehicle detector with WiegandAndDetector
  int settingsReplyLength;     // characters of the "%US" reply
  bool masterCardEarly;        // the master card at 15-22 of the settings reply, not 16-23
  bool masterCardEarlyInScan;  // the same, as the address scan reads it
  bool wiegand() const { return layout != SettingsLayout::Basic; }
  bool vehicleDetector() const { return layout == SettingsLayout::WiegandAndDetector; }
};

const ModelFacts& Facts(DeviceModel model);

// "TS-30P", "ts30p", "TS 30P" → the model.
std::optional<DeviceModel> ModelFromName(QStringView name);

// What only some models can do.
enum class Ability { CardDownload, ClockAndRecords };
bool Can(DeviceModel model, Ability ability);
std::vector<DeviceModel> ModelsThatCan(Ability ability);

// "TS-30H, TS-30P": the models' names in table order.
QString ModelNames(const std::vector<DeviceModel>& models);

// The models that can, whose settings reply alone tells them (no other model
// gives one of its length): a reader of another model that can needs its
// model given.
std::vector<DeviceModel> ModelsToldByReplyThatCan(Ability ability);

// A family: the models whose settings replies have one length, which is all
// that a reply tells of the model. The models with this reply length (before
// the reply's CR), in table order.
std::vector<DeviceModel> ModelsWithReplyLength(qsizetype length);
// The family's brief name: its one model's name, or the models' numbers after
// "TS-" with their letters left out where two share a number ("TS-30/40/20B/90").
QString FamilyName(const std::vector<DeviceModel>& family);

// What is known of one reader's model: the model, given by the user (the
// command line, a line file, the window's choice), or only the candidates
// that are left: a family its settings reply's length tells, or every model
// when nothing is known. A model is never picked from its candidates: what
// differs between them is not known.
class ReaderModel {
 public:
  ReaderModel();                   // nothing known: every model
  ReaderModel(DeviceModel model);  // NOLINT(google-explicit-constructor): a known model
  // The models given, each once, in table order.
  static ReaderModel Among(std::vector<DeviceModel> candidates);
  const std::vector<DeviceModel>& candidates() const { return candidates_; }
  bool known() const { return candidates_.size() == 1; }
  DeviceModel model() const { return candidates_.front(); }  // when known()
  bool none() const { return candidates_.empty(); }           // nothing fits
  bool includes(DeviceModel model) const;
  // The candidates of both.
  ReaderModel within(const ReaderModel& other) const;
  // "TS-40", or the family's brief name.
  QString name() const;
  // Every candidate can; some can.
  bool can(Ability ability) const;
  bool mayCan(Ability ability) const;
  // The longest card list that every candidate holds.
  int cardLimit() const;
  // Every candidate has the same fact.
  template <typename F>
  bool agree(F fact) const {
    for (DeviceModel m : candidates_)
      if (!(fact(Facts(m)) == fact(Facts(candidates_.front())))) return false;
    return true;
  }
  friend bool operator==(const ReaderModel&, const ReaderModel&) = default;

 private:
  std::vector<DeviceModel> candidates_;
};

}  // namespace tessaro
