#include <gtest/gtest.h>

#include "printers.h"

#include <QFile>
#include <QTemporaryDir>

#include "cards/cardworkflows.h"
#include "common/fakes.h"
#include "common/scriptedprompts.h"

namespace tessaro {
namespace {

using test::FakeEnv;
using test::ScriptedPrompts;

struct Entry {
  QString text;
  bool marked;
};

// The list as plain data; every change is written to the shared event log.
class FakeList : public CardList {
 public:
  explicit FakeList(QStringList& log) : log_(log) {}
  int count() const override { return static_cast<int>(entries.size()); }
  QString text(int i) const override { return entries[i].text; }
  bool marked(int i) const override { return entries[i].marked; }
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
    for (const QString& t : texts) entries.push_back({t, m});
    if (m) cur = count() - 1;
    ++batches;
  }
  void set(const QStringList& texts, bool m = true) {
    entries.clear();
    for (const QString& t : texts) entries.push_back({t, m});
  }
  std::vector<Entry> entries;
  int cur = -1;
  int batches = 0;

 private:
  QStringList& log_;
};

class FakeHost : public CardHost {
 public:
  explicit FakeHost(LinkKind kind = LinkKind::Serial) : fe(kind) {
    prompts_.onShow = [this](const QString& t) { log << (busy ? "busy:" : "") + t; };
  }
  Prompts& prompts() override { return prompts_; }
  Link* openLink() override {
    log << "open";
    if (openFails) {
      prompts_.message(QStringLiteral("Haberleşme Portu Açılamadı"));
      return nullptr;
    }
    return &fe.link;
  }
  ExchangeEnv env(Link&) override { return fe.env(); }
  void closeSerial() override { log << "close"; }
  void beginBusy() override {
    busy = true;
    log << "begin";
  }
  void endBusy() override {
    busy = false;
    log << "end";
  }
  qint16 deviceId() override { return 1; }
  bool& escCancelFlag() override { return esc; }
  int maxCardCount() override { return limit; }
  QString programFolder() override { return QStringLiteral("/opt/tessaro"); }
  void setProgress(const QString& t) override {
    progress = t;
    progressHistory << t;
  }

  FakeEnv fe;
  ScriptedPrompts prompts_;
  QStringList log;
  bool busy = false;
  bool openFails = false;
  bool esc = false;
  int limit = 255;
  QString progress = QStringLiteral("old");
  QStringList progressHistory;
};

// Answers %NC with the statuses given in order ("" = silence), then accepts.
void answerSends(FakeHost& h, QList<QByteArray> statuses) {
  h.fe.link.onWrite = [&h, statuses](const QByteArray&) mutable {
    const QByteArray s = statuses.isEmpty() ? QByteArray("O") : statuses.takeFirst();
    if (!s.isEmpty()) h.fe.link.deliverAfter(50, "$NC001" + s + "**\r");
  };
}

// ---- editing ----

TEST(CardEditing, AddValidatesAndRespectsTheLimit) {
  QStringList log;
  FakeList list(log);
  FakeHost h;
  h.limit = 3;
  AddTypedCard(h, list, "  1234  ");
  AddTypedCard(h, list, "1234");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.text(0), "1234");
  EXPECT_TRUE(list.marked(1));
  EXPECT_EQ(list.current(), 1);
  for (const char* bad : {"abc", "   ", "", "12x", "1 2"}) {
    h.prompts_.messages.clear();
    AddTypedCard(h, list, bad);
    EXPECT_EQ(h.prompts_.messages, QStringList{"Lütfen geçerli bir 'Kart ID' giriniz."}) << bad;
  }
  AddTypedCard(h, list, "-7.5");  // the platform's numbers: sign and fraction
  AddTypedCard(h, list, "0042");
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.text(2), "-7.5");
  h.prompts_.messages.clear();
  AddTypedCard(h, list, "9");
  EXPECT_EQ(h.prompts_.messages, QStringList{"En fazla 3 kart ekleyebilirsiniz"});
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(CardText::LimitMessage(255), "En fazla 255 kart ekleyebilirsiniz");
}

