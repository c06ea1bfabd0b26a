// The %DR and %UR routines, the clock payload and the PC clock text.

#include <gtest/gtest.h>

#include "clock/clockcommands.h"
#include "common/fakes.h"

namespace tessaro {
namespace {

using test::FakeEnv;

QDateTime At(int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s)); }

TEST(ClockPayload, FieldsAndWeekday) {
  struct Case { QDateTime time; const char* payload; };
  const Case cases[] = {
      {At(2025, 1, 5, 9, 3, 7), "05012509030701"},     // Sunday
      {At(2025, 1, 6, 0, 0, 0), "06012500000002"},     // Monday
      {At(2025, 1, 11, 23, 59, 59), "11012523595907"}, // Saturday
      {At(2026, 12, 31, 12, 30, 45), "31122612304505"},  // Thursday
      {At(2100, 2, 28, 1, 2, 3), "28020001020301"},    // Sunday; the century is dropped
      {At(2009, 10, 10, 10, 10, 10), "10100910101007"},  // Saturday
  };
  for (const Case& c : cases) EXPECT_EQ(ClockPayload(c.time), QByteArray(c.payload)) << c.payload;
}

TEST(SetClock, RequestAndOutcomes) {
  const std::pair<QByteArray, int> cases[] = {  // reply (empty: silence), status
      {"$DR001**\r", 1}, {"xx$DR001**\r", 1}, {"$EM001**\r", 0}, {"$DR001**", -1}, {"", -1}};
  for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
    for (const auto& [reply, status] : cases) {
      FakeEnv f(kind);
      if (!reply.isEmpty()) f.link.onWrite = [&](const QByteArray&) { f.link.deliverAfter(30, reply); };
      int pumpsWhenRead = -1, readsWhenRead = -1;
      ExchangeEnv env = f.env();
      EXPECT_EQ(SetClock(env, 1, [&] {
                  pumpsWhenRead = f.pump.pumps;
                  readsWhenRead = f.link.reads;
                  return At(2025, 1, 5, 9, 3, 7);
                }), status) << reply.constData();
      EXPECT_EQ(f.link.written, QByteArray("%DR00105012509030701**\r")) << reply.constData();
      // 2001 drain passes, then the time, then the request.
      EXPECT_EQ(pumpsWhenRead, 2001);
      EXPECT_EQ(readsWhenRead, 2001);
    }
  }
}

TEST(ReadClock, ShowsTheReadersTime) {
  struct Case {
    const char* name;
    QByteArray reply;  // empty: silence
    int status;
    const char* label;  // the label afterwards
  };
  const Case cases[] = {
      {"good", "$UR001" "31122509595904" "**\r", 1, "31/12/2025 09:59:59"},
      {"noise first", "ab$UR001" "05122610060901" "**\r", 1, "05/12/2026 10:06:09"},
      {"characters are not checked", "$UR001" "3x12AB09595904" "**\r", 1, "3x/12/20AB 09:59:59"},
      {"a set-clock reply of 23 characters", "$DR001" "31122509595904" "**\r", 0, "before"},
      {"short", "$UR001" "311225095959" "**\r", -1, "before"},
      {"silence", "", -1, "before"},
  };
  for (const Case& c : cases) {
    FakeEnv f(LinkKind::Tcp);
    if (!c.reply.isEmpty()) f.link.onWrite = [&](const QByteArray&) { f.link.deliverAfter(30, c.reply); };
    QString label = QStringLiteral("before");
    ExchangeEnv env = f.env();
    EXPECT_EQ(ReadClock(env, 1, &label), c.status) << c.name;
    EXPECT_EQ(label, QString::fromLatin1(c.label)) << c.name;
    EXPECT_EQ(f.link.written, QByteArray("%UR001**\r"));
  }
}

TEST(DeviceTimeText, ShortTextGivesEmptyFields) {
  EXPECT_EQ(DeviceTimeText("$UR001"), QStringLiteral("//20 ::"));
  EXPECT_EQ(DeviceTimeText("$UR0013112"), QStringLiteral("31/12/20 ::"));
}

TEST(PcClock, SeparatorsFromTheLocale) {
  const std::tuple<const char*, const char*, const char*> cases[] = {  // locale, date, time
      {"tr_TR", ".", ":"}, {"en_GB", "/", ":"}, {"en_US", "/", ":"}, {"de_DE", ".", ":"}, {"fi_FI", ".", "."},
      {"fr_CA", "-", ":"},  // "HH 'h' mm" has no usable time separator
      {"C", "/", ":"},      // "d MMM yyyy": only a blank
  };
  for (const auto& [locale, date, time] : cases) {
    const ClockSeparators s = SeparatorsOf(QLocale(QString::fromLatin1(locale)));
    EXPECT_EQ(s.date + " " + s.time, QString::fromLatin1(date) + " " + time) << locale;
  }
}

TEST(PcClock, Text) {
  EXPECT_EQ(PcClockText(At(2025, 1, 5, 9, 3, 7), {}), QStringLiteral("05/01/2025 09:03:07"));
  EXPECT_EQ(PcClockText(At(2026, 12, 31, 23, 59, 59), {QStringLiteral("."), QStringLiteral(".")}),
            QStringLiteral("31.12.2026 23.59.59"));
  EXPECT_EQ(PcClockText(At(999, 3, 4, 0, 0, 0), {}), QStringLiteral("04/03/0999 00:00:00"));
}

}  // namespace
}  // namespace tessaro
