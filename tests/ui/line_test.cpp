// The whole line in the window: the bus view and the traffic monitor, through
// their controls, against a simulated line of several readers.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>

#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using sim::SimModel;
using test::WindowRig;

// A line of readers 1 (TS-30P, 3 records, its clock 100 s ahead), 2 twice, 3 (TS-40), 5 (TS-90C, no clock); 4 is silent.
struct LineRig : WindowRig {
  LineRig() {
    overPty();
    sim::SimReader& first = reader(1, SimModel::TS30P);
    first.clockOffsetSeconds = 100;
    sim::ReaderSim::generateRecords(first, 3, now);
    sim.addReader(2, SimModel::TS40).settings.relayTime = 4;
    sim.addSecondReader(2, SimModel::TS40).settings.relayTime = 9;
    sim.addReader(3, SimModel::TS40).settings.runMode = 1;
    sim.addReader(5, SimModel::TS90C);
  }
  QString cell(const char* table, int row, int column) {
    auto* t = window->findChild<QTableWidget*>(QLatin1String(table));
    return t->item(row, column) ? t->item(row, column)->text() : QString();
  }
  QTableWidget* bus() { return window->findChild<QTableWidget*>("tblBus"); }
};

TEST(BusView, ScanActionsRetryAndExport) {
  LineRig rig;
  rig.click("cmdBusView");
  rig.set("txtBusTo", "5");
  rig.click("cmdBusScan");
  auto* progress = rig.w<QProgressBar>("prgBus");
  EXPECT_EQ(progress->maximum(), 6);  // addresses 0 to 5
  EXPECT_FALSE(rig.bus()->wordWrap());  // a long result stays on its one line; the row's height holds no second
  ASSERT_EQ(rig.bus()->rowCount(), 4);
  QStringList rows;
  for (int r = 0; r < 4; ++r) {
    QStringList cells;
    for (int c : {0, 2, 3, 4, 5, 6, 7}) cells << rig.cell("tblBus", r, c);
    rows << cells.join(u'|');
  }
  // The TS-90C has no clock and no records: it is not asked for them.
  EXPECT_EQ(rows, QStringList({"1|Stand-Alone|1|Giriş|100|3|Tamam", "2||||||Çakışma", "3|Online|1|Giriş|0|0|Tamam",
                               "5|Stand-Alone|1|Giriş|||Tamam"}));
  EXPECT_EQ(rig.bus()->item(1, 0)->toolTip(), text::kBusCollisionTip);
  EXPECT_EQ(rig.cell("tblBus", 2, 1), "TS-30/40/20B/90");
  EXPECT_TRUE(rig.bus()->item(2, 1)->toolTip().contains("TS-40, TS-40B"));
  // Clocks and records of readers 1, 3 and 5: the TS-90C is told why not; reader 1, silent once, fails, then
  // its retry succeeds.
  rig.bus()->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const int row : {0, 2, 3}) rig.bus()->selectRow(row);
  rig.sim.clearRequests();
  rig.sim.setFault("UR", sim::Fault{.kind = sim::FaultKind::Silence, .once = true});
  rig.click("cmdBusClock");
  EXPECT_EQ(rig.cell("tblBus", 0, 7) + "|" + rig.cell("tblBus", 3, 7), text::kBusTimedOut + "|" + text::BusNotOnModel("TS-30P"));
  rig.click("cmdBusRetry");
  EXPECT_EQ(rig.cell("tblBus", 0, 7), text::kBusDone);
  for (const QByteArray& r : rig.sim.requests()) EXPECT_FALSE(r.startsWith("%UR005") || r.startsWith("%DR005")) << r.constData();
  EXPECT_EQ(rig.sim.reader(1)->clockOffsetSeconds, 0);
  EXPECT_EQ(rig.cell("tblBus", 0, 5), "0");
  rig.sim.reader(3)->settings.relayTime = 6;
  rig.click("cmdBusSettings");
  rig.sim.reader(3)->settings.relayTime = 8;
  rig.click("cmdBusRetry");  // nothing failed: nothing is read again
  EXPECT_EQ(rig.cell("tblBus", 2, 3), "6");
  rig.click("cmdBusRecords");
  EXPECT_EQ(rig.cell("tblBus", 0, 7), text::kBusRecords.arg(3));
  EXPECT_EQ(rig.cell("tblBus", 2, 7), text::kBusNoRecords);
  EXPECT_TRUE(rig.sim.reader(1)->records.empty());
  EXPECT_TRUE(test::ReadFile(rig.logPath()).startsWith("001,"));
  QStringList bar;  // where the bar stands at each request: the rows done so far, of all; no wait cursor hides "İptal"
  const auto watch = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] {
    bar << QStringLiteral("%1/%2%3").arg(progress->value()).arg(progress->maximum()).arg(QApplication::overrideCursor() ? " wait" : ""); });
  rig.click("cmdBusCounts");
  QObject::disconnect(watch);
  EXPECT_EQ(bar, QStringList({"0/3", "1/3"}));
  // "İptal" during the first reader's exchange: that one ends, the others are not asked.
  const auto cancel = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { rig.click("cmdBusCancel"); });
  rig.click("cmdBusCounts");
  QObject::disconnect(cancel);
  EXPECT_EQ(QStringList({rig.cell("tblBus", 0, 7), rig.cell("tblBus", 2, 7), rig.cell("tblBus", 3, 7)}),
            QStringList({text::kBusDone, text::kBusStopped, text::kBusStopped}));
  // Card list of the main window, to reader 3 only.
  rig.set("txtCardID", "77");
  rig.click("cmdAdd");
  rig.bus()->clearSelection();
  rig.bus()->selectRow(2);
  rig.click("cmdBusCards");
  EXPECT_EQ(rig.sim.reader(3)->cards, std::vector<quint32>{77});
  emit rig.bus()->cellDoubleClicked(2, 0);
  EXPECT_EQ(rig.text("txtOldID"), "3");
  rig.prompts.files = {{false, rig.folder.filePath("line.csv"), {}}};
  rig.click("cmdBusExport");
  EXPECT_EQ(test::ReadFile(rig.folder.filePath("line.csv")).split('\n').value(3), "3,TS-30/40/20B/90,Online,6,Giriş,0,0,1 kart gönderildi");
  // A file that cannot be written is reported; a cancelled dialog says nothing.
  rig.prompts.take();
  rig.prompts.files = {{false, rig.folder.filePath("missing/line.csv"), {}}, {true, {}, {}}};
  rig.click("cmdBusExport");
  rig.click("cmdBusExport");
  EXPECT_EQ(rig.prompts.take(), QStringList({"[dialog] " + text::caption::cmdBusExport, text::kFileNotWritten,
                                             "[dialog] " + text::caption::cmdBusExport}));
}