TEST(CardEditing, DeleteRemovesOnlyTheCurrentEntry) {
  QStringList log;
  FakeList list(log);
  DeleteCurrentCard(list);  // empty list: nothing happens
  list.set({"1", "2", "3"});
  DeleteCurrentCard(list);  // no current entry
  EXPECT_EQ(list.count(), 3);
  list.cur = 1;
  list.entries[1].marked = false;
  DeleteCurrentCard(list);
  EXPECT_EQ(list.texts(), (QStringList{"1", "3"}));
}

struct FileFixture {
  QTemporaryDir dir;
  QString write(const QByteArray& bytes) {
    const QString path = dir.filePath("kart.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
  }
  FileChoice choose(const QString& path) {
    FileChoice c;
    c.fileName = path;
    return c;
  }
};

TEST(CardFiles, ExportWritesTheListAndUsesTheDialogSettings) {
  FileFixture fx;
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"1", "2", "3"});
  list.entries[1].marked = false;  // marks are not stored
  const QString path = fx.dir.filePath("out.txt");
  h.prompts_.files.push_back(fx.choose(path));
  ExportCards(h, list);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("1\r\n2\r\n3\r\n"));
  EXPECT_TRUE(h.prompts_.messages.isEmpty());
  EXPECT_EQ(h.progress, "");
  EXPECT_EQ(h.prompts_.dialogTitles, QStringList{"Dosyaya Kaydet"});
  EXPECT_EQ(h.prompts_.dialogFolders, QStringList{"/opt/tessaro"});
  EXPECT_EQ(h.prompts_.dialogFilters, QStringList{"Veri Dosyaları (*.txt)|*.txt"});
}

TEST(CardFiles, ExportReportsDialogProblemsAndWriteFailures) {
  FileFixture fx;
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"1"});
  ExportCards(h, list);  // cancelled: silent
  EXPECT_TRUE(h.prompts_.shown.isEmpty());

  FileChoice failed;
  failed.error = "Dialog bozuk";
  h.prompts_.files.push_back(failed);
  ExportCards(h, list);
  EXPECT_EQ(h.prompts_.messages, (QStringList{"Dialog bozuk", "Geçersiz dosya adı!"}));

  h.prompts_.messages.clear();
  h.prompts_.files.push_back(fx.choose(fx.dir.filePath("no/such/dir/kart.txt")));
  ExportCards(h, list);
  EXPECT_EQ(h.prompts_.messages, QStringList{"Dosya kaydedilemedi!"});
}

TEST(CardFiles, ImportReplacesTheListAfterConfirmation) {
  FileFixture fx;
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"old"});
  const QString path = fx.write("  5  \r\n\r\nx\r\n");
  h.prompts_.files.push_back(fx.choose(path));  // answered No
  ImportCards(h, list);
  EXPECT_EQ(h.prompts_.questions,
            QStringList{"Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?"});
  EXPECT_EQ(list.texts(), QStringList{"old"});

  h.prompts_.files.push_back(fx.choose(path));
  h.prompts_.answers.push_back(true);
  ImportCards(h, list);
  EXPECT_EQ(list.texts(), (QStringList{"5", "", "x"}));
  EXPECT_TRUE(list.marked(0) && list.marked(1) && list.marked(2));
  EXPECT_EQ(list.current(), 2);
  EXPECT_EQ(h.prompts_.dialogTitles.last(), "Aç");
  EXPECT_TRUE(h.prompts_.messages.isEmpty());
  EXPECT_EQ(h.progress, "");

  h.prompts_.files.push_back(fx.choose(fx.write("")));
  h.prompts_.answers.push_back(true);
  ImportCards(h, list);
  EXPECT_EQ(list.count(), 0);
}

