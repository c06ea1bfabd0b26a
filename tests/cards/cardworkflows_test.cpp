#include <gtest/gtest.h>

#include "printers.h"

#include <QFile>
#include <QTemporaryDir>

#include "cards/cardworkflows.h"
#include "common/fakes.h"
#include "common/scriptedprompts.h"

namespace tessaro {
namespace {

// The list as plain data; a clear is written to the shared event log.
class FakeList : public CardList {
 public:
  explicit FakeList(QStringList& log) : log_(log) {}
  int count() const override { return static_cast<int>(entries.size()); }
  QString text(int i) const override { return entries[i].first; }
  bool marked(int i) const override { return entries[i].second; }
  int current() const override { return cur; }
  void setCurrent(int i) override { cur = i; }
  void removeAt(int i) override {
    entries.erase(entries.begin() + i);
    cur = -1;
  }
  void clear() override {
    entries.clear();
    cur = -1;
    log_ << "clear";
  }
  void append(const QStringList& texts, bool m) override {
    for (const QString& t : texts) entries.emplace_back(t, m);
    if (m) cur = count() - 1;
    ++batches;
  }
  void set(const QStringList& texts, bool m = true) {
    entries.clear();
    for (const QString& t : texts) entries.emplace_back(t, m);
  }
  std::vector<std::pair<QString, bool>> entries;
  int cur = -1;
  int batches = 0;

