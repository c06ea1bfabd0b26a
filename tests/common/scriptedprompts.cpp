#include "common/scriptedprompts.h"

namespace tessaro::test {

void ScriptedPrompts::message(const QString& text) {
  messages << text;
  shown << text;
  if (onShow) onShow(text);
}

bool ScriptedPrompts::confirm(const QString& text) {
  questions << text;
  shown << QStringLiteral("?") + text;
  if (onShow) onShow(text);
  if (answers.empty()) return false;
  const bool a = answers.front();
  answers.pop_front();
  return a;
}

FileChoice ScriptedPrompts::chooseFile(const QString& title, const QString& folder, const QString& filter) {
  dialogTitles << title;
  dialogFolders << folder;
  dialogFilters << filter;
  if (files.empty()) {
    FileChoice c;
    c.cancelled = true;
    return c;
  }
  FileChoice c = files.front();
  files.pop_front();
  return c;
}

}  // namespace tessaro::test
