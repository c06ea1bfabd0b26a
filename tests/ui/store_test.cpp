// The window and the passage store: downloads kept once, a store that cannot
// be had or refuses, and the record viewer through its named controls.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>

#include "recordquery.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;
using sim::SimModel;

TEST(RecordsPanel, DownloadsKeptInTheStore) {
  WindowRig rig;
  rig.overTcp();
  sim::ReaderSim::generateRecords(rig.reader(7, SimModel::TS30P), 3, rig.now);
  rig.set("txtOldID", "7");
  rig.w<QCheckBox>("chkClearRAM")->setChecked(false);
  rig.click("cmdReadData", {true});
  EXPECT_EQ(rig.text("lblProcess"), text::kDoneKept);
  RecordStore* store = rig.window->session().store();
  ASSERT_TRUE(store);
  EXPECT_EQ(store->address().file, rig.folder.filePath("data/records.sqlite"));
  const std::vector<Passage> page = PassagePage(*store, {}, nullptr, 10).value();
  ASSERT_EQ(page.size(), 3u);
  EXPECT_EQ(page[0].line, QStringLiteral("127.0.0.1:%1").arg(rig.sim.tcpPort()));
  // A store that refuses: the reader keeps its records; the next download opens it anew.
  rig.w<QCheckBox>("chkClearRAM")->setChecked(true);
  ASSERT_TRUE(QSqlQuery(store->db()).exec("PRAGMA query_only = 1"));
  rig.click("cmdReadData", {true, true});
  EXPECT_EQ(rig.text("lblProcess"), text::kStoreFailed + "7");
  EXPECT_EQ(rig.sim.reader(7)->records.size(), 3u);
  rig.click("cmdReadData");
  EXPECT_EQ(rig.text("lblProcess"), text::kDoneErased + "7");
  EXPECT_TRUE(rig.sim.reader(7)->records.empty());
  EXPECT_EQ(test::ReadFile(rig.logPath()).count("\r\n"), 3);
  // So does the bus view.
  sim::ReaderSim::generateRecords(*rig.sim.reader(7), 2, rig.now);
  ASSERT_TRUE(QSqlQuery(rig.window->session().store()->db()).exec("PRAGMA query_only = 1"));
  rig.pickOnBus(7);
  rig.click("cmdBusRecords");
  EXPECT_EQ(rig.sim.reader(7)->records.size(), 2u);
  rig.click("cmdBusRecords");
  EXPECT_TRUE(rig.sim.reader(7)->records.empty());
}

// A store that cannot be had: the user is told what and where, and the reader is not asked.
TEST(RecordsPanel, NoStoreNothingAsked) {
  const struct { QString address; QString message, detail; } rows[] = {
      {"postgresql://ana@db:70000/kayit", text::kStoreBadAddress,
       text::StoreAddressDetail("postgresql://ana@db:70000/kayit", text::kStoreAddressParts[2])},
      {"postgresql://ana@/kayit?host=/nonexistent", text::kStoreUnreachable, "postgresql://ana@/kayit?host=/nonexistent: "}};
  for (const auto& r : rows) {
    WindowRig rig(WindowRig::Timing::Fast, {}, kDefaultGapMs, r.address);
    rig.overTcp();
    sim::ReaderSim::generateRecords(rig.reader(1, SimModel::TS30P), 2, rig.now);
    rig.click("cmdReadData", {true});
    const QStringList shown = rig.prompts.take();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown[1].startsWith(r.message + " [" + r.detail)) << shown[1].toStdString();
    EXPECT_EQ(shown[2], "<beep>");
    EXPECT_TRUE(rig.sim.requests().empty());
    EXPECT_FALSE(QFile::exists(rig.logPath()));
    rig.click("cmdRecordViewer");
    EXPECT_EQ(rig.prompts.take().size(), 1);
    EXPECT_FALSE(rig.window->findChild<QWidget*>("frmRecords"));
    rig.pickOnBus(1);  // nor does the bus view take the records anywhere else
    rig.click("cmdBusRecords");
    EXPECT_EQ(rig.sim.reader(1)->records.size(), 2u);
  }
}

