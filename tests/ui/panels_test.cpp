// Every panel through its real controls, against the simulated reader: what
// the user sees, what reaches the reader and what is left in the window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <set>

#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;
using sim::SimModel;

sim::Fault Fault(sim::FaultKind kind, bool once = false) { return sim::Fault{.kind = kind, .once = once}; }

// The settings controls in one line: new ID, relay time ("!" when locked),
// record type kept and shown, run mode, master card, EPC word, Wiegand type, detector.
QString Form(WindowRig& rig) {
  auto id = [&](const char* group) { return QString::number(rig.w<QButtonGroup>(group)->checkedId()); };
  return QStringList{rig.text("txtNewID"), rig.text("txtRelayTime") + (rig.w("txtRelayTime")->isEnabled() ? "" : "!"),
                     QString::number(rig.window->session().state().offlineRecordType) + "/" + id("opsOfflineRecordType"),
                     id("opsRunMode"), rig.text("txtMasterCardID"), id("opsStartEPCWord"), id("opsWigType"),
                     QString::number(rig.checked("chkLoop")) + "/" + rig.text("txtLoopTime")}.join(' ');
}

TEST(SettingsPanel, ReceiveFillsTheFormPerModel) {
  const struct { SimModel model; int runMode, trigger; sim::FaultKind fault; const char* form; QString message; int recordType = 2; } rows[] = {
      {SimModel::TS90C, 1, 9, sim::FaultKind::None, "45 37 2/1 1 2309737967 1 0 1/9", ""},
      {SimModel::TS90C, 2, 0, sim::FaultKind::None, "45 37 2/1 2 2309737967 1 0 1/5", ""},
      {SimModel::TS90B, 1, 8, sim::FaultKind::None, "45 37 2/1 1 2309737967 1 0 0/5", ""},
      {SimModel::TS40, 2, 8, sim::FaultKind::None, "45 37 2/1 2 2309737967 0 0 0/5", ""},
      {SimModel::TS40B, 1, 8, sim::FaultKind::None, "45 37 1/0 1 2309737967 0 0 0/5", "", 1},
      {SimModel::TS20, 2, 8, sim::FaultKind::None, "45 1! 2/1 0 2309737967 0 0 0/5", ""},
      {SimModel::TS20B, 0, 8, sim::FaultKind::None, "45 1! 2/1 0 2309737967 0 0 0/5", ""},
      {SimModel::TS30P, 1, 8, sim::FaultKind::Silence, " 1! 0/0 0  0 0 0/5", text::kReceiveFailed + text::kTimedOut},
      {SimModel::TS30P, 1, 8, sim::FaultKind::WrongCode, " 1! 0/0 0  0 0 0/5", text::kReceiveFailed + text::kErrorOccurred}};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.model));
    WindowRig rig;
    rig.overPty();
    rig.reader(45, r.model).settings = {37, r.recordType, r.runMode, 0x89ABCDEFu, 1, 0, 1, r.trigger};
    rig.sim.setFault("US", Fault(r.fault));
    rig.set("txtOldID", " 45");
    rig.click("cmdReceive");
    EXPECT_EQ(rig.prompts.take(), r.message.isEmpty() ? QStringList() : QStringList{r.message});
    EXPECT_EQ(Form(rig), QLatin1String(r.form));
    EXPECT_EQ(rig.text("txtOldID"), " 45");
    EXPECT_FALSE(rig.window->session().links().serial().isOpen());
  }
}

