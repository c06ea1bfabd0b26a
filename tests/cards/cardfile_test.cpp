#include <gtest/gtest.h>

#include "printers.h"

#include <QFile>
#include <QTemporaryDir>

#include "cards/cardfile.h"

namespace tessaro {
namespace {

TEST(CardFile, WritesOneLinePerEntryWithCrLf) {
  EXPECT_EQ(CardFileBytes({"1", "2", "3"}), QByteArray("1\r\n2\r\n3\r\n"));  // nine bytes
  EXPECT_EQ(CardFileBytes({}), QByteArray());
  // Entries keep their text exactly: sign, leading zeros, an empty entry.
  EXPECT_EQ(CardFileBytes({"-1", "007", "", "x"}), QByteArray("-1\r\n007\r\n\r\nx\r\n"));
}

TEST(CardFile, ParsesLines) {
  const struct {
    const char* name;
    QByteArray bytes;
    QStringList entries;
  } cases[] = {
      {"crlf", "1\r\n2\r\n3\r\n", {"1", "2", "3"}}, {"blanks, empty line, letters", "  5  \r\n\r\nx\r\n", {"5", "", "x"}},
      {"bare cr", "1\r2\r", {"1", "2"}}, {"bare lf", "1\n2\n", {"1", "2"}}, {"no end", "1\r\n22", {"1", "22"}},
      {"tabs", "\t9\t\r\n", {"9"}}, {"cr cr lf", "1\r\r\n2", {"1", "", "2"}}, {"empty", "", {}}, {"only an end", "\r\n", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCardFile(c.bytes), c.entries) << c.name;
}

TEST(CardFile, ReplacesTheFileAndReportsFailures) {
  QTemporaryDir dir;
  const QString path = dir.filePath("kart.txt");
  ASSERT_TRUE(WriteCardFile(path, {"1", "2", "3"}));
  ASSERT_TRUE(WriteCardFile(path, {}));  // an existing file keeps only the new content
  EXPECT_EQ(QFile(path).size(), 0);
  auto read = ReadCardFile(path);
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(read->isEmpty());
  EXPECT_FALSE(WriteCardFile(dir.filePath("missing/kart.txt"), {"1"}));
  EXPECT_FALSE(WriteCardFile(dir.path(), {"1"}));
  EXPECT_FALSE(ReadCardFile(dir.filePath("absent.txt")).has_value());
  EXPECT_FALSE(ReadCardFile(dir.path()).has_value());
}

}  // namespace
}  // namespace tessaro
