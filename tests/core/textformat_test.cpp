// The text helpers, the request frame and the 1-based reply positions.

#include <gtest/gtest.h>

#include "frame.h"
#include "textformat.h"

namespace tessaro {
namespace {

TEST(TextFormat, Formatters) {
  const std::pair<qint16, const char*> dec3[] = {{0, "000"}, {7, "007"}, {99, "099"}, {255, "255"}, {256, "256"}, {-5, "-5"}};
  for (const auto& [v, t] : dec3) EXPECT_EQ(FormatDec3(v), QLatin1String(t)) << v;
  const std::pair<qint32, const char*> hex8[] = {{0, "00000000"}, {10, "0000000A"}, {-2, "FFFFFFFE"}, {qint32(0x80000000u), "80000000"}};
  for (const auto& [v, t] : hex8) EXPECT_EQ(FormatHex8(v), QLatin1String(t)) << v;
  // The leftmost characters stay: a year cut to two is "20", not "26".
  const std::tuple<qint64, int, const char*> pad[] = {{7, 2, "07"}, {5, 4, "0005"}, {123, 2, "12"}, {2026, 2, "20"},
      {2026, 4, "2026"}, {-5, 3, "0-5"}, {123, -3, ""}, {999999999, 10, "0999999999"}};
  for (const auto& [v, w, t] : pad) EXPECT_EQ(PadZerosLeft(v, w), QLatin1String(t)) << v << " " << w;
  const std::pair<const char*, const char*> csv[] = {
      {"Giriş", "Giriş"}, {"1,5", "\"1,5\""}, {"a\"b", "\"a\"\"b\""}, {"x\ny", "\"x\ny\""}, {"", ""}};
  for (const auto& [v, t] : csv) EXPECT_EQ(CsvField(QString::fromUtf8(v)), QString::fromUtf8(t)) << v;
}

// Text → IsNumeric, ToInt16 (half to even, 0 outside 16 bits), LeadingNumber, the port rule (1..65535).
TEST(TextFormat, NumbersTypedByTheUser) {
  const std::tuple<const char*, bool, qint16> typed[] = {{" 42 ", true, 42}, {"+5", true, 5}, {"-5", true, -5},
      {"2.5", true, 2}, {"3.5", true, 4}, {"-2.5", true, -2}, {".5", true, 0}, {"1e2", true, 100}, {"32767", true, 32767},
      {"32768", true, 0}, {"-32768.5", true, -32768}, {"-32769", true, 0}, {"", false, 0}, {"12a", false, 0},
      {"1 2", false, 0}, {"1e", false, 0}, {"٣", false, 0}, {"1e999", false, 0}};
  for (const auto& [t, numeric, v] : typed) {
    EXPECT_EQ(IsNumeric(QString::fromUtf8(t)), numeric) << t;
    EXPECT_EQ(ToInt16(QString::fromUtf8(t)), v) << t;
  }
  const std::tuple<const char*, double, quint16> leading[] = {{"5600e", 5600, 5600}, {"56 00", 5600, 5600}, {"", 0, 0},
      {"x56", 0, 0}, {"80.5", 80.5, 80}, {"81.5", 81.5, 82}, {"32768", 32768, 32768}, {"65535", 65535, 65535},
      {"65535.5", 65535.5, 0}, {"0.6", 0.6, 1}, {"0.5", 0.5, 0}, {"-1", -1, 0}, {"7.9.1", 7.9, 8}};
  for (const auto& [t, v, port] : leading) {
    EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf8(t)), v) << t;
    EXPECT_EQ(PortNumberFromText(QString::fromUtf8(t)), port) << t;
  }
}

TEST(TextFormat, ReplyFields) {
  const std::pair<const char*, qint64> fields[] = {{"0010", 10}, {" 12", 12}, {"1 2", 12}, {"12**", 12}, {"**", 0}, {"-5", 0}};
  for (const auto& [t, v] : fields) EXPECT_EQ(DecimalField(t), v) << t;
  // Every digit's edge, either case, and the characters just outside each range; one to eight digits.
  const std::pair<const char*, std::optional<quint32>> hex[] = {{"09", 9}, {"AF", 0xAF}, {"af", 0xAF}, {"FFFFFFFF", 0xFFFFFFFF},
      {"0000000A1", {}}, {"", {}}, {"G", {}}, {"g", {}}, {"/", {}}, {":", {}}, {"@", {}}, {"`", {}}, {" 1", {}}};
  for (const auto& [t, v] : hex) EXPECT_EQ(HexNumber(t), v) << t;
  // The readers' date and time: day first, 2000 to 2099; only digits of a real date and time.
  const std::pair<const char*, QDateTime> stamps[] = {{"311299095959", QDateTime(QDate(2099, 12, 31), QTime(9, 59, 59))},
      {"290224000000", QDateTime(QDate(2024, 2, 29), QTime(0, 0))}, {"290223000000", {}}, {"010125240000", {}},
      {"0101250000x0", {}}, {"01012500000", {}}};
  for (const auto& [t, when] : stamps) EXPECT_EQ(ReaderStamp(t), when) << t;
  EXPECT_EQ(MarkerPosition("xx$DR001**\r"), 3);
  EXPECT_EQ(MarkerPosition("DR001"), 0);
  // Text, 1-based start, length → the characters read; never outside the text.
  const std::tuple<const char*, qsizetype, qsizetype, const char*> mids[] = {{"$RC0010001**", 7, 4, "0001"},
      {"abc", 3, 5, "c"}, {"abc", 4, 1, ""}, {"abc", 0, 2, "ab"}, {"abc", 2, -1, "bc"}};
  for (const auto& [t, start, n, out] : mids) EXPECT_EQ(Mid1(t, start, n), QByteArrayView(out)) << start;
  // Without "$" the first two characters count.
  const std::pair<const char*, bool> codes[] = {{"xx$DR001**\r", true}, {"DR001**\r", true}, {"xDR001**\r", false}, {"$D", false}};
  for (const auto& [t, ok] : codes) EXPECT_EQ(HasReplyCode(t, "DR"), ok) << t;
}

}  // namespace
}  // namespace tessaro
