// The console's pages: plain HTML written on the server, every value escaped,
// a form of a change carrying the session's token, and what a role may not do
// left off the page (the route refuses it all the same).

#include "pages.h"

#include <httplib.h>

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <map>

#include "accessstore.h"
#include "chart.h"
#include "jobstore.h"
#include "sitefile.h"

namespace tessaro::web {

namespace {

constexpr int kPageRows = 50;

QString Attr(const char* name, const QString& value) { return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), Esc(value)); }

QString Input(const char* name, const QString& label, const QString& value, const char* type = "text") {
  return QStringLiteral("<label>%1 <input type=\"%2\" name=\"%3\" id=\"%3\"%4></label>")
      .arg(Esc(label), QLatin1String(type), QLatin1String(name), Attr("value", value));
}

QString Message(const QString& text, bool error) {
  return text.isEmpty() ? QString()
                        : QStringLiteral("<p class=\"%1\" id=\"message\">%2</p>").arg(QLatin1String(error ? "error" : "note"), Esc(text));
}

QString Day(QDate d) { return d.isNull() ? QString() : d.toString(Qt::ISODate); }

QString Cards(const std::vector<quint32>& cards) {
  QStringList list;
  for (const quint32 c : cards) list << QString::number(c);
  return list.join(u' ');
}

QString Url(const char* path, const QList<std::pair<const char*, QString>>& query) {
  QStringList parts;
  for (const auto& [name, value] : query)
    if (!value.isEmpty()) parts << QLatin1String(name) + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
  return QLatin1String(path) + (parts.isEmpty() ? QString() : u'?' + parts.join(u'&'));
}

QString JobState(const Call& call, const QString& state) {
  if (state == QLatin1String("queued")) return call.tr(text::kQueued);
  if (state == QLatin1String("running")) return call.tr(text::kRunning);
  if (state == QLatin1String("done")) return call.tr(text::kDone);
  return call.tr(text::kFailed);
}

QString JobKindText(const Call& call, JobKind kind) {
  return call.tr(kind == JobKind::Pull ? text::kKindPull : kind == JobKind::Apply ? text::kKindApply : text::kKindSync);
}

QString ReaderResult(const Call& call, const std::optional<JobReader>& r, const QString& extra = {}) {
  if (!r) return call.tr(text::kNever);
  const QString word = r->ok ? call.tr(text::kReaderDone) : r->result;
  return Esc(QStringLiteral("%1 %2%3").arg(r->at, word, extra));
}

std::optional<AccessData> Data(Call& call) {
  std::optional<AccessData> data = LoadAccess(call.store);
  if (!data) call.fail(500, text::kStoreFailed);
  return data;
}

}  // namespace

QString Esc(const QString& text) { return text.toHtmlEscaped().replace(u'\'', QLatin1String("&#39;")); }

QString CsrfField(const Call& call) {
  return call.who ? QStringLiteral("<input type=\"hidden\" name=\"csrf\"%1>").arg(Attr("value", call.who->csrf)) : QString();
}

QString Layout(Call& call, const QString& title, const QString& body) {
  QString nav;
  if (call.who) {
    nav = QStringLiteral("<nav><a href=\"/passages\" id=\"nav-passages\">%1</a><a href=\"/holders\" id=\"nav-holders\">%2</a>"
                         "<a href=\"/lines\" id=\"nav-lines\">%3</a>")
              .arg(Esc(call.tr(text::kPassages)), Esc(call.tr(text::kHolders)), Esc(call.tr(text::kLines)));
    if (call.role() >= Role::Admin) nav += QStringLiteral("<a href=\"/users\" id=\"nav-users\">%1</a>").arg(Esc(call.tr(text::kUsers)));
    nav += QStringLiteral("<span class=\"who\"><a href=\"/account\" id=\"nav-account\">%1 (%2)</a>"
                          "<form method=\"post\" action=\"/logout\">%3<button id=\"logout\">%4</button></form></span></nav>")
               .arg(Esc(call.who->name), Esc(RoleName(call.role())), CsrfField(call), Esc(call.tr(text::kLogout)));
  }
  const QString lang = call.lang == Lang::En ? QStringLiteral("en") : QStringLiteral("tr");
  const QString other = call.lang == Lang::En ? QStringLiteral("<a href=\"?lang=tr\" id=\"lang\">Türkçe</a>")
                                              : QStringLiteral("<a href=\"?lang=en\" id=\"lang\">English</a>");
  return QStringLiteral("<!DOCTYPE html><html lang=\"%1\"><head><meta charset=\"utf-8\">"
                        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                        "<title>%2 · %3</title><link rel=\"stylesheet\" href=\"/static/style.css\">"
                        "<script src=\"/static/app.js\" defer></script></head><body><header><strong>%3</strong>%4%5</header>"
                        "<main><h1>%2</h1>%6</main></body></html>")
      .arg(lang, Esc(title), Esc(call.tr(text::kConsole)), nav, other, body);
}

