#include <gtest/gtest.h>

#include "link/frame.h"
#include "link/textformat.h"

namespace tessaro {
namespace {

struct Dec3Case {
  qint16 value;
  const char* text;
};

TEST(TextFormat, FormatDec3) {
  const Dec3Case cases[] = {
      {0, "000"},   {1, "001"},     {7, "007"},   {9, "009"},         {10, "010"},        {99, "099"},
      {100, "100"}, {255, "255"},   {256, "256"}, {300, "300"},       {1000, "1000"},     {-1, "-1"},
      {-5, "-5"},   {-100, "-100"}, {32767, "32767"}, {-32768, "-32768"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDec3(c.value), QLatin1String(c.text)) << c.value;
}

struct PadCase {
  qint64 value;
  int width;
  const char* text;
};

TEST(TextFormat, PadZerosLeftKeepsTheLeftmostCharacters) {
  const PadCase cases[] = {
      {7, 2, "07"},        {5, 4, "0005"},     {123, 2, "12"},     {2026, 2, "20"},     {2026, 4, "2026"},
      {2026, 6, "002026"}, {0, 1, "0"},        {0, 3, "000"},      {-5, 3, "0-5"},      {-5, 2, "-5"},
      {-5, 1, "-"},        {-123, 2, "-1"},    {123, 0, ""},       {123, -3, ""},       {32767, 3, "327"},
      {-32768, 7, "0-32768"}, {4294967295LL, 10, "4294967295"}, {4294967295LL, 12, "004294967295"},
      {123456789, 9, "123456789"}, {1234567890, 9, "123456789"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PadZerosLeft(c.value, c.width), QLatin1String(c.text)) << c.value << " width " << c.width;
  }
}

struct HexCase {
  qint32 value;
  const char* text;
};

TEST(TextFormat, FormatHex8TwosComplement) {
  const HexCase cases[] = {
      {0, "00000000"},           {10, "0000000A"},          {255, "000000FF"},         {-1, "FFFFFFFF"},
      {-2, "FFFFFFFE"},          {0x7FFFFFFF, "7FFFFFFF"}, {qint32(0x80000000u), "80000000"},
      {0x00ABCDEF, "00ABCDEF"}, {32768, "00008000"},      {qint16(-32768), "FFFF8000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatHex8(c.value), QLatin1String(c.text)) << c.value;
}

TEST(TextFormat, RoundHalfEven) {
  const std::pair<double, double> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, -0.0}, {-1.5, -2},
                                             {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {7, 7}};
  for (const auto& [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

struct NumericCase {
  const char* text;
  bool numeric;
  qint16 int16;  // ToInt16
};

TEST(TextFormat, IsNumericAndToInt16) {
  const NumericCase cases[] = {
      {"1", true, 1},           {" 42 ", true, 42},        {"\t7\t", true, 7},       {"+5", true, 5},
      {"-5", true, -5},         {"2.5", true, 2},          {"3.5", true, 4},         {"-2.5", true, -2},
      {".5", true, 0},          {"1.", true, 1},           {"1e2", true, 100},       {"1E+2", true, 100},
      {"32767", true, 32767},   {"32767.5", true, 0},      {"32768", true, 0},       {"-32768", true, -32768},
      {"-32768.5", true, -32768}, {"-32769", true, 0},     {"1e10", true, 0},        {"", false, 0},
      {"   ", false, 0},        {"abc", false, 0},         {"12a", false, 0},        {"1 2", false, 0},
      {".", false, 0},          {"+", false, 0},           {"-", false, 0},          {"1e", false, 0},
      {"e5", false, 0},         {"1,5", false, 0},         {"--1", false, 0},        {"٣", false, 0},
      {"0x10", false, 0},       {"1e999", false, 0},
  };
  for (const auto& c : cases) {
    const QString t = QString::fromUtf8(c.text);
    EXPECT_EQ(IsNumeric(t), c.numeric) << c.text;
    EXPECT_EQ(ToInt16(t), c.int16) << c.text;
  }
}

struct LeadingCase {
  const char* text;
  double value;
  qint16 port;  // PortNumberFromText
};

TEST(TextFormat, LeadingNumberAndPortNumber) {
  const LeadingCase cases[] = {
      {"5600", 5600, 5600},     {"5600x", 5600, 5600},   {" 5600 ", 5600, 5600}, {"56 00", 5600, 5600},
      {"", 0, 0},               {"x5600", 0, 0},         {"-", 0, 0},            {"80.5", 80.5, 80},
      {"81.5", 81.5, 82},       {"32767", 32767, 32767}, {"32768", 32768, 0},    {"65535", 65535, 0},
      {"99999", 99999, 0},      {"-1", -1, -1},          {"1e3", 1000, 1000},    {"12abc34", 12, 12},
      {"7.9.1", 7.9, 8},        {"1e", 1, 1},
  };
  for (const auto& c : cases) {
    const QString t = QString::fromUtf8(c.text);
    EXPECT_DOUBLE_EQ(LeadingNumber(t), c.value) << c.text;
    EXPECT_EQ(PortNumberFromText(t), c.port) << c.text;
  }
}

TEST(TextFormat, DecimalField) {
  const std::pair<const char*, qint64> cases[] = {
      {"0001", 1}, {"0010", 10}, {" 12", 12}, {"1 2", 12}, {"12**", 12}, {"", 0}, {"**", 0}, {"-5", 0},
      {"4294967295", 4294967295LL}, {"99999999999999999999999", 999999999999999LL}};
  for (const auto& [text, value] : cases) EXPECT_EQ(DecimalField(text), value) << text;
}

TEST(Frame, RequestBytes) {
  const std::tuple<const char*, qint16, const char*, QByteArray> cases[] = {
      {"UR", 1, "", QByteArray("%UR001**\r")},
      {"DR", 7, "061224103000", QByteArray("%DR007061224103000**\r")},
      {"EM", 255, "", QByteArray("%EM255**\r")},
      {"EM", 256, "", QByteArray("%EM256**\r")},
      {"EM", 0, "", QByteArray("%EM000**\r")},
      {"RC", -5, "", QByteArray("%RC-5**\r")},
  };
  for (const auto& [code, id, payload, bytes] : cases) EXPECT_EQ(BuildRequest(code, id, payload), bytes) << code;
  EXPECT_EQ(BuildRequest("UR", 1).size(), 9);
}

TEST(Frame, MarkerAndFields) {
  EXPECT_EQ(MarkerPosition("xx$DR001**\r"), 3);
  EXPECT_EQ(MarkerPosition("DR001"), 0);
  EXPECT_EQ(MarkerPosition(""), 0);
  EXPECT_EQ(Mid1("$RC0010001**", 7, 4), QByteArrayView("0001"));
  EXPECT_EQ(Mid1("abc", 3, 5), QByteArrayView("c"));
  EXPECT_TRUE(Mid1("abc", 4, 1).isEmpty());
  EXPECT_TRUE(Mid1("abc", 100).isEmpty());
  EXPECT_EQ(Mid1("abc", 0, 2), QByteArrayView("ab"));  // positions below 1 read from the start
  EXPECT_EQ(Mid1("abc", 2), QByteArrayView("bc"));
  EXPECT_TRUE(HasReplyCode("xx$DR001**\r", "DR"));
  EXPECT_TRUE(HasReplyCode("DR001**\r", "DR"));    // no "$": the first two characters
  EXPECT_FALSE(HasReplyCode("xDR001**\r", "DR"));
  EXPECT_FALSE(HasReplyCode("$D", "DR"));           // too short
  EXPECT_FALSE(HasReplyCode("$dr001**\r", "DR"));   // case-sensitive
}

}  // namespace
}  // namespace tessaro