TEST(CardFiles, ImportStopsAtTheLimit) {
  FileFixture fx;
  QStringList log;
  FakeList list(log);
  FakeHost h;
  for (int lines : {255, 300}) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i) bytes += QByteArray::number(i) + "\r\n";
    h.prompts_.messages.clear();
    h.prompts_.files.push_back(fx.choose(fx.write(bytes)));
    h.prompts_.answers.push_back(true);
    ImportCards(h, list);
    EXPECT_EQ(list.count(), 255) << lines;
    EXPECT_EQ(list.text(254), "254");
    EXPECT_EQ(h.prompts_.messages,
              lines == 255 ? QStringList{} : QStringList{"En fazla 255 kart ekleyebilirsiniz"});
  }
}

TEST(CardFiles, UnreadableImportKeepsTheList) {
  FileFixture fx;
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"1", "2"});
  h.prompts_.files.push_back(fx.choose(fx.dir.filePath("absent.txt")));
  h.prompts_.answers.push_back(true);
  ImportCards(h, list);
  EXPECT_EQ(list.texts(), (QStringList{"1", "2"}));
  EXPECT_EQ(h.prompts_.messages, QStringList{"Dosya okunamadı!"});
  EXPECT_FALSE(log.contains("clear"));
  // An empty name stops before the question.
  h.prompts_.messages.clear();
  h.prompts_.files.push_back(fx.choose(QString()));
  ImportCards(h, list);
  EXPECT_EQ(h.prompts_.messages, QStringList{"Geçersiz dosya adı!"});
  EXPECT_EQ(h.prompts_.questions.size(), 1);
}

// ---- send all ----

TEST(SendAll, SendsMarkedEntriesInOrder) {
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"255", "-1", "4294967295", "00255", "7"});
  list.entries[4].marked = false;
  answerSends(h, {});
  h.prompts_.answers.push_back(true);
  SendAllCards(h, list);
  EXPECT_EQ(h.fe.link.requests,
            (std::vector<QByteArray>{"%NC001000000FF**\r", "%NC001FFFFFFFF**\r", "%NC001FFFFFFFF**\r",
                                     "%NC001000000FF**\r"}));
  EXPECT_EQ(h.log, (QStringList{"Seçilen kart numaralarını göndermekistiyor musunuz?", "open", "begin", "close",
                                "end", "İşlem Tamamlandı"}));
  EXPECT_EQ(h.progressHistory, (QStringList{"", "1", "2", "3", "4", "5", ""}));
  EXPECT_EQ(list.current(), 4);
}

TEST(SendAll, StopsEarly) {
  QStringList log;
  {
    FakeList list(log);
    FakeHost h;  // answered No
    list.set({"1"});
    SendAllCards(h, list);
    EXPECT_EQ(h.log, QStringList{"Seçilen kart numaralarını göndermekistiyor musunuz?"});
  }
  {
    FakeList list(log);
    FakeHost h;
    h.prompts_.answers.push_back(true);
    SendAllCards(h, list);
    EXPECT_EQ(h.prompts_.messages, QStringList{"Kart listesi boş"});
    EXPECT_FALSE(h.log.contains("open"));
  }
  {
    FakeList list(log);
    FakeHost h;
    h.openFails = true;
    h.prompts_.answers.push_back(true);
    list.set({"1"});
    SendAllCards(h, list);
    EXPECT_EQ(h.log.mid(1), (QStringList{"open", "Haberleşme Portu Açılamadı"}));
    EXPECT_TRUE(h.fe.link.requests.empty());
  }
  {
    // No marked entry: the whole list is walked and nothing is sent.
    FakeList list(log);
    FakeHost h;
    h.prompts_.answers.push_back(true);
    list.set({"1", "2"}, false);
    SendAllCards(h, list);
    EXPECT_TRUE(h.fe.link.requests.empty());
    EXPECT_EQ(h.prompts_.messages, QStringList{"İşlem Tamamlandı"});
  }
}