QString ErrorPage(Call& call, const QString& message) { return Layout(call, message, QString()); }

void Asset(Call& call) {
  QFile f(QStringLiteral(":/web/") + call.match(1));
  if (!f.open(QIODevice::ReadOnly)) return call.fail(404, text::kNotFound);
  call.res.set_content(f.readAll().toStdString(), call.match(1).endsWith(QLatin1String(".css")) ? "text/css" : "text/javascript");
  call.res.set_header("Cache-Control", "max-age=3600");
}

void Home(Call& call) { call.redirect(QStringLiteral("/passages")); }

namespace {
void ShowLogin(Call& call, int status, const QString& message) {
  call.html(status, Layout(call, call.tr(text::kLogin),
                           Message(message, true) +
                               QStringLiteral("<form method=\"post\" action=\"/login\" class=\"login\">%1%2<button id=\"login\">%3</button></form>")
                                   .arg(Input("name", call.tr(text::kUserName), call.param("name")),
                                        Input("password", call.tr(text::kPassword), {}, "password"), Esc(call.tr(text::kLogin)))));
}
}  // namespace

void LoginPage(Call& call) {
  if (call.who) return call.redirect(QStringLiteral("/passages"));
  ShowLogin(call, 200, {});
}

void LoginPost(Call& call) {
  const Login login = LogIn(call.store, call.param("name"), call.param("password").toUtf8(), call.client,
                            QDateTime::currentSecsSinceEpoch());
  if (login.end == LoginEnd::Failed) return call.fail(500, text::kStoreFailed);
  if (login.end != LoginEnd::Ok) return ShowLogin(call, 401, call.tr(login.end == LoginEnd::Locked ? text::kLocked : text::kWrongLogin));
  call.res.set_header("Set-Cookie", QStringLiteral("tsid=%1; HttpOnly; SameSite=Strict; Path=/%2")
                                        .arg(QString::fromLatin1(login.token), QLatin1String(call.tls ? "; Secure" : ""))
                                        .toStdString());
  call.redirect(QStringLiteral("/passages"));
}

void LogoutPost(Call& call) {
  if (call.who->session.isEmpty() || !LogOut(call.store, *call.who, call.client)) return call.fail(400, text::kBadRequest);
  call.res.set_header("Set-Cookie", std::string("tsid=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0") + (call.tls ? "; Secure" : ""));
  call.redirect(QStringLiteral("/"));
}

namespace {
void ShowAccount(Call& call, int status, const QString& message, bool error) {
  call.html(status, Layout(call, call.tr(text::kAccount),
                           Message(message, error) +
                               QStringLiteral("<form method=\"post\" action=\"/account\">%1%2%3%4<button id=\"change-password\">%5</button></form>")
                                   .arg(CsrfField(call), Input("current", call.tr(text::kPassword), {}, "password"),
                                        Input("password", call.tr(text::kNewPassword), {}, "password"),
                                        Input("password2", call.tr(text::kPasswordAgain), {}, "password"),
                                        Esc(call.tr(text::kChangePassword)))));
}

bool GoodPassword(const QString& a, const QString& b) { return a == b && a.size() >= 8 && a.size() <= 1000; }

QByteArray StoredHash(RecordStore& store, qint64 userId) {
  QSqlQuery q(store.db());
  q.prepare(QStringLiteral("SELECT password FROM users WHERE id = ?"));
  q.addBindValue(userId);
  return q.exec() && q.next() ? q.value(0).toString().toLatin1() : QByteArray();
}
}  // namespace

void AccountPage(Call& call) { ShowAccount(call, 200, {}, false); }

void AccountPost(Call& call) {
  if (call.who->session.isEmpty()) return call.fail(403, text::kForbidden);
  if (!PasswordMatches(StoredHash(call.store, call.who->userId), call.param("current").toUtf8()))
    return ShowAccount(call, 400, call.tr(text::kWrongLogin), true);
  if (!GoodPassword(call.param("password"), call.param("password2"))) return ShowAccount(call, 400, call.tr(text::kPasswordsDiffer), true);
  if (!ChangePassword(call.store, *call.who, call.param("password").toUtf8(), call.client)) return call.fail(500, text::kStoreFailed);
  ShowAccount(call, 200, call.tr(text::kPasswordChanged), false);
}

