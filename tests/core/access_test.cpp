// Who may pass, as data: each reader's wanted list from holders, groups and
// grants; CSV as spreadsheets save it; the site file checked whole.

#include <gtest/gtest.h>

#include "csvtable.h"
#include "sitefile.h"

namespace tessaro {
namespace {

const QDate kDay(2026, 6, 15);

QString Lists(const AccessData& data) {
  QStringList out;
  for (const auto& [door, list] : WantedLists(data, kDay)) {
    QStringList cards;
    for (const quint32 c : list.cards) cards << QString::number(c);
    out << QStringLiteral("%1:%2%3").arg(door).arg(cards.join(u',')).arg(list.overLimit() ? "!" : "");
  }
  return out.join(u' ');
}

// Doors 1 and 3 reached by group 10, door 2 (a TS-20: 255 cards) by group 11.
TEST(Access, WantedListOfEveryDoor) {
  AccessData data;
  data.doors = {{1, "A", 1, "Ana", DeviceModel::TS40}, {2, "A", 2, "Otopark", DeviceModel::TS20},
                {3, "B", 1, "Arka", DeviceModel::TS40B}};
  data.groups = {{10, "Personel", {1, 3}}, {11, "Otopark", {2}}};
  const QDate none;
  const struct { bool enabled; QDate from, until; std::vector<quint32> cards; std::vector<qint64> groups, grants; } holders[] = {
      {true, none, none, {101}, {10}, {}},                    // a group
      {false, none, none, {102}, {10, 11}, {2}},              // disabled
      {true, none, kDay.addDays(-1), {103}, {10}, {}},        // expired yesterday
      {true, kDay, kDay, {104}, {10}, {}},                    // valid this one day
      {true, kDay.addDays(1), none, {105}, {10}, {}},         // not yet valid
      {true, none, none, {108, 107}, {}, {2}},                // a grant, two cards
      {true, none, none, {109}, {11}, {2, 99}},               // a group and a grant of one door; an unknown door
  };
  for (const auto& h : holders)
    data.holders.push_back({0, "h", {}, h.enabled, h.from, h.until, h.cards, h.groups, h.grants});
  EXPECT_EQ(Lists(data), "1:101,104 2:107,108,109 3:101,104");
  // A card moved to a disabled holder leaves every door; moved back, it returns.
  std::swap(data.holders[0].cards, data.holders[1].cards);
  EXPECT_EQ(Lists(data), "1:102,104 2:107,108,109 3:102,104");
  data.holders[1].enabled = true;
  EXPECT_EQ(Lists(data), "1:101,102,104 2:101,107,108,109 3:101,102,104");
  // The door's model holds 255: one card more is over its limit.
  for (quint32 c = 1; c <= 251; ++c) data.holders[5].cards.push_back(1000 + c);
  EXPECT_TRUE(Lists(data).contains(",1251 3:")) << Lists(data).toStdString();
  data.holders[5].cards.push_back(2000);
  EXPECT_TRUE(Lists(data).contains(",2000! 3:")) << Lists(data).toStdString();
}

TEST(Access, CsvAsSpreadsheetsSaveIt) {
  const struct { QByteArray bytes; const char* read; } rows[] = {
      {"\xEF\xBB\xBFname;cards\r\n\"Kaya; Ali\";\"1 2\"\r\n", "1:name|cards 2:Kaya; Ali|1 2"},
      {"a,b\n\n ,  \n\"x \"\"y\"\"\nz\",  c  \n", "1:a|b 4:x \"y\"\nz|c"},
      {"a;\"b,c\";d\r", "1:a|b,c|d"},
      {"a,b\r\n\"c\nd\",e\r\nf,\xC3\x28\r\n", "4"},
  };
  for (const auto& r : rows) {
    const CsvTable t = ReadCsv(r.bytes);
    QStringList read;
    for (const CsvRecord& rec : t.records) read << QString::number(rec.line) + u':' + rec.fields.join(u'|');
    EXPECT_EQ(t.utf8 ? read.join(u' ') : QString::number(t.badLine), QString::fromUtf8(r.read)) << r.bytes.constData();
  }
  EXPECT_EQ(CsvLine({"Kaya; Ali", "a \"b\"", "c,d"}, u';'), "\"Kaya; Ali\";\"a \"\"b\"\"\";c,d\r\n");
}

TEST(Access, SiteFileCheckedWhole) {
  const QByteArray good = R"({"format": 1, "lines": [{"name": "A", "link": "serial /dev/ttyUSB0 9600 none"}],
      "doors": [{"line": "A", "address": 255, "name": "Ana Giriş", "model": "ts-40"}],
      "groups": [{"name": "Personel", "doors": ["Ana Giriş", "A:255"]}]})";
  const auto site = ParseSiteFile(good);
  ASSERT_TRUE(std::holds_alternative<SiteFile>(site));
  EXPECT_EQ(std::get<SiteFile>(site).doors.at(0).model, DeviceModel::TS40);
  using K = SiteProblem::Kind;
  const struct { const char* json; K kind; const char* where; } bad[] = {
      {R"({"format": 2})", K::UnknownFormat, "-1 format 2"},
      {R"({"format": 1, "lines": [{"name": "A", "link": "tcp h"}, {"name": "B", "link": " tcp  h"}]})", K::LinkTwice, "lines 1 link  tcp  h"},
      {R"({"format": 1, "lines": [{"name": "A,B", "link": "tcp h"}]})", K::BadName, "lines 0 name A,B"},
      {R"({"format": 1, "lines": [{"name": "A", "link": "serial /dev/x 4800"}]})", K::BadLink, "lines 0 link serial /dev/x 4800"},
      {R"({"format": 1, "doors": [{"line": "A", "address": 256, "name": "x", "model": "TS-40"}]})", K::BadAddress, "doors 0 address 256"},
      {R"({"format": 1, "doors": [{"line": "A", "address": 1, "name": "x", "model": "TS-30/40/20B/90"}]})", K::NotOneModel, "doors 0 model TS-30/40/20B/90"},
      {R"({"format": 1, "doors": [{"line": "A", "address": 1, "name": "x", "model": "TS-40", "relay": 1}]})", K::UnknownField, "doors 0 relay"},
      {R"({"format": 1, "doors": [{"line": "A", "address": 1, "name": "x", "model": "TS-40"},
           {"line": "A", "address": 1, "name": "y", "model": "TS-40"}]})", K::Twice, "doors 1 address A:1"},
  };
  for (const auto& r : bad) {
    const auto parsed = ParseSiteFile(r.json);
    ASSERT_TRUE(std::holds_alternative<SiteProblem>(parsed)) << r.json;
    const SiteProblem& p = std::get<SiteProblem>(parsed);
    EXPECT_EQ(p.kind, r.kind) << r.json;
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(p.part).arg(p.index).arg(p.field, p.value).trimmed(), QString::fromUtf8(r.where)) << r.json;
  }
  const struct { const char* text; bool tcp; const char* device; int port, baud; } links[] = {
      {"tcp 10.0.0.20", true, "10.0.0.20", 5600, 38400}, {"tcp 10.0.0.20:65535", true, "10.0.0.20", 65535, 38400},
      {"serial /dev/ttyUSB1", false, "/dev/ttyUSB1", 5600, 38400}, {"serial /dev/ttyUSB1 1200 even", false, "/dev/ttyUSB1", 5600, 1200}};
  for (const auto& l : links) {
    const std::optional<LineLink> link = ParseLinkText(l.text);
    ASSERT_TRUE(link) << l.text;
    EXPECT_EQ(link->settings.tcp ? link->settings.host : link->device, l.device);
    EXPECT_EQ(std::make_tuple(link->settings.tcp, int(link->settings.tcpPort), link->settings.serialLine.baud), std::make_tuple(l.tcp, l.port, l.baud));
  }
  for (const char* bad : {"tcp 10.0.0.20:0", "tcp :5600", "tcp h:65536", "udp h", "serial", "serial /dev/x 38400 mark"})
    EXPECT_FALSE(ParseLinkText(bad)) << bad;
}

}  // namespace
}  // namespace tessaro