// The line as a file: saved from the bus view, compared after two readers changed, applied once, then found alike.
TEST(BusView, LineFileSavedComparedAndApplied) {
  LineRig rig;
  rig.sim.reader(3)->cards = {30, 31};
  // The reply tells the family; the window's model names the member it is read as.
  rig.click("opsDevice_3");
  rig.click("cmdBusView");
  const QList<QPushButton*> buttons = rig.w("frmBus")->findChildren<QPushButton*>();  // laid out: none over another
  for (QPushButton* a : buttons)
    for (QPushButton* b : buttons) EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry())) << a->objectName().toStdString();
  rig.set("txtBusTo", "5");
  rig.click("cmdBusScan");
  const QString file = rig.folder.filePath("line.json");
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusSaveLine");
  EXPECT_EQ(rig.cell("tblBus", 0, 7) + "|" + rig.cell("tblBus", 1, 7), text::kBusSaved + "|" + text::kBusCollision);  // the latter left out
  const QByteArray bytes = test::ReadFile(file);
  EXPECT_TRUE(bytes.contains("\"address\": 3") && bytes.contains("\"address\": 5") && !bytes.contains("\"address\": 2"));
  // Reader 3 gets a relay time and a card it should not have.
  rig.sim.reader(3)->settings.relayTime = 9;
  rig.sim.reader(3)->cards.push_back(99);
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusCompare");
  EXPECT_EQ(rig.cell("tblBus", 0, 7), text::kBusAsInFile);
  EXPECT_EQ(rig.cell("tblBus", 2, 7), text::BusSettingsDiffer("relay_time") + "; " + text::BusCardsToReplace(2));
  EXPECT_EQ(rig.bus()->item(2, 7)->toolTip(), "relay_time: 9 → 1\n- 99");
  EXPECT_EQ(rig.cell("tblBus", 1, 7), text::kBusNotInFile);
  rig.click("cmdBusRetry");  // a reader the file does not hold is no failure to retry
  EXPECT_EQ(rig.cell("tblBus", 1, 7), text::kBusNotInFile);
  rig.prompts.files = {{false, file, {}}, {false, file, {}}};
  rig.click("cmdBusApply");  // refused: nothing is written, and the view takes the next action
  EXPECT_TRUE(rig.w("cmdBusApply")->isEnabled() && rig.sim.reader(3)->settings.relayTime == 9);
  rig.prompts.take();
  rig.prompts.answers = {true};
  rig.sim.clearRequests();
  rig.click("cmdBusApply");
  const QStringList shown = rig.prompts.take();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[1], "?" + text::BusApplyQuestion(text::BusPlanLine(
                                 3, text::BusSettingsDiffer("relay_time") + "; " + text::BusCardsToReplace(2))));
  EXPECT_EQ(rig.cell("tblBus", 2, 7), text::kBusApplied);
  EXPECT_EQ(rig.sim.reader(3)->settings.relayTime, 1);
  EXPECT_EQ(rig.sim.reader(3)->cards, std::vector<quint32>({30, 31}));
  // Applied again, there is nothing to write.
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusApply");
  EXPECT_EQ(rig.prompts.take().last(), text::kBusNothingToApply);
  // A file that is not a line file is refused with its name, its entry and its field.
  rig.prompts.files = {{false, test::WriteFile(rig.folder.filePath("bad.json"), R"({"format": 1, "readers": [{"address": 3, "model": "TS-50"}]})"), {}}};
  rig.click("cmdBusCompare");
  EXPECT_EQ(rig.prompts.take().last(), text::BadLineFile("bad.json", 3, "model"));
}

