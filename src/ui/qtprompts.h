#pragma once
#include <QWidget>

#include "prompts.h"

namespace tessaro {

// The real prompts: plain QMessageBox boxes and Qt's own file dialog widget,
// so the dialog behaves the same on every platform.
class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  void message(const QString& text, const QString& detail = {}) override;
  bool confirm(const QString& text) override;
  FileChoice chooseFile(const QString& title, const QString& folder, const QString& filter) override;
  void beep() override;

  // "Veri Dosyaları (*.txt)|*.txt" → "Veri Dosyaları (*.txt)": the description
  // before the bar names the pattern after it.
  static QString qtFilter(const QString& filter);

 private:
  QWidget* parent_;
};

}  // namespace tessaro
