// The record commands, the download and its conversion, the access log and
// the pull that ties them together with its guarantees.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "accesslog.h"
#include "readers.h"
#include "records.h"
#include "support/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

QByteArray Frame(const char* card, const char* stamp) { return QByteArray("$DD001") + card + stamp + "**\r"; }

TEST(Records, CounterAndErase) {
  const struct { const char* reply; int count; Outcome outcome; } counters[] = {
      {"$RC0010001**\r", 0, Outcome::Ok}, {"$RC0010010**\r", 9, Outcome::Ok}, {"x$RC0012.6 **\r", 2, Outcome::Ok},
      {"$RC0010000**\r", -1, Outcome::BadReply}, {"$RC001ABCD**\r", -1, Outcome::BadReply},
      {"$RC0019E99**\r", -1, Outcome::BadReply}, {"$XX0010010**\r", -1, Outcome::BadReply}, {"$RC0010010**", -1, Outcome::NoReply}};
  for (const auto& r : counters) {
    FakeEnv f;
    f.answer(r.reply);
    Outcome outcome{};
    EXPECT_EQ(ReadRecordCount(f.env, 1, &outcome).value_or(-1), r.count) << r.reply;
    EXPECT_EQ(outcome, r.outcome) << r.reply;
  }
  const struct { const char* reply; qint16 id; Outcome erase, afterDownload; } erases[] = {
      {"$EM001**\r", 1, Outcome::Ok, Outcome::Ok}, {"$XX001**\r", 1, Outcome::BadReply, Outcome::Ok},
      {"$EM002**\r", 1, Outcome::Ok, Outcome::BadReply}, {"$EM001**", 1, Outcome::NoReply, Outcome::NoReply}};
  for (const auto& r : erases) {
    FakeEnv f;
    f.answer(r.reply);
    EXPECT_EQ(EraseRecords(f.env, r.id), r.erase) << r.reply;
    EXPECT_EQ(EraseRecordsAfterDownload(f.env, r.id), r.afterDownload) << r.reply;
  }
}

TEST(Records, DownloadAndConversion) {
  const QByteArray a = Frame("000012345", "290224235807"), b = Frame("987654321", "010107000000");
  QByteArray full;
  for (int i = 0; i < 3502; ++i) full += a;
  // Stream → end, counted records (card numbers joined).
  const struct { QByteArray stream; StreamEnd end; QString cards; } rows[] = {
      {a + "$DD001123**\r" + b + "$FD001**\r", StreamEnd::EndLine, "12345 987654321"},
      {a + "$ER001**\r" + b, StreamEnd::Unexpected, "12345"}, {"$ER001**\r", StreamEnd::Unexpected, ""},
      {a + b, StreamEnd::Silence, ""}, {full, StreamEnd::Full, "3501"}};
  for (const auto& r : rows) {
    FakeEnv f(LinkKind::Tcp);
    f.answer(r.stream, 10);
    const Download d = DownloadRecords(f.env, 1);
    EXPECT_EQ(d.end, r.end);
    QStringList cards;
    for (const OfflineRecord& rec : d.records) cards << QString::number(rec.cardNumber);
    EXPECT_EQ(r.end == StreamEnd::Full ? QString::number(cards.size()) : cards.join(' '), r.cards);
  }
  const OfflineRecord rec = ConvertRecordFrame("x" + a).value();
  EXPECT_EQ(rec.stamp, QDateTime(QDate(2024, 2, 29), QTime(23, 58, 7)));
  EXPECT_EQ(ConvertRecordFrame(Frame("000000001", "070107000000"))->stamp.date(), QDate(2007, 1, 7));
  EXPECT_FALSE(ConvertRecordFrame(Frame("000000001", "310225250000"))->stamp.isValid());
  EXPECT_FALSE(ConvertRecordFrame("$XX001000012345290224235807**\r"));  // a frame of another command
}

