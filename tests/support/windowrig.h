#pragma once
// The main window with a scripted user, an injected PC clock and program
// folder, and the simulated reader behind a TCP port or a pseudo-terminal.
// Fast timing runs a fake clock that moves up to ten milliseconds a wait while the
// real event loop serves both ends of the line, so silence costs little real
// time; real timing uses the program's own pump and clock.

#include <QDateTime>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>

#include "eventpump.h"
#include "mainwindow.h"
#include "readersim.h"
#include "support/fakes.h"
#include "support/scriptedprompts.h"

namespace tessaro::test {

class FastPump : public MessagePump {
 public:
  explicit FastPump(FakeClock& clock) : clock_(clock) {}
  void waitForActivity(qint64 maxUs) override;

 private:
  FakeClock& clock_;
};

class WindowRig {
 public:
  enum class Timing { Fast, Real };
  // `programIn`: the program's folder inside the rig's folder (missing, so nothing can be written there).
  // `gapMs`: as `tessaro-config --gap` gives it. `store`: as TESSARO_DB gives it.
  explicit WindowRig(Timing timing = Timing::Fast, const QString& programIn = {}, int gapMs = kDefaultGapMs,
                     const QString& store = {});

  // A reader on the line; the window is switched to its model.
  sim::SimReader& reader(int id, sim::SimModel model);
  void overTcp();
  void overPty();

  // A named control; a missing name fails the test at once.
  template <typename T = QWidget>
  T* w(const char* name) const {
    T* c = window->findChild<T*>(QString::fromLatin1(name));
    if (!c) {
      std::fprintf(stderr, "no control %s\n", name);
      std::abort();
    }
    return c;
  }
  // Clicks the button; `answers` (Yes = true), when given, are the user's answers to the questions that follow.
  void click(const char* name, std::initializer_list<bool> answers = {});
  void set(const char* name, const QString& text);
  void addCards(const QStringList& typed);  // each typed into the card number box, then "<< Ekle"
  QString text(const char* name) const;  // of a text box or a label
  bool checked(const char* name) const;
  bool busy() { return window->session().busy(); }
  // The bus view open with the one reader at `address` scanned and selected.
  void pickOnBus(int address);
  QString logPath() const { return folder.filePath(QStringLiteral("AccessFile.txt")); }

  ScriptedPrompts prompts;
  sim::ReaderSim sim;
  QTemporaryDir folder;
  QDateTime now = QDateTime(QDate(2025, 1, 5), QTime(9, 3, 7));  // a Sunday
  FakeClock fakeClock;
  FastPump fastPump{fakeClock};
  QtMessagePump realPump;
  SteadyClock realClock;
  QString serialDevice;
  QString editor = QStringLiteral("/usr/bin/xdg-open");  // what the search for the editor finds
  QStringList started;                                  // programs started, with their arguments
  std::unique_ptr<MainWindow> window;
};

}  // namespace tessaro::test