 private:
  QStringList& log_;
};

// The window as the workflows see it; opening, busy state and messages go to one log.
struct Rig : CardHost {
  explicit Rig(QStringList entries = {}, std::deque<bool> answers = {}) {
    p.onShow = [this](const QString& t) { log << (busy ? "busy:" : "") + t; };
    p.answers = std::move(answers);
    list.set(entries);
  }
  Prompts& prompts() override { return p; }
  Link* openLink() override {
    log << "open";
    if (!openFails) return &fe.link;
    p.message(QStringLiteral("Haberleşme Portu Açılamadı"));
    return nullptr;
  }
  ExchangeEnv env(Link&) override { return fe.env(); }
  void closeSerial() override { log << "close"; }
  void beginBusy() override { busy = true, log << "begin"; }
  void endBusy() override { busy = false, log << "end"; }
  qint16 deviceId() override { return 1; }
  bool& escCancelFlag() override { return esc; }
  int maxCardCount() override { return limit; }
  QString programFolder() override { return QStringLiteral("/opt/tessaro"); }
  void setProgress(const QString& t) override { progress << t; }
  // Answers %NC with the statuses given in order ("" = silence), then accepts.
  void answerSends(QList<QByteArray> statuses) {
    fe.link.onWrite = [this, statuses](const QByteArray&) mutable {
      const QByteArray s = statuses.isEmpty() ? QByteArray("O") : statuses.takeFirst();
      if (!s.isEmpty()) fe.link.deliverAfter(50, "$NC001" + s + "**\r");
    };
  }
  void reply(const QByteArray& stream, qint64 delayMs = 100) {
    fe.link.onWrite = [this, stream, delayMs](const QByteArray&) { fe.link.deliverAfter(delayMs, stream); };
  }
  QString shownProgress() const { return progress.isEmpty() ? QStringLiteral("old") : progress.last(); }
  QStringList tail(int n) const { return log.mid(log.size() - n); }
  FileChoice file(const QByteArray& bytes) {
    const QString path = dir.filePath("kart.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return FileChoice{false, path, {}};
  }

  test::FakeEnv fe;
  test::ScriptedPrompts p;
  QStringList log;
  FakeList list{log};
  QTemporaryDir dir;
  bool busy = false, openFails = false, esc = false;
  int limit = 255;
  QStringList progress;
};

const QString kRetry = QStringLiteral("Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
const QString kSendQuestion = QStringLiteral("Seçilen kart numaralarını göndermekistiyor musunuz?");

TEST(CardEditing, AddValidatesAndRespectsTheLimitDeleteTakesTheCurrentEntry) {
  Rig r;
  r.limit = 3;
  AddTypedCard(r, r.list, "  1234  ");
  AddTypedCard(r, r.list, "1234");
  EXPECT_EQ(r.list.texts(), (QStringList{"1234", "1234"}));
  EXPECT_TRUE(r.list.marked(1));
  EXPECT_EQ(r.list.current(), 1);
  for (const char* bad : {"abc", "   ", "", "12x", "1 2"}) {
    r.p.messages.clear();
    AddTypedCard(r, r.list, bad);
    EXPECT_EQ(r.p.messages, QStringList{"Lütfen geçerli bir 'Kart ID' giriniz."}) << bad;
  }
  AddTypedCard(r, r.list, "-7.5");  // the platform's numbers: sign and fraction
  AddTypedCard(r, r.list, "0042");
  EXPECT_EQ(r.list.texts(), (QStringList{"1234", "1234", "-7.5"}));
  r.p.messages.clear();
  AddTypedCard(r, r.list, "9");
  EXPECT_EQ(r.p.messages, QStringList{"En fazla 3 kart ekleyebilirsiniz"});
  EXPECT_EQ(CardText::LimitMessage(255), "En fazla 255 kart ekleyebilirsiniz");

  FakeList empty(r.log);
  DeleteCurrentCard(empty);  // empty list: nothing happens
  r.list.cur = -1;
  DeleteCurrentCard(r.list);  // no current entry
  EXPECT_EQ(r.list.count(), 3);
  r.list.cur = 1;
  r.list.entries[1].second = false;
  DeleteCurrentCard(r.list);
  EXPECT_EQ(r.list.texts(), (QStringList{"1234", "-7.5"}));
}

TEST(CardFiles, ExportWritesTheListAndReportsProblems) {
  Rig r({"1", "2", "3"});
  r.list.entries[1].second = false;  // marks are not stored
  const QString path = r.dir.filePath("out.txt");
  r.p.files.push_back(FileChoice{false, path, {}});
  ExportCards(r, r.list);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("1\r\n2\r\n3\r\n"));
  EXPECT_EQ(r.shownProgress(), "");
  EXPECT_EQ(r.p.dialogTitles, QStringList{"Dosyaya Kaydet"});
  EXPECT_EQ(r.p.dialogFolders, QStringList{"/opt/tessaro"});
  EXPECT_EQ(r.p.dialogFilters, QStringList{"Veri Dosyaları (*.txt)|*.txt"});
  EXPECT_TRUE(r.p.shown.isEmpty());
  ExportCards(r, r.list);  // cancelled: silent
  EXPECT_TRUE(r.p.shown.isEmpty());
  r.p.files.push_back(FileChoice{false, {}, "Dialog bozuk"});
  r.p.files.push_back(FileChoice{false, r.dir.filePath("no/such/dir/kart.txt"), {}});
  ExportCards(r, r.list);
  ExportCards(r, r.list);
  EXPECT_EQ(r.p.messages, (QStringList{"Dialog bozuk", "Geçersiz dosya adı!", "Dosya kaydedilemedi!"}));
}

TEST(CardFiles, ImportReplacesTheListAfterConfirmation) {
  Rig r({"old"});
  r.p.files.push_back(r.file("  5  \r\n\r\nx\r\n"));  // answered No
  ImportCards(r, r.list);
  EXPECT_EQ(r.p.questions,
            QStringList{"Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?"});
  EXPECT_EQ(r.list.texts(), QStringList{"old"});

  r.p.files.push_back(FileChoice{false, r.dir.filePath("kart.txt"), {}});
  r.p.answers.push_back(true);
  ImportCards(r, r.list);
  EXPECT_EQ(r.list.texts(), (QStringList{"5", "", "x"}));
  EXPECT_TRUE(r.list.marked(0) && r.list.marked(1) && r.list.marked(2));
  EXPECT_EQ(r.list.current(), 2);
  EXPECT_EQ(r.p.dialogTitles.last(), "Aç");
  EXPECT_TRUE(r.p.messages.isEmpty());
  EXPECT_EQ(r.shownProgress(), "");

  r.p.files.push_back(r.file(""));
  r.p.answers.push_back(true);
  ImportCards(r, r.list);
  EXPECT_EQ(r.list.count(), 0);

  for (int lines : {255, 300}) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i) bytes += QByteArray::number(i) + "\r\n";
    r.p.messages.clear();
    r.p.files.push_back(r.file(bytes));
    r.p.answers.push_back(true);
    ImportCards(r, r.list);
    EXPECT_EQ(r.list.count(), 255) << lines;
    EXPECT_EQ(r.list.text(254), "254");
    EXPECT_EQ(r.p.messages, lines == 255 ? QStringList{} : QStringList{"En fazla 255 kart ekleyebilirsiniz"});
  }
}

TEST(CardFiles, UnreadableImportKeepsTheList) {
  Rig r({"1", "2"}, {true});
  r.p.files.push_back(FileChoice{false, r.dir.filePath("absent.txt"), {}});
  r.p.files.push_back(FileChoice{false, {}, {}});  // an empty name stops before the question
  ImportCards(r, r.list);
  ImportCards(r, r.list);
  EXPECT_EQ(r.list.texts(), (QStringList{"1", "2"}));
  EXPECT_EQ(r.p.messages, (QStringList{"Dosya okunamadı!", "Geçersiz dosya adı!"}));
  EXPECT_FALSE(r.log.contains("clear"));
  EXPECT_EQ(r.p.questions.size(), 1);
}

TEST(SendAll, SendsMarkedEntriesInOrder) {
  Rig r({"255", "-1", "4294967295", "00255", "7"}, {true});
  r.list.entries[4].second = false;
  r.answerSends({});
  SendAllCards(r, r.list);
  EXPECT_EQ(r.fe.link.requests, (std::vector<QByteArray>{"%NC001000000FF**\r", "%NC001FFFFFFFF**\r",
                                                         "%NC001FFFFFFFF**\r", "%NC001000000FF**\r"}));
  EXPECT_EQ(r.log, (QStringList{kSendQuestion, "open", "begin", "close", "end", "İşlem Tamamlandı"}));
  EXPECT_EQ(r.progress, (QStringList{"", "1", "2", "3", "4", "5", ""}));
  EXPECT_EQ(r.list.current(), 4);
}

TEST(SendAll, StopsEarly) {
  Rig no({"1"});
  SendAllCards(no, no.list);
  EXPECT_EQ(no.log, QStringList{kSendQuestion});

  Rig empty({}, {true});
  SendAllCards(empty, empty.list);
  EXPECT_EQ(empty.p.messages, QStringList{"Kart listesi boş"});
  EXPECT_FALSE(empty.log.contains("open"));

  Rig closed({"1"}, {true});
  closed.openFails = true;
  SendAllCards(closed, closed.list);
  EXPECT_EQ(closed.log.mid(1), (QStringList{"open", "Haberleşme Portu Açılamadı"}));
  EXPECT_TRUE(closed.fe.link.requests.empty());

  Rig unmarked({}, {true});  // the whole list is walked and nothing is sent
  unmarked.list.set({"1", "2"}, false);
  SendAllCards(unmarked, unmarked.list);
  EXPECT_TRUE(unmarked.fe.link.requests.empty());
  EXPECT_EQ(unmarked.p.messages, QStringList{"İşlem Tamamlandı"});
}

TEST(SendAll, RetryYesRepeatsNoStopsQuietly) {
  Rig yes({"1", "2"}, {true, true, true});
  yes.answerSends({"O", "E", ""});  // card 2 refused, then silence, then accepted
  SendAllCards(yes, yes.list);
  ASSERT_EQ(yes.fe.link.requests.size(), 4u);
  EXPECT_EQ(yes.fe.link.requests[3], QByteArray("%NC00100000002**\r"));
  EXPECT_EQ(yes.p.questions.count(kRetry), 2);
  EXPECT_TRUE(yes.log.contains("busy:" + kRetry));
  EXPECT_EQ(yes.p.messages, QStringList{"İşlem Tamamlandı"});

  Rig no({"1", "2", "3"}, {true, false});
  no.answerSends({"O", "E"});
  SendAllCards(no, no.list);
  EXPECT_EQ(no.fe.link.requests.size(), 2u);
  EXPECT_EQ(no.log.mid(3), (QStringList{"busy:" + kRetry, "close", "end"}));
  EXPECT_TRUE(no.p.messages.isEmpty());
  EXPECT_EQ(no.shownProgress(), "");
  EXPECT_EQ(no.list.current(), 1);
}

TEST(SendAll, EscStopsBeforeTheNextEntryAndBeforeARetry) {
  for (bool atRetry : {false, true}) {
    Rig r({"1", "2", "3"}, {true, true});
    r.answerSends({"O", atRetry ? "E" : "O"});
    int sends = 0;
    r.fe.link.onWrite = [&, inner = r.fe.link.onWrite](const QByteArray& q) {
      inner(q);
      if (++sends == 2) r.esc = true;  // pressed while the second card is out
    };
    SendAllCards(r, r.list);
    EXPECT_EQ(sends, 2);
    EXPECT_FALSE(r.esc);
    EXPECT_EQ(r.tail(3), (QStringList{"close", "end", "İşlem durduruldu"}));
    EXPECT_EQ(r.shownProgress(), "2");
  }
  Rig left({"1"}, {true});  // a request left over from an earlier ESC stops before the first entry
  left.esc = true;
  SendAllCards(left, left.list);
  EXPECT_TRUE(left.fe.link.requests.empty());
  EXPECT_EQ(left.p.messages, QStringList{"İşlem durduruldu"});
  EXPECT_EQ(left.shownProgress(), "");
}

TEST(SendAll, StopsAtAnEntryThatIsNoCard) {
  for (const char* bad : {"", "abc", "4294967296", "-2147483649", "1e12"}) {
    Rig r({"5", bad, "6"}, {true});
    r.answerSends({});
    SendAllCards(r, r.list);
    EXPECT_EQ(r.fe.link.requests, std::vector<QByteArray>{"%NC00100000005**\r"}) << bad;
    EXPECT_EQ(r.list.current(), 1);
    EXPECT_EQ(r.tail(3), (QStringList{"close", "end", "Geçersiz Kart ID: " + QString::fromLatin1(bad)}));
  }
}

QByteArray cardLine(quint32 card) {
  return "$UC001" + QByteArray::number(card, 16).toUpper().rightJustified(8, '0') + "**\r";
}

TEST(ReceiveAll, ReplacesTheListWithTheReadersCards) {
  const QString got = QStringLiteral("Kart numaraları cihazdan alındı."), none = QStringLiteral("Cihaz kart hafızası boş");
  const struct {
    const char* name;
    QByteArray stream;
    QStringList list;
    QString message;
  } cases[] = {
      {"one card", cardLine(255) + "$UF001**\r", {"255"}, got},
      {"ffffffff", cardLine(0xFFFFFFFF) + "$UF001**\r", {"-1"}, got},
      {"bad trailer still counts", "$UC001000000FF*X\r$UF001**\r", {}, got},
      {"empty reader", "$UF001**\r", {}, none},
      {"error reply", "$XX001**\r", {}, none},
      {"silence after a card", cardLine(3), {"3"}, "Kart numaraları cihazdan alınamadı"},
  };
  for (const auto& c : cases) {
    Rig r({"old"}, {true});
    r.reply(c.stream);
    ReceiveAllCards(r, r.list);
    EXPECT_EQ(r.fe.link.written, QByteArray("%UC001**\r")) << c.name;
    EXPECT_EQ(r.list.texts(), c.list) << c.name;
    for (int i = 0; i < r.list.count(); ++i) EXPECT_FALSE(r.list.marked(i)) << c.name;
    EXPECT_EQ(r.list.current(), -1) << c.name;
    EXPECT_EQ(r.log.mid(1), (QStringList{"clear", "open", "begin", "busy:" + c.message, "close", "end"})) << c.name;
  }
}

TEST(ReceiveAll, ClearsBeforeOpeningAndHonoursEsc) {
  Rig closed({"1"}, {true});
  closed.openFails = true;
  ReceiveAllCards(closed, closed.list);
  EXPECT_EQ(closed.list.count(), 0);
  EXPECT_FALSE(closed.log.contains("begin"));

  Rig no({"1"});
  ReceiveAllCards(no, no.list);
  EXPECT_EQ(no.list.count(), 1);

  Rig esc({}, {true});
  esc.esc = true;
  ReceiveAllCards(esc, esc.list);
  EXPECT_FALSE(esc.esc);
  EXPECT_EQ(esc.p.messages, QStringList{"İşlem durduruldu"});
}

TEST(ReceiveAll, SerialShowsTheCardCountAsBatchesArrive) {
  Rig s({}, {true});
  s.fe.link.onWrite = [&](const QByteArray&) {
    s.fe.link.deliverAfter(100, cardLine(1) + cardLine(2));
    s.fe.link.deliverAfter(200, cardLine(3) + "$UF001**\r");
  };
  ReceiveAllCards(s, s.list);
  EXPECT_EQ(s.progress, (QStringList{"2", "3"}));
  EXPECT_EQ(s.list.batches, 2);
}

TEST(EraseAll, AsksTheTwoLineQuestionAndReports) {
  const QString question = QStringLiteral(
      "Tüm kart hafızasını silmek istediğinizden emin misiniz? \r\n"
      "Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir");
  const struct {
    const char* name;
    QByteArray reply;
    qint64 delayMs;
    QString message;
  } cases[] = {
      {"after 20 s", "$EC001**\r", 20'000, "Tüm kart hafızası silindi!"},
      {"refused", "$XX001**\r", 100, "Kart hafızası silinemedi!"},
      {"silent", "", 0, "Kart hafızası silinemedi!"},
  };
  for (const auto& c : cases) {
    Rig r({}, {true});
    if (!c.reply.isEmpty()) r.reply(c.reply, c.delayMs);
    EraseAllCards(r);
    EXPECT_EQ(r.fe.link.written, QByteArray("%EC001**\r"));
    EXPECT_EQ(r.log, (QStringList{question, "open", "begin", "end", c.message, "close"})) << c.name;
    EXPECT_EQ(r.progress, QStringList{""});
  }
  Rig no;
  EraseAllCards(no);
  EXPECT_EQ(no.log, QStringList{question});
  EXPECT_EQ(no.shownProgress(), "");
}

}  // namespace
}  // namespace tessaro
