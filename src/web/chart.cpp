#include "chart.h"

#include <QSqlQuery>
#include <algorithm>
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

namespace {

// The count and the buckets of the passages the filter takes in, stored after `afterId` up to `upToId`.
bool Add(RecordStore& store, PassageFilter f, PassageSummary& s, std::optional<qint64> afterId) {
  f.afterId = afterId;
  f.upToId = s.newestId;
  const std::optional<qint64> count = CountPassages(store, f);
  if (!count) return false;
  s.count += *count;
  if (!s.from.isValid()) return true;
  f.from = s.from, f.to = s.to;
  const auto counted = PassageBuckets(store, f, s.hourly ? 13 : 10);
  if (!counted) return false;
  for (const auto& [key, n] : *counted) s.buckets[key] += n;
  return true;
}

// The day the newest dated passage of the filter was on; an invalid date when there is none.
std::optional<QDate> NewestDay(RecordStore& store, PassageFilter f, qint64 upToId) {
  if (!f.to) f.to = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59));
  f.upToId = upToId;
  f.newestFirst = true;
  const auto newest = PassagePage(store, f, nullptr, 1);
  if (!newest) return std::nullopt;
  return newest->empty() ? QDate() : QDate::fromString(newest->front().stamp.left(10), Qt::ISODate);
}

std::optional<PassageSummary> Compute(RecordStore& store, const PassageFilter& filter, qint64 newestId) {
  PassageSummary s;
  s.newestId = newestId;
  s.ranged = filter.from && filter.to;
  if (s.ranged) {
    s.from = *filter.from, s.to = *filter.to;
  } else {
    const std::optional<QDate> day = NewestDay(store, filter, newestId);
    if (!day) return std::nullopt;
    if (day->isValid()) {
      s.to = filter.to ? *filter.to : QDateTime(*day, QTime(23, 59, 59));
      s.from = filter.from ? *filter.from : QDateTime(s.to.date().addDays(-30), QTime(0, 0));
    }
  }
  if (s.from.isValid() && s.from > s.to) s.from = s.to = QDateTime();
  if (s.from.isValid()) {
    s.hourly = s.from.secsTo(s.to) <= 2 * 86400;
    // At most a year of days is drawn: the last one of the range.
    if (!s.hourly && s.from.daysTo(s.to) > 366) s.from = QDateTime(s.to.date().addDays(-366), QTime(0, 0));
  }
  if (!Add(store, filter, s, std::nullopt)) return std::nullopt;
  return s;
}

}  // namespace

std::optional<PassageSummary> SummaryOf(RecordStore& store, const PassageFilter& filter) {
  static std::mutex m, counting;
  static std::map<QString, PassageSummary> kept;
  QSqlQuery q(store.db());
  if (!q.exec(QStringLiteral("SELECT MAX(id) FROM passages")) || !q.next()) return std::nullopt;
  const qint64 newest = q.value(0).toLongLong();
  QStringList parts;
  for (const QDateTime* t : {filter.from ? &*filter.from : nullptr, filter.to ? &*filter.to : nullptr})
    parts << (t ? t->toString(Qt::ISODate) : QString());
  for (const int a : filter.addresses) parts << QString::number(a);
  parts << (filter.card ? QString::number(*filter.card) : QString());
  const QString key = parts.join(u'|');
  std::optional<PassageSummary> s;
  const auto look = [&] {
    const std::lock_guard<std::mutex> lock(m);
    if (const auto it = kept.find(key); it != kept.end() && it->second.newestId <= newest) s = it->second;
    return s && s->newestId == newest;
  };
  if (look()) return s;
  // One count at a time: a second request for the same filter finds the first one's.
  const std::lock_guard<std::mutex> one(counting);
  if (look()) return s;
  if (s) {
    // Only what came since; a passage of a day after the chart's range moves the range, which is drawn anew.
    const qint64 since = s->newestId;
    s->newestId = newest;
    const std::optional<QDate> day = s->ranged ? std::optional<QDate>(QDate()) : NewestDay(store, filter, newest);
    if (!day) return std::nullopt;
    if (!s->ranged && day->isValid() && (!s->to.isValid() || *day > s->to.date())) s.reset();
    else if (!Add(store, filter, *s, since)) return std::nullopt;
  }
  if (!s) s = Compute(store, filter, newest);
  if (!s) return std::nullopt;
  const std::lock_guard<std::mutex> lock(m);
  if (kept.size() >= 256) kept.clear();
  kept[key] = *s;
  return s;
}

QString ChartSvg(const Call& call, const PassageSummary& s) {
  if (!s.from.isValid()) return {};
  std::vector<std::pair<QString, qint64>> bars;
  const QString format = s.hourly ? QStringLiteral("yyyy-MM-dd HH") : QStringLiteral("yyyy-MM-dd");
  QDateTime t = s.hourly ? QDateTime(s.from.date(), QTime(s.from.time().hour(), 0)) : QDateTime(s.from.date(), QTime(0, 0));
  for (; t <= s.to; t = s.hourly ? t.addSecs(3600) : t.addDays(1)) {
    const QString key = t.toString(format);
    const auto it = s.buckets.find(key);
    bars.emplace_back(s.hourly ? key + QStringLiteral(":00") : key, it == s.buckets.end() ? 0 : it->second);
  }
  return BarsSvg(call.tr(s.hourly ? text::kPerHour : text::kPerDay), bars);
}

}  // namespace tessaro::web
