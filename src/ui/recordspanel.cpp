#include "records/recordspanel.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "records/accesslog.h"
#include "records/recordcommands.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tessaro {

namespace {
const QString kAskErase = QStringLiteral("Cihazın offline geçiş hafızasını silmek istediğinizden emin misiniz?");
const QString kErased = QStringLiteral("Offline Geçiş Hafızası Silindi");
const QString kEraseFailed = QStringLiteral("Hata! Offline Geçiş Hafızası Silinemedi");
const QString kAskDownload = QStringLiteral("Offline Kayıtları Cihazdan Almak İstiyor musunuz?");
const QString kBadId = QStringLiteral("Mevcut Cihaz ID hatalı, 1-255 arası bir sayı giriniz!");
const QString kNoRecords = QStringLiteral("Kayıt Bulunamadı... Kapı:");
const QString kDownloading = QStringLiteral("Offline Kayıtlar Alınıyor... Kapı:");
const QString kDownloadFailed = QStringLiteral("Offline Kayıtlar Alınamadı... Kapı:");
const QString kLogging = QStringLiteral("Offline Kayıtlar Veritabanına Ekleniyor... Kapı:");
const QString kLogFailed = QStringLiteral("Kayıtlar dosyaya yazılamadı, cihaz hafızası silinmedi! Kapı:");
const QString kIncomplete = QStringLiteral("Kayıtların tamamı alınamadı, cihaz hafızası silinmedi! Kapı:");
const QString kErasing = QStringLiteral("Offline Kayıtlar Siliniyor... Kapı:");
const QString kEraseAfterFailed =
    QStringLiteral("İşlem Tamamalandı, Fakat Offline Kayıtlar Silinirken Hata Oluştu! Kapı:");
const QString kDoneErased = QStringLiteral("İşlem Tamamlandı, Offline Kayıtlar Silindi... Kapı:");
const QString kDoneKept = QStringLiteral("İşlem Tamamlandı, Ancak Offline Kayıtlar Silinmedi!");
const QString kEditorFailed = QStringLiteral("NotePad.exe programı çalıştırılamadı");
}  // namespace

RecordsPanel::RecordsPanel(AppContext& ctx) : ctx_(ctx) {
  connect(ctx_.control<QPushButton>("cmdReadCounter"), &QPushButton::clicked, this, &RecordsPanel::readCounter);
  connect(ctx_.control<QPushButton>("cmdReadData"), &QPushButton::clicked, this, &RecordsPanel::readData);
  connect(ctx_.control<QPushButton>("cmdClearCounter"), &QPushButton::clicked, this, &RecordsPanel::clearCounter);
  connect(ctx_.control<QPushButton>("cmdOpenFile"), &QPushButton::clicked, this, &RecordsPanel::openFile);
}

QString RecordsPanel::door(const QString& status) const { return status + ctx_.control<QLineEdit>("txtOldID")->text(); }

void RecordsPanel::setProcess(const QString& text) { ctx_.control<QLabel>("lblProcess")->setText(text); }

void RecordsPanel::readCounter() {
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  const qint16 id = ctx_.deviceIdFromText();
  ExchangeEnv env = ctx_.env(*link);
  const int count = ReadRecordCount(env, id);
  // An empty memory and a failed read look the same.
  ctx_.control<QLabel>("lblRecordCounter")->setText(count >= 1 ? QString::number(count) : QStringLiteral("0"));
  ctx_.endBusy();
  ctx_.prompts().beep();
}

void RecordsPanel::clearCounter() {
  if (!ctx_.prompts().confirm(kAskErase)) return;
  Link* link = ctx_.openLink();
  if (!link) return;
  ctx_.beginBusy();
  const qint16 id = ctx_.deviceIdFromText();
  ExchangeEnv env = ctx_.env(*link);
  const int result = EraseRecords(env, id);
  ctx_.endBusy();
  ctx_.prompts().message(result == 1 ? kErased : kEraseFailed);
}

void RecordsPanel::readData() {
  setProcess(QString());
  if (!ctx_.prompts().confirm(kAskDownload)) return;
  Link* link = ctx_.openLink();
  if (!link) return;
  const qint16 id = ctx_.deviceIdFromText();
  if (id < 1 || id > 255) {
    ctx_.prompts().message(kBadId);
    ctx_.prompts().beep();
    return;
  }
  // Busy for the whole download: another command on the same link mid-stream
  // would mix its reply into the records.
  ctx_.beginBusy();
  auto finish = [this](const QString& status) {
    setProcess(status);
    ctx_.endBusy();
    ctx_.prompts().beep();
  };
  ExchangeEnv env = ctx_.env(*link);
  if (ReadRecordCount(env, id) < 1) return finish(door(kNoRecords));

  setProcess(door(kDownloading));
  PauseBeforeDownload(ctx_.links().pump(), ctx_.links().clock());
  OfflineRecordTable& table = OfflineRecords();
  DownloadEnd end = DownloadEnd::None;
  const int count = DownloadRecords(env, id, table, &end);
  if (count < 1) return finish(door(kDownloadFailed));

  setProcess(door(kLogging));
  const QString folder = ctx_.services().programFolder;
  bool allWritten = true;
  for (int i = 0; i < count; ++i) {
    const OfflineRecord& record = table[static_cast<size_t>(i)];
    // Only the calendar day and the time of day travel on to the writer.
    const QDate day = record.stamp.isValid() ? record.stamp.date() : QDate();
    const QTime time = record.stamp.isValid() ? record.stamp.time() : QTime();
    if (!AppendAccessLogLine(folder, id, record, ctx_.state().offlineRecordType, day, time)) allWritten = false;
  }
  // The lines must be on disk before the reader forgets its copy.
  if (!allWritten || !FlushAccessLog(folder)) return finish(door(kLogFailed));
  // Erasing after a download that did not reach the end-of-records frame
  // would destroy what was not downloaded.
  if (end != DownloadEnd::Complete) return finish(door(kIncomplete));

  if (ctx_.control<QCheckBox>("chkClearRAM")->isChecked()) {
    setProcess(door(kErasing));
    const int erased = EraseRecordsAfterDownload(env, id);
    return finish(door(erased < 1 ? kEraseAfterFailed : kDoneErased));
  }
  finish(kDoneKept);
}

void RecordsPanel::openFile() {
#ifdef Q_OS_WIN
  char buffer[128] = {};
  const UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) {
    ctx_.prompts().message(kEditorFailed);
    return;
  }
  const QString system = QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n)).trimmed();
  const QString log = QDir::toNativeSeparators(AccessLogPath(ctx_.services().programFolder));
  // A failure to start is not reported; the editor complains about a missing file itself.
  if (ctx_.services().startProgram) ctx_.services().startProgram(system + QStringLiteral("\\Notepad.exe"), {log});
#else
  const QString editor =
      ctx_.services().findProgram ? ctx_.services().findProgram(QStringLiteral("xdg-open")) : QString();
  if (editor.isEmpty()) {
    ctx_.prompts().message(kEditorFailed);
    return;
  }
  // No shell: the path is one argument, blanks and all.
  if (ctx_.services().startProgram)
    ctx_.services().startProgram(editor, {AccessLogPath(ctx_.services().programFolder)});
#endif
}

}  // namespace tessaro
