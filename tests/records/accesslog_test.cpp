#include "records/accesslog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tessaro {
namespace {

OfflineRecord Record(qint32 card, const QByteArray& raw = {}) {
  OfflineRecord r;
  r.cardNumber = card;
  r.rawStamp = raw;
  return r;
}

TEST(FormatAccessLogLine, FieldsArePaddedAndInvalidStampsKeepTheReadersDigits) {
  const struct {
    qint16 id;
    qint32 card;
    qint16 type;
    QDate day;
    QTime time;
    QByteArray raw;  // the reader's digits of a stamp that is no valid time
    const char* line;
  } cases[] = {
      {5, 12345678, 1, {2026, 12, 5}, {14, 3, 9}, {}, "005,0012345678,1,2026/12/05,14:03:09"},
      {1, 0, 2, {2007, 1, 1}, {0, 0, 0}, {}, "001,0000000000,2,2007/01/01,00:00:00"},
      {255, 999999999, 1, {2099, 12, 31}, {23, 59, 59}, {}, "255,0999999999,1,2099/12/31,23:59:59"},
      {12, 42, 0, {2026, 6, 7}, {9, 5, 7}, {}, "012,0000000042,0,2026/06/07,09:05:07"},  // type 0 before settings
      {12, 42, 1, {2026, 6, 7}, {21, 5, 7}, {}, "012,0000000042,1,2026/06/07,21:05:07"},
      {1, 2147483647, 1, {2026, 6, 7}, {21, 5, 7}, {}, "001,2147483647,1,2026/06/07,21:05:07"},
      // A stamp taken from an earlier record must not be used.
      {3, 77, 1, {}, {}, "310226250000", "003,0000000077,1,2026/02/31,25:00:00"},
      {3, 77, 1, {}, {}, "000000000000", "003,0000000077,1,2000/00/00,00:00:00"},
      {3, 77, 1, {}, {}, "99999999999a", "003,0000000077,1,2099/99/99,99:99:9?"},  // only digits reach the file
      {3, 77, 1, {}, {}, "05 226140309", "003,0000000077,1,2026/02/05,14:03:09"},  // blanks made up with "0"
  };
  for (const auto& c : cases) {
    const QByteArray line = FormatAccessLogLine(c.id, Record(c.card, c.raw), c.type, c.day, c.time);
    EXPECT_EQ(line, QByteArray(c.line));
    EXPECT_EQ(line.size(), 36);  // the layout ends at column 36
  }
}

TEST(AppendAccessLogLine, AppendsLinesWithCrLf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray first = "005,0012345678,1,2026/12/05,14:03:09\r\n";
  for (qint16 type : {1, 2}) {
    const QTime time = type == 1 ? QTime(14, 3, 9) : QTime(21, 5, 7);
    EXPECT_TRUE(AppendAccessLogLine(dir.path(), 5, Record(12345678), type, QDate(2026, 12, 5), time));
    QFile f(dir.filePath("AccessFile.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));  // on disk at once, not only after the flush
    EXPECT_EQ(f.readAll(), type == 1 ? first : first + "005,0012345678,2,2026/12/05,21:05:07\r\n");
  }
  EXPECT_TRUE(FlushAccessLog(dir.path()));
}

TEST(AppendAccessLogLine, ReportsALogThatCannotBeWritten) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Permission bits do not stop root; these paths cannot be opened by anyone.
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  ASSERT_TRUE(QDir(dir.path()).mkpath("taken/AccessFile.txt"));
  for (const QString& folder : {dir.filePath("plain/sub"), dir.filePath("taken"), dir.filePath("missing")}) {
    EXPECT_FALSE(AppendAccessLogLine(folder, 1, Record(1), 1, QDate(2026, 1, 1), QTime(1, 1, 1))) << folder.toStdString();
    EXPECT_FALSE(FlushAccessLog(folder)) << folder.toStdString();
  }
}

}  // namespace
}  // namespace tessaro
