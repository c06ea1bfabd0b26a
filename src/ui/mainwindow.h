#pragma once
// frmMain: builds every control with its name, caption and start value, runs
// the start-up steps, the timers and ESC, applies the model profiles and the
// rules that cross panels. The panels own the click handlers.

#include <QWidget>
#include <memory>
#include <optional>

#include "controls.h"
#include "session.h"

namespace tessaro {

class AccessEditor;
class BusView;
class CardsPanel;
class TrafficWindow;
class ClockPanel;
class RecordsPanel;
class RecordViewer;
class SettingsPanel;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(const Services& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  Session& session() { return *session_; }
  // The connection panel's starting choices, made as the user makes them:
  // the model clicked, "TCPIP Aktif" ticked with the address typed.
  void startWith(std::optional<DeviceModel> model, const QString& tcpHost, quint16 tcpPort);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void startUp();
  // The profile steps of a click on opsDevice option `model`.
  void applyProfile(int model);
  // While a scan runs, every other command that talks to the reader is kept
  // out; afterwards each gets back the enabled state it had.
  void keepOutDuringScan(bool scanning);
  void showBusView();
  void showTraffic();
  void showRecordViewer();
  void showAccessEditor();

  WindowControls c_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<SettingsPanel> settings_;
  std::unique_ptr<CardsPanel> cards_;
  std::unique_ptr<ClockPanel> clock_;
  std::unique_ptr<RecordsPanel> records_;
  BusView* bus_ = nullptr;  // made when first opened
  TrafficWindow* traffic_ = nullptr;
  RecordViewer* viewer_ = nullptr;
  AccessEditor* access_ = nullptr;
  std::vector<std::pair<QWidget*, bool>> keptOut_;
};

}  // namespace tessaro
