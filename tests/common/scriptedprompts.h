#pragma once
// The user, scripted: records everything shown and answers as told.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "app/prompts.h"

namespace tessaro::test {

class ScriptedPrompts : public Prompts {
 public:
  void message(const QString& text) override;
  bool confirm(const QString& text) override;
  FileChoice chooseFile(const QString& title, const QString& folder, const QString& filter) override;
  void beep() override { ++beeps; shown << QStringLiteral("<beep>"); }

  // Answers for the next confirmations (true = Yes); an unscripted question answers No.
  std::deque<bool> answers;
  std::deque<FileChoice> files;
  // Runs when a message or question is shown (for example to check the busy state).
  std::function<void(const QString&)> onShow;

  QStringList messages;   // OK boxes, in order
  QStringList questions;  // Yes/No boxes, in order
  QStringList shown;      // everything, in order ("?" prefix for questions)
  QStringList dialogTitles;
  QStringList dialogFolders;
  QStringList dialogFilters;
  int beeps = 0;
};

}  // namespace tessaro::test
