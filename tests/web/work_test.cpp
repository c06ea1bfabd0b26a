// The jobs of the console done by tessaro-cli work, as a PC that owns a line
// runs it: a job queued in the console, claimed by the worker's process on a
// simulated line, and its result shown; two workers on one PostgreSQL store.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTimer>
#include <set>
#include <thread>

#include "jobstore.h"
#include "readersim.h"
#include "support/pgserver.h"
#include "webrig.h"

namespace tessaro {
namespace {

TEST(Work, AJobOfTheConsoleDoneOnASimulatedLine) {
  test::WebRig rig;
  sim::ReaderSim line;
  ASSERT_TRUE(line.listenTcp());
  sim::ReaderSim::generateRecords(line.addReader(3, sim::SimModel::TS30P), 7, QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
  QSqlQuery q(rig.store->db());
  ASSERT_TRUE(q.exec(QStringLiteral("UPDATE lines SET link = 'tcp 127.0.0.1:%1'").arg(line.tcpPort())));
  ASSERT_TRUE(q.exec("UPDATE jobs SET state = 'done'"));  // the rig's own job is not this test's
  ASSERT_TRUE(q.exec("UPDATE doors SET model = 'TS-30P'"));  // a model that keeps records, and one that keeps none
  ASSERT_TRUE(q.exec("INSERT INTO doors (line, address, name, model) VALUES ('A', 5, 'Otopark', 'TS-40')"));
  const test::WebRig::Session op = rig.session(web::Role::Operator);
  EXPECT_EQ(rig.post("/jobs", &op, "line=A&kind=pull")->get_header_value("Location"), "/jobs/2");
  EXPECT_NE(rig.get("/jobs/2", &op)->body.find("<dd id=\"job-state\">sırada</dd>"), std::string::npos);
  QProcess worker;
  QEventLoop loop;
  QObject::connect(&worker, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  worker.start(TESSARO_CLI_PROGRAM, {"work", "--line", "A", "--once", "--db", rig.dir.filePath("store.sqlite"), "--log",
                                     rig.dir.filePath("AccessFile.txt")});
  loop.exec();  // the simulated line answers meanwhile
  ASSERT_EQ(worker.exitCode(), 0) << worker.readAllStandardError().toStdString();
  EXPECT_EQ(worker.readAllStandardOutput(), "job 2 pull A: 1/2\n");
  const std::string page = rig.get("/jobs/2", &op)->body;
  EXPECT_NE(page.find("<dd id=\"job-state\">başarısız</dd>"), std::string::npos);  // one reader of two
  EXPECT_NE(page.find("<tr class=\"ok\"><td>3</td><td>tamam</td><td>7</td><td></td></tr>"), std::string::npos) << page;
  EXPECT_NE(page.find("<tr class=\"failed\"><td>5</td><td>no clock or records on TS-40</td><td></td><td></td></tr>"), std::string::npos);
  for (const QByteArray& r : line.requests()) EXPECT_FALSE(r.startsWith("%RC005") || r.startsWith("%US005")) << r.toStdString();
  const QString ended = QString::fromStdString(page).section("<dd id=\"job-summary\">", 1).section("</dd>", 0, 0);
  EXPECT_TRUE(QRegularExpression("^1/2 2\\d{3}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$").match(ended).hasMatch()) << ended.toStdString();
  // The line's page: the pull in its own column, the other kinds never done.
  EXPECT_TRUE(QRegularExpression("<tr><td>3</td><td>Ana Giriş</td><td>TS-30P</td><td>[-0-9T:]+Z tamam \\(7\\)</td><td>–</td><td>hiç</td></tr>")
                  .match(QString::fromStdString(rig.get("/lines", &op)->body))
                  .hasMatch());
  EXPECT_EQ(line.reader(3)->records.size(), 0u);  // erased, with every record in the log and the store
  EXPECT_EQ(QFile(rig.dir.filePath("AccessFile.txt")).size(), 7 * 38);
  ASSERT_TRUE(q.exec("SELECT COUNT(*) FROM passages WHERE line = 'A' AND address = 3 AND stamp LIKE '2026-%'") && q.next());
  EXPECT_EQ(q.value(0).toInt(), 7);
}

TEST(Work, TwoWorkersOnOnePostgresStoreNeverTakeTheSameJob) {
  test::PgServer& pg = test::PgServer::instance();
  const QString url = pg.newDatabase();
  ASSERT_FALSE(url.isEmpty()) << pg.why().toStdString();
  const StoreAddress address = *ParseStoreAddress(url);
  std::unique_ptr<RecordStore> store = RecordStore::open(address).store;
  ASSERT_TRUE(store);
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(QueueJob(*store, i % 3 ? "A" : "B", JobKind::Sync, "web:oya"));
  std::vector<qint64> taken[2];
  const auto work = [&](std::vector<qint64>* mine, const char* name) {
    std::unique_ptr<RecordStore> own = RecordStore::open(address).store;
    while (const auto job = ClaimJob(*own, {"A", "C"}, name)) {
      mine->push_back(job->id);
      FinishJob(*own, job->id, true, {});
    }
  };
  std::thread one(work, &taken[0], "pc1:1"), two(work, &taken[1], "pc2:2");
  one.join(), two.join();
  std::set<qint64> all(taken[0].begin(), taken[0].end());
  all.insert(taken[1].begin(), taken[1].end());
  EXPECT_EQ(all.size(), taken[0].size() + taken[1].size());
  EXPECT_EQ(all.size(), 40u);  // line A's, none of B's
  // Each passes over the job the other holds instead of waiting for it and finding it gone.
  EXPECT_GT(taken[0].size(), 0u);
  EXPECT_GT(taken[1].size(), 0u);
  QSqlQuery q(store->db());
  ASSERT_TRUE(q.exec("SELECT line, state, COUNT(*) FROM jobs GROUP BY line, state ORDER BY line") && q.next());
  EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(), "Adone40");
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(), "Bqueued20");
}

}  // namespace
}  // namespace tessaro
