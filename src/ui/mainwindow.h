#pragma once
// frmMain: builds every control with its name, caption and start value, runs
// the start-up steps, the timers, ESC and the model profiles. The panels of
// the subsystems attach their handlers to the named controls.

#include <QWidget>
#include <memory>
#include <vector>

#include "app/appcontext.h"

class QTimer;

namespace tessaro {

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
  ~MainWindow() override;

  AppContext& context() { return *ctx_; }

  // The profile steps of a click on opsDevice option `index`.
  void applyProfile(int index);
  // The run-mode effect of a click on opsRunMode option `index`.
  void applyRunMode(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void startUp();
  void refreshPortDevice();

  std::unique_ptr<AppContext> ctx_;
  std::vector<std::unique_ptr<QObject>> panels_;
  QTimer* tickTimer_ = nullptr;
  QTimer* clockTimer_ = nullptr;
};

// Attaches the subsystems' panels to the window (one place to add a panel).
std::vector<std::unique_ptr<QObject>> CreatePanels(AppContext& ctx);

}  // namespace tessaro