void PassagesPage(Call& call) {
  QString bad;
  std::optional<PassageFilter> filter = FilterOf(call, &bad);
  const QString form =
      QStringLiteral("<form method=\"get\" action=\"/passages\" class=\"filter\">%1%2%3%4<button id=\"list\">%5</button></form>")
          .arg(Input("from", call.tr(text::kFrom), call.param("from")), Input("to", call.tr(text::kTo), call.param("to")),
               Input("readers", call.tr(text::kReaders), call.param("readers")),
               Input("card", call.tr(text::kCardId), call.param("card")), Esc(call.tr(text::kList)));
  if (!filter) return call.html(400, Layout(call, call.tr(text::kPassages), form + Message(call.tr(text::kBadFilter).arg(bad), true)));
  const std::optional<PassageSummary> summary = SummaryOf(call.store, *filter);
  std::optional<Passage> after;
  if (call.has("after_id")) after = Passage{call.param("after_id").toLongLong(), {}, 0, 0, call.param("after_stamp")};
  const auto page = PassagePage(call.store, *filter, after ? &*after : nullptr, kPageRows);
  if (!summary || !page) return call.fail(500, text::kStoreFailed);
  const QList<std::pair<const char*, QString>> query = {
      {"from", call.param("from")}, {"to", call.param("to")}, {"readers", call.param("readers")}, {"card", call.param("card")}};
  QString body = form + QStringLiteral("<p id=\"count\">%1 · <a href=\"%2\" id=\"csv\">%3</a></p>")
                            .arg(Esc(call.tr(text::kCount).arg(summary->count)), Esc(Url("/passages.csv", query)), Esc(call.tr(text::kCsv)));
  body += ChartSvg(call, *summary);
  body += QStringLiteral("<table id=\"passages\"><thead><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th><th>%5</th><th>%6</th></tr></thead><tbody>")
              .arg(Esc(call.tr(text::kTime)), Esc(call.tr(text::kLine)), Esc(call.tr(text::kReader)), Esc(call.tr(text::kCard)),
                   Esc(call.tr(text::kDirection)), Esc(call.tr(text::kHolder)));
  for (const Passage& p : *page)
    body += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                .arg(Esc(p.stamp), Esc(p.line))
                .arg(p.address)
                .arg(p.card)
                .arg(Esc(p.type == 1 ? call.tr(text::kEntry) : p.type == 2 ? call.tr(text::kExit) : QStringLiteral("?")), Esc(p.holder));
  body += QStringLiteral("</tbody></table><p class=\"pages\">");
  if (after) body += QStringLiteral("<a href=\"%1\" id=\"first-page\">%2</a> ").arg(Esc(Url("/passages", query)), Esc(call.tr(text::kFirstPage)));
  if (static_cast<int>(page->size()) == kPageRows) {
    auto next = query;
    next.append({{"after_stamp", page->back().stamp}, {"after_id", QString::number(page->back().id)}});
    body += QStringLiteral("<a href=\"%1\" id=\"next-page\">%2</a>").arg(Esc(Url("/passages", next)), Esc(call.tr(text::kNextPage)));
  }
  call.html(200, Layout(call, call.tr(text::kPassages), body + QStringLiteral("</p>")));
}

namespace {
// A field as spreadsheets read it back; a value that would start a formula is kept as text.
QString CsvField(QString v) {
  if (!v.isEmpty() && QStringLiteral("=+-@\t\r").contains(v.front())) v.prepend(u'\'');
  if (v.contains(u';') || v.contains(u'"') || v.contains(u'\n') || v.contains(u'\'')) v = u'"' + v.replace(u'"', QLatin1String("\"\"")) + u'"';
  return v;
}
}  // namespace

void PassagesCsv(Call& call) {
  QString bad;
  const std::optional<PassageFilter> filter = FilterOf(call, &bad);
  if (!filter) return call.fail(400, text::kBadRequest);
  call.res.set_header("Content-Disposition", "attachment; filename=\"passages.csv\"");
  // Written a page at a time while it goes out: a million passages never sit in memory whole.
  struct State {
    PassageFilter filter;
    std::optional<Passage> last;
    bool header = true;
    Lang lang;
  };
  auto state = std::make_shared<State>(State{*filter, std::nullopt, true, call.lang});
  RecordStore* store = &call.store;
  const QString heading = QStringLiteral("\xFEFF%1;%2;%3;%4;%5;%6\r\n")
                              .arg(call.tr(text::kTime), call.tr(text::kLine), call.tr(text::kReader), call.tr(text::kCard),
                                   call.tr(text::kDirection), call.tr(text::kHolder));
  const QString entry = call.tr(text::kEntry), exit = call.tr(text::kExit);
  call.res.set_chunked_content_provider("text/csv; charset=utf-8", [state, store, heading, entry, exit](size_t, httplib::DataSink& sink) {
    QString out;
    if (state->header) out = heading, state->header = false;
    const auto page = PassagePage(*store, state->filter, state->last ? &*state->last : nullptr, 2000);
    if (!page) return false;
    for (const Passage& p : *page)
      out += QStringLiteral("%1;%2;%3;%4;%5;%6\r\n")
                 .arg(CsvField(p.stamp), CsvField(p.line))
                 .arg(p.address)
                 .arg(p.card)
                 .arg(p.type == 1 ? entry : p.type == 2 ? exit : QStringLiteral("?"), CsvField(p.holder));
    const QByteArray bytes = out.toUtf8();
    if (!bytes.isEmpty() && !sink.write(bytes.constData(), bytes.size())) return false;
    if (page->size() < 2000) sink.done();
    else state->last = page->back();
    return true;
  });
}

