#include "records/accesslog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tessaro {
namespace {

OfflineRecord Record(qint32 card, const QDateTime& stamp = {}, const QByteArray& raw = {}) {
  OfflineRecord r;
  r.cardNumber = card;
  r.stamp = stamp;
  r.rawStamp = raw;
  return r;
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(FormatAccessLogLine, FieldsArePaddedAndCut) {
  struct Case {
    qint16 id;
    qint32 card;
    qint16 type;
    QDate day;
    QTime time;
    const char* line;
  } cases[] = {
      {5, 12345678, 1, {2026, 12, 5}, {14, 3, 9}, "005,0012345678,1,2026/12/05,14:03:09"},
      {1, 0, 2, {2007, 1, 1}, {0, 0, 0}, "001,0000000000,2,2007/01/01,00:00:00"},
      {255, 999999999, 1, {2099, 12, 31}, {23, 59, 59}, "255,0999999999,1,2099/12/31,23:59:59"},
      {12, 42, 0, {2026, 6, 7}, {9, 5, 7}, "012,0000000042,0,2026/06/07,09:05:07"},  // type 0 before settings
      {12, 42, 1, {2026, 6, 7}, {21, 5, 7}, "012,0000000042,1,2026/06/07,21:05:07"},
      {1, 2147483647, 1, {2026, 6, 7}, {21, 5, 7}, "001,2147483647,1,2026/06/07,21:05:07"},
  };
  for (const Case& c : cases) {
    const QByteArray line = FormatAccessLogLine(c.id, Record(c.card), c.type, c.day, c.time);
    EXPECT_EQ(line, QByteArray(c.line));
    EXPECT_EQ(line.size(), 36);  // the layout ends at column 36
  }
}

TEST(FormatAccessLogLine, InvalidStampIsWrittenWithTheReadersDigits) {
  struct Case {
    QByteArray raw;
    const char* stamp;
  } cases[] = {
      {"310226250000", "2026/02/31,25:00:00"},
      {"000000000000", "2000/00/00,00:00:00"},
      {"99999999999a", "2099/99/99,99:99:9?"},  // only digits reach the file
      {"05 226140309", "2026/02/05,14:03:09"},  // blanks are removed and made up with "0"
  };
  for (const Case& c : cases) {
    // A stamp taken from an earlier record must not be used.
    const QByteArray line = FormatAccessLogLine(3, Record(77, {}, c.raw), 1, QDate(), QTime());
    EXPECT_EQ(line, "003,0000000077,1," + QByteArray(c.stamp)) << c.raw.constData();
    EXPECT_EQ(line.size(), 36);  // the layout ends at column 36
  }
}

TEST(AppendAccessLogLine, AppendsLinesWithCrLf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const OfflineRecord r = Record(12345678);
  EXPECT_TRUE(AppendAccessLogLine(dir.path(), 5, r, 1, QDate(2026, 12, 5), QTime(14, 3, 9)));
  EXPECT_EQ(ReadAll(dir.filePath("AccessFile.txt")), "005,0012345678,1,2026/12/05,14:03:09\r\n");
  EXPECT_TRUE(AppendAccessLogLine(dir.path(), 5, r, 2, QDate(2026, 12, 5), QTime(21, 5, 7)));
  EXPECT_EQ(ReadAll(dir.filePath("AccessFile.txt")),
            "005,0012345678,1,2026/12/05,14:03:09\r\n005,0012345678,2,2026/12/05,21:05:07\r\n");
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
