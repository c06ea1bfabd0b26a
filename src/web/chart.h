#pragma once
// The bar chart above the passages: how many passages the filter takes in
// each hour (a range of two days at most) or each day, drawn as SVG.

#include <QString>
#include <optional>

#include "console.h"
#include "recordquery.h"

namespace tessaro::web {

// Without both ends of a time range the chart shows the 31 days up to the
// newest passage the filter takes in. nullopt when the store refused.
std::optional<QString> PassageChart(const Call& call, const PassageFilter& filter);

// The count of the passages the filter takes in and their chart, kept while
// no passage is added (the store never removes one): a page of a million
// passages shown again costs a look at the newest id. nullopt when the store refused.
struct PassageSummary {
  qint64 count = 0;
  QString chart;
};
std::optional<PassageSummary> SummaryOf(const Call& call, const PassageFilter& filter);

// The SVG of the bars, one a bucket in order, with its label and count.
QString BarsSvg(const QString& title, const std::vector<std::pair<QString, qint64>>& bars);

}  // namespace tessaro::web
