// The whole line in the window: the bus view and the traffic monitor, through
// their controls, against a simulated line of several readers.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using sim::SimModel;
using test::WindowRig;

// A line of readers 1 (TS-30P, 3 records, its clock 100 s ahead), 2 twice, 3 (TS-40), 5 (TS-90C, no clock); 4 is
// silent. Distinct master cards, and the window left at its TS-20B, which reads a master card one place early.
struct LineRig : WindowRig {
  LineRig() {
    overPty();
    sim::SimReader& first = sim.addReader(1, SimModel::TS30P);
    first.clockOffsetSeconds = 100, first.settings.masterCard = 111;
    sim::ReaderSim::generateRecords(first, 3, now);
    sim.addReader(2, SimModel::TS40).settings.relayTime = 4;
    sim.addSecondReader(2, SimModel::TS40).settings.relayTime = 9;
    sim::SimReader& third = sim.addReader(3, SimModel::TS40);
    third.settings.runMode = 1, third.settings.masterCard = 222;
    sim.addReader(5, SimModel::TS90C).settings.masterCard = 333;
  }
  QTableView* bus() { return window->findChild<QTableView*>("tblBus"); }
  QString cell(int row, int column) { return bus()->model()->index(row, column).data().toString(); }
  QString row(int r) {
    QStringList cells;
    for (int c = 0; c < bus()->model()->columnCount(); ++c) cells << cell(r, c);
    return cells.join(u'|');
  }
  // The model of one row chosen in its cell, as the user does: the cell's editor, an entry picked.
  void choose(int r, const QString& entry) {
    emit bus()->clicked(bus()->model()->index(r, 1));  // one click opens it
    QComboBox* box = nullptr;  // the open editor, not one closed before
    for (QComboBox* b : bus()->findChildren<QComboBox*>("cmbBusModel")) box = b->isVisible() ? b : box;
    ASSERT_TRUE(box);
    const int i = box->findText(entry);
    ASSERT_GE(i, 0) << entry.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
  }
  void select(std::initializer_list<int> rows) {
    bus()->clearSelection();
    bus()->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const int r : rows) bus()->selectRow(r);
  }
};

