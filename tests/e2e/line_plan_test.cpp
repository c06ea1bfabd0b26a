// A line of simulated readers against its file: what the plan finds for each
// kind of difference, what applying writes, and that a second apply writes nothing.

#include <gtest/gtest.h>

#include "devicelinks.h"
#include "line.h"
#include "support/windowrig.h"

namespace tessaro {
namespace {

using sim::SimModel;

struct LineSim {
  LineSim() {
    if (!sim.listenTcp()) std::abort();
    link = links.open({.tcp = true, .host = "127.0.0.1", .tcpPort = sim.tcpPort()});
    if (!link) std::abort();
  }
  ExchangeEnv env() { return links.env(*link); }
  // The write commands the readers received since the last look.
  QStringList writes() {
    QStringList out;
    for (const QByteArray& r : sim.requests())
      if (r.startsWith("%DS") || r.startsWith("%NC") || r.startsWith("%EC")) out << QString::fromLatin1(r.left(6));
    sim.clearRequests();
    return out;
  }
  test::FakeClock clock;
  test::FastPump pump{clock};
  sim::ReaderSim sim;
  DeviceLinks links{pump, clock};
  Link* link = nullptr;
};

LineEntry Entry(int address, DeviceModel model, QJsonObject settings, std::optional<std::vector<quint32>> cards) {
  LineEntry e;
  e.address = address;
  e.model = model;
  e.settings = std::move(settings);
  e.cards = std::move(cards);
  return e;
}

QString Changes(const ReaderPlan& p) {
  QStringList out;
  for (const SettingChange& c : p.settings)
    out << c.field + ":" + c.now.toVariant().toString() + ">" + c.wanted.toVariant().toString();
  return out.join(u' ');
}

// Reader 1 (TS-40): relay 3, cards 10, 20. Each row: the entry, what the plan finds, what applying writes.
TEST(LinePlan, EachKindOfDifference) {
  using C = CardsPlan;
  const struct { QJsonObject settings; std::optional<std::vector<quint32>> cards; SimModel model; DeviceModel as;
                 bool sendUnreadable; const char* changes; C cards_; std::vector<quint32> add, remove; QStringList writes; } rows[] = {
      {{{"relay_time", 3}}, std::vector<quint32>{10, 20}, SimModel::TS40, DeviceModel::TS40, false, "", C::Same, {}, {}, {}},
      {{{"relay_time", 7}, {"run_mode", "online"}}, std::nullopt, SimModel::TS40, DeviceModel::TS40, false, "relay_time:3>7 run_mode:stand-alone>online",
       C::NotManaged, {}, {}, {"%DS001"}},
      {{}, std::vector<quint32>{10, 20, 30}, SimModel::TS40, DeviceModel::TS40, false, "", C::Add, {30}, {}, {"%NC001"}},
      {{}, std::vector<quint32>{20}, SimModel::TS40, DeviceModel::TS40, false, "", C::Replace, {20}, {10}, {"%EC001", "%NC001"}},
      {{}, std::vector<quint32>{20}, SimModel::TS30P, DeviceModel::TS30P, false, "", C::Unknown, {}, {}, {}},
      {{}, std::vector<quint32>{20}, SimModel::TS30P, DeviceModel::TS30P, true, "", C::SendWhole, {20}, {}, {"%EC001", "%NC001"}}};
  int row = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "row " << row++);
    LineSim line;
    sim::SimReader& reader = line.sim.addReader(1, r.model);
    reader.settings.relayTime = 3;
    reader.settings.runMode = 0;
    reader.cards = {10, 20};
    const LineEntry entry = Entry(1, r.as, r.settings, r.cards);
    ExchangeEnv env = line.env();
    const ReaderPlan plan = PlanReader(env, entry, 1, r.sendUnreadable);
    EXPECT_EQ(Changes(plan), QLatin1String(r.changes));
    EXPECT_EQ(plan.cards, r.cards_);
    EXPECT_EQ(plan.add, r.add);
    EXPECT_EQ(plan.remove, r.remove);
    EXPECT_EQ(line.writes(), QStringList());  // a plan writes nothing
    const ReaderApply applied = ApplyReader(env, entry, plan);
    EXPECT_TRUE(applied.ok()) << static_cast<int>(applied.why);
    QStringList distinct = line.writes();
    distinct.removeDuplicates();
    EXPECT_EQ(distinct, r.writes);
    // Applied once, nothing is left to do.
    EXPECT_TRUE(PlanReader(env, entry, 1, false).nothingToDo());
    if (r.cards && r.cards_ != C::Unknown) { EXPECT_EQ(reader.cards, std::vector<quint32>(r.cards->begin(), r.cards->end())); }
  }
}

}  // namespace
}  // namespace tessaro
