#include "chart.h"

#include <QSqlQuery>
#include <algorithm>
#include <map>
#include <mutex>

#include "pages.h"

namespace tessaro::web {

QString BarsSvg(const QString& title, const std::vector<std::pair<QString, qint64>>& bars) {
  constexpr int kWidth = 960, kHeight = 160, kTop = 16, kBottom = 20;
  qint64 most = 1;
  for (const auto& b : bars) most = std::max(most, b.second);
  const double step = bars.empty() ? kWidth : double(kWidth) / bars.size();
  QString svg = QStringLiteral("<figure class=\"chart\"><figcaption>%1</figcaption><svg id=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" "
                               "viewBox=\"0 0 %2 %3\" role=\"img\"><text x=\"0\" y=\"11\" font-size=\"11\">%4</text>")
                    .arg(Esc(title))
                    .arg(kWidth)
                    .arg(kHeight)
                    .arg(most);
  const int usable = kHeight - kTop - kBottom;
  for (size_t i = 0; i < bars.size(); ++i) {
    const double h = double(bars[i].second) * usable / most;
    svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#2a6f97\"><title>%5: %6</title></rect>")
               .arg(i * step, 0, 'f', 1)
               .arg(kTop + usable - h, 0, 'f', 1)
               .arg(std::max(step - 1, 0.5), 0, 'f', 1)
               .arg(h, 0, 'f', 1)
               .arg(Esc(bars[i].first))
               .arg(bars[i].second);
  }
  // The first, middle and last buckets named below the bars.
  for (const size_t i : {size_t(0), bars.size() / 2, bars.size() - 1}) {
    if (i >= bars.size()) continue;
    const char* anchor = i == 0 ? "start" : i == bars.size() - 1 ? "end" : "middle";
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"%3\">%4</text>")
               .arg(i == 0 ? 0 : i == bars.size() - 1 ? kWidth : int(i * step))
               .arg(kHeight - 4)
               .arg(QLatin1String(anchor), Esc(bars[i].first));
  }
  return svg + QStringLiteral("</svg></figure>");
}

std::optional<QString> PassageChart(const Call& call, const PassageFilter& filter) {
  PassageFilter f = filter;
  if (!f.from || !f.to) {
    // The newest passage with a date that the filter takes in ends the range.
    PassageFilter dated = filter;
    if (!dated.to) dated.to = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59));
    const auto newest = PassagePage(call.store, dated, nullptr, 1);
    if (!newest) return std::nullopt;
    if (newest->empty()) return QString();
    const QDateTime last = QDateTime::fromString(newest->front().stamp, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!f.to) f.to = QDateTime(last.date(), QTime(23, 59, 59));
    if (!f.from) f.from = QDateTime(f.to->date().addDays(-30), QTime(0, 0));
  }
  if (*f.from > *f.to) return QString();
  const bool hourly = f.from->secsTo(*f.to) <= 2 * 86400;
  // At most a year of days is drawn: the last one of the range.
  if (!hourly && f.from->daysTo(*f.to) > 366) f.from = QDateTime(f.to->date().addDays(-366), QTime(0, 0));
  const auto counted = PassageBuckets(call.store, f, hourly ? 13 : 10);
  if (!counted) return std::nullopt;
  std::vector<std::pair<QString, qint64>> bars;
  size_t at = 0;
  const QString format = hourly ? QStringLiteral("yyyy-MM-dd HH") : QStringLiteral("yyyy-MM-dd");
  QDateTime t = hourly ? QDateTime(f.from->date(), QTime(f.from->time().hour(), 0)) : QDateTime(f.from->date(), QTime(0, 0));
  for (; t <= *f.to; t = hourly ? t.addSecs(3600) : t.addDays(1)) {
    const QString key = t.toString(format);
    while (at < counted->size() && (*counted)[at].first < key) ++at;
    bars.emplace_back(hourly ? key + QStringLiteral(":00") : key,
                      at < counted->size() && (*counted)[at].first == key ? (*counted)[at].second : 0);
  }
  return BarsSvg(call.tr(hourly ? text::kPerHour : text::kPerDay), bars);
}

std::optional<PassageSummary> SummaryOf(const Call& call, const PassageFilter& filter) {
  static std::mutex m;
  static std::map<QString, std::pair<qint64, PassageSummary>> kept;  // by filter and language: the newest id and the summary
  QSqlQuery q(call.store.db());
  if (!q.exec(QStringLiteral("SELECT MAX(id) FROM passages")) || !q.next()) return std::nullopt;
  const qint64 newest = q.value(0).toLongLong();
  QStringList parts;
  for (const QDateTime* t : {filter.from ? &*filter.from : nullptr, filter.to ? &*filter.to : nullptr})
    parts << (t ? t->toString(Qt::ISODate) : QString());
  for (const int a : filter.addresses) parts << QString::number(a);
  parts << (filter.card ? QString::number(*filter.card) : QString()) << QString::number(int(call.lang));
  const QString key = parts.join(u'|');
  {
    const std::lock_guard<std::mutex> lock(m);
    const auto it = kept.find(key);
    if (it != kept.end() && it->second.first == newest) return it->second.second;
  }
  const std::optional<qint64> count = CountPassages(call.store, filter);
  const std::optional<QString> chart = PassageChart(call, filter);
  if (!count || !chart) return std::nullopt;
  const std::lock_guard<std::mutex> lock(m);
  if (kept.size() >= 256) kept.clear();
  return (kept[key] = {newest, PassageSummary{*count, *chart}}).second;
}

}  // namespace tessaro::web