namespace {
constexpr int kHolderRows = 100;

QString GroupBoxes(const Call& call, const std::vector<AccessGroup>& groups, const std::vector<qint64>& checked, bool editable) {
  QString boxes = QStringLiteral("<fieldset><legend>%1</legend>").arg(Esc(call.tr(text::kGroups)));
  for (const AccessGroup& g : groups) {
    const bool on = std::find(checked.begin(), checked.end(), g.id) != checked.end();
    boxes += QStringLiteral("<label><input type=\"checkbox\" name=\"groups\"%1%2%3> %4</label>")
                 .arg(Attr("value", g.name), QLatin1String(on ? " checked" : ""), QLatin1String(editable ? "" : " disabled"), Esc(g.name));
  }
  return boxes + QStringLiteral("</fieldset>");
}

QString HolderForm(const Call& call, const std::vector<AccessGroup>& groups, const AccessHolder& h, const QString& action, bool isNew) {
  QString form = QStringLiteral("<form method=\"post\"%1 class=\"holder\" id=\"holder-form\">%2").arg(Attr("action", action), CsrfField(call));
  form += Input("name", call.tr(text::kName), h.name) + Input("cards", call.tr(text::kCards), Cards(h.cards)) +
          Input("from", call.tr(text::kValidFrom), Day(h.validFrom)) + Input("until", call.tr(text::kValidUntil), Day(h.validUntil)) +
          Input("note", call.tr(text::kNote), h.note);
  if (!isNew)
    form += QStringLiteral("<label><input type=\"checkbox\" name=\"enabled\" value=\"1\"%1> %2</label>")
                .arg(QLatin1String(h.enabled ? " checked" : ""), Esc(call.tr(text::kEnabled)));
  form += GroupBoxes(call, groups, h.groups, true);
  return form + QStringLiteral("<button id=\"save\">%1</button></form>").arg(Esc(call.tr(isNew ? text::kNewHolder : text::kSave)));
}

HolderFields FormFields(const Call& call, bool isNew) {
  HolderFields f{call.param("name"), call.param("cards"), call.param("from"), call.param("until"), call.param("note"),
                 call.params("groups"), std::nullopt};
  if (!isNew) f.enabled = call.param("enabled") == QLatin1String("1");
  return f;
}

// One page of holders, by name, whose name holds `search` or who hold the card `search`: read
// for the page alone, with their cards and groups, so a site of thousands of holders shows at once.
struct HolderRow {
  qint64 id = 0;
  QString name, cards, groups, from, until;
  bool enabled = true;
};
std::optional<std::vector<HolderRow>> HolderRows(RecordStore& store, const QString& search, int offset) {
  QSqlQuery q(store.db());
  q.setForwardOnly(true);
  q.prepare(QStringLiteral("SELECT id, name, enabled, valid_from, valid_until FROM holders WHERE ? = '' OR LOWER(name) LIKE ? ESCAPE '\\' "
                           "OR id IN (SELECT holder FROM cards WHERE CAST(number AS TEXT) = ?) ORDER BY name LIMIT %1 OFFSET %2")
                .arg(kHolderRows + 1)
                .arg(offset));
  QString pattern = search.toLower();
  pattern.replace(u'\\', QLatin1String("\\\\")).replace(u'%', QLatin1String("\\%")).replace(u'_', QLatin1String("\\_"));
  for (const QVariant& v : QVariantList{search, u'%' + pattern + u'%', search}) q.addBindValue(v);
  if (!q.exec()) return std::nullopt;
  std::vector<HolderRow> rows;
  std::map<qint64, size_t> at;
  QStringList ids;
  while (q.next()) {
    at[q.value(0).toLongLong()] = rows.size();
    ids << q.value(0).toString();
    rows.push_back({q.value(0).toLongLong(), q.value(1).toString(), {}, {}, q.value(3).toString(), q.value(4).toString(), q.value(2).toInt() != 0});
  }
  if (rows.empty()) return rows;
  // The ids are the store's own numbers, not the user's text.
  const QString in = ids.join(u',');
  if (!q.exec(QStringLiteral("SELECT holder, number FROM cards WHERE holder IN (%1) ORDER BY number").arg(in))) return std::nullopt;
  while (q.next()) {
    QString& cards = rows[at[q.value(0).toLongLong()]].cards;
    cards += (cards.isEmpty() ? QString() : QStringLiteral(" ")) + q.value(1).toString();
  }
  if (!q.exec(QStringLiteral("SELECT m.holder, g.name FROM memberships m JOIN groups g ON g.id = m.grp WHERE m.holder IN (%1) ORDER BY g.name").arg(in)))
    return std::nullopt;
  while (q.next()) {
    QString& groups = rows[at[q.value(0).toLongLong()]].groups;
    groups += (groups.isEmpty() ? QString() : QStringLiteral(", ")) + q.value(1).toString();
  }
  return rows;
}

std::optional<std::vector<AccessGroup>> Groups(RecordStore& store) {
  QSqlQuery q(store.db());
  if (!q.exec(QStringLiteral("SELECT id, name FROM groups ORDER BY name"))) return std::nullopt;
  std::vector<AccessGroup> groups;
  while (q.next()) groups.push_back({q.value(0).toLongLong(), q.value(1).toString(), {}});
  return groups;
}

void ShowHolders(Call& call, int status, const QString& message, const AccessHolder& draft) {
  const QString search = call.param("q").trimmed();
  const int offset = std::max(0, call.param("offset").toInt());
  const auto groups = Groups(call.store);
  auto rows = groups ? HolderRows(call.store, search, offset) : std::nullopt;
  if (!rows) return call.fail(500, text::kStoreFailed);
  QString body = Message(message, status >= 400);
  if (call.role() >= Role::Operator)
    body += QStringLiteral("<details%1><summary>%2</summary>%3</details>")
                .arg(QLatin1String(status >= 400 ? " open" : ""), Esc(call.tr(text::kNewHolder)),
                     HolderForm(call, *groups, draft, QStringLiteral("/holders"), true));
  body += QStringLiteral("<form method=\"get\" action=\"/holders\" class=\"filter\">%1<button>%2</button></form>")
              .arg(Input("q", call.tr(text::kSearch), search), Esc(call.tr(text::kList)));
  body += QStringLiteral("<table id=\"holders\"><thead><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th><th>%5</th></tr></thead><tbody>")
              .arg(Esc(call.tr(text::kHolder)), Esc(call.tr(text::kCards)), Esc(call.tr(text::kGroups)), Esc(call.tr(text::kDates)),
                   Esc(call.tr(text::kState)));
  const bool more = static_cast<int>(rows->size()) > kHolderRows;
  if (more) rows->pop_back();
  for (const HolderRow& h : *rows)
    body += QStringLiteral("<tr><td><a href=\"/holders/%1\">%2</a></td><td>%3</td><td>%4</td><td>%5 – %6</td><td>%7</td></tr>")
                .arg(h.id)
                .arg(Esc(h.name), Esc(h.cards), Esc(h.groups), Esc(h.from), Esc(h.until), Esc(call.tr(h.enabled ? text::kEnabled : text::kDisabled)));
  body += QStringLiteral("</tbody></table>");
  if (more)
    body += QStringLiteral("<p class=\"pages\"><a href=\"%1\" id=\"next-page\">%2</a></p>")
                .arg(Esc(Url("/holders", {{"q", search}, {"offset", QString::number(offset + kHolderRows)}})), Esc(call.tr(text::kNextPage)));
  call.html(status, Layout(call, call.tr(text::kHolders), body));
}

// The doors whose reader gets the holder's cards at the next apply, as each door's list has it today.
QString PlanOf(const Call& call, const AccessData& data, const AccessHolder& h) {
  QString rows;
  const std::map<qint64, WantedList> lists = WantedLists(data, QDate::currentDate());
  for (const AccessDoor& d : data.doors) {
    const WantedList& w = lists.at(d.id);
    std::vector<quint32> going;
    for (const quint32 c : h.cards)
      if (std::binary_search(w.cards.begin(), w.cards.end(), c)) going.push_back(c);
    if (going.empty()) continue;
    rows += QStringLiteral("<li>%1: %2%3</li>")
                .arg(Esc(d.shown()), Esc(Cards(going)), w.overLimit() ? Esc(QStringLiteral(" (%1)").arg(call.tr(text::kOverLimit))) : QString());
  }
  return QStringLiteral("<h2>%1</h2><ul id=\"plan\">%2</ul>").arg(Esc(call.tr(text::kPlan)), rows.isEmpty() ? Esc(call.tr(text::kNoDoor)) : rows);
}

void ShowHolder(Call& call, const AccessData& data, const AccessHolder& h, int status, const QString& message) {
  QString body = Message(message, status >= 400);
  if (call.role() >= Role::Operator) {
    body += HolderForm(call, data.groups, h, QStringLiteral("/holders/%1").arg(h.id), false);
    if (h.enabled)
      body += QStringLiteral("<form method=\"post\" action=\"/holders/%1/disable\">%2<button id=\"disable\">%3</button></form>")
                  .arg(h.id)
                  .arg(CsrfField(call), Esc(call.tr(text::kDisable)));
  } else {
    body += QStringLiteral("<dl><dt>%1</dt><dd>%2</dd><dt>%3</dt><dd>%4 – %5</dd><dt>%6</dt><dd>%7</dd></dl>")
                .arg(Esc(call.tr(text::kCards)), Esc(Cards(h.cards)), Esc(call.tr(text::kDates)), Day(h.validFrom), Day(h.validUntil),
                     Esc(call.tr(text::kState)), Esc(call.tr(h.enabled ? text::kEnabled : text::kDisabled)));
    body += GroupBoxes(call, data.groups, h.groups, false);
  }
  call.html(status, Layout(call, h.name, body + PlanOf(call, data, h)));
}

const AccessHolder* HolderById(const AccessData& data, qint64 id) {
  for (const AccessHolder& h : data.holders)
    if (h.id == id) return &h;
  return nullptr;
}
}  // namespace

