// Who may pass, in the window: holders and groups edited through the
// editor's controls into the store with their audit rows, what it refuses,
// and each door's plan and apply against simulated readers, stopped half way.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QSqlQuery>
#include <QTableWidget>

#include "access.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;

// The line "A" over the rig's TCP port with doors 1 "Ana Giriş" and 2 "Otopark" (TS-40).
AccessData Site(WindowRig& rig) {
  RecordStore& store = *rig.window->session().store();
  AccessChanges c(store, Actor::OfThisProcess());
  AccessDoor one{0, "A", 1, "Ana Giriş", DeviceModel::TS40}, two{0, "A", 2, "Otopark", DeviceModel::TS40};
  EXPECT_TRUE(c.saveLine(nullptr, {"A", QStringLiteral("tcp 127.0.0.1:%1").arg(rig.sim.tcpPort())}) &&
              c.saveDoor(nullptr, one) && c.saveDoor(nullptr, two) && c.commit());
  return *LoadAccess(store);
}

void Tick(WindowRig& rig, const char* list, const QString& item) {
  rig.w<QListWidget>(list)->findItems(item, Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
}

QStringList Rows(WindowRig& rig, const char* table) {
  auto* t = rig.w<QTableWidget>(table);
  QStringList rows;
  for (int r = 0; r < t->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < t->columnCount(); ++c) cells << t->item(r, c)->text();
    rows << cells.join(u'|');
  }
  return rows;
}

QStringList Audit(WindowRig& rig) {
  QSqlQuery q(rig.window->session().store()->db());
  q.exec("SELECT what, subject, os_user, after_value FROM audit WHERE what <> 'line' AND what <> 'door' ORDER BY id");
  QStringList rows;
  while (q.next()) rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()}.join(u'|');
  return rows;
}

TEST(AccessEditor, HoldersAndGroupsWrittenWithTheirAuditRefusalsWriteNothing) {
  WindowRig rig;
  rig.sim.listenTcp();
  Site(rig);
  rig.click("cmdAccessEditor");
  rig.set("txtGroupName", " Personel ");
  rig.click("cmdGroupAdd");
  Tick(rig, "lstGroupDoors", "Otopark (A:2)");
  rig.click("cmdGroupSave");
  rig.set("txtHolderName", "Zeynep Yılmaz");
  rig.set("txtHolderCards", "12, 11");
  rig.set("txtHolderUntil", "31/12/2026");
  Tick(rig, "lstHolderGroups", "Personel");
  Tick(rig, "lstHolderDoors", "Ana Giriş (A:1)");
  rig.click("cmdHolderAdd");
  const QString user = Actor::OfThisProcess().user;
  const QStringList written = {
      "group|Personel|" + user + "|{\"doors\":[],\"name\":\"Personel\"}",
      "group|Personel|" + user + "|{\"doors\":[\"Otopark\"],\"name\":\"Personel\"}",
      "holder|Zeynep Yılmaz|" + user + "|{\"cards\":[11,12],\"doors\":[\"Ana Giriş\"],\"enabled\":true,\"groups\":[\"Personel\"],"
      "\"name\":\"Zeynep Yılmaz\",\"note\":\"\",\"valid_from\":null,\"valid_until\":\"2026-12-31\"}"};
  EXPECT_EQ(Audit(rig), written);
  EXPECT_EQ(rig.w<QListWidget>("lstHolders")->currentItem()->text(), "Zeynep Yılmaz");

  // Each refusal is said, and nothing is written.
  rig.click("cmdHolderNew");
  const struct { const char* box; const char* typed; QString said; } refused[] = {
      {"txtHolderCards", "7 11", text::CardHeld(11, "Zeynep Yılmaz")}, {"txtHolderName", " ", text::kHolderBadName},
      {"txtHolderName", "Zeynep Yılmaz", text::HolderNameTaken("Zeynep Yılmaz")}, {"txtHolderCards", "4294967296", text::kBadCard + "4294967296"},
      {"txtHolderFrom", "31/02/2026", text::kHolderBadDate}, {"txtHolderFrom", "02/01/2026", text::kHolderDatesReversed}};
  for (const auto& r : refused) {
    rig.set("txtHolderName", "İsmail Işık"), rig.set("txtHolderCards", "7"), rig.set("txtHolderFrom", "");
    rig.set("txtHolderUntil", "01/01/2026");
    rig.set(r.box, r.typed);
    rig.click("cmdHolderAdd");
    EXPECT_EQ(rig.prompts.take(), QStringList{r.said}) << r.typed;
    EXPECT_EQ(Audit(rig).size(), 3) << r.typed;
  }
  rig.click("cmdHolderSave");
  EXPECT_EQ(rig.prompts.take(), QStringList{text::kHolderNotSelected});
  rig.set("txtGroupName", "Personel");
  rig.click("cmdGroupAdd");
  EXPECT_EQ(rig.prompts.take(), QStringList{text::GroupNameTaken("Personel")});

  // Found by a part of the name in any case, dotted or not, or by a card; then edited and disabled.
  rig.set("txtHolderUntil", "");
  rig.click("cmdHolderAdd");
  auto* list = rig.w<QListWidget>("lstHolders");
  const auto shown = [&](const char* typed) {
    rig.set("txtHolderSearch", typed);
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
      if (!list->item(i)->isHidden()) names << list->item(i)->text();
    return names.join(u',');
  };
  EXPECT_EQ(shown("ISMA"), "İsmail Işık");
  EXPECT_EQ(shown("yIl"), "Zeynep Yılmaz");
  EXPECT_EQ(shown("12"), "Zeynep Yılmaz");
  EXPECT_EQ(shown(""), "İsmail Işık,Zeynep Yılmaz");  // as Turkish sorts them, not by their bytes
  list->setCurrentRow(1);
  rig.set("txtHolderNote", "Muhasebe");
  rig.click("cmdHolderSave");
  rig.click("cmdHolderDisable");
  const AccessHolder h = LoadAccess(*rig.window->session().store())->holders[0];
  EXPECT_EQ(std::make_tuple(h.note, h.enabled, h.cards), std::make_tuple(QString("Muhasebe"), false, std::vector<quint32>{11, 12}));
  EXPECT_EQ(Audit(rig).size(), 6);
  EXPECT_TRUE(rig.prompts.take().isEmpty());

  // A store that refuses says so; a holder gone from it since the list was read is named, and the list read anew.
  QSqlQuery sql(rig.window->session().store()->db());
  ASSERT_TRUE(sql.exec("PRAGMA query_only = 1"));
  rig.set("txtHolderNote", "");
  rig.click("cmdHolderSave");
  EXPECT_EQ(rig.prompts.take().value(0).section(" [", 0, 0), text::kStoreNotWritten);
  ASSERT_TRUE(sql.exec("PRAGMA query_only = 0") && sql.exec("DELETE FROM cards WHERE number = 7") &&
              sql.exec("DELETE FROM holders WHERE name = 'İsmail Işık'"));
  list->setCurrentRow(0);
  rig.click("cmdHolderSave");
  EXPECT_EQ(rig.prompts.take(), QStringList{text::AccessGone("İsmail Işık")});
  EXPECT_EQ(list->count(), 1);

  // A door renamed, not to a name another door has.
  rig.click("cmdDoorName");
  rig.w<QTableWidget>("tblDoors")->selectRow(0);
  for (const char* name : {"Otopark", " Ön Kapı "}) rig.set("txtDoorName", name), rig.click("cmdDoorName");
  EXPECT_EQ(rig.prompts.take(), QStringList({text::kDoorNotSelected, text::DoorNameTaken("Otopark (A:2)")}));
  EXPECT_EQ(LoadAccess(*rig.window->session().store())->doors[0].name, "Ön Kapı");
}