TEST(RecordViewer, FiltersPagesHoldersAndCsv) {
  WindowRig rig;
  QByteArray log;
  for (int i = 0; i < 447; ++i) log += "003,0000000500,2,2026/02/01,10:00:00\r\n";  // one passage, many times
  log += "001,0000000011,1,2026/03/01,00:00:00\r\n002,0000000022,2,2026/03/01,23:59:59\r\n"
         "003,0000000011,0,2026/03/02,00:00:00\r\n001,0000000033,1,2026/02/28,23:59:59\r\n";
  for (int i = 0; i < 200; ++i) log += QString::asprintf("002,0000000044,1,2026/01/01,%02d:%02d:00\r\n", 10 + i / 60, i % 60).toLatin1();
  ASSERT_EQ(ImportAccessLog(*rig.window->session().store(), test::WriteFile(rig.folder.filePath("old.txt"), log), "Hat 1", "pc").imported, 205);
  rig.click("opsDevice_2");  // the TS-30P keeps records
  rig.click("cmdRecordViewer");
  auto* table = rig.w<QTableView>("tblRecords");
  QAbstractItemModel* model = table->model();
  EXPECT_EQ(rig.text("lblRecordsCount"), text::RecordsShown(205));
  // A page at a time as the table is scrolled.
  EXPECT_EQ(model->rowCount(), 200);
  ASSERT_TRUE(model->canFetchMore({}));
  QSignalSpy added(model, &QAbstractItemModel::rowsInserted);
  model->fetchMore({});
  EXPECT_EQ(model->rowCount(), 205);
  EXPECT_EQ(added.value(0).value(2), 204);  // the last row it says it added
  EXPECT_FALSE(model->canFetchMore({}));
  auto rows = [&] {
    QStringList shown;
    for (int r = 0; r < model->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < model->columnCount(); ++c) cells << model->index(r, c).data().toString();
      shown << cells.join('|');
    }
    return shown;
  };
  rig.set("txtRecordsFrom", "01/03/2026");
  rig.set("txtRecordsTo", " 01/03/2026 ");
  rig.click("cmdRecordsFilter");
  EXPECT_EQ(rows(), QStringList({"01/03/2026 23:59:59|Hat 1|2|22|Çıkış|", "01/03/2026 00:00:00|Hat 1|1|11|Giriş|"}));
  rig.set("txtRecordsFrom", "28/02/2026 23:59");
  rig.set("txtRecordsTo", "");
  rig.set("txtRecordsReaders", "1,3");
  rig.set("txtRecordsCard", "11");
  const QString holders = test::WriteFile(rig.folder.filePath("holders.csv"), "kart;ad\n11;Şükrü Öztürk\n");
  rig.prompts.files = {{false, holders, {}}};
  rig.click("cmdRecordsHolders");
  EXPECT_EQ(rows(), QStringList({"02/03/2026 00:00:00|Hat 1|3|11|Belirsiz|Şükrü Öztürk",
                                 "01/03/2026 00:00:00|Hat 1|1|11|Giriş|Şükrü Öztürk"}));
  EXPECT_EQ(rig.text("lblRecordsCount"), text::RecordsShown(2));
  rig.prompts.files = {{false, rig.folder.filePath("passages.csv"), {}}};
  rig.click("cmdRecordsExport");
  QStringList header;  // the table's is the file's; past its last column there is none
  for (int c = 0; c <= model->columnCount(); ++c) header << model->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(header.join(','), QString::fromUtf8(test::ReadFile(rig.folder.filePath("passages.csv"))).section('\n', 0, 0) + ',');
  EXPECT_EQ(test::ReadFile(rig.folder.filePath("passages.csv")),
            "Tarih - Saat,Hat,Okuyucu,Kart ID,Yön,Kart Sahibi\n02/03/2026 00:00:00,Hat 1,3,11,Belirsiz,Şükrü Öztürk\n"
            "01/03/2026 00:00:00,Hat 1,1,11,Giriş,Şükrü Öztürk\n");
  EXPECT_EQ(rig.prompts.take(), QStringList({"[dialog] " + text::caption::cmdRecordsHolders, text::HoldersImported(1),
                                             "[dialog] " + text::caption::cmdRecordsExport}));
  // What the user typed wrong is named and has the focus, and the table stays as it was; the first and last card number are taken.
  const struct { const char* box; const char* typed; QString message; int rows = 2; } typed[] = {
      {"txtRecordsFrom", "31/02/2026", text::kRecordsBadDate}, {"txtRecordsTo", "2026-03-01", text::kRecordsBadDate},
      {"txtRecordsReaders", "0", text::kRecordsBadReaders}, {"txtRecordsCard", "-5", text::kInvalidCardId},
      {"txtRecordsCard", "4294967296", text::kInvalidCardId}, {"txtRecordsCard", "0", {}, 0}, {"txtRecordsCard", "4294967295", {}, 0}};
  for (const auto& r : typed) {
    const QString before = rig.text(r.box);
    rig.set(r.box, r.typed);
    rig.click("cmdRecordsFilter");
    EXPECT_EQ(rig.prompts.take(), r.message.isEmpty() ? QStringList() : QStringList{r.message}) << r.typed;
    EXPECT_TRUE(model->rowCount() == r.rows && (r.message.isEmpty() || rig.w("frmRecords")->focusWidget() == rig.w(r.box))) << r.typed;
    rig.set(r.box, before);
  }
  rig.click("cmdRecordsFilter");
  rig.prompts.files = {{false, test::WriteFile(holders, "11;Ali\n12\n"), {}}};
  rig.click("cmdRecordsHolders");
  EXPECT_EQ(rig.prompts.take(), QStringList({"[dialog] " + text::caption::cmdRecordsHolders,
                                             text::HoldersBadLine(2, text::kHoldersNoName)}));
  EXPECT_EQ(model->index(0, 5).data().toString(), "Şükrü Öztürk");
}

}  // namespace
}  // namespace tessaro