TEST(SendAll, RetriesAsLongAsTheUserSaysYes) {
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"1", "2"});
  answerSends(h, {"O", "E", ""});  // card 2 refused, then silence, then accepted
  h.prompts_.answers = {true, true, true};
  SendAllCards(h, list);
  ASSERT_EQ(h.fe.link.requests.size(), 4u);
  EXPECT_EQ(h.fe.link.requests[3], QByteArray("%NC00100000002**\r"));
  EXPECT_EQ(h.prompts_.questions.count("Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??"), 2);
  EXPECT_TRUE(h.log.contains("busy:Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??"));
  EXPECT_EQ(h.prompts_.messages, QStringList{"İşlem Tamamlandı"});
}

TEST(SendAll, NoToTheRetryStopsQuietly) {
  QStringList log;
  FakeList list(log);
  FakeHost h;
  list.set({"1", "2", "3"});
  answerSends(h, {"O", "E"});
  h.prompts_.answers = {true, false};
  SendAllCards(h, list);
  EXPECT_EQ(h.fe.link.requests.size(), 2u);
  EXPECT_EQ(h.log.mid(3), (QStringList{"busy:Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??", "close",
                                       "end"}));
  EXPECT_TRUE(h.prompts_.messages.isEmpty());
  EXPECT_EQ(h.progress, "");
  EXPECT_EQ(list.current(), 1);
}

TEST(SendAll, EscStopsBeforeTheNextEntryAndBeforeARetry) {
  QStringList log;
  for (bool atRetry : {false, true}) {
    FakeList list(log);
    FakeHost h;
    list.set({"1", "2", "3"});
    answerSends(h, {"O", atRetry ? "E" : "O"});
    h.prompts_.answers = {true, true};
    int sends = 0;
    h.fe.link.onWrite = [&, inner = h.fe.link.onWrite](const QByteArray& r) {
      inner(r);
      if (++sends == 2) h.esc = true;  // pressed while the second card is out
    };
    SendAllCards(h, list);
    EXPECT_EQ(sends, 2);
    EXPECT_FALSE(h.esc);
    EXPECT_EQ(h.log.mid(h.log.size() - 3), (QStringList{"close", "end", "İşlem durduruldu"}));
    EXPECT_EQ(h.progress, "2");
  }
  {
    // A request left over from an earlier ESC stops before the first entry.
    FakeList list(log);
    FakeHost h;
    list.set({"1"});
    h.esc = true;
    h.prompts_.answers = {true};
    SendAllCards(h, list);
    EXPECT_TRUE(h.fe.link.requests.empty());
    EXPECT_EQ(h.prompts_.messages, QStringList{"İşlem durduruldu"});
    EXPECT_EQ(h.progress, "");
  }
}

TEST(SendAll, StopsAtAnEntryThatIsNoCard) {
  QStringList log;
  for (const char* bad : {"", "abc", "4294967296", "-2147483649", "1e12"}) {
    FakeList list(log);
    FakeHost h;
    list.set({"5", bad, "6"});
    answerSends(h, {});
    h.prompts_.answers = {true};
    SendAllCards(h, list);
    EXPECT_EQ(h.fe.link.requests, std::vector<QByteArray>{"%NC00100000005**\r"}) << bad;
    EXPECT_EQ(list.current(), 1);
    EXPECT_EQ(h.log.mid(h.log.size() - 3),
              (QStringList{"close", "end", QStringLiteral("Geçersiz Kart ID: ") + QString::fromLatin1(bad)}));
  }
}

// ---- receive all ----

QByteArray cardLine(quint32 card) {
  return "$UC001" + QByteArray::number(card, 16).toUpper().rightJustified(8, '0') + "**\r";
}