TEST(AccessEditor, PlanApplyDeclinedStoppedAndDone) {
  WindowRig rig;
  rig.sim.listenTcp();
  rig.sim.addReader(1, sim::SimModel::TS40).cards = {5};
  rig.sim.addReader(2, sim::SimModel::TS40);
  AccessData site = Site(rig);
  AccessHolder h{.name = "Veli", .cards = {21, 22}, .grants = {site.doors[0].id, site.doors[1].id}};
  AccessChanges c(*rig.window->session().store(), Actor::OfThisProcess());
  ASSERT_TRUE(c.saveHolder(nullptr, h, site) && c.commit());
  rig.click("cmdAccessEditor");
  rig.click("cmdPlan");
  const QStringList planned = {"A|Ana Giriş|TS-40|" + text::AccessCardsReplace(2, 1) + "|" + text::kAccessDiffers,
                               "A|Otopark|TS-40|" + text::BusCardsToAdd(2) + "|" + text::kAccessDiffers};
  EXPECT_EQ(Rows(rig, "tblAccessPlan"), planned);
  rig.click("cmdApply", {false});
  EXPECT_EQ(rig.prompts.take(), QStringList{"?" + text::AccessApplyQuestion(2, 1)});
  EXPECT_EQ(Rows(rig, "tblAccessPlan").join('\n').count(text::kAccessDeclined), 2);
  EXPECT_EQ(rig.sim.reader(1)->cards, std::vector<quint32>{5});

  // Stopped at the first card sent: the door half written says so, the next one was not done.
  rig.sim.clearRequests();
  const auto stop = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& r) {
    if (r.startsWith("%NC")) rig.click("cmdStopApply");
  });
  rig.click("cmdApply", {true});
  QObject::disconnect(stop);
  EXPECT_EQ(Rows(rig, "tblAccessPlan"), QStringList({planned[0].section('|', 0, 3) + "|" + text::kBusStopped,
                                                     planned[1].section('|', 0, 3) + "|" + text::kAccessNotDone}));
  EXPECT_EQ(rig.text("lblAccessState"), text::kStopped);
  EXPECT_TRUE(rig.sim.reader(2)->cards.empty());
  rig.click("cmdApply", {true});
  EXPECT_EQ(Rows(rig, "tblAccessPlan").join('\n').count(text::kBusApplied), 2);
  EXPECT_EQ(rig.text("lblAccessState"), text::kDone);
  for (int reader : {1, 2}) EXPECT_EQ(rig.sim.reader(reader)->cards, std::vector<quint32>({21, 22})) << reader;
}

// The records actions leave the window's serial port open; a plan over the
// same adapter still reaches the line's readers.
TEST(AccessEditor, PlanOverThePortTheWindowLeftOpen) {
  WindowRig rig;
  rig.overPty();
  rig.reader(1, sim::SimModel::TS30P);
  rig.click("cmdReadCounter");
  ASSERT_FALSE(rig.text("lblRecordCounter").isEmpty());
  AccessChanges c(*rig.window->session().store(), Actor::OfThisProcess());
  AccessDoor door{0, "P", 1, "Kapı", DeviceModel::TS30P};
  ASSERT_TRUE(c.saveLine(nullptr, {"P", "serial " + rig.serialDevice + " 38400 none"}) &&
              c.saveDoor(nullptr, door) && c.commit());
  rig.click("cmdAccessEditor");
  rig.click("cmdPlan");
  EXPECT_EQ(Rows(rig, "tblAccessPlan").value(0).section('|', 4), text::kAccessUpToDate);
}

}  // namespace
}  // namespace tessaro