TEST(SettingsPanel, SendRefusesTheFirstBadFieldAndWritesTheRest) {
  const struct { const char* field; const char* value; const QString& message; const char* button = "cmdSend"; } refusals[] = {
      {"txtOldID", "256", text::kAskOldId}, {"txtNewID", "0", text::kAskNewId}, {"txtRelayTime", "65", text::kAskRelayTime},
      {"txtMasterCardID", "", text::kAskMasterCard}, {"txtLoopTime", "10", text::kAskLoopTime}, {"txtOldID", "256", text::kAskOldId, "cmdReceive"}};
  for (const auto& r : refusals) {
    WindowRig rig;
    rig.click("opsDevice_8");
    rig.click("opsRunMode_1");
    for (const char* f : {"txtNewID", "txtRelayTime", "txtMasterCardID"}) rig.set(f, "9");
    rig.set(r.field, r.value);
    rig.w<QComboBox>("cmbPortNumber")->setCurrentIndex(2);
    rig.click(r.button);
    EXPECT_EQ(rig.prompts.take(), QStringList{r.message});
    EXPECT_EQ(rig.window->focusWidget(), rig.w(r.field));
    EXPECT_EQ(rig.window->session().links().serial().portNumber(), 3);  // taken on every click
  }
  WindowRig rig;
  rig.overTcp();
  rig.reader(3, SimModel::TS90C);
  rig.set("txtOldID", "3");
  rig.set("txtNewID", " 12");
  rig.set("txtMasterCardID", "305419896");
  rig.set("txtLoopTime", "7");
  for (const char* option : {"opsOfflineRecordType_1", "opsWigType_1", "opsStartEPCWord_1", "chkLoop"}) rig.click(option);
  rig.prompts.onShow = [&](const QString&) { EXPECT_FALSE(rig.busy()); };
  rig.click("cmdSend");  // answered No: nothing goes out
  rig.click("cmdSend", {true});
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kSendQuestion, "?" + text::kSendQuestion, text::kSent}));
  EXPECT_EQ(rig.sim.requests(), std::vector<QByteArray>{"%DS003012012001234567811" "17**\r"});
  EXPECT_EQ(rig.text("txtOldID"), " 12");
  rig.sim.setFault("DS", Fault(sim::FaultKind::Silence));
  rig.click("cmdSend", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kSendFailed + text::kTimedOut);
  // A Read-Only left over from another model goes as Stand-Alone, answered or not.
  rig.click("opsRunMode_2");
  rig.click("opsDevice_1");
  rig.click("cmdSend");
  EXPECT_EQ(Form(rig), " 12 1! 2/1 0 305419896 1 1 1/7");
}

TEST(SettingsPanel, ScanFindsKeepsOutAndCancels) {
  WindowRig rig;
  rig.click("opsDevice_2");  // the clock and records of a TS-30P are usable, and kept out during the scan
  rig.overPty();
  QStringList tries;
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] {
    bool out = true;
    for (const char* n : {"cmdSend", "cmdReceive", "cmdFindID", "frKart", "cmdSendRTC", "cmdReceiveRTC", "cmdReadData",
                          "cmdReadCounter", "cmdClearCounter"})
      out = out && !rig.w(n)->isEnabled();
    tries << rig.text("lblScan") + (out && !rig.w("cmdCancelScan")->isHidden() && !rig.busy() ? "" : " open");
  });
  rig.sim.addReader(252, SimModel::TS30P).settings = {9, 2, 2, 10, 0, 0, 0, 5};
  rig.set("txtOldID", "250");
  rig.click("cmdFindID");
  EXPECT_EQ(tries, QStringList({"Deniyor...250", "Deniyor...251", "Deniyor...252"}));
  EXPECT_EQ(rig.prompts.take(), QStringList{text::kFound + "252"});
  EXPECT_EQ(rig.text("txtOldID"), "252");
  EXPECT_EQ(Form(rig), "252 9 2/1 1 10 0 0 0/5");  // a Read-Only reader shows Online
  for (const char* n : {"cmdSend", "cmdFindID", "frKart", "cmdSendRTC", "cmdClearCounter"}) EXPECT_TRUE(rig.w(n)->isEnabled()) << n;
  EXPECT_TRUE(rig.w("cmdCancelScan")->isHidden());
  EXPECT_EQ(rig.text("lblScan"), "");
  rig.set("txtOldID", "254");
  rig.click("cmdFindID");
  EXPECT_EQ(rig.prompts.take(), QStringList{text::kNotFound});
  EXPECT_EQ(tries.last(), "Deniyor...255");
  // Cancel during a try: that try ends, then the scan stops.
  QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { rig.click("cmdCancelScan"); });
  tries.clear();
  rig.set("txtOldID", "x");
  rig.click("cmdFindID");
  EXPECT_EQ(tries, QStringList{"Deniyor...0"});
  EXPECT_EQ(rig.prompts.take(), QStringList{text::kScanCancelled});
}

QStringList Entries(WindowRig& rig) {
  QStringList out;
  auto* list = rig.w<QListWidget>("lstCardID");
  for (int i = 0; i < list->count(); ++i)
    out << list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked ? "+" : "") + (list->currentRow() == i ? "<" : "");
  return out;
}

