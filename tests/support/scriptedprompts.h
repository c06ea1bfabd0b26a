#pragma once
// The user, scripted: records everything shown, in order, and answers as told.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>

#include "prompts.h"

namespace tessaro::test {

class ScriptedPrompts : public Prompts {
 public:
  void message(const QString& text, const QString& detail = {}) override {
    show(detail.isEmpty() ? text : text + QStringLiteral(" [") + detail + u']');
  }
  // Answers the next scripted answer (true = Yes); an unscripted question answers No.
  bool confirm(const QString& text) override {
    show(QStringLiteral("?") + text);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  FileChoice chooseFile(const QString& title, const QString& folder, const QString& filter) override {
    show(QStringLiteral("[dialog] ") + title);
    dialogFolder = folder;
    dialogFilter = filter;
    if (files.empty()) return FileChoice{true, {}, {}};
    FileChoice c = files.front();
    files.pop_front();
    return c;
  }
  void beep() override { show(QStringLiteral("<beep>")); }
  // What was shown since the last call.
  QStringList take() { return std::exchange(shown, {}); }

  std::deque<bool> answers;
  std::deque<FileChoice> files;
  std::function<void(const QString&)> onShow;  // e.g. to look at the window while a box is up
  QStringList shown;
  QString dialogFolder, dialogFilter;

 private:
  void show(const QString& text) {
    shown << text;
    if (onShow) onShow(text);
  }
};

}  // namespace tessaro::test