void HoldersPage(Call& call) { ShowHolders(call, 200, {}, {}); }

void HolderPage(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessHolder* h = HolderById(*data, call.match(1).toLongLong());
  if (!h) return call.fail(404, text::kNotFound);
  ShowHolder(call, *data, *h, 200, call.has("saved") ? call.tr(text::kSaved) : QString());
}

void HolderAddPost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  QString why;
  std::optional<AccessHolder> h = CheckHolder(call, *data, {}, FormFields(call, true), &why);
  if (!h || !SaveHolder(call, *data, nullptr, *h, &why)) {
    AccessHolder draft;
    draft.name = call.param("name");
    draft.note = call.param("note");
    return ShowHolders(call, 400, call.tr(text::kBadHolder).arg(why), draft);
  }
  call.redirect(QStringLiteral("/holders/%1?saved=1").arg(h->id));
}

void HolderEditPost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessHolder* before = HolderById(*data, call.match(1).toLongLong());
  if (!before) return call.fail(404, text::kNotFound);
  QString why;
  std::optional<AccessHolder> h = CheckHolder(call, *data, *before, FormFields(call, false), &why);
  if (!h || !SaveHolder(call, *data, before, *h, &why)) return ShowHolder(call, *data, *before, 400, call.tr(text::kBadHolder).arg(why));
  call.redirect(QStringLiteral("/holders/%1?saved=1").arg(h->id));
}

