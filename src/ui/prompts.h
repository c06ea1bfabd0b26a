#pragma once
// The one seam through which the program talks to the user: message boxes,
// confirmations, the file dialog and the beep. Tests script the answers.

#include <QString>
#include <QStringList>

namespace tessaro {

struct FileChoice {
  bool cancelled = false;
  QString fileName;
  QString error;  // a failure of the dialog other than cancel
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A plain box with the application title, no icon, an OK button; `detail`
  // (when not empty) behind its "details" button.
  virtual void message(const QString& text, const QString& detail = {}) = 0;
  // A plain Yes/No box; true only for Yes.
  virtual bool confirm(const QString& text) = 0;
  // The file dialog (one kind for open and save; only the title differs).
  virtual FileChoice chooseFile(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual void beep() = 0;
};

}  // namespace tessaro