TEST(Records, LogLines) {
  OfflineRecord r{12345678, QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9)), "051226140309"};
  EXPECT_EQ(FormatAccessLogLine(5, r, 1), "005,0012345678,1,2026/12/05,14:03:09");
  r = {999999999, QDateTime(QDate(2026, 1, 2), QTime(21, 5, 7)), {}};
  EXPECT_EQ(FormatAccessLogLine(255, r, 0), "255,0999999999,0,2026/01/02,21:05:07");
  // A stamp that is no date keeps the reader's own digits; anything else shows as "?".
  r = {0, QDateTime(), "31 2x5250061"};
  EXPECT_EQ(FormatAccessLogLine(12, r, 2), "012,0000000000,2,20?5/02/31,25:00:61");
  QTemporaryDir dir;
  AccessLog log(dir.filePath("AccessFile.txt"));
  EXPECT_TRUE(log.append(1, r, 2) && log.append(2, {0, QDateTime(), " 31226140309"}, 1) && log.flush());
  EXPECT_EQ(test::ReadFile(log.path()), "001,0000000000,2,20?5/02/31,25:00:61\r\n002,0000000000,1,2026/12/03,14:03:09\r\n");
  AccessLog nowhere(dir.filePath("missing/AccessFile.txt"));
  EXPECT_FALSE(nowhere.append(1, r, 1));
  // Beside the program when that folder can take it, else in the user's data folder.
  EXPECT_EQ(AccessLogPath(dir.path(), dir.filePath("data")), log.path());
  EXPECT_EQ(AccessLogPath(dir.filePath("AccessFile.txt/bin"), dir.filePath("data")), dir.filePath("data/AccessFile.txt"));
  EXPECT_TRUE(QFileInfo(dir.filePath("data")).isDir());
}

// The reader's memory is erased only when every line is in the log and the download ended on its end frame.
TEST(Records, PullErasesOnlyWhatIsSafe) {
  const QByteArray two = Frame("000000011", "010126080000") + Frame("000000022", "010126080001");
  const struct { QByteArray counter, stream, erase; bool logOk, eraseAsked; PullEnd end; int lines; const char* stages; } rows[] = {
      {"$RC0010003**\r", two + "$FD001**\r", "$EM001**\r", true, true, PullEnd::Erased, 2, "DLE"},
      {"$RC0010003**\r", two + "$FD001**\r", "$EM009**\r", true, true, PullEnd::EraseFailed, 2, "DLE"},
      {"$RC0010003**\r", two + "$FD001**\r", "", true, false, PullEnd::Kept, 2, "DL"},
      {"$RC0010003**\r", two + "$ER001**\r", "", true, true, PullEnd::Incomplete, 2, "DL"},
      {"$RC0010003**\r", two + "$FD001**\r", "", false, true, PullEnd::LogFailed, 0, "DL"},
      {"$RC0010003**\r", "$FD001**\r", "", true, true, PullEnd::DownloadFailed, 0, "D"},
      {"$RC0010001**\r", "", "", true, true, PullEnd::NoRecords, 0, ""}};
  for (const auto& r : rows) {
    FakeEnv f;
    int step = 0;
    qint64 countedAt = 0, askedAt = 0;
    f.link.onWrite = [&](const QByteArray& request) {
      const QByteArray replies[] = {r.counter, r.stream, r.erase};
      if (step == 0) countedAt = f.clock.ms;
      if (step == 1) askedAt = f.clock.ms;
      f.link.deliverAfter(10, replies[std::min(step++, 2)]);
      EXPECT_EQ(request.left(3), QByteArray(step == 1 ? "%RC" : step == 2 ? "%DD" : "%EM"));
    };
    QTemporaryDir dir;
    AccessLog log(r.logOk ? dir.filePath("AccessFile.txt") : dir.filePath("no/AccessFile.txt"));
    QString stages;
    const Pull pull = PullRecords(f.env, 1, 2, log, r.eraseAsked, {.stage = [&](PullStage s) { stages += "DSLCE"[static_cast<int>(s)]; }});
    EXPECT_EQ(pull.end, r.end) << r.stages;
    EXPECT_EQ(pull.records, r.lines);
    EXPECT_EQ(stages, QLatin1String(r.stages));
    EXPECT_EQ(step, 1 + stages.count('D') + stages.count('E'));
    if (step > 1) { EXPECT_EQ(askedAt - countedAt, 10 + 2000); }  // the counter's reply, then the pause
  }
}

}  // namespace
}  // namespace tessaro