void HolderDisablePost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessHolder* before = HolderById(*data, call.match(1).toLongLong());
  if (!before) return call.fail(404, text::kNotFound);
  AccessHolder h = *before;
  h.enabled = false;
  QString why;
  if (!SaveHolder(call, *data, before, h, &why)) return call.fail(500, text::kStoreFailed);
  call.redirect(QStringLiteral("/holders/%1?saved=1").arg(h.id));
}

namespace {
void ShowLines(Call& call, int status, const QString& message) {
  const auto data = Data(call);
  if (!data) return;
  QString body = Message(message, status >= 400);
  for (const AccessLine& line : data->lines) {
    const auto status_ = LineStatus(call.store, line.name);
    const auto jobs = ListJobs(call.store, line.name, 5);
    if (!status_ || !jobs) return call.fail(500, text::kStoreFailed);
    body += QStringLiteral("<section class=\"line\"><h2>%1 <small>%2</small></h2>").arg(Esc(line.name), Esc(line.link));
    if (call.role() >= Role::Operator) {
      body += QStringLiteral("<div class=\"actions\">");
      for (const auto& [kind, caption] : {std::pair{JobKind::Pull, text::kPullNow}, std::pair{JobKind::Apply, text::kApplyNow},
                                          std::pair{JobKind::Sync, text::kSyncNow}})
        body += QStringLiteral("<form method=\"post\" action=\"/jobs\">%1<input type=\"hidden\" name=\"line\"%2>"
                               "<input type=\"hidden\" name=\"kind\"%3><button%4>%5</button></form>")
                    .arg(CsrfField(call), Attr("value", line.name), Attr("value", JobKindName(kind)),
                         Attr("id", JobKindName(kind) + u'-' + line.name), Esc(call.tr(caption)));
      body += QStringLiteral("</div>");
    }
    body += QStringLiteral("<table class=\"doors\"><thead><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th><th>%5</th><th>%6</th></tr></thead><tbody>")
                .arg(Esc(call.tr(text::kReader)), Esc(call.tr(text::kDoor)), Esc(call.tr(text::kModel)), Esc(call.tr(text::kLastPull)),
                     Esc(call.tr(text::kDrift)), Esc(call.tr(text::kLastApply)));
    for (const AccessDoor& d : data->doors) {
      if (d.line != line.name) continue;
      ReaderStatus s{d.address, {}, {}, {}};
      for (const ReaderStatus& r : *status_)
        if (r.address == d.address) s = r;
      const QString records = s.pull && s.pull->records ? QStringLiteral(" (%1)").arg(*s.pull->records) : QString();
      const QString drift = s.sync && s.sync->drift ? QString::number(*s.sync->drift) : QStringLiteral("–");
      body += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                  .arg(d.address)
                  .arg(Esc(d.name), Esc(ModelName(d.model)), ReaderResult(call, s.pull, records), Esc(drift), ReaderResult(call, s.apply));
    }
    body += QStringLiteral("</tbody></table><h3>%1</h3><ul class=\"jobs\">").arg(Esc(call.tr(text::kRecentJobs)));
    for (const LineJob& j : *jobs)
      body += QStringLiteral("<li><a href=\"/jobs/%1\">%2</a> %3 · %4 · %5</li>")
                  .arg(j.id)
                  .arg(Esc(call.tr(text::kJob).arg(j.id)), Esc(JobKindText(call, j.kind)), Esc(j.requestedAt), Esc(JobState(call, j.state)));
    body += QStringLiteral("</ul></section>");
  }
  if (call.role() >= Role::Admin) {
    body += QStringLiteral("<section class=\"admin\"><h2>%1</h2><form method=\"post\" action=\"/lines\">%2%3%4<button id=\"add-line\">%1</button></form>")
                .arg(Esc(call.tr(text::kAddLine)), CsrfField(call), Input("name", call.tr(text::kName), {}),
                     Input("link", call.tr(text::kLink), QStringLiteral("tcp 10.0.0.20:5600")));
    QString lines, models;
    for (const AccessLine& l : data->lines) lines += QStringLiteral("<option%1>%2</option>").arg(Attr("value", l.name), Esc(l.name));
    for (int m = 0; m < kModelCount; ++m) models += QStringLiteral("<option>%1</option>").arg(Esc(ModelName(static_cast<DeviceModel>(m))));
    body += QStringLiteral("<h2>%1</h2><form method=\"post\" action=\"/doors\">%2<label>%3 <select name=\"line\">%4</select></label>%5%6"
                           "<label>%7 <select name=\"model\">%8</select></label><button id=\"add-door\">%1</button></form></section>")
                .arg(Esc(call.tr(text::kAddDoor)), CsrfField(call), Esc(call.tr(text::kLine)), lines,
                     Input("address", call.tr(text::kAddress), {}), Input("name", call.tr(text::kName), {}), Esc(call.tr(text::kModel)), models);
  }
  call.html(status, Layout(call, call.tr(text::kLines), body));
}
}  // namespace