TEST(CardsPanel, ListAndFiles) {
  WindowRig rig;
  const QString file = rig.folder.filePath("cards.txt");
  rig.click("cmdSendAllCards", {true});
  rig.addCards({" 1234 ", "abc", "", "007"});
  rig.w<QListWidget>("lstCardID")->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(Entries(rig), QStringList({"1234", "007+<"}));
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kSendCardsQuestion, text::kListEmpty, text::kInvalidCardId, text::kInvalidCardId}));
  EXPECT_TRUE(rig.w("lstCardID")->updatesEnabled());
  rig.prompts.files = {{false, file, {}}, {false, {}, "dialog broke"}};
  rig.click("cmdExport");
  rig.click("cmdExport");
  EXPECT_EQ(rig.prompts.take(), QStringList({"[dialog] " + text::kExportTitle, "[dialog] " + text::kExportTitle, "dialog broke", text::kInvalidFileName}));
  EXPECT_EQ(rig.prompts.dialogFolder, rig.folder.path());
  EXPECT_EQ(rig.prompts.dialogFilter, text::kCardFileFilter);
  EXPECT_EQ(test::ReadFile(file), "1234\r\n007\r\n");
  rig.click("cmdDelete");
  EXPECT_EQ(Entries(rig), QStringList({"1234<"}));
  // Import: No keeps the list, an unreadable file too; a file longer than the limit loads up to it.
  QByteArray big;
  for (int i = 0; i < 300; ++i) big += QByteArray::number(i) + "\r\n";
  rig.prompts.files = {{false, file, {}}, {false, rig.folder.filePath("missing.txt"), {}},
                       {false, test::WriteFile(rig.folder.filePath("big.txt"), big), {}}};
  rig.prompts.answers = {false, true, true};
  for (int i = 0; i < 3; ++i) rig.click("cmdImport");
  EXPECT_EQ(rig.prompts.take().filter(QRegularExpression("^[^?\\[]")), QStringList({text::kFileNotRead, text::CardLimit(255)}));
  EXPECT_EQ(Entries(rig).size(), 255);
  EXPECT_EQ(Entries(rig).last(), "254+<");
  auto* list = rig.w<QListWidget>("lstCardID");  // and in view
  EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(254))));
  rig.set("txtCardID", "1");
  rig.click("cmdAdd");
  EXPECT_EQ(rig.prompts.take(), QStringList{text::CardLimit(255)});
  // The number box, given the focus, selects its number: what is typed then replaces it.
  QFocusEvent focus(QEvent::FocusIn);
  QCoreApplication::sendEvent(rig.w("txtCardID"), &focus);
  QCoreApplication::processEvents();
  QTest::keyClick(rig.w("txtCardID"), Qt::Key_4);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.text("txtCardID") + "|" + rig.w<QLineEdit>("txtCardID")->selectedText(), "4|");
}

TEST(CardsPanel, SendReceiveAndErase) {
  WindowRig rig;
  rig.overTcp();
  sim::SimReader& reader = rig.reader(1, SimModel::TS40);
  rig.addCards({"255", "9", "-1"});
  rig.w<QListWidget>("lstCardID")->item(1)->setCheckState(Qt::Unchecked);
  rig.sim.setFault("NC", Fault(sim::FaultKind::WrongCode, true));
  rig.click("cmdSendAllCards", {true, true});
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kSendCardsQuestion, "?" + text::kRetryQuestion, text::kDone}));
  EXPECT_TRUE(reader.cards == std::vector<quint32>({255, 0xFFFFFFFFu}) && rig.text("lblCurID") == "");
  // ESC after the first card stops before the next entry.
  const auto esc = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { rig.window->session().state().escCancelFlag = true; });
  rig.prompts.onShow = [&](const QString& t) { EXPECT_TRUE(t != text::kStopped || !rig.busy()); };  // told with the window free
  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kStopped);
  EXPECT_TRUE(rig.text("lblCurID") == "1" && !rig.window->session().state().escCancelFlag);
  QObject::disconnect(esc);
  rig.sim.setFault("NC", Fault(sim::FaultKind::WrongCode, true));
  rig.click("cmdSendAllCards", {true});  // the retry refused: no card is left shown as the current one
  EXPECT_EQ(rig.text("lblCurID"), "");
  rig.sim.setFault("NC", sim::Fault{.kind = sim::FaultKind::Raw, .raw = "$NC001E**\r", .once = true});
  rig.click("cmdSendAllCards", {true});  // a full memory is said, not retried
  EXPECT_EQ(rig.prompts.take().last(), text::kCardMemoryFull + "255");
  // Received cards replace the list, unmarked, as the numbers printed on them.
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kCardsReceived);
  EXPECT_EQ(Entries(rig), QStringList({"255", "4294967295"}));
  rig.w<QListWidget>("lstCardID")->addItem("x7");
  rig.w<QListWidget>("lstCardID")->item(2)->setCheckState(Qt::Checked);
  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kBadCard + "x7");
  rig.click("cmdEraseAll", {false, true});
  rig.click("cmdEraseAll");
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kEraseCardsQuestion, "?" + text::kEraseCardsQuestion, text::kCardsErased}));
  EXPECT_TRUE(reader.cards.empty());
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kReaderHasNoCards);
}