TEST(BusView, ScanActionsRetryAndExport) {
  LineRig rig;
  rig.click("cmdBusView");
  rig.set("txtBusTo", "5");
  rig.click("cmdBusScan");
  auto* progress = rig.w<QProgressBar>("prgBus");
  EXPECT_EQ(progress->maximum(), 6);  // addresses 0 to 5
  EXPECT_FALSE(rig.bus()->wordWrap());  // a long result stays on its one line; the row's height holds no second
  ASSERT_EQ(rig.bus()->model()->rowCount(), 4);
  // The reply tells a family: what its models read apart is "?", and no clock is asked of a reader not known to have one.
  EXPECT_EQ(QStringList({rig.row(0), rig.row(1), rig.row(2), rig.row(3)}),
            QStringList({"1|TS-30/40/20B/90|Stand-Alone|1|Giriş|?|||Tamam", "2||||||||Çakışma",
                         "3|TS-30/40/20B/90|Online|1|Giriş|?|||Tamam", "5|TS-90C|Stand-Alone|1|Giriş|333|||Tamam"}));
  EXPECT_EQ(rig.bus()->model()->index(1, 0).data(Qt::ToolTipRole).toString(), text::kBusCollisionTip);
  EXPECT_TRUE(rig.bus()->model()->index(2, 1).data(Qt::ToolTipRole).toString().contains("TS-40, TS-40B"));
  rig.select({0, 2, 3});
  rig.click("cmdBusClock");
  const QString family = "TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90";
  EXPECT_EQ(QStringList({rig.cell(0, 8), rig.cell(3, 8)}), QStringList({text::BusModelUnknown(family), text::BusNotOnModel("TS-30P")}));
  // TS-30P for the whole family, kept by the next scan, which then asks its clock and records; then each row its own.
  rig.choose(0, text::BusModelForFamily("TS-30P", "TS-30/40/20B/90")), rig.click("cmdBusScan");
  EXPECT_EQ(rig.row(0), "1|TS-30P|Stand-Alone|1|Giriş|111|100|3|Tamam");
  rig.select({0}), rig.set("txtBusDrift", "86401"), rig.click("cmdBusClock"), rig.set("txtBusDrift", "2");
  EXPECT_EQ(rig.prompts.take().last(), text::kBusBadDrift);
  rig.bus()->model()->setData(rig.bus()->model()->index(2, 1), "TS-40");
  EXPECT_EQ(rig.cell(0, 1) + "|" + rig.cell(0, 5) + "|" + rig.cell(2, 1) + "|" + rig.cell(2, 5), "TS-30P|111|TS-40|222");
  // Clocks of readers 1, 3 and 5: reader 1, silent once, fails, then its retry succeeds.
  rig.select({0, 2, 3});
  rig.sim.clearRequests();
  rig.sim.setFault("UR", sim::Fault{.kind = sim::FaultKind::Silence, .once = true});
  rig.click("cmdBusClock");
  EXPECT_EQ(rig.cell(0, 8) + "|" + rig.cell(2, 8), text::kBusTimedOut + "|" + text::BusNotOnModel("TS-30P"));
  rig.click("cmdBusRetry");
  EXPECT_EQ(rig.cell(0, 8), text::kBusDone);
  for (const QByteArray& r : rig.sim.requests()) EXPECT_TRUE(r.startsWith("%UR001") || r.startsWith("%DR001")) << r.constData();
  EXPECT_EQ(rig.sim.reader(1)->clockOffsetSeconds, 0);
  EXPECT_EQ(rig.cell(0, 6), "0");
  // A clock set whose check read never comes leaves its drift unknown.
  rig.sim.reader(1)->clockOffsetSeconds = 50;
  const auto unread = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& q) {
    if (q.startsWith("%DR")) rig.sim.setFault("UR", sim::Fault{.kind = sim::FaultKind::Silence, .once = true});
  });
  rig.click("cmdBusClock");
  QObject::disconnect(unread);
  EXPECT_EQ(rig.cell(0, 6) + "|" + rig.cell(0, 8), "?|" + text::kBusTimedOut);
  rig.sim.reader(3)->settings.relayTime = 6;
  rig.click("cmdBusSettings");
  rig.sim.reader(3)->settings.relayTime = 8;
  rig.click("cmdBusRetry");  // nothing failed: nothing is read again
  EXPECT_EQ(rig.cell(2, 3), "6");
  rig.select({0});
  rig.click("cmdBusRecords");
  EXPECT_EQ(rig.cell(0, 8), text::kBusRecords.arg(3));
  EXPECT_EQ(rig.cell(0, 7), "0");  // erased after the download
  EXPECT_TRUE(rig.sim.reader(1)->records.empty());
  EXPECT_TRUE(test::ReadFile(rig.logPath()).startsWith("001,"));
  rig.choose(2, "TS-30P");  // so that two rows take counts
  rig.select({0, 2});
  QStringList bar;  // where the bar stands at each request: the rows done so far, of all; no wait cursor hides "İptal"
  const auto watch = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] {
    bar << QStringLiteral("%1/%2%3").arg(progress->value()).arg(progress->maximum()).arg(QApplication::overrideCursor() ? " wait" : ""); });
  rig.click("cmdBusCounts");
  QObject::disconnect(watch);
  EXPECT_EQ(bar, QStringList({"0/2", "1/2"}));
  // "İptal" during the first reader's exchange: that one ends, the other is not asked.
  const auto cancel = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { rig.click("cmdBusCancel"); });
  rig.click("cmdBusCounts");
  QObject::disconnect(cancel);
  EXPECT_EQ(rig.cell(0, 8) + "|" + rig.cell(2, 8), text::kBusDone + "|" + text::kBusStopped);
  // Card list of the main window, to reader 3 only.
  rig.set("txtCardID", "77");
  rig.click("cmdAdd");
  rig.select({2});
  rig.click("cmdBusCards");
  EXPECT_EQ(rig.sim.reader(3)->cards, std::vector<quint32>{77});
  emit rig.bus()->doubleClicked(rig.bus()->model()->index(2, 0));
  EXPECT_EQ(rig.text("txtOldID"), "3");
  rig.prompts.files = {{false, rig.folder.filePath("line.csv"), {}}};
  rig.click("cmdBusExport");
  const QList<QByteArray> csv = test::ReadFile(rig.folder.filePath("line.csv")).split('\n');
  EXPECT_EQ(csv.value(0), "Adres,Model,Çalışma Modu,Röle Süresi,Kayıt Tipi,Master Kart,Saat Farkı (sn),Kayıt Sayısı,Sonuç");
  EXPECT_EQ(csv.value(3), "3,TS-30P,Online,6,Giriş,222,0,0,1 kart gönderildi");
  // A file that cannot be written is reported; a cancelled dialog says nothing.
  rig.prompts.take();
  rig.prompts.files = {{false, rig.folder.filePath("missing/line.csv"), {}}, {true, {}, {}}};
  rig.click("cmdBusExport");
  rig.click("cmdBusExport");
  EXPECT_EQ(rig.prompts.take(), QStringList({"[dialog] " + text::caption::cmdBusExport, text::kFileNotWritten,
                                             "[dialog] " + text::caption::cmdBusExport}));
}