void LinesPage(Call& call) { ShowLines(call, 200, {}); }

void LinePost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const AccessLine line{call.param("name").trimmed(), call.param("link").trimmed()};
  if (!ValidName(line.name, true)) return ShowLines(call, 400, call.tr(text::kBadName));
  if (!ParseLinkText(line.link)) return ShowLines(call, 400, call.tr(text::kBadLink));
  AccessChanges changes(call.store, call.actor());
  if (!changes.begun() || !changes.saveLine(data->line(line.name), line) || !changes.commit()) return call.fail(500, text::kStoreFailed);
  call.redirect(QStringLiteral("/lines"));
}

void DoorPost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  AccessDoor door;
  door.line = call.param("line");
  door.name = call.param("name").trimmed();
  bool ok = false;
  door.address = call.param("address").toInt(&ok);
  const std::optional<DeviceModel> model = ModelFromName(call.param("model"));
  if (!data->line(door.line)) return ShowLines(call, 400, call.tr(text::kNoLine));
  if (!ok || door.address < 1 || door.address > 255) return ShowLines(call, 400, call.tr(text::kBadAddress));
  if (!model) return ShowLines(call, 400, call.tr(text::kBadModel));
  if (!ValidName(door.name, true)) return ShowLines(call, 400, call.tr(text::kBadName));
  if (data->door(door.name) || data->door(QStringLiteral("%1:%2").arg(door.line).arg(door.address)))
    return ShowLines(call, 400, call.tr(text::kAddressTaken));
  door.model = *model;
  AccessChanges changes(call.store, call.actor());
  if (!changes.begun() || !changes.saveDoor(nullptr, door) || !changes.commit()) return call.fail(500, text::kStoreFailed);
  call.redirect(QStringLiteral("/lines"));
}

void JobPost(Call& call) {
  const auto data = Data(call);
  if (!data) return;
  const std::optional<JobKind> kind = JobKindFromName(call.param("kind"));
  if (!data->line(call.param("line")) || !kind) return ShowLines(call, 400, call.tr(text::kNoLine));
  const std::optional<qint64> id = QueueJob(call.store, call.param("line"), *kind, call.actor().user);
  if (!id || !WriteAudit(call.store, call.actor(), QStringLiteral("job"), call.param("line"), {}, {{"id", *id}, {"kind", JobKindName(*kind)}}))
    return call.fail(500, text::kStoreFailed);
  call.redirect(QStringLiteral("/jobs/%1").arg(*id));
}