// A transfer moves the list at most ten times a second of the line's time, and ends on its last row.
TEST(CardsPanel, ATransferShownAtTheLinesPaceNotPerCard) {
  WindowRig rig;
  rig.overTcp();
  sim::SimReader& reader = rig.reader(1, SimModel::TS40);
  auto* list = rig.w<QListWidget>("lstCardID");
  for (int i = 1; i <= 300; ++i) list->addItem(QString::number(i)), list->item(i - 1)->setCheckState(Qt::Checked);
  QSignalSpy moved(list, &QListWidget::currentRowChanged);
  qint64 start = rig.fakeClock.ms;
  rig.click("cmdSendAllCards", {true});
  EXPECT_EQ(std::make_tuple(reader.cards.size(), list->currentRow()), std::make_tuple(size_t(300), 299));
  EXPECT_LE(moved.count(), (rig.fakeClock.ms - start) / 100 + 2) << rig.fakeClock.ms - start;
  std::set<qint64> grown;  // the moments of the line's time the list grew at
  QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, [&] { grown.insert(rig.fakeClock.ms); });
  start = rig.fakeClock.ms;
  rig.sim.setFault("UC", sim::Fault{.kind = sim::FaultKind::Split, .arg = 16, .pauseMs = 1});  // a card a piece
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(list->count(), 300);
  EXPECT_LE(qint64(grown.size()), (rig.fakeClock.ms - start) / 100 + 2) << rig.fakeClock.ms - start;
}

TEST(CardsPanel, ReceiveOverSerialCountsAndTimesOut) {
  WindowRig rig;
  rig.overPty();
  rig.reader(1, SimModel::TS40B).cards = {1, 2, 3};
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.text("lblCurID"), "3");
  rig.sim.setFault("UC", sim::Fault{.kind = sim::FaultKind::StopAfterNoEnd, .arg = 2});
  rig.click("cmdReceiveAllCards", {true});
  EXPECT_EQ(rig.prompts.take().last(), text::kCardsNotReceived);
  EXPECT_EQ(Entries(rig), QStringList({"1", "2"}));
  // ESC while the list comes: stopped, and said so.
  rig.sim.setFault("UC", sim::Fault{.kind = sim::FaultKind::StopAfterNoEnd, .arg = 2});
  const auto esc = QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&] { rig.window->session().state().escCancelFlag = true; });
  rig.click("cmdReceiveAllCards", {true});
  QObject::disconnect(esc);
  EXPECT_EQ(rig.prompts.take().last(), text::kStopped);
}

TEST(ClockPanel, SetAndRead) {
  WindowRig rig;
  rig.overPty();
  sim::SimReader& reader = rig.reader(1, SimModel::TS30P);
  rig.prompts.onShow = [&](const QString&) { EXPECT_FALSE(rig.busy()); };
  rig.click("cmdSendRTC", {true});
  EXPECT_EQ(rig.sim.requests(), std::vector<QByteArray>{"%DR00105012509030701**\r"});
  EXPECT_EQ(reader.clockOffsetSeconds, 0);
  rig.now = rig.now.addSecs(3600);  // the reader keeps its own time
  rig.click("cmdReceiveRTC");
  EXPECT_EQ(rig.text("lblDeviceRTC"), "05/01/2025 10:03:07");
  rig.w<QCheckBox>("chkTCPIPActive")->setChecked(true);  // a TCP link that cannot be had leaves it as it is
  rig.set("txtIP", "");
  rig.click("cmdReceive");
  EXPECT_TRUE(rig.window->session().links().serial().isOpen());  // left open for the next command
  rig.w<QCheckBox>("chkTCPIPActive")->setChecked(false);
  rig.sim.setFault("", Fault(sim::FaultKind::WrongCode));
  rig.now = rig.now.addSecs(60);
  rig.click("cmdSendRTC", {true});
  rig.click("cmdReceiveRTC");
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kSendClockQuestion, text::kClockSent, text::kTcpOpenFailed, "?" + text::kSendClockQuestion, text::kClockNotSent}));
  EXPECT_EQ(rig.text("lblDeviceRTC"), "05/01/2025 10:03:07");
}

