// The program against the simulated reader in real time, over TCP and over a
// pseudo-terminal behind the faults of a USB adapter.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>

#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;

// Between reader and PC a USB adapter delivers in bursts or late, and a slow reader's last characters
// reach the next exchange: cards go once each without a retry, and records are logged whole.
TEST(EndToEnd, ThroughAUsbAdapter) {
  const struct { bool tcp; sim::FaultKind kind; int arg, pauseMs; bool records; } rows[] = {
      {true, sim::FaultKind::StaleTail, 3, 20, false}, {false, sim::FaultKind::StaleTail, 3, 20, false},
      {false, sim::FaultKind::Bursts, 16, 0, true}, {false, sim::FaultKind::DelayTail, 3, 40, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.kind));
    WindowRig rig(WindowRig::Timing::Real);
    r.tcp ? rig.overTcp() : rig.overPty();
    if (!r.tcp) rig.sim.setBaud(38400);
    sim::SimReader& reader = rig.reader(1, sim::SimModel::TS30P);
    sim::ReaderSim::generateRecords(reader, 30, rig.now);
    const sim::Fault fault{.kind = r.kind, .arg = r.arg, .pauseMs = r.pauseMs};
    rig.sim.setFault("NC", fault);
    rig.sim.setFault("DD", fault);
    for (const char* card : {"11", "22", "33"}) {
      rig.set("txtCardID", card);
      rig.click("cmdAdd");
    }
    rig.prompts.answers = {true, true};
    rig.click("cmdSendAllCards");
    if (r.records) rig.click("cmdReadData");
    EXPECT_EQ(rig.prompts.take(), r.records ? QStringList({"?" + text::kSendCardsQuestion, text::kDone, "?" + text::kDownloadQuestion, "<beep>"})
                                            : QStringList({"?" + text::kSendCardsQuestion, text::kDone}));
    EXPECT_EQ(reader.cards, std::vector<quint32>({11, 22, 33}));
    EXPECT_EQ(std::count_if(rig.sim.requests().begin(), rig.sim.requests().end(), [](const QByteArray& q) { return q.startsWith("%NC"); }), 3);
    if (!r.records) continue;
    EXPECT_EQ(rig.text("lblProcess"), text::kDoneErased + "1");
    EXPECT_EQ(test::ReadFile(rig.logPath()).count("\r\n"), 30);
  }
}

}  // namespace
}  // namespace tessaro