void JobPage(Call& call) {
  const qint64 id = call.match(1).toLongLong();
  const std::optional<LineJob> job = FindJob(call.store, id);
  if (!job) return call.store.lastError().isEmpty() ? call.fail(404, text::kNotFound) : call.fail(500, text::kStoreFailed);
  const auto readers = JobReaders(call.store, id);
  if (!readers) return call.fail(500, text::kStoreFailed);
  const bool open = job->state == QLatin1String("queued") || job->state == QLatin1String("running");
  QString body = QStringLiteral("<dl id=\"job\"%1><dt>%2</dt><dd>%3</dd><dt>%4</dt><dd>%5</dd><dt>%6</dt><dd id=\"job-state\">%7</dd>"
                                "<dt>%8</dt><dd>%9</dd>")
                     .arg(open ? QStringLiteral(" data-refresh=\"2\"") : QString(), Esc(call.tr(text::kLine)), Esc(job->line),
                          Esc(call.tr(text::kKind)), Esc(JobKindText(call, job->kind)), Esc(call.tr(text::kState)),
                          Esc(JobState(call, job->state)), Esc(call.tr(text::kRequested)), Esc(job->requestedBy + u' ' + job->requestedAt));
  body += QStringLiteral("<dt>%1</dt><dd>%2</dd><dt>%3</dt><dd id=\"job-summary\">%4</dd></dl>")
              .arg(Esc(call.tr(text::kWorker)), Esc(job->worker + u' ' + job->startedAt), Esc(call.tr(text::kResult)),
                   Esc(job->summary + u' ' + job->finishedAt));
  if (job->state == QLatin1String("queued")) body += Message(call.tr(text::kWaitingWorker), false);
  body += QStringLiteral("<table id=\"job-readers\"><thead><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th></tr></thead><tbody>")
              .arg(Esc(call.tr(text::kReader)), Esc(call.tr(text::kResult)), Esc(call.tr(text::kRecordCount)), Esc(call.tr(text::kDrift)));
  for (const JobReader& r : *readers)
    body += QStringLiteral("<tr class=\"%1\"><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                .arg(QLatin1String(r.ok ? "ok" : "failed"))
                .arg(r.address)
                .arg(Esc(r.ok ? call.tr(text::kReaderDone) : r.result), r.records ? QString::number(*r.records) : QString(),
                     r.drift ? QString::number(*r.drift) : QString());
  call.html(200, Layout(call, call.tr(text::kJob).arg(id), body + QStringLiteral("</tbody></table>")));
}

namespace {
void ShowUsers(Call& call, int status, const QString& message) {
  QSqlQuery q(call.store.db());
  if (!q.exec(QStringLiteral("SELECT name, role, created_at FROM users ORDER BY name"))) return call.fail(500, text::kStoreFailed);
  QString body = Message(message, status >= 400) +
                 QStringLiteral("<table id=\"users\"><thead><tr><th>%1</th><th>%2</th></tr></thead><tbody>")
                     .arg(Esc(call.tr(text::kUserName)), Esc(call.tr(text::kRole)));
  while (q.next()) body += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(Esc(q.value(0).toString()), Esc(q.value(1).toString()));
  QString roles;
  for (const Role r : {Role::Viewer, Role::Operator, Role::Admin}) roles += QStringLiteral("<option>%1</option>").arg(Esc(RoleName(r)));
  body += QStringLiteral("</tbody></table><form method=\"post\" action=\"/users\">%1%2<label>%3 <select name=\"role\">%4</select></label>%5%6"
                         "<button id=\"save-user\">%7</button></form>")
              .arg(CsrfField(call), Input("name", call.tr(text::kUserName), {}), Esc(call.tr(text::kRole)), roles,
                   Input("password", call.tr(text::kPassword), {}, "password"), Input("password2", call.tr(text::kPasswordAgain), {}, "password"),
                   Esc(call.tr(text::kSaveUser)));
  call.html(status, Layout(call, call.tr(text::kUsers), body));
}
}  // namespace

void UsersPage(Call& call) { ShowUsers(call, 200, {}); }

void UserPost(Call& call) {
  const QString name = call.param("name").trimmed();
  const std::optional<Role> role = RoleFromName(call.param("role"));
  if (!ValidName(name, true) || !role) return ShowUsers(call, 400, call.tr(text::kBadName));
  if (!GoodPassword(call.param("password"), call.param("password2"))) return ShowUsers(call, 400, call.tr(text::kPasswordsDiffer));
  if (!SetUser(call.store, name, *role, call.param("password").toUtf8(), call.actor())) return call.fail(500, text::kStoreFailed);
  ShowUsers(call, 200, call.tr(text::kUserSaved));
}

}  // namespace tessaro::web