TEST(ReceiveAll, ReplacesTheListWithTheReadersCards) {
  const struct {
    const char* name;
    QByteArray stream;
    QStringList list;
    QString message;
  } cases[] = {
      {"one card", cardLine(255) + "$UF001**\r", {"255"}, "Kart numaraları cihazdan alındı."},
      {"ffffffff", cardLine(0xFFFFFFFF) + "$UF001**\r", {"-1"}, "Kart numaraları cihazdan alındı."},
      {"bad trailer still counts", "$UC001000000FF*X\r$UF001**\r", {}, "Kart numaraları cihazdan alındı."},
      {"empty reader", "$UF001**\r", {}, "Cihaz kart hafızası boş"},
      {"error reply", "$XX001**\r", {}, "Cihaz kart hafızası boş"},
      {"silence after a card", cardLine(3), {"3"}, "Kart numaraları cihazdan alınamadı"},
  };
  for (const auto& c : cases) {
    FakeHost h;
    FakeList list(h.log);
    list.set({"old"});
    h.fe.link.onWrite = [&](const QByteArray&) { h.fe.link.deliverAfter(100, c.stream); };
    h.prompts_.answers = {true};
    ReceiveAllCards(h, list);
    EXPECT_EQ(h.fe.link.written, QByteArray("%UC001**\r")) << c.name;
    EXPECT_EQ(list.texts(), c.list) << c.name;
    for (int i = 0; i < list.count(); ++i) EXPECT_FALSE(list.marked(i)) << c.name;
    EXPECT_EQ(list.current(), -1) << c.name;
    EXPECT_EQ(h.log.mid(1), (QStringList{"clear", "open", "begin", "busy:" + c.message, "close", "end"})) << c.name;
  }
}

TEST(ReceiveAll, ClearsBeforeOpeningAndHonoursEsc) {
  QStringList log;
  {
    FakeList list(log);
    FakeHost h;
    h.openFails = true;
    list.set({"1"});
    h.prompts_.answers = {true};
    ReceiveAllCards(h, list);
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(h.log.contains("begin"));
  }
  {
    FakeList list(log);
    FakeHost h;
    list.set({"1"});
    ReceiveAllCards(h, list);  // No
    EXPECT_EQ(list.count(), 1);
  }
  {
    FakeList list(log);
    FakeHost h;
    h.esc = true;
    h.prompts_.answers = {true};
    ReceiveAllCards(h, list);
    EXPECT_FALSE(h.esc);
    EXPECT_EQ(h.prompts_.messages, QStringList{"İşlem durduruldu"});
  }
}

TEST(ReceiveAll, SerialShowsTheCardCount) {
  QStringList log;
  FakeList list(log);
  FakeHost h(LinkKind::Serial);
  h.fe.link.onWrite = [&](const QByteArray&) {
    h.fe.link.deliverAfter(100, cardLine(1) + cardLine(2));
    h.fe.link.deliverAfter(200, cardLine(3) + "$UF001**\r");
  };
  h.prompts_.answers = {true};
  ReceiveAllCards(h, list);
  EXPECT_EQ(h.progressHistory, (QStringList{"2", "3"}));
  EXPECT_EQ(list.batches, 2);

  FakeList list2(log);
  FakeHost t(LinkKind::Tcp);
  t.fe.link.onWrite = [&](const QByteArray&) { t.fe.link.deliverAfter(100, cardLine(1) + "$UF001**\r"); };
  t.prompts_.answers = {true};
  ReceiveAllCards(t, list2);
  EXPECT_TRUE(t.progressHistory.isEmpty());
  EXPECT_EQ(list2.texts(), QStringList{"1"});
}

// ---- erase all ----

TEST(EraseAll, AsksTheTwoLineQuestionAndReports) {
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
    FakeHost h;
    if (!c.reply.isEmpty()) {
      h.fe.link.onWrite = [&](const QByteArray&) { h.fe.link.deliverAfter(c.delayMs, c.reply); };
    }
    h.prompts_.answers = {true};
    EraseAllCards(h);
    EXPECT_EQ(h.fe.link.written, QByteArray("%EC001**\r"));
    EXPECT_EQ(h.log, (QStringList{"Tüm kart hafızasını silmek istediğinizden emin misiniz? \r\n"
                                  "Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir",
                                  "open", "begin", "end", c.message, "close"}))
        << c.name;
    EXPECT_EQ(h.progressHistory, QStringList{""});
  }
  FakeHost no;
  EraseAllCards(no);
  EXPECT_EQ(no.log.size(), 1);
  EXPECT_EQ(no.progress, "");
}

}  // namespace
}  // namespace tessaro
