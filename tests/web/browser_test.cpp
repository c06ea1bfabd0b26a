// The console in a real browser: Debian's headless Chromium, driven through
// chromedriver's WebDriver protocol (HTTP and JSON), as its users click it.

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include "webrig.h"

namespace tessaro {
namespace {

class Browser {
 public:
  explicit Browser(const QString& folder) : downloads_(folder + "/downloads") {
    QTcpServer probe;  // a free port for the driver
    probe.listen(QHostAddress::LocalHost);
    const int port = probe.serverPort();
    probe.close();
    driver_.start("chromedriver", {QStringLiteral("--port=%1").arg(port)});
    http_ = std::make_unique<httplib::Client>("127.0.0.1", port);
    http_->set_read_timeout(60, 0);
    for (int i = 0; i < 100 && !http_->Get("/status"); ++i) QThread::msleep(50);
    const QJsonArray args = {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--user-data-dir=" + folder + "/profile"};
    const QJsonObject caps{{"browserName", "chrome"}, {"goog:chromeOptions", QJsonObject{{"binary", "/usr/bin/chromium"}, {"args", args},
                                                                                           {"prefs", QJsonObject{{"intl.accept_languages", "tr-TR,tr"}}}}}};
    session_ = call("POST", "/session", {{"capabilities", QJsonObject{{"alwaysMatch", caps}}}})["sessionId"].toString().toStdString();
    call("POST", "/goog/cdp/execute", {{"cmd", "Browser.setDownloadBehavior"},
                                       {"params", QJsonObject{{"behavior", "allow"}, {"downloadPath", downloads_}}}});
  }
  ~Browser() {
    if (!session_.empty()) http_->Delete("/session/" + session_);
    driver_.kill();
    driver_.waitForFinished();
  }
  bool started() const { return !session_.empty(); }
  QJsonValue call(const char* method, const std::string& path, const QJsonObject& body = {}) {
    const std::string at = (path == "/session" ? "" : "/session/" + session_) + path;
    const auto res = QByteArray(method) == "GET" ? http_->Get(at)
                                                 : http_->Post(at, QJsonDocument(body).toJson().toStdString(), "application/json");
    if (!res) return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object()["value"];
  }
  void go(const std::string& url) { call("POST", "/url", {{"url", QString::fromStdString(url)}}); }
  std::string find(const QString& css) {
    const QJsonObject e = call("POST", "/element", {{"using", "css selector"}, {"value", css}}).toObject();
    return e.isEmpty() || e.contains("error") ? std::string() : e.begin().value().toString().toStdString();
  }
  int count(const QString& css) { return call("POST", "/elements", {{"using", "css selector"}, {"value", css}}).toArray().size(); }
  void type(const QString& css, const QString& text) {
    const std::string e = find(css);
    call("POST", "/element/" + e + "/clear");
    call("POST", "/element/" + e + "/value", {{"text", text}});
  }
  void click(const QString& css) { call("POST", "/element/" + find(css) + "/click"); }
  // A click that loads another page, waited for: the old page is marked, and gone when the new one is complete.
  void submit(const QString& css) {
    call("POST", "/execute/sync", {{"script", "window.oldPage = true;"}, {"args", QJsonArray()}});
    click(css);
    for (int i = 0; i < 200; ++i) {
      const QJsonValue done = call("POST", "/execute/sync", {{"script", "return !window.oldPage && document.readyState === 'complete';"},
                                                            {"args", QJsonArray()}});
      if (done.toBool()) return;
      QThread::msleep(25);
    }
  }
  QString text(const QString& css) { return call("GET", "/element/" + find(css) + "/text").toString(); }
  void logIn(const QString& name, const QString& password) {
    type("#name", name), type("#password", password), submit("#login");
  }
  QJsonValue script(const QString& js) { return call("POST", "/execute/async", {{"script", js}, {"args", QJsonArray()}}); }
  QString downloads_;

 private:
  QProcess driver_;
  std::unique_ptr<httplib::Client> http_;
  std::string session_;
};

TEST(Browser, AUsersDayInTheConsole) {
  test::WebRig rig;
  Browser b(rig.dir.path());
  ASSERT_TRUE(b.started()) << "chromedriver or chromium did not start";
  const std::string site = rig.origin();
  b.go(site + "/passages");
  b.logIn("oya", "yanlis");
  EXPECT_EQ(b.text("#message").toStdString(), "Kullanıcı adı veya şifre hatalı.");
  b.logIn("oya", "parola-123");
  EXPECT_TRUE(b.text("#count").startsWith("3 geçiş"));
  // One card's passages, and the same as a file.
  b.type("#card", "4242"), b.submit("#list");
  EXPECT_TRUE(b.text("#count").startsWith("2 geçiş"));
  EXPECT_EQ(b.count("#passages tbody tr"), 2);
  EXPECT_EQ(b.count("#chart rect"), 31);
  b.click("#csv");
  QFile csv(b.downloads_ + "/passages.csv");
  for (int i = 0; i < 100 && !csv.exists(); ++i) QThread::msleep(50);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(csv.readAll()).split("\r\n").mid(1),
            QStringList({"2025-01-05 17:45:10;A;3;4242;Çıkış;Ayşe Demir", "2025-01-05 09:03:00;A;3;4242;Giriş;Ayşe Demir", ""}));
  // A new holder in the group of the door, and where the card will go.
  b.go(site + "/holders");
  b.click("summary");
  b.type("#holder-form #name", "Mehmet Öz"), b.type("#holder-form #cards", "5151");
  b.click("#holder-form input[value=Personel]"), b.submit("#save");
  EXPECT_EQ(b.text("#plan").toStdString(), "Ana Giriş (A:3): 5151");
  b.submit("#logout");
  // Five failures lock the name, the right password then too.
  for (int i = 0; i < 5; ++i) b.logIn("yusuf", "yanlis");
  b.logIn("yusuf", "parola-123");
  EXPECT_EQ(b.text("#message").toStdString(), "Çok fazla hatalı giriş: hesap 15 dakika kilitli.");
  // A viewer sees no control that changes anything, and a change sent anyway is refused.
  b.logIn("izzet", "parola-123");
  b.go(site + "/holders/1");
  EXPECT_EQ(b.count("form#holder-form") + b.count("#disable") + b.count("#save"), 0);
  b.go(site + "/lines");
  EXPECT_EQ(b.count(".actions") + b.count("#add-line"), 0);
  EXPECT_EQ(b.script("const done = arguments[0]; fetch('/holders', {method: 'POST', body: new URLSearchParams({csrf: "
                     "document.querySelector('input[name=csrf]').value, name: 'X'})}).then(r => done(r.status));")
                .toInt(),
            403);
  b.go(site + "/lines?lang=en");
  EXPECT_EQ(b.text("h1").toStdString(), "Doors and Lines");
  b.go(site + "/passages");
  EXPECT_EQ(b.text("#list").toStdString(), "List");
}

}  // namespace
}  // namespace tessaro
