// The simulated reader's replies as literal bytes, written out by hand from the
// readers' reply layouts, so that neither the simulator's nor the program's
// model table can supply the expectation.

#include <gtest/gtest.h>

#include "readersim.h"

using namespace tessaro::sim;

namespace {

// Reader 123: relay 37 s, exit records, Online, master card 89ABCDEF. The
// Wiegand fields differ per row so that a swapped pair shows.
TEST(SimRepliesE2e, SettingsReplyPerModel) {
  const struct {
    SimModel model;
    int epcStartWord, wiegandType;
    const char* reply;
  } rows[] = {
      // "$US", address, relay time, record type, positions 7-10, run mode, the
      // unused positions before the master card, master card, further fields, "**" CR.
      {SimModel::TS20, 1, 1, "$US123" "37" "2" "0000" "1" "000" "89ABCDEF" "**\r"},
      {SimModel::TS30H, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS30P, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS40, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS40B, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS20B, 1, 1, "$US123" "37" "2" "0000" "1" "000" "89ABCDEF" "0" "**\r"},
      {SimModel::TS90, 1, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "**\r"},
      {SimModel::TS90B, 0, 1, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "01" "**\r"},
      {SimModel::TS90C, 1, 0, "$US123" "37" "2" "0000" "1" "0000" "89ABCDEF" "1018" "**\r"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "model " << static_cast<int>(row.model));
    ReaderSim sim;
    SimSettings& s = sim.addReader(123, row.model).settings;
    s = {37, 2, 1, 0x89ABCDEFu, row.epcStartWord, row.wiegandType, 1, 8};
    EXPECT_EQ(sim.replyFor("%US123**\r"), QByteArray(row.reply));
  }
}

// One reader through the other commands, in this order: the erases and the
// new address change what the later rows see.
TEST(SimRepliesE2e, CommandRepliesInOrder) {
  ReaderSim sim;
  sim.setNow([] { return QDateTime(QDate(2025, 1, 5), QTime(9, 3, 7)); });  // a Sunday
  SimReader& r = sim.addReader(45, SimModel::TS40B);
  r.cards = {0x0A1B2C3Du};
  r.records = {{987654321u, QDateTime(QDate(2024, 2, 29), QTime(23, 58, 7)), {}}};
  const struct {
    const char* request;
    const char* reply;
  } rows[] = {
      {"%UC045**\r", "$UC0450A1B2C3D**\r$UF045**\r"},
      {"%DD045**\r", "$DD045987654321290224235807**\r$FD045**\r"},
      {"%RC045**\r", "$RC0450002**\r"},
      {"%UR045**\r", "$UR04505012509030701**\r"},
      {"%NC045FEDCBA98**\r", "$NC045O**\r"},
      {"%NC04512345**\r", "$NC045X**\r"},
      {"%UC045**\r", "$UC0450A1B2C3D**\r$UC045FEDCBA98**\r$UF045**\r"},
      {"%EC045**\r", "$EC045**\r"},
      {"%UC045**\r", "$UF045**\r"},
      {"%EM045**\r", "$EM045**\r"},
      {"%RC045**\r", "$RC0450001**\r"},
      {"%DR04531122523595904**\r", "$DR045**\r"},
      {"%UR045**\r", "$UR04531122523595904**\r"},
      {"%DS0453110670289ABCDEF**\r", "$DS067OK**\r"},  // Read-Only, new address 67
      {"%US045**\r", ""},
      {"%US067**\r", "$US06731100002000089ABCDEF**\r"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.request);
    EXPECT_EQ(sim.replyFor(row.request), QByteArray(row.reply));
  }
}

}  // namespace