TEST(RecordsPanel, CountDownloadAndErase) {
  const struct { bool clear; bool logAsFolder; const QString& status; bool door; int lines; int left; } rows[] = {
      {true, false, text::kDoneErased, true, 3, 0}, {false, false, text::kDoneKept, false, 3, 3},
      {true, true, text::kLogFailed, true, 0, 3}};
  for (const auto& r : rows) {
    WindowRig rig;
    rig.overTcp();
    sim::SimReader& reader = rig.reader(7, SimModel::TS30P);
    sim::ReaderSim::generateRecords(reader, 3, rig.now);
    rig.set("txtOldID", " 7");
    if (r.logAsFolder) QDir(rig.folder.path()).mkdir("AccessFile.txt");
    rig.w<QCheckBox>("chkClearRAM")->setChecked(r.clear);
    QObject::connect(&rig.sim, &sim::ReaderSim::requestReceived, [&](const QByteArray& q) {
      EXPECT_TRUE((rig.busy() && QApplication::overrideCursor()) || !q.startsWith("%DD"));  // and shows it
    });
    rig.click("cmdReadCounter");
    EXPECT_EQ(rig.text("lblRecordCounter"), "3");
    rig.click("cmdReadData", {true});
    EXPECT_EQ(rig.text("lblProcess"), r.status + (r.door ? " 7" : ""));
    EXPECT_EQ(rig.prompts.take(), QStringList({"<beep>", "?" + text::kDownloadQuestion, "<beep>"}));
    EXPECT_EQ(std::make_pair(int(test::ReadFile(rig.logPath()).count("\r\n")), int(reader.records.size())), std::make_pair(r.lines, r.left));
  }
  WindowRig rig;
  rig.overTcp();
  rig.reader(7, SimModel::TS30P);
  rig.prompts.answers = {true, true, false, true};
  rig.set("txtOldID", "0");
  rig.click("cmdReadData");
  EXPECT_EQ(rig.text("lblProcess"), "");
  rig.set("txtOldID", "7");
  rig.click("cmdReadData");
  EXPECT_EQ(rig.text("lblProcess"), text::kNoRecords + "7");
  rig.prompts.onShow = [&](const QString&) { EXPECT_FALSE(rig.busy()); };
  rig.click("cmdClearCounter");
  rig.click("cmdClearCounter");
  rig.set("txtOldID", "abc");  // asks reader 000, which does not answer
  rig.click("cmdReadCounter");
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kDownloadQuestion, text::kBadDownloadId, "<beep>", "?" + text::kDownloadQuestion, "<beep>",
                                             "?" + text::kEraseRecordsQuestion, "?" + text::kEraseRecordsQuestion, text::kRecordsErased, "<beep>"}));
  EXPECT_EQ(rig.text("lblRecordCounter"), "0");
  EXPECT_EQ(rig.sim.requests(), std::vector<QByteArray>({"%RC007**\r", "%EM007**\r", "%RC000**\r"}));
  rig.click("cmdOpenFile");
  rig.editor.clear();
  rig.click("cmdOpenFile");
  EXPECT_EQ(rig.started, QStringList{"/usr/bin/xdg-open " + rig.logPath()});
  EXPECT_EQ(rig.prompts.take(), QStringList{text::kEditorFailed});
}

// Installed where its user may not write, the program keeps the log in the user's data folder.
TEST(RecordsPanel, LogInTheDataFolder) {
  WindowRig rig(WindowRig::Timing::Fast, "readonly/bin");
  rig.overTcp();
  sim::ReaderSim::generateRecords(rig.reader(1, SimModel::TS30P), 2, rig.now);
  rig.click("cmdReadData", {true});
  rig.click("cmdOpenFile");
  const QString log = rig.folder.filePath("data/AccessFile.txt");
  EXPECT_EQ(rig.started, QStringList{"/usr/bin/xdg-open " + log});
  EXPECT_EQ(test::ReadFile(log).count("\r\n"), 2);
}

}  // namespace
}  // namespace tessaro
