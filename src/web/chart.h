#pragma once
// Above the passages: how many the filter takes in, and a bar chart of them
// each hour (a range of two days at most) or each day, drawn as SVG. Both
// are kept for each filter and brought up to date with only the passages
// stored since (the store never removes one), so a page over a million
// passages shown again costs a look at the newest id.

#include <QString>
#include <map>
#include <optional>

#include "console.h"
#include "recordquery.h"

namespace tessaro::web {

struct PassageSummary {
  qint64 newestId = 0;  // what it counted up to
  qint64 count = 0;
  // The chart's range: the filter's, or without both of its ends the 31 days
  // up to the newest passage with a date that the filter takes in.
  QDateTime from, to;
  bool ranged = false;  // the filter gave both ends
  bool hourly = false;
  std::map<QString, qint64> buckets;  // "yyyy-MM-dd HH" or "yyyy-MM-dd"
};
// nullopt when the store refused.
std::optional<PassageSummary> SummaryOf(RecordStore& store, const PassageFilter& filter);

// The chart of a summary, its title in the caller's language.
QString ChartSvg(const Call& call, const PassageSummary& summary);
// The SVG of the bars, one a bucket in order, with its label and count.
QString BarsSvg(const QString& title, const std::vector<std::pair<QString, qint64>>& bars);

}  // namespace tessaro::web