// The line as a file: saved from the bus view, compared after a reader changed, applied once, then found alike.
TEST(BusView, LineFileSavedComparedAndApplied) {
  LineRig rig;
  rig.sim.reader(3)->cards = {30, 31};
  rig.click("cmdBusView");
  const QList<QPushButton*> buttons = rig.w("frmBus")->findChildren<QPushButton*>();  // laid out: none over another
  for (QPushButton* a : buttons)
    for (QPushButton* b : buttons) EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry())) << a->objectName().toStdString();
  rig.set("txtBusTo", "5");
  rig.click("cmdBusScan");
  // Saved while only the family is known: no master card, no cards, the family as the model.
  const QString file = rig.folder.filePath("line.json");
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusSaveLine");
  EXPECT_EQ(rig.cell(0, 8) + "|" + rig.cell(1, 8), text::kBusSaved + "|" + text::kBusCollision);  // the latter left out
  QByteArray bytes = test::ReadFile(file);
  const QJsonArray saved = QJsonDocument::fromJson(bytes)["readers"].toArray();
  ASSERT_EQ(saved.size(), 3);  // readers 1, 3, 5
  EXPECT_TRUE(saved[1]["model"].toArray().size() == 6 && saved[1]["relay_time"] == 1 && saved[2]["master_card"] == "333");
  EXPECT_FALSE(saved[1].toObject().contains("master_card") || saved[1].toObject().contains("cards"));
  // Such a file is applied to no reader: the rows say why.
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusCompare");
  EXPECT_EQ(rig.cell(2, 8), text::BusModelUnknown("TS-30H, TS-30P, TS-40, TS-40B, TS-20B, TS-90"));
  // TS-40 for every row of the family, kept for the next scan; then saved again.
  rig.choose(2, text::BusModelForFamily("TS-40", "TS-30/40/20B/90")), rig.click("cmdBusScan");
  EXPECT_EQ(rig.cell(0, 1) + "|" + rig.cell(2, 1), "TS-40|TS-40");
  rig.choose(0, "TS-30P");
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusSaveLine");
  bytes = test::ReadFile(file);
  EXPECT_TRUE(bytes.contains("\"master_card\": \"222\"") && bytes.contains("\"master_card\": \"111\"") && bytes.contains("\"cards\""));
  // Reader 3 gets a relay time and a card it should not have.
  rig.sim.reader(3)->settings.relayTime = 9, rig.sim.reader(3)->cards.push_back(99);
  rig.prompts.files = {{false, file, {}}};
  rig.click("cmdBusCompare");
  EXPECT_EQ(rig.cell(0, 8), text::kBusAsInFile);
  EXPECT_EQ(rig.cell(2, 8), text::BusSettingsDiffer("relay_time") + "; " + text::BusCardsToReplace(2));
  EXPECT_EQ(rig.bus()->model()->index(2, 8).data(Qt::ToolTipRole).toString(), "relay_time: 9 → 1\n- 99");
  EXPECT_EQ(rig.cell(1, 8), text::kBusNotInFile);
  rig.click("cmdBusRetry");  // a reader the file does not hold is no failure to retry
  EXPECT_EQ(rig.cell(1, 8), text::kBusNotInFile);
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
  EXPECT_EQ(rig.cell(2, 8), text::kBusApplied);
  EXPECT_EQ(std::make_tuple(rig.sim.reader(3)->settings.relayTime, rig.sim.reader(3)->settings.masterCard), std::make_tuple(1, 222u));
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
  rig.click("opsDevice_2");  // the TS-30P's clock
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