TEST(TrafficWindow, MarksFiltersAndExports) {
  LineRig rig;
  rig.click("cmdTraffic");
  EXPECT_EQ(rig.w("frmTraffic")->windowTitle(), text::caption::frmTraffic);
  rig.sim.setFault("UR", sim::Fault{.kind = sim::FaultKind::WrongCode, .once = true});
  auto* table = rig.window->findChild<QTableView*>("tblTraffic");
  QAbstractItemModelTester contract(table->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(table->model()->parent(), rig.w("frmTraffic"));  // and goes with it
  QSignalSpy marked(table->model(), &QAbstractItemModel::dataChanged);  // a reply found bad after it was shown
  for (const char* id : {"1", "4", "3"}) {  // reader 4 is sent the clock: digits follow its address
    rig.set("txtOldID", id);
    *id == '4' ? rig.click("cmdSendRTC", {true}) : rig.click("cmdReceiveRTC");
  }
  EXPECT_GT(marked.count(), 0);
  EXPECT_EQ(table->model()->columnCount(table->model()->index(0, 0)), 0);  // a flat table: no row holds others
  auto column = [&](int c) {
    QStringList out;
    for (int r = 0; r < table->model()->rowCount(); ++r) out << table->model()->index(r, c).data().toString();
    return out;
  };
  EXPECT_EQ(column(1), QStringList({"TX", "RX", "TX", "", "TX", "RX"}));
  EXPECT_EQ(column(2), QStringList({"1", "1", "4", "4", "3", "3"}));
  EXPECT_EQ(column(7), QStringList({"", text::kTrafficFailed, "", text::kTrafficTimedOut, "", ""}));
  rig.click("chkTrafficErrors");
  EXPECT_EQ(column(2), QStringList({"1", "4"}));
  rig.click("chkTrafficErrors");
  rig.set("txtTrafficAddress", "3");
  EXPECT_EQ(column(5).at(0), "25 55 52 30 30 33 2A 2A 0D");
  rig.prompts.files = {{false, rig.folder.filePath("traffic.txt"), {}}};
  rig.click("cmdTrafficText");
  EXPECT_TRUE(test::ReadFile(rig.folder.filePath("traffic.txt")).endsWith(" RX 24 55 52 30 30 33 30 35 30 31 32 35 30 39 30 33 30 37 30 31 2A 2A 0D |$UR00305012509030701**.|\n"));
  // Closed, it records nothing.
  rig.w("frmTraffic")->close();
  rig.click("cmdReceiveRTC");
  rig.set("txtTrafficAddress", "");
  EXPECT_EQ(table->model()->rowCount(), 6);
}

}  // namespace
}  // namespace tessaro
