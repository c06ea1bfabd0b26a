#include "recordspanel.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "accesslog.h"
#include "readers.h"
#include "records.h"
#include "texts.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tessaro {

RecordsPanel::RecordsPanel(RecordControls& controls, Session& session) : c_(controls), session_(session) {
  connect(c_.cmdReadCounter, &QPushButton::clicked, this, &RecordsPanel::readCounter);
  connect(c_.cmdReadData, &QPushButton::clicked, this, &RecordsPanel::readData);
  connect(c_.cmdClearCounter, &QPushButton::clicked, this, &RecordsPanel::clearCounter);
  connect(c_.cmdOpenFile, &QPushButton::clicked, this, &RecordsPanel::openFile);
}

void RecordsPanel::showDoor(const QString& status) { c_.lblProcess->setText(status + session_.deviceIdText()); }

void RecordsPanel::readCounter() {
  Session::Operation op = session_.begin(Session::Port::KeepOpen);
  if (!op) return;
  // An empty memory and a failed read look the same.
  const std::optional<int> count = ReadRecordCount(op.env(), session_.deviceId());
  c_.lblRecordCounter->setText(QString::number(count.value_or(0)));
  op.endBusy();
  session_.prompts().beep();
}

void RecordsPanel::clearCounter() {
  if (!session_.prompts().confirm(text::kEraseRecordsQuestion)) return;
  Session::Operation op = session_.begin(Session::Port::KeepOpen);
  if (!op) return;
  const Outcome outcome = EraseRecords(op.env(), session_.deviceId());
  op.endBusy();
  session_.prompts().message(outcome == Outcome::Ok ? text::kRecordsErased : text::kRecordsNotErased);
}

void RecordsPanel::readData() {
  c_.lblProcess->clear();
  if (!session_.prompts().confirm(text::kDownloadQuestion)) return;
  Session::Operation op = session_.open(Session::Port::KeepOpen);
  if (!op) return;
  const DeviceId id = session_.deviceId();
  if (!id.isReader()) {
    session_.prompts().message(text::kBadDownloadId);
    session_.prompts().beep();
    return;
  }
  // Nothing is asked of the reader while its records have no store to go to.
  if (!session_.store()) return session_.prompts().beep();
  const StoreTarget target = session_.storeTarget();
  // Busy for the whole download: another command on the same link mid-stream
  // would mix its reply into the records.
  op.beginBusy();
  AccessLog log(session_.accessLogPath());
  const Pull pull = PullRecords(op.env(), id, session_.state().offlineRecordType, log, c_.chkClearRAM->isChecked(),
                                {.stage =
                                     [this](PullStage stage) {
                                       // Storing, logging and confirming are one step to the user.
                                       const text::Text* status[] = {&text::kDownloading, &text::kLogging,
                                                                     &text::kLogging, &text::kLogging, &text::kErasing};
                                       showDoor(*status[static_cast<int>(stage)]);
                                     }},
                                &target);
  switch (pull.end) {
    case PullEnd::NoRecords: showDoor(text::kNoRecords); break;
    case PullEnd::DownloadFailed: showDoor(text::kDownloadFailed); break;
    case PullEnd::LogFailed: showDoor(text::kLogFailed); break;
    case PullEnd::StoreFailed:
      showDoor(text::kStoreFailed);
      session_.dropStore();
      break;
    case PullEnd::Incomplete: showDoor(text::kIncomplete); break;
    case PullEnd::EraseFailed: showDoor(text::kEraseAfterFailed); break;
    case PullEnd::Erased: showDoor(text::kDoneErased); break;
    case PullEnd::Stopped:  // the window never stops a pull
    case PullEnd::Cut:
    case PullEnd::Kept: c_.lblProcess->setText(text::kDoneKept); break;
  }
  op.endBusy();
  session_.prompts().beep();
}

void RecordsPanel::openFile() {
  const Services& services = session_.services();
#ifdef Q_OS_WIN
  char buffer[128] = {};
  const UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) {
    session_.prompts().message(text::kEditorFailed);
    return;
  }
  const QString system = QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n)).trimmed();
  // A failure to start is not reported; the editor complains about a missing file itself.
  if (services.startProgram)
    services.startProgram(system + QStringLiteral("\\Notepad.exe"),
                          {QDir::toNativeSeparators(session_.accessLogPath())});
#else
  const QString editor = services.findProgram ? services.findProgram(QStringLiteral("xdg-open")) : QString();
  if (editor.isEmpty()) {
    session_.prompts().message(text::kEditorFailed);
    return;
  }
  // No shell: the path is one argument, blanks and all.
  if (services.startProgram) services.startProgram(editor, {session_.accessLogPath()});
#endif
}

}  // namespace tessaro
